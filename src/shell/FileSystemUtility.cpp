#include "shell/FileSystemUtility.h"
#include "shell/PlatformFile.h"

#include <filesystem>
#include <system_error>

#include "shell/Clock.h"
#include "shell/Services.h"

namespace rq50::shell {

namespace fs = std::filesystem;

namespace {

/// Backslashes of the system's own path texts become the native separator.
fs::path Native(const std::string& path) {
    std::string text = path;
    for (char& c : text) {
        if (c == '\\') c = fs::path::preferred_separator;
    }
    return shell::platform::PathFromUtf8(text);
}

}  // namespace

bool FileSystemUtility::FileExists(const std::string& path) {
    std::error_code ec;
    return fs::is_regular_file(Native(path), ec);
}

bool FileSystemUtility::FolderExists(const std::string& path) {
    std::error_code ec;
    return fs::is_directory(Native(path), ec);
}

void FileSystemUtility::CreateFolder(const std::string& path) {
    std::error_code ec;
    fs::create_directory(Native(path), ec);
}

std::int64_t FileSystemUtility::DriveFreeSpace(const std::string& drive) {
    if (drive.empty()) return -1;
    std::error_code ec;
    fs::path where = fs::absolute(Native(drive), ec);
    if (ec) return -1;
    // A folder that does not exist yet lives on its nearest existing ancestor.
    while (!fs::exists(where, ec)) {
        if (!where.has_relative_path()) return -1;
        where = where.parent_path();
    }
    const fs::space_info info = fs::space(where, ec);
    if (ec || info.available == static_cast<std::uintmax_t>(-1)) return -1;
    return static_cast<std::int64_t>(info.available);
}

void FileSystemUtility::Wait(std::int32_t ms) {
    if (m_clock != nullptr) {
        m_clock->Wait(ms);
        return;
    }
    SteadyClock clock;
    clock.Wait(ms);
}

void FileSystemUtility::SetCursorPosition(std::int32_t, std::int32_t) {}

}  // namespace rq50::shell
