// The online page over time: the line its jobs run on (kept open while the
// page is, let go of in fast pacing when the page closes, after an idle
// minute or an error) and the trend of its measured values.

#include "comm/jobs/Jobs.h"
#include "parameter/PageModel.h"
#include "parameter/Trend.h"
#include "session/OnlinePage.h"
#include "unit/JobTestSupport.h"

namespace rq50::testing {
namespace {

using nlohmann::json;
using namespace rq50::comm;
using parameter::PageCategory;

class OnlineLine : public JobBench {
  protected:
    void OpenPage(bool fast, const json& described, PageCategory category) {
        engine.SetCommPacing({fast, kDefaultGapMs});
        Connect(described);
        host.slot = 3;
        online = std::make_unique<session::OnlinePage>(workspace);
        NewPage(category);
        ASSERT_TRUE(Run(kJobConnect));
        ASSERT_TRUE(Run(CategoryJob(static_cast<int>(category))));
        ASSERT_EQ(engine.LastOutcome().code, kErrNone);
        page->SetReading(false);
        page->SetGridLocked(false);
    }
    void NewPage(PageCategory category) { page = &online->New(category); }
    parameter::JobStarter Start() {
        return [this](comm::Job job, const std::string& title) {
            return engine.StartCommJob({job, title});
        };
    }
    /// Runs what the page started; the virtual time it took, -1 when it
    /// did not start or failed.
    std::int64_t Timed(bool started) {
        const auto from = clock.NowMs();
        if (!started || !engine.RunCommJob() || engine.LastOutcome().code != kErrNone) return -1;
        return clock.NowMs() - from;
    }
    /// The engine ticks on without a job, as the main window's timer does.
    void Idle(std::int64_t ms) {
        for (const auto end = clock.NowMs() + ms; clock.NowMs() < end; clock.Wait(kTickMs))
            engine.Timer1();
    }

    std::unique_ptr<session::OnlinePage> online;
    parameter::PageModel* page = nullptr;
};

TEST_F(OnlineLine, FastPacingKeepsThePagesLineUntilThePageClosesOrIdlesAMinute) {
    OpenPage(true, SmallInstrument(), PageCategory::Set);
    ASSERT_TRUE(line->IsOpen());
    const auto onOpenLine = Timed(page->OpenItem(2, Start()));
    EXPECT_GE(onOpenLine, 0);
    EXPECT_LT(onOpenLine, 2000);  // no settling: the line was open
    EXPECT_TRUE(line->IsOpen());

    Idle(59000);
    EXPECT_TRUE(line->IsOpen());
    Idle(1500);
    EXPECT_FALSE(line->IsOpen());  // a minute without a job

    // The next job opens it again, settles, and keeps it for the page.
    EXPECT_GE(Timed(page->OpenItem(2, Start())), 2000);
    EXPECT_TRUE(line->IsOpen());
    EXPECT_LT(Timed(page->OpenItem(2, Start())), 2000);

    online->Drop();
    EXPECT_FALSE(line->IsOpen());  // the page closed
    EXPECT_TRUE(Texts().empty());
}

TEST_F(OnlineLine, FastPacingLetsGoOfTheLineOnAnErrorAndReachesTheSameRackSlotAgain) {
    OpenPage(true, InRack(SmallInstrument()), PageCategory::Set);
    ASSERT_EQ(host.slotAsked, 1);
    instrument->Faults().drop.all = true;
    EXPECT_EQ(Timed(page->OpenItem(2, Start())), -1);
    instrument->Faults().drop.all = false;
    EXPECT_FALSE(line->IsOpen());

    // The rack forgot its slot with the line; the item is read behind the
    // slot the page was opened in, without the question.
    const auto before = Sent().size();
    EXPECT_GE(Timed(page->OpenItem(2, Start())), 2000);
    EXPECT_EQ(host.slotAsked, 1);
    const auto sent = Sent();
    ASSERT_GE(sent.size(), before + 3);
    EXPECT_EQ(sent[before + 1].command, 0x40);  // the slot written again
    EXPECT_EQ(engine.LastInstrument().slot, 3);
    EXPECT_TRUE(engine.LastInstrument().viaRack);
    EXPECT_EQ(shell::Trim(page->Cell(2, parameter::kColName)), "SCALE LO");

    // Another category after the page closed: the same slot, no question.
    online->Drop();
    NewPage(PageCategory::Display);
    ASSERT_TRUE(Run(kJobCategoryDisplay));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(host.slotAsked, 1);
    online->Drop();

    // Any other job reaches its instrument afresh.
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(host.slotAsked, 2);
}

TEST_F(OnlineLine, ClassicPacingKeepsTheLineAsTheJobsLeaveIt) {
    OpenPage(false, InRack(SmallInstrument()), PageCategory::Set);
    const auto before = Sent().size();
    EXPECT_GE(Timed(page->OpenItem(2, Start())), 0);
    Idle(61000);
    online->Drop();
    EXPECT_TRUE(line->IsOpen());
    NewPage(PageCategory::Set);
    ASSERT_TRUE(Run(kJobCategorySet));
    page->SetReading(false);
    page->SetGridLocked(false);
    EXPECT_GE(Timed(page->OpenItem(2, Start())), 0);
    // On the one line opening: the item read, the page again, the item again.
    const auto sent = Sent();
    EXPECT_EQ(CountCommand(0x40), 1);  // the slot was written once, by job 3
    EXPECT_EQ(sent[before].command, 0x80);
    EXPECT_EQ(host.slotAsked, 1);
}

/// Classic pacing's exchanges on a rack for a page's work: the slot asked
/// once, SET opened, an item read and written, a minute without a job, then
/// DISPLAY opened and read. Each frame with its time and speed, hashed.
std::string ClassicExchanges(CommEngine& engine, shell::VirtualClock& clock,
                             const sim::SimulatedLine& line, JobHost& host) {
    engine.SetCommPacing({false, kDefaultGapMs});
    host.slot = 3;
    auto start = [&engine](comm::Job job, const std::string& title) {
        return engine.StartCommJob({job, title});
    };
    auto run = [&engine](bool started) { return started && engine.RunCommJob(); };
    parameter::PageModel set(PageCategory::Set);
    engine.AttachPageModel(&set);
    run(engine.StartCommJob({kJobConnect, "Set"}));
    run(engine.StartCommJob({kJobCategorySet, "SET"}));
    run(set.OpenItem(2, start));
    run(set.Write("12.5", -1, start));
    for (const auto end = clock.NowMs() + 61000; clock.NowMs() < end; clock.Wait(kTickMs))
        engine.Timer1();
    parameter::PageModel display(PageCategory::Display);
    engine.AttachPageModel(&display);
    run(engine.StartCommJob({kJobCategoryDisplay, "DISPLAY"}));
    run(display.TimerTick(start));
    engine.AttachPageModel(nullptr);
    std::uint64_t hash = 14695981039346656037ull;
    const auto mix = [&hash](std::uint64_t value) {
        hash ^= value;
        hash *= 1099511628211ull;
    };
    const auto& frames = line.SentFrames();
    for (const auto& frame : frames) {
        mix(static_cast<std::uint64_t>(frame.atMs));
        mix(static_cast<std::uint64_t>(frame.speed));
        for (auto byte : frame.bytes) mix(byte);
    }
    return std::to_string(frames.size()) + " frames, last at " +
           std::to_string(frames.empty() ? 0 : frames.back().atMs) + " ms, hash " +
           std::to_string(hash) + ", slot asked " + std::to_string(host.slotAsked);
}

TEST_F(OnlineLine, ClassicPacingSendsTheSameFramesAtTheSameTimesAsBefore) {
    Connect(InRack(SmallInstrument()));
    // Taken from the tool before the online line was let go of in fast
    // pacing: classic pacing must not change by a byte or a millisecond.
    EXPECT_EQ(ClassicExchanges(engine, clock, *line, host),
              "25 frames, last at 75800 ms, hash 1012685716675530977, slot asked 1");
}

// The trend of the page's measured values.

TEST_F(OnlineLine, TheTrendHoldsEveryReadingAndAGapForAFailedOne) {
    OpenPage(true, SmallInstrument(), PageCategory::Display);
    parameter::Trend& trend = online->PageTrend();
    trend.SetClockOrigin(1796738400, clock.NowMs());  // 2026-12-08 14:00:00 UTC
    page->SetReading(true);
    const auto start = clock.NowMs();
    for (int i = 0; i < 3; ++i) {
        if (clock.NowMs() < start + i * 5000)
            clock.Wait(static_cast<std::int32_t>(start + i * 5000 - clock.NowMs()));
        ASSERT_GE(Timed(page->TimerTick(Start())), 0);
        ASSERT_EQ(trend.Samples().size(), static_cast<std::size_t>(i + 1));
        EXPECT_EQ(trend.Samples().back().values[0],
                  std::stod(parameter::PlainNumber(page->Cell(1, parameter::kColData))));
    }
    instrument->Faults().drop.all = true;
    EXPECT_EQ(Timed(page->TimerTick(Start())), -1);
    ASSERT_EQ(trend.Samples().size(), 4u);
    EXPECT_FALSE(trend.Samples().back().read);
    EXPECT_FALSE(trend.Samples().back().values[0].has_value());  // a gap, not a zero
    EXPECT_TRUE(trend.LastReadingText().ends_with(" failed"));

    ASSERT_EQ(trend.Series().size(), 1u);
    EXPECT_EQ(trend.Series()[0].label, "A01 PV");
    EXPECT_EQ(trend.Series()[0].unit, "%");
    const std::string csv = trend.Csv();
    EXPECT_TRUE(csv.starts_with("time,\"A01 PV\"\r\n")) << csv;
    EXPECT_EQ(std::count(csv.begin(), csv.end(), '\n'), 5);
    EXPECT_TRUE(csv.ends_with(",\r\n")) << csv;  // the failed reading's empty cell
    // Readings 5 s apart on the line's clock.
    const auto& s = trend.Samples();
    EXPECT_EQ(trend.IsoTime(s[1].ms).substr(17, 6), trend.IsoTime(s[0].ms + 5000).substr(17, 6));
    EXPECT_EQ(trend.IsoTime(s[0].ms).size(), 23u);  // 2026-12-08T14:00:02.345

    // Paused, the chart stands; the readings still come.
    trend.SetPaused(true);
    const auto standing = trend.Range(parameter::TrendSpan::OneMinute);
    instrument->Faults().drop.all = false;
    // A failed reading stopped reading; READ START takes it up again.
    EXPECT_FALSE(page->Reading());
    EXPECT_TRUE(page->Controls().readStopEnabled);
    ASSERT_GE(Timed(page->ToggleReading(Start())), 0);
    EXPECT_EQ(trend.Range(parameter::TrendSpan::OneMinute), standing);
    trend.SetPaused(false);
    EXPECT_EQ(trend.Range(parameter::TrendSpan::OneMinute)->second, s.back().ms);
    EXPECT_EQ(trend.Range(parameter::TrendSpan::All)->first, s.front().ms);
    // A minute's span of readings that began 20 s ago starts at the first.
    EXPECT_EQ(trend.Range(parameter::TrendSpan::OneMinute)->first, s.front().ms);
    // An exported picture names the instrument and the time it shows.
    EXPECT_TRUE(online->TrendTitle().starts_with("RQB2  2026-12-08 ")) << online->TrendTitle();
    // Each unit has its own scale.
    EXPECT_EQ(trend.Units(), std::vector<std::string>{"%"});
    EXPECT_EQ(trend.ValueRange(s.front().ms, s.back().ms, std::string("mA")), std::nullopt);
    EXPECT_EQ(trend.ValueRange(s.front().ms, s.back().ms, std::string("%")),
              trend.ValueRange(s.front().ms, s.back().ms));
}

TEST(TrendValues, PlainNumbersForTheCsv) {
    EXPECT_EQ(parameter::PlainNumber("+012.34"), "12.34");
    EXPECT_EQ(parameter::PlainNumber(" -000.50"), "-0.50");
    EXPECT_EQ(parameter::PlainNumber("+100"), "100");
    EXPECT_EQ(parameter::PlainNumber("OVER"), "");
    EXPECT_EQ(parameter::PlainNumber("+12."), "");
    EXPECT_EQ(parameter::PlainNumber("1.2.3"), "");
}

}  // namespace
}  // namespace rq50::testing
