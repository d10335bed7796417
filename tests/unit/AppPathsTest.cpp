#include "shell/AppPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <random>

namespace rq50::shell {
namespace {

namespace fs = std::filesystem;

/// A temporary folder tree, removed afterwards; restores the process's folders.
class TempTree {
  public:
    TempTree() : m_saved{AppFolder(), UserDataFolder()} {
        std::random_device rd;
        m_root = fs::temp_directory_path() / ("rq50-paths-" + std::to_string(rd()));
        fs::create_directories(m_root);
    }
    ~TempTree() {
        std::error_code ec;
        fs::permissions(m_root, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_root, ec);
        SetAppFolders(m_saved);
    }
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    fs::path Folder(const std::string& relative) const {
        fs::create_directories(m_root / relative);
        return m_root / relative;
    }
    fs::path File(const std::string& relative, const std::string& content = "x") const {
        fs::create_directories((m_root / relative).parent_path());
        std::ofstream(m_root / relative) << content;
        return m_root / relative;
    }
    const fs::path& Root() const { return m_root; }

  private:
    AppFolders m_saved;
    fs::path m_root;
};

/// Sets or clears an environment variable (value in UTF-8) for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
#ifdef _WIN32
        if (const wchar_t* old = _wgetenv(Wide(name).c_str())) m_old = old;
        Set(value ? std::optional<std::wstring>(Wide(*value)) : std::nullopt);
#else
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
#endif
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
#ifdef _WIN32
    static std::wstring Wide(const std::string& utf8) {
        return fs::path(std::u8string(utf8.begin(), utf8.end())).wstring();
    }
    void Set(const std::optional<std::wstring>& value) {
        _wputenv_s(Wide(m_name).c_str(), value ? value->c_str() : L"");
    }
    std::optional<std::wstring> m_old;
#else
    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    std::optional<std::string> m_old;
#endif
    const char* m_name;
};

TEST(AppFilePath, JoinsFolderAndBackslashSubPaths) {
    TempTree tree;
#ifdef _WIN32
    const std::string root = "C:\\Program Files\\RQ50";
    const std::string s = "\\";
    SetAppFolder("C:/Program Files/RQ50");  // a drive letter and slashes
#else
    const std::string root = "/opt/rq50";
    const std::string s = "/";
    SetAppFolder(root);
#endif
    EXPECT_EQ(AppFilePath("V3Model.ini"), root + s + "V3Model.ini");
    EXPECT_EQ(AppFilePath("User\\PARAMETER"), root + s + "User" + s + "PARAMETER");
    EXPECT_EQ(AppFilePath("Undo\\"), root + s + "Undo" + s);
    SetAppFolder(root + s);
    EXPECT_EQ(AppFilePath("Setting.ini"), root + s + "Setting.ini");
}

TEST(AppFilePath, UserFilesGoToTheDataFolderAndUserCopiesOverrideConfiguration) {
    TempTree tree;
    const fs::path app = tree.Folder("share/rq50");
    const fs::path data = tree.Folder("home/.local/share/rq50");
    SetAppFolders({app, data});

    EXPECT_EQ(AppFilePath("User\\PARAMETER"), (data / "User" / "PARAMETER").string());
    EXPECT_EQ(AppFilePath("User\\RQ50.Log"), (data / "User" / "RQ50.Log").string());
    EXPECT_EQ(AppFilePath("Undo\\"), (data / "Undo" / "").string());
    EXPECT_EQ(AppFilePath("Setting.ini"), (data / "Setting.ini").string());

    // A configuration file comes from the application folder until the user
    // has a copy of it.
    EXPECT_EQ(AppFilePath("Category.ini"), (app / "Category.ini").string());
    tree.File("home/.local/share/rq50/Category.ini");
    EXPECT_EQ(AppFilePath("Category.ini"), (data / "Category.ini").string());
    EXPECT_EQ(AppFilePath("OPE_TBLK2.ini"), (app / "OPE_TBLK2.ini").string());
}

#if !defined(_WIN32) && !defined(__APPLE__)
TEST(PerUserDataFolder, FollowsXdgDataHomeElseHomeLocalShare) {
    EXPECT_EQ(PerUserDataFolder({"/home/eng", "/data/eng", ""}), fs::path("/data/eng/RQ50/RQ50"));
    EXPECT_EQ(PerUserDataFolder({"/home/eng", "/data/eng/", ""}), fs::path("/data/eng/RQ50/RQ50"));
    EXPECT_EQ(PerUserDataFolder({"/home/eng", "", ""}),
              fs::path("/home/eng/.local/share/RQ50/RQ50"));
    EXPECT_EQ(PerUserDataFolder({"", "", ""}), fs::path("/.local/share/RQ50/RQ50"));
    EXPECT_EQ(PerUserDataFolder({"/home/eng", "", ""}, "", "tool"),
              fs::path("/home/eng/.local/share/tool"));

    ScopedEnv home("HOME", "/home/tester");
    ScopedEnv xdg("XDG_DATA_HOME", std::nullopt);
    EXPECT_EQ(PerUserDataFolder(), fs::path("/home/tester/.local/share/RQ50/RQ50"));
}
#endif

#ifdef _WIN32
TEST(PerUserDataFolder, LocalAppDataElseTheProfileThenTheApplication) {
    EXPECT_EQ(PerUserDataFolder({"C:\\Users\\eng", "", "D:\\Local"}), fs::path("D:\\Local\\RQ50"));
    EXPECT_EQ(PerUserDataFolder({"C:\\Users\\eng", "", ""}),
              fs::path("C:\\Users\\eng\\AppData\\Local\\RQ50"));
    // The environment's texts are UTF-8 however the user is called.
    ScopedEnv local("LOCALAPPDATA", "C:\\Users\\J\xc3\xbcrgen\\AppData\\Local");
    EXPECT_EQ(PerUserDataFolder().wstring(), L"C:\\Users\\J\u00fcrgen\\AppData\\Local\\RQ50");
}
#endif

TEST(ChooseAppFolders, ExecutableFolderThenInstalledShareFolder) {
    TempTree tree;
    const fs::path bin = tree.Folder("usr/bin");
    const fs::path share = tree.Folder("usr/share/rq50");
    const fs::path perUser = tree.Root() / "home/.local/share/rq50";

    // Nothing anywhere: the executable's folder, which reports the missing
    // files at start-up.
    AppFolders folders = ChooseAppFolders(bin, "", "", perUser);
    EXPECT_EQ(folders.app, bin);

    // Installed layout: the share folder, and the user's files never go there.
    tree.File("usr/share/rq50/V3Model.ini");
    folders = ChooseAppFolders(bin, "", "", perUser);
    EXPECT_EQ(folders.app, share);
    EXPECT_EQ(folders.data, perUser);

    // Configuration next to the executable (a build or a portable folder)
    // comes first, and the user's files stay beside it while it is writable.
    tree.File("usr/bin/V3Model.ini");
    folders = ChooseAppFolders(bin, "", "", perUser);
    EXPECT_EQ(folders.app, bin);
    EXPECT_EQ(folders.data, bin);
}

TEST(ChooseAppFolders, AppDirOptionAndEnvironmentAlwaysWin) {
    TempTree tree;
    const fs::path bin = tree.Folder("bin");
    tree.File("bin/V3Model.ini");
    const fs::path option = tree.Folder("option");
    const fs::path env = tree.Folder("env");
    const fs::path perUser = tree.Root() / "per-user";

    EXPECT_EQ(ChooseAppFolders(bin, option.string(), env.string(), perUser).app, option);
    EXPECT_EQ(ChooseAppFolders(bin, option.string() + "/", "", perUser).app, option);
    const AppFolders fromEnv = ChooseAppFolders(bin, "", env.string(), perUser);
    EXPECT_EQ(fromEnv.app, env);
    EXPECT_EQ(fromEnv.data, env);
}

TEST(ChooseAppFolders, ReadOnlyApplicationFolderSendsUserFilesToThePerUserFolder) {
    TempTree tree;
    const fs::path perUser = tree.Root() / "per-user";
    const fs::path locked = tree.Folder("locked");
    fs::permissions(locked, fs::perms::owner_read | fs::perms::owner_exec);
    if (FolderIsWritable(locked)) GTEST_SKIP() << "permissions do not bind this user (root)";
    const AppFolders folders = ChooseAppFolders(tree.Root(), locked.string(), "", perUser);
    EXPECT_EQ(folders.app, locked);
    EXPECT_EQ(folders.data, perUser);
}

TEST(InitAppFolder, PreparesThePerUserFolderWhenTheApplicationFolderIsNotWritable) {
    TempTree tree;
#ifdef _WIN32
    ScopedEnv local("LOCALAPPDATA", (tree.Root() / "xdg").string());
    const fs::path perUser = tree.Root() / "xdg" / "RQ50";
#else
    ScopedEnv xdg("XDG_DATA_HOME", (tree.Root() / "xdg").string());
    const fs::path perUser = tree.Root() / "xdg" / "RQ50" / "RQ50";
#endif
    ScopedEnv appDir("RQ50_APPDIR", (tree.Root() / "from-env").string());

    // --app-dir wins over RQ50_APPDIR; a folder that does not exist cannot
    // take the user's files, whoever runs the program.
    const fs::path missing = tree.Root() / "not-there";
    InitAppFolder("", missing.string());
    EXPECT_EQ(AppFolder(), missing);
    EXPECT_EQ(UserDataFolder(), perUser);
    EXPECT_TRUE(fs::is_directory(perUser / "User" / "PARAMETER"));
    EXPECT_TRUE(fs::is_directory(perUser / "User" / "PROGRAM"));
    EXPECT_EQ(AppFilePath("Setting.ini"), (perUser / "Setting.ini").string());
    EXPECT_EQ(AppFilePath("V3Model.ini"), (missing / "V3Model.ini").string());
}

}  // namespace
}  // namespace rq50::shell
