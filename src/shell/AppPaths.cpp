#include "shell/AppPaths.h"

#include <cstdlib>
#include <system_error>

namespace rq50::shell {

namespace {

std::filesystem::path& Folder() {
    static std::filesystem::path folder = std::filesystem::current_path();
    return folder;
}

std::filesystem::path ExecutableFolder(const std::string& argv0) {
    std::error_code ec;
    auto self = std::filesystem::read_symlink("/proc/self/exe", ec);
    if (ec || self.empty()) self = std::filesystem::absolute(argv0, ec);
    return self.parent_path();
}

}  // namespace

void InitAppFolder(const std::string& argv0, const std::string& overrideDir) {
    if (!overrideDir.empty()) {
        SetAppFolder(overrideDir);
    } else if (const char* env = std::getenv("RQ50_APPDIR"); env != nullptr && *env != '\0') {
        SetAppFolder(env);
    } else {
        SetAppFolder(ExecutableFolder(argv0));
    }
}

void SetAppFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    auto absolute = std::filesystem::absolute(folder, ec);
    Folder() = ec ? folder : absolute;
}

const std::filesystem::path& AppFolder() {
    return Folder();
}

std::string AppFilePath(const std::string& name) {
    std::string native = name;
    for (char& c : native) {
        if (c == '\\') c = std::filesystem::path::preferred_separator;
    }
    std::string folder = Folder().string();
    if (folder.empty() || folder.back() != std::filesystem::path::preferred_separator) {
        folder += std::filesystem::path::preferred_separator;
    }
    return folder + native;
}

}  // namespace rq50::shell
