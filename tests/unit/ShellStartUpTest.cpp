#include "session/StartUp.h"

#include <gtest/gtest.h>

#include <stdexcept>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "shell/ConfigTables.h"
#include "shell/FileSystemUtility.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
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
    }
    void WriteTables() {
        folder.Write("V3Model.ini", "MODEL,NOTE\nRQH2,x\n");
        folder.Write("Category.ini", "T,,,,,,,\nH,,,,,,,\n");
    }
    ServicesScope services;
    files::Workspace& ws = services.ws;
    TempAppFolder folder;
    MemorySettingsStore store;
    FileSystemUtility utility{&services.clock};
    RecordingStartup host;
};

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
    files::Workspace& ws = scope.ws;
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
