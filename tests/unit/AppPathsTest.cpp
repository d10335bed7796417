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

/// Sets or clears an environment variable for one scope.
class ScopedEnv {
  public:
    ScopedEnv(const char* name, const std::optional<std::string>& value) : m_name(name) {
        if (const char* old = std::getenv(name)) m_old = old;
        Set(value);
    }
    ~ScopedEnv() { Set(m_old); }
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

  private:
    void Set(const std::optional<std::string>& value) {
        if (value) {
            ::setenv(m_name, value->c_str(), 1);
        } else {
            ::unsetenv(m_name);
        }
    }
    const char* m_name;
    std::optional<std::string> m_old;
};

TEST(AppFilePath, JoinsFolderAndBackslashSubPaths) {
    TempTree tree;
    SetAppFolder("/opt/rq50");
    EXPECT_EQ(AppFilePath("V3Model.ini"), "/opt/rq50/V3Model.ini");
    EXPECT_EQ(AppFilePath("User\\PARAMETER"), "/opt/rq50/User/PARAMETER");
    EXPECT_EQ(AppFilePath("Undo\\"), "/opt/rq50/Undo/");
    SetAppFolder("/opt/rq50/");
    EXPECT_EQ(AppFilePath("Setting.ini"), "/opt/rq50/Setting.ini");
}

TEST(AppFilePath, UserFilesGoToTheDataFolderAndUserCopiesOverrideConfiguration) {
    TempTree tree;
    const fs::path app = tree.Folder("share/rq50");
    const fs::path data = tree.Folder("home/.local/share/rq50");
    SetAppFolders({app, data});

    EXPECT_EQ(AppFilePath("User\\PARAMETER"), (data / "User/PARAMETER").string());
    EXPECT_EQ(AppFilePath("User\\RQ50.Log"), (data / "User/RQ50.Log").string());
    EXPECT_EQ(AppFilePath("Undo\\"), (data / "Undo/").string());
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

TEST(ChooseAppFolders, UnwritableApplicationFolderSendsUserFilesToThePerUserFolder) {
    TempTree tree;
    const fs::path perUser = tree.Root() / "per-user";
    const fs::path missing = tree.Root() / "not-there";
    AppFolders folders = ChooseAppFolders(tree.Root(), missing.string(), "", perUser);
    EXPECT_EQ(folders.app, missing);
    EXPECT_EQ(folders.data, perUser);
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
    ScopedEnv xdg("XDG_DATA_HOME", (tree.Root() / "xdg").string());
    ScopedEnv appDir("RQ50_APPDIR", (tree.Root() / "from-env").string());

    // --app-dir wins over RQ50_APPDIR; a folder that does not exist cannot
    // take the user's files, whoever runs the program.
    const fs::path missing = tree.Root() / "not-there";
    InitAppFolder("", missing.string());
    const fs::path perUser = tree.Root() / "xdg" / "RQ50" / "RQ50";
    EXPECT_EQ(AppFolder(), missing);
    EXPECT_EQ(UserDataFolder(), perUser);
    EXPECT_TRUE(fs::is_directory(perUser / "User" / "PARAMETER"));
    EXPECT_TRUE(fs::is_directory(perUser / "User" / "PROGRAM"));
    EXPECT_EQ(AppFilePath("Setting.ini"), (perUser / "Setting.ini").string());
    EXPECT_EQ(AppFilePath("V3Model.ini"), (missing / "V3Model.ini").string());
}

}  // namespace
}  // namespace rq50::shell
