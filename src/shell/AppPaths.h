#pragma once

#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::shell {

/// The organisation and application names the desktop program gives
/// QCoreApplication (its settings store uses them too). The per-user data
/// folder follows from them: ~/.local/share/RQ50/RQ50 on Linux; on Windows
/// the application name alone, %LOCALAPPDATA%\RQ50.
inline constexpr std::string_view kOrganizationName = "RQ50";
inline constexpr std::string_view kApplicationName = "RQ50";

/// The environment values the per-user data folder is computed from.
struct UserEnvironment {
    std::string home;          ///< HOME (USERPROFILE on Windows)
    std::string xdgDataHome;   ///< XDG_DATA_HOME (Linux and other Unix)
    std::string localAppData;  ///< LOCALAPPDATA (Windows)
};

/// The current process's environment.
UserEnvironment CurrentUserEnvironment();

/// The per-user application data folder; on Linux and macOS the folder Qt's
/// QStandardPaths::writableLocation(AppDataLocation) names for an application
/// with these organisation and application names. On Linux: XDG_DATA_HOME, or
/// HOME/.local/share when it is not set, then the organisation name (when not
/// empty) and the application name. On Windows: LOCALAPPDATA, or
/// USERPROFILE\AppData\Local when it is not set, then the application name
/// (Windows programs keep one folder of their own there). Texts are UTF-8.
std::filesystem::path PerUserDataFolder(const UserEnvironment& env,
                                        std::string_view organization = kOrganizationName,
                                        std::string_view application = kApplicationName);

/// The per-user data folder of this application in the current environment.
/// The desktop program compares it with QStandardPaths at start-up.
std::filesystem::path PerUserDataFolder();

/// The folders where the configuration files are looked for, in order, for an
/// executable in `exeFolder`: the executable's own folder, then ../share/rq50
/// (the installed layout).
std::vector<std::filesystem::path> AppFolderCandidates(const std::filesystem::path& exeFolder);

/// True when a file can be created in `folder` (checked by creating and
/// removing one).
bool FolderIsWritable(const std::filesystem::path& folder);

/// Where the application folder and the user's data folder were found.
struct AppFolders {
    std::filesystem::path app;   ///< configuration files
    std::filesystem::path data;  ///< User\, Undo\, Setting.ini
};

/// Decides both folders. `overrideDir` (--app-dir), else `envDir`
/// (RQ50_APPDIR), else the first candidate of AppFolderCandidates(exeFolder)
/// that holds V3Model.ini (the executable's folder when none does) is the
/// application folder. The user's files stay in it when it is writable and is
/// not an installed share folder; otherwise they go to `perUserFolder`.
AppFolders ChooseAppFolders(const std::filesystem::path& exeFolder, const std::string& overrideDir,
                            const std::string& envDir, const std::filesystem::path& perUserFolder);

/// Sets the application folder and the user's data folder for this process
/// from the executable (`argv0` is the fallback when its path cannot be
/// told), --app-dir (`overrideDir`), RQ50_APPDIR and the per-user data
/// folder; creates User\PARAMETER and User\PROGRAM in the data folder.
void InitAppFolder(const std::string& argv0, const std::string& overrideDir = {});

/// Sets the application folder directly; the user's files go into the same
/// folder (tests).
void SetAppFolder(const std::filesystem::path& folder);

/// Sets both folders directly.
void SetAppFolders(const AppFolders& folders);

/// Both folders as the process has them now.
const AppFolders& ProcessAppFolders();

/// The application folder.
const std::filesystem::path& AppFolder();

/// The folder that holds the user's files: the application folder when it is
/// writable, else the per-user data folder.
const std::filesystem::path& UserDataFolder();

/// Keeps `path` (a file or folder the program made in the user's data
/// folder) for its owner only, files 0600 and folders 0700, where that
/// folder is the per-user one; in a portable or shared folder it is left as
/// the folder gives it. Plant data is private by default.
void KeepPrivate(const std::filesystem::path& path);

/// The desktop program's settings file (ports, window positions): RQ50.ini in
/// the user's data folder, so that each set-up (installed, portable,
/// --app-dir) keeps its own.
std::filesystem::path SettingsFilePath();

/// The application folder joined with `name`. Backslashes in `name` separate
/// folders ("User\PARAMETER", "Undo\") and become the platform's separator; a
/// trailing one is kept as a trailing separator.
///
/// The files the tool writes (everything under User\ and Undo\, and
/// Setting.ini) are joined with UserDataFolder(). Every other name is a
/// configuration file: a copy in the data folder, when there is one, overrides
/// the one in the application folder.
std::string AppFilePath(const std::string& name);
/// The same over `folders` (a session's own folders).
std::string AppFilePath(const AppFolders& folders, const std::string& name);

}  // namespace rq50::shell
