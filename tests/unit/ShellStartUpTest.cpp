#include "session/StartUp.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "shell/ConfigTables.h"
#include "shell/FileSystemUtility.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {
namespace {

using testing::ServicesScope;
using testing::TempAppFolder;
using Calls = std::vector<std::string>;

class RecordingStartup : public StartupHost {
  public:
    RecordingStartup(const VirtualClock& clock, const Workspace& ws) : m_clock(clock), m_ws(ws) {}
    bool AnotherInstanceRunning() override {
        Log("instance check");
        return otherInstance;
    }
    void ShowTitleScreen() override { Log("title"); }
    void InitPortSettings() override { Log("port COM" + std::to_string(m_ws.state.comPort)); }
    void InitInformationRecord() override {
        Log("information record");
        if (failInformation) throw std::runtime_error("no memory");
    }
    void CreateMainWindow() override { Log("create main"); }
    void LoadMainWindow() override { Log("load main"); }
    void UnloadTitleScreen() override { Log("unload title"); }
    void ShowMainWindow() override { Log("show main"); }

    Calls calls;
    bool otherInstance = false;
    bool failInformation = false;

  private:
    void Log(const std::string& what) {
        calls.push_back(what + " @" + std::to_string(m_clock.NowMs()));
    }
    const VirtualClock& m_clock;
    const Workspace& m_ws;
};

struct StartupScope {
    StartupScope() : host(services.clock, services.ws) {
        ws.hosts.settings = &store;
        ws.hosts.utility = &utility;
        ModelTable().clear();
        CategoryTable().clear();
    }
    void WriteTables() {
        folder.Write("V3Model.ini", "MODEL,NOTE\nRQH2,x\n");
        folder.Write("Category.ini", "T,,,,,,,\nH,,,,,,,\n");
    }
    ServicesScope services;
    shell::Workspace& ws = services.ws;
    TempAppFolder folder;
    MemorySettingsStore store;
    FileSystemUtility utility{&services.clock};
    RecordingStartup host;
};

TEST(Main, RunsItsStepsInOrderWithTheTitleUpFor3000ms) {
    StartupScope s;
    Workspace& ws = s.ws;
    s.WriteTables();
    s.store.Set("COMPORT", "3");
    ws.state.maintMode = true;
    EXPECT_EQ(Main(s.ws, s.host), StartupResult::Running);
    EXPECT_EQ(s.host.calls, (Calls{"instance check @0", "title @0", "port COM3 @0",
                                   "information record @0", "create main @0", "load main @3000",
                                   "unload title @3000", "show main @3000"}));
    EXPECT_TRUE(s.services.messages.boxes.empty());
    EXPECT_TRUE(IsModelRegistered("RQH2"));
    EXPECT_FALSE(ws.state.maintMode);
    EXPECT_EQ(ws.state.settingFilePath, AppFilePath("Setting.ini"));
}

TEST(Main, SecondInstanceEndsAtOnce) {
    StartupScope s;
    s.WriteTables();
    s.host.otherInstance = true;
    EXPECT_EQ(Main(s.ws, s.host), StartupResult::AlreadyRunning);
    EXPECT_EQ(s.host.calls, Calls{"instance check @0"});
    ASSERT_EQ(s.services.messages.boxes.size(), 1u);
    EXPECT_EQ(s.services.messages.boxes[0].text, "System is already started up.");
    EXPECT_EQ(s.services.messages.boxes[0].title, "RQ50");
    EXPECT_EQ(s.services.messages.boxes[0].icon, MsgIcon::Exclamation);
}

TEST(Main, MissingTablesStopWithTheirMessage) {
    {
        StartupScope s;
        s.folder.Write("Category.ini", "T,,,,,,,\nH,,,,,,,\n");
        EXPECT_EQ(Main(s.ws, s.host), StartupResult::SettingsMissing);
        EXPECT_EQ(s.host.calls, (Calls{"instance check @0", "title @0"}));
        ASSERT_EQ(s.services.messages.boxes.size(), 1u);
        const MessageBoxRequest& box = s.services.messages.boxes[0];
        EXPECT_EQ(box.text, "Failed to initialize settings.");
        EXPECT_EQ(box.title, "RQ50  " + AppFilePath("V3Model.ini"));
        EXPECT_EQ(box.icon, MsgIcon::Critical);
        EXPECT_EQ(s.services.messages.beepsBeforeBox[0], 1);
    }
    {
        StartupScope s;
        s.folder.Write("V3Model.ini", "MODEL,NOTE\n");
        EXPECT_EQ(Main(s.ws, s.host), StartupResult::SettingsMissing);
        ASSERT_EQ(s.services.messages.boxes.size(), 1u);
        EXPECT_EQ(s.services.messages.boxes[0].title, "RQ50  " + AppFilePath("Category.ini"));
        EXPECT_EQ(s.services.messages.boxes[0].icon, MsgIcon::Exclamation);
    }
}

TEST(Main, UnexpectedErrorShowsMainErr) {
    StartupScope s;
    s.WriteTables();
    s.host.failInformation = true;
    EXPECT_EQ(Main(s.ws, s.host), StartupResult::Failed);
    ASSERT_EQ(s.services.messages.boxes.size(), 1u);
    EXPECT_EQ(s.services.messages.boxes[0].text, "Main_ERR\r\nno memory");
    EXPECT_EQ(s.host.calls.back(), "information record @0");
}

TEST(ComPortSetting, DefaultsToOne) {
    ServicesScope scope;
    shell::Workspace& ws = scope.ws;
    MemorySettingsStore store;
    ws.hosts.settings = &store;
    EXPECT_EQ(ReadComPortSetting(ws), 1);
    for (const auto& [text, port] : std::vector<std::pair<std::string, int>>{
             {"4", 4}, {"0", 1}, {"5", 1}, {"x", 1}, {"", 1}}) {
        store.Set("COMPORT", text);
        EXPECT_EQ(ReadComPortSetting(ws), port) << text;
    }
}

TEST(FileSystemUtility, FilesFoldersAndFreeSpace) {
    ServicesScope scope;
    TempAppFolder folder;
    FileSystemUtility utility(&scope.clock);
    const std::string sub = (folder.Path() / "a").string();
    EXPECT_FALSE(utility.FolderExists(sub));
    utility.CreateFolder(sub);
    EXPECT_TRUE(utility.FolderExists(sub));
    EXPECT_FALSE(utility.FileExists(sub));
    const std::string file = folder.Write("f.txt", "x");
    EXPECT_TRUE(utility.FileExists(file));
    EXPECT_GT(utility.DriveFreeSpace(folder.Path().string()), 0);
    // A folder not created yet is measured on its nearest existing folder.
    EXPECT_GT(utility.DriveFreeSpace((folder.Path() / "no" / "such").string()), 0);
    EXPECT_EQ(utility.DriveFreeSpace(""), -1);
    utility.Wait(2000);
    EXPECT_EQ(scope.clock.NowMs(), 2000);
}

}  // namespace
}  // namespace rq50::shell
