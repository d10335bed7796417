#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "session/ScreenFlow.h"
#include "shell/AppPaths.h"
#include "unit/CommFakes.h"
#include "unit/CommTestJob.h"
#include "unit/ShellFakes.h"
#include "unit/ShellTempDir.h"

namespace rq50::comm {
namespace {

using ::testing::HasSubstr;

using testing::Bytes;
using testing::ResponseFrame;
using testing::ScriptedPort;
using Parts = std::vector<ScriptedPort::Part>;

const std::string kTerminatedText = "Communication terminated.";

/// A scripted instrument that answers every request after 20 ms, or not at
/// all: for the engine's own timing, Terminate, logging and monitor rules.
class EngineTest : public ::testing::Test, public testing::CommFixture {
  protected:
    void SetUp() override {
        job.Register();
        engine.AttachPort(&port);
        port.respond = [this](const Bytes& request, int speed) { return Answer(request, speed); };
    }
    void TearDown() override { core.UnregisterCommJob(testing::TestReadJob::kCode); }

    Parts Answer(const Bytes& request, int /*speed*/) {
        if (silent) return {};
        const int command = request[4], ma = request[5], mb = request[6];
        if ((ma == 0 && mb == 1) || command == 0x84)
            return {{20, ResponseFrame(0, 1, "MODEL   ", "RQB2    ", ResponseStatus::Normal, 0)}};
        return {{20, ResponseFrame(ma, mb, headName, "        ", ResponseStatus::Normal, 0)}};
    }

    /// Runs the started job to its end on the virtual clock.
    void Run() { ASSERT_TRUE(engine.RunCommJob(120'000)); }

    bool Start() { return engine.StartCommJob({testing::TestReadJob::kCode, "Test"}); }

    ScriptedPort port{clock};
    testing::TestReadJob job{engine};
    bool silent = false;
    std::string headName = "PV      ";
};

TEST_F(EngineTest, JobRunsToItsEndAndLeavesTheEngineIdle) {
    job.reads = 2;
    ASSERT_TRUE(Start());
    EXPECT_TRUE(engine.Busy());
    Run();
    EXPECT_FALSE(engine.Busy());
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(core.CommState, kStateIdle);
    EXPECT_EQ(job.model, "RQB2    ");
    EXPECT_EQ(job.names.size(), 3u);
    EXPECT_EQ(port.sent.size(), 3u);
    EXPECT_FALSE(port.IsOpen());
    EXPECT_TRUE(messages.boxes.empty());
    EXPECT_EQ(host.dialogsClosed, 1);
    EXPECT_EQ(host.progress.front(), 0);
    EXPECT_EQ(host.progress.back(), 100);
    EXPECT_TRUE(core.LastRespName.empty());
}

TEST_F(EngineTest, SilenceAfterMaintEndsWithoutMessage) {
    headName = "MAINT   ";
    job.reads = 2;
    ASSERT_TRUE(Start());
    // Let the first read complete, then the instrument stops answering.
    while (engine.Busy() && job.names.size() < 2) {
        engine.Timer1();
        clock.Advance(kTickMs);
    }
    silent = true;
    Run();
    EXPECT_EQ(engine.LastOutcome().code, kErrTimeout);
    EXPECT_TRUE(messages.boxes.empty());
}

TEST_F(EngineTest, TerminateWhileWaitingEndsAtTheNextTick) {
    silent = true;
    ASSERT_TRUE(Start());
    while (!engine.AwaitingAnswer()) {
        engine.Timer1();
        clock.Advance(kTickMs);
    }
    // Pressed just as the response timer runs out: the user's request wins
    // over one more retry.
    clock.Advance(kResponseTimeoutMs);
    engine.Terminate();
    engine.Timer1();
    EXPECT_EQ(core.CommStep, kStepFinish);
    Run();
    EXPECT_EQ(port.sent.size(), 1u);
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{kTerminatedText});
    EXPECT_EQ(messages.boxes[0].title, "Test");
}

// "Terminate" between two exchanges ends the job before the next request, so
// nothing more reaches the instrument (a write would otherwise go out unanswered).
TEST_F(EngineTest, TerminateBetweenRequestsSendsNothingMore) {
    job.reads = 3;
    ASSERT_TRUE(Start());
    while (job.names.size() < 2) {
        engine.Timer1();
        clock.Advance(kTickMs);
    }
    ASSERT_EQ(core.CommState, kStateBuild);
    const auto sentBefore = port.sent.size();
    engine.Terminate();
    Run();
    EXPECT_EQ(port.sent.size(), sentBefore);
    EXPECT_EQ(job.names.size(), 2u);
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
}

TEST_F(EngineTest, SlotZeroAfterTheConnectEndsWithCommunicationError) {
    job.reads = 1;
    headName = "SLOT NO ";
    port.respond = [](const Bytes& request, int) {
        if (request[5] == 0) return Parts{{20, ResponseFrame(0, 1, "MODEL   ", "RQB2    ")}};
        return Parts{{20, ResponseFrame(0, 0, "SLOT NO ", "      00")}};
    };
    ASSERT_TRUE(Start());
    Run();
    EXPECT_EQ(engine.LastOutcome().code, kErrSlotZero);
    EXPECT_EQ(messages.Texts(),
              std::vector<std::string>{"Communication error. Check the connection and try again."});
}

TEST_F(EngineTest, SecondStartIsRefusedAndUnknownJobsNeverStart) {
    ASSERT_TRUE(Start());
    EXPECT_FALSE(engine.StartCommJob({kJobUpload, "Test"}));
    EXPECT_EQ(core.CommJob, testing::TestReadJob::kCode);
    Run();
    EXPECT_FALSE(engine.StartCommJob({static_cast<Job>(22), "Test"}));
    EXPECT_FALSE(engine.Busy());
    EXPECT_EQ(core.CommState, kStateIdle);
}

TEST_F(EngineTest, FailedOpenEndsWithQuillErrorOnly) {
    port.failOpen = true;
    ASSERT_TRUE(Start());
    Run();
    EXPECT_EQ(engine.LastOutcome().code, kErrPortOpen);
    EXPECT_TRUE(port.sent.empty());
    EXPECT_EQ(port.closeCount, 0);
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "8002:Invalid port number");
    EXPECT_EQ(messages.boxes[0].title, "Quill Error");
    EXPECT_EQ(messages.boxes[0].icon, shell::MsgIcon::Critical);
}

TEST_F(EngineTest, FailedReopenDuringSpeedSwitchEndsLikeAFailedOpen) {
    silent = true;
    ASSERT_TRUE(Start());
    while (port.sent.size() < 3 || core.CommState != kStateBuild) {
        engine.Timer1();
        clock.Advance(kTickMs);
    }
    port.failOpen = true;
    Run();
    EXPECT_EQ(port.sent.size(), 3u);
    EXPECT_EQ(engine.LastOutcome().code, kErrPortOpen);
    EXPECT_EQ(engine.Speed(), 1200);
    EXPECT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Quill Error");
}

TEST_F(EngineTest, TickInsideAModalBoxDoesNothing) {
    silent = true;
    int statesSeen = -1;
    messages.onShow = [&] {
        const CommStates before = core.CommState;
        engine.Timer1();
        engine.Timer1();
        statesSeen = core.CommState == before ? 1 : 0;
    };
    ASSERT_TRUE(Start());
    Run();
    EXPECT_EQ(statesSeen, 1);
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
}

TEST_F(EngineTest, UnexpectedErrorInAJobEndsItAndFreesTheEngine) {
    core.RegisterCommJob(kJobUpload, {[this](SerialPort& p) {
                                          if (core.AdvanceStep() == 0) {
                                              core.BeginJob(p);
                                              return;
                                          }
                                          throw std::out_of_range("index out of range");
                                      },
                                      {}});
    ASSERT_TRUE(engine.StartCommJob({kJobUpload, "Test"}));
    Run();
    core.UnregisterCommJob(kJobUpload);
    EXPECT_FALSE(engine.Busy());
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    EXPECT_FALSE(port.IsOpen());
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].text, "Timer1_ERR\r\nindex out of range");
    EXPECT_TRUE(Start()) << "the next job starts";
}

TEST_F(EngineTest, MonitorShowsOnlyParameterScreenJobs) {
    engine.SetMonitorOn(true);
    ASSERT_TRUE(Start());
    Run();
    ASSERT_EQ(host.monitor.size(), 4u);
    EXPECT_TRUE(host.monitor[0].first);
    EXPECT_EQ(host.monitor[0].second, "00 00 12 04 80 00 01 00 97 ");
    EXPECT_FALSE(host.monitor[1].first);

    host.monitor.clear();
    core.RegisterCommJob(kJobUpload,
                         {[this](SerialPort& p) { job.Build(p); }, [this] { job.Parse(); }});
    ASSERT_TRUE(engine.StartCommJob({kJobUpload, "Test"}));
    Run();
    core.UnregisterCommJob(kJobUpload);
    EXPECT_TRUE(host.monitor.empty());
    engine.SetMonitorOn(false);
}

TEST_F(EngineTest, LogHoldsExactlyTheFramesOfTheLastJob) {
    const shell::testing::TempAppFolder app;
    std::filesystem::create_directories(app.Path() / "User");
    engine.SetLogTimeSource([] { return std::string("2026/12/05 14:03:07"); });
    engine.SetLogFileOn(true);

    job.reads = 3;
    ASSERT_TRUE(Start());
    Run();
    job.reads = 1;
    headName = "A\"B     ";
    ASSERT_TRUE(Start());
    Run();
    engine.SetLogFileOn(false);
    engine.SetLogTimeSource(nullptr);

    std::ifstream in(app.Path() / "User" / "RQ50.Log", std::ios::binary);
    std::stringstream content;
    content << in.rdbuf();
    in.close();  // Windows removes no open file
    std::vector<std::string> lines;
    std::string text = content.str();
    for (std::size_t pos = 0; pos < text.size();) {
        auto end = text.find("\r\n", pos);
        ASSERT_NE(end, std::string::npos) << "every record ends with CR LF";
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 2;
    }
    ASSERT_EQ(lines.size(), 4u * 2u) << "two requests and two responses, two records each";
    EXPECT_EQ(lines[0], "\"2026/12/05 14:03:07\",\"  SEND HEX  \",\"00 00 12 04 80 00 01 00 97 \"");
    EXPECT_EQ(lines[1].substr(0, 38), "\"2026/12/05 14:03:07\",\" SEND ASCII \",\"");
    EXPECT_EQ(lines[1].substr(38, 3), "\xA5\xA5\xA5") << "control bytes are replaced";
    EXPECT_EQ(lines[2].substr(22, 14), "\" RECIVE HEX \"");
    EXPECT_EQ(lines[3].substr(22, 14), "\"RECIVE ASCII\"");
    EXPECT_THAT(lines[7], HasSubstr("A\"\"B")) << "a quote in a field is doubled";
    const std::string stamp = core.LogTimeStamp();
    ASSERT_EQ(stamp.size(), 19u);
    EXPECT_EQ(stamp[4], '/');
    EXPECT_EQ(stamp[7], '/');
    EXPECT_EQ(stamp[10], ' ');
    EXPECT_EQ(stamp.substr(13, 1) + stamp.substr(16, 1), "::");
}

TEST_F(EngineTest, LogWriteErrorsDoNotStopTheJob) {
    const shell::testing::TempAppFolder restores;
    shell::SetAppFolder("/nonexistent/rq50");
    engine.SetLogFileOn(true);
    ASSERT_TRUE(Start());
    Run();
    engine.SetLogFileOn(false);
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
}

TEST_F(EngineTest, FinishedJobHandsBackThroughTheNavigation) {
    shell::testing::RecordingNavigation navigation;
    ws.hosts.navigation = &navigation;
    std::vector<shell::MenuCommandCode> menuCommands;
    ws.hosts.menuCommand = [&](shell::MenuCommandCode code) { menuCommands.push_back(code); };

    // A cancelled slot job started from the SLOT No. dialog re-enables the
    // category menu; a successful one from the category menu with a rack
    // answering runs the menu command.
    silent = true;
    ASSERT_TRUE(session::StartCallerJob(engine, {testing::TestReadJob::kCode, "Test"},
                                        session::kCallerSlotDialog));
    engine.Terminate();
    Run();
    EXPECT_EQ(navigation.calls, std::vector<std::string>{"enable frmRQ2200"});

    silent = false;
    core.RegisterCommJob(kJobSlot,
                         {[this](SerialPort& p) { job.Build(p); }, [this] { job.Parse(); }});
    ASSERT_TRUE(session::StartCallerJob(engine, {kJobSlot, "Test"}, session::kCallerCategoryMenu));
    core.CommFacts.rackAnswered = true;
    Run();
    core.UnregisterCommJob(kJobSlot);
    EXPECT_EQ(menuCommands, std::vector<shell::MenuCommandCode>{session::kMenuAfterSlotJob});

    ws.hosts.menuCommand = nullptr;
    ws.hosts.navigation = nullptr;
}

}  // namespace
}  // namespace rq50::comm
