#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <nlohmann/json.hpp>
#include <sstream>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "shell/AppPaths.h"
#include "sim/Faults.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"
#include "unit/CommFakes.h"
#include "unit/CommTestJob.h"
#include "unit/PacingUnderTest.h"
#include "unit/ShellTempDir.h"

namespace rq50::comm {
namespace {

using ::testing::HasSubstr;

using nlohmann::json;

const std::string kInstruments = RQ50_SIM_INSTRUMENTS_DIR;

json DirectInstrument() {
    std::ifstream in(kInstruments + "/RQB2.json");
    return json::parse(in);
}

/// The engine and the test job against a simulated instrument on the
/// virtual clock.
class CommEngineSim : public ::testing::Test, public testing::CommFixture {
  protected:
    void SetUp() override {
        engine.SetCommPacing(rq50::testing::PacingUnderTest());
        job.Register();
    }
    void TearDown() override { core.UnregisterCommJob(testing::TestReadJob::kCode); }

    void Connect(const json& description) {
        instrument =
            std::make_unique<sim::Instrument>(sim::Instrument::FromJson(description, kInstruments));
        line = std::make_unique<sim::SimulatedLine>(clock, instrument.get());
        engine.AttachPort(line.get());
    }
    void ConnectNothing() {
        line = std::make_unique<sim::SimulatedLine>(clock, nullptr);
        engine.AttachPort(line.get());
    }
    void RunJob() {
        ASSERT_TRUE(engine.StartCommJob({testing::TestReadJob::kCode, "Test"}));
        ASSERT_TRUE(engine.RunCommJob(120'000));
    }
    const std::vector<sim::SimulatedLine::Sent>& Sent() const { return line->SentFrames(); }

    std::unique_ptr<sim::Instrument> instrument;
    std::unique_ptr<sim::SimulatedLine> line;
    testing::TestReadJob job{engine};
};

// A front end whose line reports arriving bytes ticks only then and when the
// engine says it has work (MsUntilNextAction): the same requests at the same
// moments as a tick every millisecond, with a small share of the ticks.
TEST_F(CommEngineSim, FastPacingCanTickOnArrivalsAndTheEnginesOwnDeadlines) {
    engine.SetCommPacing({true, kDefaultGapMs});
    job.reads = 6;
    EXPECT_EQ(engine.MsUntilNextAction(), -1);

    Connect(DirectInstrument());
    RunJob();  // one tick per millisecond
    const auto polled = Sent();
    const std::int64_t polledEnd = clock.NowMs();
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);

    Connect(DirectInstrument());
    const std::int64_t start = clock.NowMs();
    ASSERT_TRUE(engine.StartCommJob({testing::TestReadJob::kCode, "Test"}));
    EXPECT_EQ(engine.MsUntilNextAction(), 0);
    int ticks = 0;
    while (engine.Busy() && ticks < 10'000) {
        const std::int64_t wait = engine.MsUntilNextAction();
        const int waiting = line->BytesWaiting();
        for (std::int64_t ms = 0; ms < wait && line->BytesWaiting() == waiting; ++ms) clock.Wait(1);
        engine.Timer1();
        ++ticks;
    }
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_EQ(Sent().size(), polled.size());
    for (std::size_t i = 0; i < polled.size(); ++i) {
        EXPECT_EQ(Sent()[i].bytes, polled[i].bytes) << i;
        EXPECT_EQ(Sent()[i].atMs - start, polled[i].atMs) << i;
    }
    EXPECT_EQ(clock.NowMs() - start, polledEnd);
    // A tick a millisecond against a tick per arriving byte and deadline.
    EXPECT_LT(ticks * 10, polledEnd / kFastPollMs) << ticks << " ticks";
}

TEST_F(CommEngineSim, InstrumentAt9600IsFoundOnTheFourthTry) {
    auto description = DirectInstrument();
    description["speed"] = 9600;
    Connect(description);
    RunJob();
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_EQ(Sent().size(), 5u);  // four tries of the first request, then one read
    for (int i = 0; i < 3; ++i) EXPECT_EQ(Sent()[i].speed, 1200);
    EXPECT_EQ(Sent()[0].bytes[2], 0x12);
    EXPECT_EQ(Sent()[1].bytes[2], 0x52);
    EXPECT_EQ(Sent()[3].speed, 9600);
    EXPECT_EQ(Sent()[3].bytes[2], 0x52);
    EXPECT_EQ(Sent()[4].bytes[2], 0x12) << "the retry counter restarts after a response";
    EXPECT_EQ(job.model, "RQB2    ");
    EXPECT_EQ(engine.Speed(), 9600);

    // The next job starts at the speed found and needs no retry.
    RunJob();
    EXPECT_EQ(Sent().size(), 7u);
    EXPECT_EQ(Sent()[5].speed, 9600);
}

TEST_F(CommEngineSim, NoInstrumentEndsAfterSixTries) {
    ConnectNothing();
    const auto start = clock.NowMs();
    RunJob();
    ASSERT_EQ(Sent().size(), 6u);
    EXPECT_EQ(Sent()[2].speed, 1200);
    EXPECT_EQ(Sent()[3].speed, 9600);
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
    EXPECT_EQ(engine.Speed(), 1200);
    // The message names the silent device and both speeds tried.
    EXPECT_EQ(
        messages.Texts(),
        std::vector<std::string>{"Response time out. Check the connection.\r\n\r\nNo answer from " +
                                 engine.CommDevice() +
                                 ", tried at 1200 bps and at 9600 bps. Check the port, the "
                                 "cable and that the instrument is powered."});
    EXPECT_EQ(messages.boxes[0].title, "Communication Error");
    // Six response times, the settling wait of the first open and of the reopen.
    EXPECT_GE(clock.NowMs() - start, 6 * kResponseTimeoutMs + 2 * kOpenSettleMs);
    EXPECT_FALSE(line->IsOpen());
}

TEST_F(CommEngineSim, RackSlotIsAskedForAndCancellingTerminates) {
    Connect(json{{"rack", {{"slots", {{"3", "RQB2.json"}}}}}});
    RunJob();
    EXPECT_EQ(host.slotDialogs, 1);
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    EXPECT_EQ(messages.Texts(), std::vector<std::string>{"Communication terminated."});
    EXPECT_EQ(Sent().size(), 1u);

    messages.boxes.clear();
    host.slotAnswer = 3;
    RunJob();
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(host.slotDialogs, 2) << "the rack forgot the slot when the port closed";
    EXPECT_EQ(job.model, "RQB2    ");
    EXPECT_EQ(job.names.back(), "PV      ");
}

TEST_F(CommEngineSim, RefusedRequestsEndTheJobWithTheirStatusMessage) {
    Connect(DirectInstrument());
    struct Case {
        std::function<void()> request;
        CommErrorCode error;
        std::string text;
    };
    const Case cases[] = {
        {[this] { core.ReqItem(40, 1, 0); }, kErrAddress,
         "Parameter address error. Communication will be terminated."},
        {[this] {
             core.SetSendDataText("+001.00 ");
             core.ReqWrite(1, 1, 0);  // a measured value cannot be written
         },
         kErrCommand, "Command error. Communication will be terminated."},
    };
    for (const auto& c : cases) {
        messages.boxes.clear();
        job.request = c.request;
        job.reads = 3;
        RunJob();
        EXPECT_EQ(engine.LastOutcome().code, c.error);
        EXPECT_EQ(messages.Texts(), std::vector<std::string>{c.text});
        EXPECT_EQ(job.names.size(), 2u) << "no request follows the refused one";
        EXPECT_FALSE(line->IsOpen());
    }
}

TEST_F(CommEngineSim, LostLateAndSplitAnswersAreRecoveredByRetries) {
    auto description = DirectInstrument();
    // At 9600 bit/s a whole answer fits between a time-out and the next
    // transmission, which must discard it. Request 1 is dropped, request 2
    // answered 30 ms after its time-out, request 3 answered in two parts.
    description["speed"] = 9600;
    description[std::string(sim::kFaultsKey)] = {
        {std::string(sim::kFaultDrop), {{"on", {1}}}},
        {std::string(sim::kFaultLate), {{"on", {2}}, {"ms", 2995}}},
        {std::string(sim::kFaultSplit), {{"on", {3}}, {"after", 5}, {"pauseMs", 300}}},
    };
    Connect(description);
    engine.SetSpeed(9600);
    job.reads = 2;
    RunJob();
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_EQ(Sent().size(), 5u);
    EXPECT_EQ(Sent()[2].bytes[2], 0x52);
    EXPECT_EQ(job.model, "RQB2    ");
    ASSERT_EQ(job.names.size(), 3u);
    EXPECT_EQ(job.names[0], "MODEL   ");
    EXPECT_EQ(job.names[1], "PV      ");
    EXPECT_EQ(engine.Speed(), 9600);
}

TEST_F(CommEngineSim, GarbledAnswerIsAskedForAgainWithTheRetransmissionFlag) {
    auto description = DirectInstrument();
    // The first read's answer loses its item type, so it also comes out
    // shorter than sent: its checksum does not hold.
    description[std::string(sim::kFaultsKey)] = {
        {std::string(sim::kFaultCorrupt), {{"on", {2}}, {"byte", 4}, {"xor", 0xC0}}}};
    Connect(description);
    job.reads = 2;
    RunJob();
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_EQ(Sent().size(), 4u);
    EXPECT_EQ(Sent()[2].bytes[2], 0x52);
    EXPECT_EQ(Sent()[2].bytes[4], Sent()[1].bytes[4]) << "the same request again";
    EXPECT_EQ(Sent()[3].bytes[2], 0x12);
    EXPECT_EQ(job.names, (std::vector<std::string>{"MODEL   ", "PV      ", "PV      "}));
}

TEST_F(CommEngineSim, TheSameWrongSumTwiceIsTakenAndLogged) {
    const shell::testing::TempAppFolder app;
    std::filesystem::create_directories(app.Path() / "User");
    engine.SetLogFileOn(true);

    auto description = DirectInstrument();
    // Every answer comes with its first text byte changed, so no sum holds,
    // as from an instrument whose sums differ from ours: each request is
    // answered twice alike and the answer is then taken.
    description[std::string(sim::kFaultsKey)] = {
        {std::string(sim::kFaultCorrupt), {{"on", "all"}, {"byte", 8}, {"xor", 0x01}}}};
    Connect(description);
    job.reads = 1;
    RunJob();
    engine.SetLogFileOn(false);

    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Sent().size(), 4u);
    EXPECT_EQ(job.names.size(), 2u);
    std::ifstream in(app.Path() / "User" / "RQ50.Log", std::ios::binary);
    std::stringstream log;
    log << in.rdbuf();
    in.close();  // Windows removes no open file
    const std::string text = log.str();
    EXPECT_THAT(text, HasSubstr("Checksum error: the request is sent again."));
    EXPECT_THAT(text, HasSubstr("Checksum error in the same answer twice: the answer is taken."));
}

TEST_F(CommEngineSim, AnAnswerCompleteBeforeTheDeadlineIsTheAnswer) {
    // A 25-byte answer at 1200 bit/s takes 208 ms; these delays complete it
    // from about 160 ms to 30 ms before the response timer runs out, across
    // the phases of the ticks.
    for (int lateMs = 2540; lateMs <= 2670; lateMs += 10) {
        auto description = DirectInstrument();
        description[std::string(sim::kFaultsKey)] = {
            {std::string(sim::kFaultLate), {{"on", {2}}, {"ms", lateMs}}}};
        Connect(description);
        messages.boxes.clear();
        job.reads = 1;  // the late answer is the job's last
        job.request = [this] { core.ReqFirstItem(); };
        RunJob();
        EXPECT_EQ(engine.LastOutcome().code, kErrNone) << lateMs;
        EXPECT_TRUE(messages.boxes.empty()) << lateMs;
        EXPECT_EQ(Sent().size(), 2u) << lateMs;
        EXPECT_EQ(job.names.size(), 2u) << lateMs;
    }
}

}  // namespace
}  // namespace rq50::comm
