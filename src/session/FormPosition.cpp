#include "session/FormPosition.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <optional>

#include "files/Workspace.h"
#include "shell/Services.h"
#include "shell/SettingsStore.h"

namespace rq50::session {

using namespace rq50::shell;

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

std::int16_t LoadFormPosition(Workspace& ws, FormWindow& window) {
    SettingsStore* store = ws.hosts.settings;
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

std::int16_t SaveFormPosition(Workspace& ws, const FormWindow& window) {
    SettingsStore* store = ws.hosts.settings;
    if (store == nullptr) return -1;
    const std::string name = window.Name();
    store->Set(name + "Left", FormatNumber(window.Left()));
    store->Set(name + "Top", FormatNumber(window.Top()));
    store->Set(name + "Width", FormatNumber(window.Width()));
    store->Set(name + "Height", FormatNumber(window.Height()));
    return 0;
}

FormRect FitInside(FormRect window, int wantedWidth, int wantedHeight, const FormRect& area) {
    window.width = std::max(window.width, wantedWidth);
    window.height = std::max(window.height, wantedHeight);
    if (area.Empty()) return window;
    window.width = std::min(window.width, area.width);
    window.height = std::min(window.height, area.height);
    window.left = std::clamp(window.left, area.left, area.left + area.width - window.width);
    window.top = std::clamp(window.top, area.top, area.top + area.height - window.height);
    return window;
}

FormRect KeepCornerInReach(FormRect window, const FormRect& area) {
    // Enough of the title bar to take hold of.
    constexpr int kReach = 40;
    window.left = std::max(window.left, area.left);
    window.top = std::max(window.top, area.top);
    if (area.Empty()) return window;
    window.left = std::min(window.left, std::max(area.left, area.left + area.width - 1 - kReach));
    window.top = std::min(window.top, std::max(area.top, area.top + area.height - 1 - kReach));
    return window;
}

namespace {

int Overlap(const FormRect& a, const FormRect& b) {
    const int w = std::min(a.left + a.width, b.left + b.width) - std::max(a.left, b.left);
    const int h = std::min(a.top + a.height, b.top + b.height) - std::max(a.top, b.top);
    return w > 0 && h > 0 ? w * h : 0;
}

bool Holds(const FormRect& area, int x, int y) {
    return x >= area.left && x < area.left + area.width && y >= area.top &&
           y < area.top + area.height;
}

}  // namespace

MainWindowPlace PlaceMainWindow(const std::optional<FormRect>& stored, bool storedMaximized,
                                const std::vector<FormRect>& screens) {
    if (screens.empty()) return {stored.value_or(FormRect{}), !stored || storedMaximized};
    if (!stored || stored->Empty()) return {screens.front(), true};
    const FormRect& window = *stored;
    const FormRect* screen = nullptr;
    for (const FormRect& s : screens) {
        if (Holds(s, window.left + window.width / 2, window.top + window.height / 2)) {
            screen = &s;
            break;
        }
    }
    if (screen == nullptr) {
        int most = 0;
        for (const FormRect& s : screens) {
            if (const int overlap = Overlap(s, window); overlap > most) {
                most = overlap;
                screen = &s;
            }
        }
    }
    if (screen == nullptr) screen = &screens.front();
    FormRect placed = FitInside({window.left, window.top, std::min(window.width, screen->width),
                                 std::min(window.height, screen->height)},
                                0, 0, *screen);
    return {placed, storedMaximized};
}

std::optional<FormRect> LoadFormRect(Workspace& ws, const std::string& name, float unitsPerPixel) {
    SettingsStore* store = ws.hosts.settings;
    if (store == nullptr || unitsPerPixel <= 0) return std::nullopt;
    int values[4] = {};
    const char* keys[4] = {"Left", "Top", "Width", "Height"};
    for (int i = 0; i < 4; ++i) {
        const auto text = store->Get(name + keys[i]);
        const auto value = text ? ParseNumber(*text) : std::nullopt;
        if (!value || !std::isfinite(*value)) return std::nullopt;
        values[i] = static_cast<int>(std::lround(*value / unitsPerPixel));
    }
    return FormRect{values[0], values[1], values[2], values[3]};
}

bool LoadFormMaximized(Workspace& ws, const std::string& name) {
    SettingsStore* store = ws.hosts.settings;
    if (store == nullptr) return false;
    const auto text = store->Get(name + "Maximized");
    return text && *text == "1";
}

void SaveFormMaximized(Workspace& ws, const std::string& name, bool maximized) {
    if (SettingsStore* store = ws.hosts.settings)
        store->Set(name + "Maximized", maximized ? "1" : "0");
}

}  // namespace rq50::session
