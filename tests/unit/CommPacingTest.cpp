// The two pacings of the engine: the same job sends the same frames and ends
// with the same data in either; fast pacing only leaves out the waiting.
#include "unit/JobTestSupport.h"

#include <fstream>

namespace rq50::testing {
namespace {

using namespace rq50::comm;

nlohmann::json SampleInstrument(const std::string& name) {
    std::ifstream in(std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/" + name);
    return nlohmann::json::parse(in);
}

class CommPacingTest : public JobBench {
  protected:
    struct Outcome {
        CommErrorCode result = kErrTimeout;
        std::vector<sim::Bytes> frames;
        std::vector<std::int64_t> sentAtMs;
        parameter::ItemArray data;
        std::int64_t elapsedMs = 0;
    };

    Outcome Upload(const CommPacing& pacing, int speed, bool download = false) {
        engine.Reset();
        engine.SetCommPacing(pacing);
        engine.SetSpeed(speed);
        auto description = SampleInstrument("RQB2.json");
        description["speed"] = speed;
        Connect(description);
        const std::int64_t start = clock.NowMs();
        Outcome out;
        if (!Run(download ? kJobDownload : kJobUpload)) return out;
        out.result = engine.LastOutcome().code;
        out.elapsedMs = clock.NowMs() - start;
        for (const auto& sent : line->SentFrames()) {
            out.frames.push_back(sent.bytes);
            out.sentAtMs.push_back(sent.atMs);
        }
        out.data = engine.Data().items.dataSet;
        return out;
    }
};

TEST_F(CommPacingTest, BothPacingsSendTheSameFramesAndGetTheSameData) {
    for (const int speed : {1200, 9600}) {
        const auto classic = Upload({false, kDefaultGapMs}, speed);
        const auto fast = Upload({true, kDefaultGapMs}, speed);
        ASSERT_EQ(classic.result, kErrNone) << speed;
        ASSERT_EQ(fast.result, kErrNone) << speed;
        EXPECT_EQ(fast.frames, classic.frames) << speed;
        EXPECT_EQ(fast.data, classic.data) << speed;
        EXPECT_LT(fast.elapsedMs, classic.elapsedMs) << speed;
        // A download (every item written and read back) is the same job in
        // both as well.
        const auto classicDown = Upload({false, kDefaultGapMs}, speed, true);
        const auto fastDown = Upload({true, kDefaultGapMs}, speed, true);
        ASSERT_EQ(classicDown.result, kErrNone) << speed;
        ASSERT_EQ(fastDown.result, kErrNone) << speed;
        EXPECT_EQ(fastDown.frames, classicDown.frames) << speed;
    }
}

TEST_F(CommPacingTest, FastPacingKeepsTheGapAndTheSettleBeforeEachRequest) {
    const int gap = 35;
    const auto fast = Upload({true, gap}, 9600);
    ASSERT_EQ(fast.result, kErrNone);
    ASSERT_GE(fast.sentAtMs.size(), 2u);
    // The port settles for 2 s after opening before the first request.
    EXPECT_GE(fast.sentAtMs.front(), 2000);
    // Each request goes out at least the gap, plus the wire time of the
    // request and its answer, after the one before.
    for (std::size_t i = 1; i < fast.sentAtMs.size(); ++i)
        EXPECT_GE(fast.sentAtMs[i] - fast.sentAtMs[i - 1], gap) << i;
}

// A pacing chosen while a job runs (the menu item toggled beside an open
// page) is the next job's: the running one keeps its gap and its ticks.
TEST_F(CommPacingTest, ARunningJobKeepsThePacingItStartedWith) {
    const int gap = 200;
    const auto fast = Upload({true, gap}, 9600);
    ASSERT_EQ(fast.result, kErrNone);
    engine.Reset();
    engine.SetCommPacing({true, gap});
    engine.SetSpeed(9600);
    auto description = SampleInstrument("RQB2.json");
    description["speed"] = 9600;
    Connect(description);
    ASSERT_TRUE(session::StartCallerJob(engine, {kJobUpload, "TEST"}, session::kCallerNone));
    engine.Timer1();
    engine.SetCommPacing({false, kDefaultGapMs});
    ASSERT_TRUE(engine.RunCommJob());
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    // The same moments, counted from the first request.
    const auto sent = line->SentFrames();
    ASSERT_EQ(sent.size(), fast.sentAtMs.size());
    for (std::size_t i = 0; i < sent.size(); ++i) {
        EXPECT_EQ(sent[i].atMs - sent[0].atMs, fast.sentAtMs[i] - fast.sentAtMs[0]) << i;
    }
    EXPECT_FALSE(engine.Pacing().fast);  // the next job's
}

TEST_F(CommPacingTest, TheGapIsKeptWithinItsRange) {
    engine.SetCommPacing({true, -5});
    EXPECT_EQ(engine.Pacing().gapMs, 0);
    engine.SetCommPacing({true, 99999});
    EXPECT_EQ(engine.Pacing().gapMs, 1000);
    engine.Reset();
    EXPECT_FALSE(engine.Pacing().fast);
}

}  // namespace
}  // namespace rq50::testing
