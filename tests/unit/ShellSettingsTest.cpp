#include <gtest/gtest.h>

#include "FileTestSupport.h"
#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "files/SettingFile.h"
#include "files/UndoFolder.h"
#include "session/FormPosition.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::ServicesScope;
using testing::TempAppFolder;

std::string Codes(std::initializer_list<int> codes) {
    std::string bytes;
    for (int c : codes) {
        bytes.push_back(static_cast<char>(c & 0xFF));
        bytes.push_back(static_cast<char>(c >> 8));
    }
    return bytes;
}

struct SettingFileScope {
    SettingFileScope() {
        ws.hosts.utility = &utility;
        ws.state.settingFilePath = AppFilePath("Setting.ini");
    }
    ServicesScope services;
    files::Workspace& ws = services.ws;
    TempAppFolder folder;
    files::test::FakeUtility utility;
};

class SettingFile : public ::testing::Test, public SettingFileScope {};
class UndoFolder : public ::testing::Test, public SettingFileScope {};

TEST_F(SettingFile, MissingFileMeansNoPassword) {
    ws.state.storedPassword = "1234";
    EXPECT_FALSE(ReadSettingFile(ws));
    EXPECT_EQ(ws.state.storedPassword, "----");
    EXPECT_FALSE(ws.state.passwordStored);
    EXPECT_TRUE(ws.state.noPassword);
    EXPECT_EQ(services.navigation.passwordMenu, (std::vector<bool>{true, false}));
    EXPECT_FALSE(PasswordIsStored(ws));
}

TEST(SettingFileCodes, StoredCodes) {
    struct Case {
        std::string bytes;
        const char* password;
        bool stored;
    };
    const Case cases[] = {
        {Codes({'4', '7', '1', '1'}), "4711", true},
        {Codes({'-', '-', '-', '-'}), "----", false},
        {Codes({'1', '2', 0, '9'}), "12", true},           // stops at code 0
        {Codes({'1', '2', ' ', ' '}), "12", true},         // padded two-digit password
        {Codes({'5', '6', '7', '8', '9'}), "5678", true},  // four codes at most
        {std::string("3\0", 2) + "4", "34", true},         // a short file: missing bytes are 0
    };
    for (const Case& c : cases) {
        SettingFileScope s;
        files::Workspace& ws = s.ws;
        s.folder.Write("Setting.ini", c.bytes);
        EXPECT_TRUE(ReadSettingFile(ws));
        EXPECT_EQ(ws.state.storedPassword, c.password);
        EXPECT_EQ(ws.state.passwordStored, c.stored);
        EXPECT_EQ(ws.state.noPassword, !c.stored);
        UpdatePasswordMenu(ws);
        EXPECT_EQ(s.services.navigation.passwordMenu, (std::vector<bool>{!c.stored, c.stored}));
    }
}

TEST_F(SettingFile, WriteAndReadBack) {
    ws.state.storedPassword = "12  ";
    ASSERT_TRUE(WriteSettingFile(ws));
    EXPECT_EQ(folder.Read("Setting.ini"), Codes({'1', '2', ' ', ' '}));
    ASSERT_EQ(utility.asked.size(), 1u);
#ifdef _WIN32
    EXPECT_EQ(utility.asked[0], folder.Path().root_path().string());  // "C:\\"
#else
    EXPECT_EQ(utility.asked[0], folder.Path().string());
#endif
    ws.state.storedPassword = "----";
    ASSERT_TRUE(WriteSettingFile(ws));
    EXPECT_TRUE(ReadSettingFile(ws));
    EXPECT_EQ(ws.state.storedPassword, "----");
    EXPECT_TRUE(ws.state.noPassword);
}

TEST_F(SettingFile, WriteRefusedWhenTheDiskIsFull) {
    utility.freeSpace = 3;
    ws.state.storedPassword = "1234";
    EXPECT_FALSE(WriteSettingFile(ws));
    ASSERT_EQ(services.messages.boxes.size(), 1u);
    EXPECT_EQ(services.messages.boxes[0].text,
              "Lack of free disk space. Increase disk capacity or prepare a new disk.");
    EXPECT_FALSE(std::filesystem::exists(ws.state.settingFilePath));
    // Free space that cannot be told does not stop the write.
    utility.freeSpace = -1;
    EXPECT_TRUE(WriteSettingFile(ws));
    EXPECT_EQ(folder.Read("Setting.ini"), Codes({'1', '2', '3', '4'}));
}

class Window : public FormWindow {
  public:
    std::string Name() const override { return "frmRQ2000"; }
    float Left() const override { return left; }
    float Top() const override { return top; }
    float Width() const override { return width; }
    float Height() const override { return height; }
    void Move(float l, float t) override {
        left = l;
        top = t;
    }
    float left = 100, top = 200, width = 4800, height = 3600.5f;
};

TEST(FormPosition, PositionSurvivesARestartSizeDoesNot) {
    ServicesScope scope;
    files::Workspace& ws = scope.ws;
    MemorySettingsStore store;
    ws.hosts.settings = &store;
    Window fresh;
    EXPECT_EQ(LoadFormPosition(ws, fresh), 0);  // nothing stored: designed position
    EXPECT_EQ(fresh.left, 100);
    Window before;
    before.left = 1234.5f;
    before.top = 60;
    before.width = 9000;
    EXPECT_EQ(SaveFormPosition(ws, before), 0);
    EXPECT_EQ(store.Get("frmRQ2000Left"), "1234.5");
    EXPECT_EQ(store.Get("frmRQ2000Width"), "9000");
    EXPECT_EQ(store.Get("frmRQ2000Height"), "3600.5");
    Window after;
    EXPECT_EQ(LoadFormPosition(ws, after), 0);
    EXPECT_EQ(after.left, 1234.5f);
    EXPECT_EQ(after.top, 60);
    EXPECT_EQ(after.width, 4800);
    store.Set("frmRQ2000Top", "abc");
    EXPECT_EQ(LoadFormPosition(ws, after), -1);
    EXPECT_EQ(after.top, 60);
}

TEST(FormPosition, SubWindowsLieWhollyInsideTheirArea) {
    const FormRect area{0, 0, 800, 500};
    // Grown to its content, moved in from a place stored for a larger area.
    EXPECT_EQ(FitInside({700, 450, 100, 50}, 300, 200, area), (FormRect{500, 300, 300, 200}));
    // Larger than the area: as large as the area (its content scrolls).
    EXPECT_EQ(FitInside({40, 30, 200, 100}, 1200, 900, area), (FormRect{0, 0, 800, 500}));
    // A window the user made larger keeps its size while it fits.
    EXPECT_EQ(FitInside({10, 10, 400, 300}, 200, 100, area), (FormRect{10, 10, 400, 300}));
    // No area yet: only grown.
    EXPECT_EQ(FitInside({-5, 2000, 10, 10}, 20, 30, {}), (FormRect{-5, 2000, 20, 30}));
    // A restored place keeps the corner within reach; before layout, off the origin only.
    EXPECT_EQ(KeepCornerInReach({900, -20, 300, 200}, area), (FormRect{759, 0, 300, 200}));
    EXPECT_EQ(KeepCornerInReach({-5, 2000, 10, 10}, {}), (FormRect{0, 2000, 10, 10}));
}

TEST(FormPosition, MainWindowFillsTheScreenFirstThenStaysOnItsScreen) {
    const std::vector<FormRect> screens{{0, 0, 1024, 740}, {1024, 0, 1920, 1050}};
    const auto first = PlaceMainWindow(std::nullopt, false, screens);
    EXPECT_TRUE(first.maximized);
    EXPECT_EQ(first.rect, screens[0]);
    // On the second screen, as left.
    const auto second = PlaceMainWindow(FormRect{1100, 50, 900, 640}, false, screens);
    EXPECT_EQ(second.rect, (FormRect{1100, 50, 900, 640}));
    EXPECT_FALSE(second.maximized);
    // Mostly off the first screen's bottom right: back on it, whole.
    EXPECT_EQ(PlaceMainWindow(FormRect{600, 500, 900, 640}, true, {screens[0]}).rect,
              (FormRect{124, 100, 900, 640}));
    // Larger than its screen: as large as the screen.
    EXPECT_EQ(PlaceMainWindow(FormRect{-50, -50, 2000, 2000}, false, {screens[0]}).rect,
              screens[0]);
    // A screen that is gone: the primary one.
    EXPECT_EQ(PlaceMainWindow(FormRect{5000, 0, 300, 200}, false, screens).rect,
              (FormRect{724, 0, 300, 200}));
}

TEST_F(UndoFolder, PrepareClearRemove) {
    const auto undo = folder.Path() / "Undo";
    EXPECT_TRUE(PrepareUndoFolder(ws));
    ASSERT_TRUE(std::filesystem::is_directory(undo));
    std::ofstream(undo / "1.und") << "x";
    std::ofstream(undo / "2") << "y";
    // Removing a folder that holds files fails quietly.
    RemoveUndoFolder(ws);
    EXPECT_TRUE(std::filesystem::is_directory(undo));
    EXPECT_TRUE(PrepareUndoFolder(ws));
    EXPECT_TRUE(std::filesystem::is_empty(undo));
    RemoveUndoFolder(ws);
    EXPECT_FALSE(std::filesystem::exists(undo));
}

TEST_F(UndoFolder, CreationIsRetriedUpTo101Times) {
    utility.failCreates = 5;
    EXPECT_TRUE(PrepareUndoFolder(ws));
    EXPECT_EQ(utility.creates, 6);
    std::filesystem::remove(folder.Path() / "Undo");
    utility.creates = 0;
    utility.failCreates = 1000;
    EXPECT_FALSE(PrepareUndoFolder(ws));
    EXPECT_EQ(utility.creates, 101);
}

}  // namespace
}  // namespace rq50::shell
