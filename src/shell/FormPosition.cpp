#include "shell/FormPosition.h"

#include <charconv>
#include <optional>

#include "shell/Services.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {

namespace {

std::optional<float> ParseNumber(const std::string& text) {
    float value = 0;
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    if (ec != std::errc() || ptr != end) return std::nullopt;
    return value;
}

std::string FormatNumber(float value) {
    char buffer[32];
    const auto [ptr, ec] = std::to_chars(buffer, buffer + sizeof buffer, value);
    return ec == std::errc() ? std::string(buffer, ptr) : std::string("0");
}

}  // namespace

std::int16_t COMsub_LoadFormPosition(FormWindow& window) {
    SettingsStore* store = Svc().settings;
    if (store == nullptr) return -1;
    const std::string name = window.Name();
    std::int16_t status = 0;
    auto read = [&](const char* key, float current) {
        const auto text = store->Get(name + key);
        if (!text) return current;
        if (auto value = ParseNumber(*text)) return *value;
        status = -1;
        return current;
    };
    const float left = read("Left", window.Left());
    const float top = read("Top", window.Top());
    window.Move(left, top);
    return status;
}

std::int16_t COMsub_SaveFormPosition(const FormWindow& window) {
    SettingsStore* store = Svc().settings;
    if (store == nullptr) return -1;
    const std::string name = window.Name();
    store->Set(name + "Left", FormatNumber(window.Left()));
    store->Set(name + "Top", FormatNumber(window.Top()));
    store->Set(name + "Width", FormatNumber(window.Width()));
    store->Set(name + "Height", FormatNumber(window.Height()));
    return 0;
}

}  // namespace rq50::shell
