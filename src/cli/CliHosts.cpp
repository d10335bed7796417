#include "cli/CliHosts.h"

#include "shell/Clock.h"
#include "shell/UtilityComponent.h"

#include <filesystem>
#include <iostream>
#include <system_error>

namespace rq50::cli {

int CliMessageHost::Show(const shell::MessageBoxRequest& box) {
    ++m_count;
    std::cerr << box.text << "\n";
    switch (box.buttons) {
        case shell::kButtonsYesNo:
        case shell::kButtonsYesNoCancel:
            return shell::kAnswerYes;
        case shell::kButtonsAbortRetryIgnore:
            return shell::kAnswerIgnore;
        case shell::kButtonsRetryCancel:
            return shell::kAnswerCancel;
        default:
            return shell::kAnswerOk;
    }
}

namespace {

// The file-system services a headless command needs.
class CliFileSystem : public shell::UtilityComponent {
  public:
    bool FileExists(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::is_regular_file(path, ec);
    }
    bool FolderExists(const std::string& path) override {
        std::error_code ec;
        return std::filesystem::is_directory(path, ec);
    }
    void CreateFolder(const std::string& path) override {
        std::error_code ec;
        std::filesystem::create_directory(path, ec);
    }
    std::int64_t DriveFreeSpace(const std::string& drive) override {
        std::error_code ec;
        const auto space = std::filesystem::space(drive, ec);
        return ec ? -1 : static_cast<std::int64_t>(space.available);
    }
    void Wait(std::int32_t ms) override {
        if (auto* clock = shell::Svc().clock) clock->Wait(ms);
    }
    void SetCursorPosition(std::int32_t, std::int32_t) override {}
};

}  // namespace

struct CliServices::Owned {
    shell::SteadyClock clock;
    CliFileSystem utility;
};

CliServices::CliServices() : m_owned(std::make_unique<Owned>()), m_saved(shell::Svc()) {
    auto& svc = shell::Svc();
    svc.messages = &m_messages;
    svc.utility = &m_owned->utility;
    if (svc.clock == nullptr) svc.clock = &m_owned->clock;
}

CliServices::~CliServices() {
    shell::Svc() = m_saved;
}

}  // namespace rq50::cli
