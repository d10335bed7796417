// The core session every front end starts through.
#include "shell/CoreSession.h"

#include <gtest/gtest.h>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "comm/Engine.h"
#include "comm/SerialPort.h"
#include "comm/jobs/Jobs.h"
#include "files/InformationRecord.h"
#include "files/SingleByteText.h"
#include "shell/ConfigTables.h"
#include "shell/FileNameRules.h"
#include "shell/FileSystemUtility.h"
#include "shell/SettingsStore.h"

namespace rq50::shell {
namespace {

using testing::RecordingMessages;
using testing::TempAppFolder;
using Calls = std::vector<std::string>;

class RecordingWindows : public StartupWindows {
  public:
    explicit RecordingWindows(const VirtualClock& clock) : m_clock(clock) {}
    bool AnotherInstanceRunning() override { return Log("instance check"), false; }
    void ShowTitleScreen() override { Log("title"); }
    void CreateMainWindow() override { Log("create main"); }
    void LoadMainWindow() override { Log("load main"); }
    void UnloadTitleScreen() override { Log("unload title"); }
    void ShowMainWindow() override { Log("show main"); }
    Calls calls;

  private:
    void Log(const std::string& what) {
        calls.push_back(what + " @" + std::to_string(m_clock.NowMs()));
    }
    const VirtualClock& m_clock;
};

/// A front end as the GUI or the CLI lends it, over a fresh application folder.
struct SessionScope {
    SessionScope() : saved(Svc()), windows(clock) {
        ResetGlobalState();
        Svc() = Services{};
        frontEnd.clock = &clock;
        frontEnd.utility = &utility;
        frontEnd.settings = &store;
        frontEnd.messages = &messages;
    }
    ~SessionScope() {
        Svc() = saved;
        ResetGlobalState();
        ModelTable().clear();
        CategoryTable().clear();
    }
    void WriteTables() {
        folder.Write("V3Model.ini", "\"MODEL\",\"NOTE\"\nRQG2,x\n");
        folder.Write("Category.ini", "T,,,,,,,\nH,,,,,,,\nRQK2,48,P01,16,Q01,FPU,K2,x\n");
    }
    Services saved;
    TempAppFolder folder;
    VirtualClock clock;
    FileSystemUtility utility;
    MemorySettingsStore store;
    RecordingMessages messages;
    RecordingWindows windows;
    FrontEnd frontEnd;
};

TEST(CoreSession, HeadlessStartLoadsTheTablesAndLeavesTheJobsReady) {
    SessionScope s;
    s.WriteTables();
    s.store.Set("COMPORT", "2");
    G().maintMode = true;
    {
        CoreSession session(s.frontEnd);
        EXPECT_EQ(Svc().messages, &s.messages);
        ASSERT_EQ(session.Start(), StartupResult::Running);
        EXPECT_TRUE(s.messages.boxes.empty());
        EXPECT_EQ(s.clock.NowMs(), 0) << "no title wait without windows";
        EXPECT_EQ(G().comPort, 2);
        EXPECT_FALSE(G().maintMode);
        EXPECT_EQ(G().settingFilePath, AppFilePath("Setting.ini"));
        EXPECT_EQ(files::CurrentInformation().fileName.substr(0, 7), "NewFile");
        // The jobs consult the files of the application folder.
        EXPECT_TRUE(session.Engine().IsCommJobRegistered(comm::kJobUpload));
        EXPECT_TRUE(session.Engine().IsCommJobRegistered(comm::kJobSlot));
        EXPECT_TRUE(session.Engine().Tables().isV3Model("RQG2"));
        EXPECT_FALSE(session.Engine().Tables().isV3Model("RQB2"));
        EXPECT_EQ(session.Engine().Tables().findCategory("RQK2").steps, "48");
        // A file named by a save or an open is the one the record names.
        SetCurrentFile("pump1.7pa", "/tmp/pump1.7pa");
        EXPECT_EQ(files::CurrentInformation().fileName, files::FixedLength("pump1.7pa", 40));
        SetCurrentFile("", "");
        EXPECT_EQ(files::CurrentInformation().fileName, files::FixedLength("NewFile", 40));
    }
    EXPECT_EQ(Svc().messages, nullptr) << "the previous services come back";
}

TEST(CoreSession, WindowedStartRunsTheWindowsInOrder) {
    SessionScope s;
    s.WriteTables();
    CoreSession session(s.frontEnd);
    ASSERT_EQ(session.Start(s.windows), StartupResult::Running);
    EXPECT_EQ(s.windows.calls, (Calls{"instance check @0", "title @0", "create main @0",
                                      "load main @3000", "unload title @3000", "show main @3000"}));
}

TEST(CoreSession, MissingOrUnreadableTablesRefuseToStart) {
    struct Case {
        const char* what;
        std::optional<std::string> v3Model;
        std::optional<std::string> category;
        const char* failing;
    };
    const std::string goodModels = "MODEL,NOTE\nRQG2,x\n";
    const std::string goodCategories = "T,,,,,,,\nH,,,,,,,\n";
    const std::string binary(
        "\x7f"
        "ELF\x02\x01\x01\0\0\0RQG2,\x03\x00",
        16);
    const Case cases[] = {
        {"no V3Model.ini", std::nullopt, goodCategories, "V3Model.ini"},
        {"binary V3Model.ini", binary, goodCategories, "V3Model.ini"},
        {"no Category.ini", goodModels, std::nullopt, "Category.ini"},
        {"binary Category.ini", goodModels, std::string("T\0\0\0\x01", 5), "Category.ini"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const bool withWindows : {false, true}) {
            SessionScope s;
            if (c.v3Model) s.folder.Write("V3Model.ini", *c.v3Model);
            if (c.category) s.folder.Write("Category.ini", *c.category);
            CoreSession session(s.frontEnd);
            EXPECT_EQ(withWindows ? session.Start(s.windows) : session.Start(),
                      StartupResult::SettingsMissing);
            ASSERT_EQ(s.messages.boxes.size(), 1u);
            EXPECT_EQ(s.messages.boxes[0].text, "Failed to initialize settings.");
            EXPECT_EQ(s.messages.boxes[0].title, "RQ50  " + AppFilePath(c.failing));
            EXPECT_EQ(s.messages.beepsBeforeBox[0], 1);
            if (withWindows) {
                EXPECT_EQ(s.windows.calls, (Calls{"instance check @0", "title @0"}));
            }
        }
    }
}

TEST(CoreSession, LaterChangesAreUndoneWhenItEnds) {
    SessionScope s;
    s.WriteTables();
    comm::CommHost host;
    VirtualClock other;
    {
        CoreSession session(s.frontEnd);
        ASSERT_EQ(session.Start(), StartupResult::Running);
        session.UseCommHost(&host);
        session.UseClock(&other);
        EXPECT_EQ(&session.Engine().Host(), &host);
        EXPECT_EQ(Svc().clock, &other);
    }
    EXPECT_EQ(Svc().clock, nullptr);
}

}  // namespace
}  // namespace rq50::shell
