// The core session every front end starts through.
#include "session/CoreSession.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

#include "ShellFakes.h"
#include "ShellTempDir.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/SerialPort.h"
#include "comm/jobs/Jobs.h"
#include "files/InformationRecord.h"
#include "files/Workspace.h"
#include "program/ProgramModel.h"
#include "shell/ConfigTables.h"
#include "shell/FileSystemUtility.h"
#include "shell/SettingsStore.h"
#include "sim/Instrument.h"
#include "sim/SampleInstruments.h"
#include "sim/SimulatedLine.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

using testing::MakeTempFolder;
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
    SessionScope() : windows(clock) {
        frontEnd.clock = &clock;
        frontEnd.utility = &utility;
        frontEnd.settings = &store;
        frontEnd.messages = &messages;
    }
    void WriteTables() {
        folder.Write("V3Model.ini", "\"MODEL\",\"NOTE\"\nRQG2,x\n");
        folder.Write("Category.ini", "T,,,,,,,\nH,,,,,,,\nRQK2,48,P01,16,Q01,FPU,K2,x\n");
    }
    TempAppFolder folder;
    VirtualClock clock;
    FileSystemUtility utility{&clock};
    MemorySettingsStore store;
    RecordingMessages messages;
    RecordingWindows windows;
    FrontEnd frontEnd;
};

TEST(CoreSession, HeadlessStartLoadsTheTablesAndLeavesTheJobsReady) {
    SessionScope s;
    s.WriteTables();
    s.store.Set("COMPORT", "2");
    {
        CoreSession session(s.frontEnd);
        Workspace& ws = session.Data();
        ws.state.maintMode = true;
        EXPECT_EQ(ws.hosts.messages, &s.messages);
        EXPECT_EQ(ws.hosts.engine, &session.Engine());
        ASSERT_EQ(session.Start(), StartupResult::Running);
        EXPECT_TRUE(s.messages.boxes.empty());
        EXPECT_EQ(s.clock.NowMs(), 0) << "no title wait without windows";
        EXPECT_EQ(ws.state.comPort, 2);
        EXPECT_FALSE(ws.state.maintMode);
        EXPECT_EQ(ws.state.settingFilePath, AppFilePath("Setting.ini"));
        EXPECT_EQ(ws.information.fileName.substr(0, 7), "NewFile");
        // The jobs consult the files of the application folder.
        EXPECT_TRUE(rq50::comm::CoreOf(session.Engine()).IsCommJobRegistered(comm::kJobUpload));
        EXPECT_TRUE(rq50::comm::CoreOf(session.Engine()).IsCommJobRegistered(comm::kJobSlot));
        EXPECT_TRUE(session.Engine().Tables().isV3Model("RQG2"));
        EXPECT_FALSE(session.Engine().Tables().isV3Model("RQB2"));
        EXPECT_EQ(session.Engine().Tables().findCategory("RQK2").steps, "48");
    }
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
        MsgIcon icon;
    };
    const std::string goodModels = "MODEL,NOTE\nRQG2,x\n";
    const std::string goodCategories = "T,,,,,,,\nH,,,,,,,\n";
    const std::string binary(
        "\x7f"
        "ELF\x02\x01\x01\0\0\0RQG2,\x03\x00",
        16);
    const Case cases[] = {
        {"no V3Model.ini", std::nullopt, goodCategories, "V3Model.ini", MsgIcon::Critical},
        {"binary V3Model.ini", binary, goodCategories, "V3Model.ini", MsgIcon::Critical},
        {"no Category.ini", goodModels, std::nullopt, "Category.ini", MsgIcon::Exclamation},
        {"binary Category.ini", goodModels, std::string("T\0\0\0\x01", 5), "Category.ini",
         MsgIcon::Exclamation},
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
            EXPECT_EQ(s.messages.boxes[0].icon, c.icon);
            if (withWindows) {
                EXPECT_EQ(s.windows.calls, (Calls{"instance check @0", "title @0"}));
            }
        }
    }
}

// Each session owns its engine and its data: two sessions in one process talk
// to two instruments at once, and neither sees the other's line, data set or
// job state.
TEST(CoreSession, TwoSessionsUploadFromTwoInstrumentsSideBySide) {
    SessionScope s;
    s.WriteTables();
    struct Side {
        explicit Side(const std::string& file)
            : instrument(sim::Instrument::FromFile(sim::SampleInstrumentFile(file))) {}
        sim::Instrument instrument;
        std::unique_ptr<sim::SimulatedLine> line;
        std::unique_ptr<CoreSession> session;
    };
    Side a("RQB2.json"), b("RQK2.json");
    for (Side* side : {&a, &b}) {
        side->line = std::make_unique<sim::SimulatedLine>(s.clock, &side->instrument);
        FrontEnd frontEnd = s.frontEnd;
        frontEnd.port = side->line.get();
        side->session = std::make_unique<CoreSession>(frontEnd);
        ASSERT_EQ(side->session->Start(), StartupResult::Running);
    }
    comm::CommEngine& one = a.session->Engine();
    comm::CommEngine& two = b.session->Engine();
    ASSERT_NE(&one, &two);
    ASSERT_TRUE(one.StartCommJob({comm::kJobUpload, "A"}));
    ASSERT_TRUE(two.StartCommJob({comm::kJobUpload, "B"}));
    // Both engines tick on one clock until both jobs have ended.
    for (int tick = 0; (one.Busy() || two.Busy()) && tick < 100'000; ++tick) {
        one.Timer1();
        two.Timer1();
        s.clock.Wait(comm::kTickMs);
    }
    EXPECT_EQ(one.LastOutcome().code, comm::kErrNone);
    EXPECT_EQ(two.LastOutcome().code, comm::kErrNone);
    EXPECT_EQ(one.JobTitle(), "A");
    EXPECT_EQ(two.JobTitle(), "B");
    EXPECT_EQ(a.session->Data().header.model.substr(0, 4), "RQB2");
    EXPECT_EQ(b.session->Data().header.model.substr(0, 4), "RQK2");
    EXPECT_FALSE(a.session->Data().items.dataSet.empty());
    EXPECT_FALSE(b.session->Data().items.dataSet.empty());
    EXPECT_NE(a.session->Data().items.dataSet, b.session->Data().items.dataSet);
    // Each line carried its own session's requests only, and no message box
    // was needed by either.
    EXPECT_EQ(static_cast<int>(a.line->SentFrames().size()), one.RequestsSent());
    EXPECT_EQ(static_cast<int>(b.line->SentFrames().size()), two.RequestsSent());
    EXPECT_TRUE(s.messages.boxes.empty());
    b.session.reset();
    a.session.reset();
}

// A session reads the configuration files of its own application folder:
// two sessions in one process, each given a folder, keep their own model,
// category and operator tables, and neither reads the process's folder
// (which here has no tables at all).
TEST(CoreSession, TwoSessionsKeepTheTablesOfTheirOwnApplicationFolders) {
    SessionScope s;
    struct Side {
        const char* model;
        const char* steps;
        const char* op;
        std::filesystem::path folder;
        std::unique_ptr<CoreSession> session;
    };
    Side sides[] = {{"RQG2", "48", "LDX1", {}, {}}, {"RQH2", "10", "STY1", {}, {}}};
    for (Side& side : sides) {
        side.folder = MakeTempFolder("rq50-session-");
        const auto write = [&side](const char* name, const std::string& text) {
            std::ofstream(side.folder / name, std::ios::binary) << text;
        };
        write("V3Model.ini", std::string("MODEL,NOTE\n") + side.model + ",x\n");
        write("Category.ini",
              std::string("T,,,,,,,\nH,,,,,,,\nRQK2,") + side.steps + ",P01,4,Q01,FPU,K2,x\n");
        write("OPE_TBLK2.ini", std::string("OPE,NOTE\n") + side.op + ",\n");
        FrontEnd frontEnd = s.frontEnd;
        frontEnd.appFolders = AppFolders{side.folder, side.folder};
        side.session = std::make_unique<CoreSession>(frontEnd);
    }
    // Both start before either is looked at: the second start leaves the
    // first session's tables alone.
    for (Side& side : sides) ASSERT_EQ(side.session->Start(), StartupResult::Running);
    for (std::size_t i = 0; i < 2; ++i) {
        const Side& own = sides[i];
        const Side& other = sides[1 - i];
        SCOPED_TRACE(own.model);
        Workspace& ws = own.session->Data();
        const auto& tables = own.session->Engine().Tables();
        EXPECT_TRUE(tables.isV3Model(own.model));
        EXPECT_FALSE(tables.isV3Model(other.model));
        EXPECT_EQ(tables.findCategory("RQK2").steps, own.steps);
        EXPECT_EQ(ws.state.settingFilePath, AppFilePath({own.folder, own.folder}, "Setting.ini"));
        ASSERT_TRUE(program::LoadOperatorTable(ws.config, "K2"));
        ASSERT_EQ(ws.config.operators.size(), 1u);
        EXPECT_EQ(ws.config.operators[0].mnemonic, own.op);
    }
    EXPECT_TRUE(s.messages.boxes.empty());
    for (Side& side : sides) {
        side.session.reset();
        std::error_code ec;
        std::filesystem::remove_all(side.folder, ec);
    }
}

}  // namespace
}  // namespace rq50::shell
