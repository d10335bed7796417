#include "shell/AppPaths.h"

#include "shell/PlatformFile.h"

#include <algorithm>
#include <fstream>
#include <random>
#include <system_error>

namespace rq50::shell {

namespace {

namespace fs = std::filesystem;

/// The file whose presence marks a folder as an application folder.
constexpr const char* kMarkerFile = "V3Model.ini";

AppFolders& Folders() {
    static AppFolders folders{fs::current_path(), fs::current_path()};
    return folders;
}

std::string Env(const char* name) {
    return platform::EnvironmentValue(name);
}

fs::path ExecutableFolder(const std::string& argv0) {
    std::error_code ec;
    auto self = platform::ExecutablePath();
    if (self.empty()) self = fs::absolute(platform::PathFromUtf8(argv0), ec);
    return self.parent_path();
}

fs::path Absolute(const fs::path& folder) {
    std::error_code ec;
    auto absolute = fs::absolute(folder, ec);
    return (ec ? folder : absolute).lexically_normal();
}

/// Removes a trailing separator so that the folder compares and prints alike
/// however it was given.
fs::path WithoutTrailingSeparator(fs::path folder) {
    if (!folder.has_filename() && folder.has_relative_path()) folder = folder.parent_path();
    return folder;
}

bool EqualsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
        if (lower(a[i]) != lower(b[i])) return false;
    }
    return true;
}

/// True for the names of the files the tool writes: Setting.ini and
/// everything under User\ and Undo\.
bool IsUserFile(const std::string& name) {
    const std::string_view first = std::string_view(name).substr(0, name.find_first_of("\\/"));
    return EqualsIgnoringCase(first, "User") || EqualsIgnoringCase(first, "Undo") ||
           EqualsIgnoringCase(name, "Setting.ini");
}

std::string Join(const fs::path& folder, const std::string& name) {
    constexpr char kSeparator = static_cast<char>(fs::path::preferred_separator);
    std::string native = name;
    for (char& c : native) {
        if (c == '\\') c = kSeparator;
    }
    std::string text = platform::Utf8FromPath(folder);
    if (text.empty() || text.back() != kSeparator) text += kSeparator;
    return text + native;
}

}  // namespace

UserEnvironment CurrentUserEnvironment() {
#ifdef _WIN32
    return {Env("USERPROFILE"), {}, Env("LOCALAPPDATA")};
#else
    return {Env("HOME"), Env("XDG_DATA_HOME"), {}};
#endif
}

fs::path PerUserDataFolder(const UserEnvironment& env, std::string_view organization,
                           std::string_view application) {
#if defined(_WIN32)
    // The user's files stay on this machine (Local, not the roaming profile),
    // in a folder of the application's own name.
    fs::path folder = !env.localAppData.empty()
                          ? platform::PathFromUtf8(env.localAppData)
                          : platform::PathFromUtf8(env.home) / "AppData" / "Local";
    organization = {};
#elif defined(__APPLE__)
    fs::path folder = platform::PathFromUtf8(env.home.empty() ? "/" : env.home) / "Library" /
                      "Application Support";
#else
    // A missing HOME counts as the root folder, as Qt takes it.
    fs::path folder =
        !env.xdgDataHome.empty()
            ? platform::PathFromUtf8(env.xdgDataHome)
            : platform::PathFromUtf8(env.home.empty() ? "/" : env.home) / ".local" / "share";
#endif
    if (!organization.empty()) folder /= platform::PathFromUtf8(organization);
    if (!application.empty()) folder /= platform::PathFromUtf8(application);
    return WithoutTrailingSeparator(folder.lexically_normal());
}

fs::path PerUserDataFolder() {
    return PerUserDataFolder(CurrentUserEnvironment());
}

std::vector<fs::path> AppFolderCandidates(const fs::path& exeFolder) {
    const fs::path exe = WithoutTrailingSeparator(Absolute(exeFolder));
    return {exe, WithoutTrailingSeparator((exe / ".." / "share" / "rq50").lexically_normal())};
}

bool FolderIsWritable(const fs::path& folder) {
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) return false;
    std::random_device random;
    const fs::path probe = folder / (".rq50-write-probe-" + std::to_string(random()));
    bool created = false;
    {
        std::ofstream out(probe, std::ios::binary);
        created = out.is_open();
    }
    if (created) fs::remove(probe, ec);
    return created;
}

AppFolders ChooseAppFolders(const fs::path& exeFolder, const std::string& overrideDir,
                            const std::string& envDir, const fs::path& perUserFolder) {
    fs::path app;
    bool installed = false;
    if (!overrideDir.empty()) {
        app = platform::PathFromUtf8(overrideDir);
    } else if (!envDir.empty()) {
        app = platform::PathFromUtf8(envDir);
    } else {
        const auto candidates = AppFolderCandidates(exeFolder);
        app = candidates.front();
        for (std::size_t i = 0; i < candidates.size(); ++i) {
            std::error_code ec;
            if (fs::is_regular_file(candidates[i] / kMarkerFile, ec)) {
                app = candidates[i];
                installed = i > 0;
                break;
            }
        }
    }
    app = WithoutTrailingSeparator(Absolute(app));
    // An installed share folder is never written, even by an administrator
    // who could: the package manager owns it.
    if (!installed && FolderIsWritable(app)) return {app, app};
    return {app, WithoutTrailingSeparator(Absolute(perUserFolder))};
}

void InitAppFolder(const std::string& argv0, const std::string& overrideDir) {
    const AppFolders folders = ChooseAppFolders(ExecutableFolder(argv0), overrideDir,
                                                Env("RQ50_APPDIR"), PerUserDataFolder());
    SetAppFolders(folders);
    // The default folders of the file dialogs and the log's folder, wherever
    // the user's files live (a portable copy too); a failure shows later,
    // when a file is saved there.
    std::error_code ec;
    fs::create_directories(folders.data / "User" / "PARAMETER", ec);
    fs::create_directories(folders.data / "User" / "PROGRAM", ec);
}

void SetAppFolder(const fs::path& folder) {
    const fs::path absolute = Absolute(folder);
    SetAppFolders({absolute, absolute});
}

void SetAppFolders(const AppFolders& folders) {
    Folders() = folders;
}

const AppFolders& ProcessAppFolders() {
    return Folders();
}

const fs::path& AppFolder() {
    return Folders().app;
}

const fs::path& UserDataFolder() {
    return Folders().data;
}

void KeepPrivate(const fs::path& path) {
#ifndef _WIN32
    std::error_code ec;
    const fs::path data = WithoutTrailingSeparator(Absolute(UserDataFolder()));
    if (data != WithoutTrailingSeparator(Absolute(PerUserDataFolder()))) return;
    const fs::path where = Absolute(path);
    const auto inside = std::mismatch(data.begin(), data.end(), where.begin(), where.end());
    if (inside.first != data.end()) return;
    const auto perms = fs::is_directory(where, ec) ? fs::perms::owner_all
                                                   : fs::perms::owner_read | fs::perms::owner_write;
    fs::permissions(where, perms, fs::perm_options::replace, ec);
#else
    (void)path;  // the per-user folder is the user's own already
#endif
}

fs::path SettingsFilePath() {
    return Folders().data / "RQ50.ini";
}

std::string AppFilePath(const std::string& name) {
    return AppFilePath(Folders(), name);
}

std::string AppFilePath(const AppFolders& folders, const std::string& name) {
    if (IsUserFile(name)) return Join(folders.data, name);
    if (folders.data != folders.app) {
        const std::string own = Join(folders.data, name);
        std::error_code ec;
        if (fs::exists(platform::PathFromUtf8(own), ec)) return own;
    }
    return Join(folders.app, name);
}

}  // namespace rq50::shell
