// The online jobs against the simulated instrument, driven through the page
// model as the parameter screen drives them.

#include "comm/EngineCore.h"
#include "comm/jobs/Jobs.h"
#include "parameter/PageModel.h"
#include "shell/TextTrim.h"
#include "unit/JobTestSupport.h"

#include <array>

namespace rq50::testing {
namespace {

using nlohmann::json;
using namespace rq50::comm;
using parameter::PageCategory;
using parameter::PageModel;

class JobPage : public JobBench {
  protected:
    void Open(PageCategory category, const json& described) {
        Connect(described);
        page = std::make_unique<PageModel>(category);
        engine.AttachPageModel(page.get());
        ASSERT_TRUE(Run(kJobConnect));
        ASSERT_TRUE(Run(CategoryJob(static_cast<int>(category))));
        ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    }
    /// Starts what the page model chose and runs it to its end.
    bool Act(bool started) {
        return started && engine.RunCommJob() && engine.LastOutcome().code == kErrNone;
    }
    parameter::JobStarter Start() {
        return [this](comm::Job job, const std::string& title) {
            return engine.StartCommJob({job, title});
        };
    }
    /// Starts what the page model chose and presses Terminate while the job
    /// waits for its first answer, which never comes; runs it to its end.
    bool TerminateWhileWaiting(bool started) {
        if (!started) return false;
        instrument->Faults().drop.all = true;
        while (engine.Busy() && !engine.AwaitingAnswer()) engine.Timer1();
        engine.Terminate();
        const bool ended = engine.RunCommJob();
        instrument->Faults().drop.all = false;
        return ended;
    }
    /// The requests sent from index `from` on: command, MA, MB.
    std::vector<std::array<int, 3>> SentSince(std::size_t from) const {
        std::vector<std::array<int, 3>> out;
        const auto sent = Sent();
        for (std::size_t i = from; i < sent.size(); ++i)
            out.push_back({sent[i].command, sent[i].ma, sent[i].mb});
        return out;
    }
    std::unique_ptr<PageModel> page;
};

/// SET with one group of 15 items (MB 1-15) and one of two.
json LongGroup(const std::string& end = "wrap") {
    json described = SmallInstrument("RQB2", end);
    json items = json::array();
    for (int i = 1; i <= 15; ++i) {
        items.push_back({{"name", "ITEM" + std::to_string(i)},
                         {"kind", "numeric"},
                         {"data", "+000.00"},
                         {"min", -100},
                         {"max", 100}});
    }
    described["set"][0] = {{"name", "LONG"}, {"items", items}};
    return described;
}

TEST_F(JobPage, FirstPageHoldsTwelveItemsAndTheTabs) {
    Open(PageCategory::Set, LongGroup());
    EXPECT_EQ(page->TabNames(), (std::vector<std::string>{"LONG", "OUTPUT"}));
    EXPECT_EQ(page->Window().rowCount, 12);
    EXPECT_EQ(page->Cell(12, parameter::kColMb), "12");
    EXPECT_TRUE(page->Controls().nextEnabled);
    EXPECT_FALSE(page->Controls().previousEnabled);
    EXPECT_TRUE(line->IsOpen());  // the online jobs keep the port open
}

TEST_F(JobPage, MovesStopAtTheGroupEndForBothInstrumentBehaviours) {
    for (const std::string end : {"wrap", "stay"}) {
        Open(PageCategory::Set, LongGroup(end));
        ASSERT_TRUE(Act(page->Move(true, 2, engine.Busy(), Start())));  // 3 rows forward
        EXPECT_EQ(page->Cell(1, parameter::kColMb), "4") << end;
        EXPECT_EQ(page->Cell(12, parameter::kColMb), "15") << end;
        EXPECT_TRUE(page->Controls().nextEnabled) << end;               // the end is not known yet
        ASSERT_TRUE(Act(page->Move(true, 6, engine.Busy(), Start())));  // a page: nothing more
        EXPECT_EQ(page->Cell(12, parameter::kColMb), "15") << end;
        EXPECT_FALSE(page->Controls().nextEnabled) << end;
        ASSERT_TRUE(Act(page->Move(false, 6, engine.Busy(), Start())));  // back a page
        EXPECT_EQ(page->Cell(1, parameter::kColMb), "1") << end;
        EXPECT_EQ(page->Cell(12, parameter::kColMb), "12") << end;
        EXPECT_FALSE(page->Controls().previousEnabled) << end;
    }
}

TEST_F(JobPage, TabChangeShowsTheOtherGroup) {
    Open(PageCategory::Set, SmallInstrument());
    ASSERT_TRUE(Act(page->ClickTab(2, Start())));
    EXPECT_EQ(page->ConfirmedTab(), 2);
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColName)), "TAG");
    EXPECT_FALSE(page->TabSwitchRunning());
}

TEST_F(JobPage, ReadingASelectionCollectsItsChoicesOnce) {
    json described = SmallInstrument();
    described["set"][0]["items"][0]["current"] = 2;  // choices answer 1, 2, 0, then 1 again
    Open(PageCategory::Set, described);
    page->SetReading(false);
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    const auto& entries = page->Edit().choices.entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].code, 1);
    EXPECT_EQ(entries[1].code, 2);
    EXPECT_EQ(entries[2].code, 0);
    EXPECT_EQ(page->Edit().choices.preselected, 1);
    EXPECT_TRUE(page->Controls().showChoiceList);
    EXPECT_EQ(CountCommand(0x86), 4);
}

TEST_F(JobPage, WriteSendsTheValueAndSaysWhatTheInstrumentHolds) {
    auto described = SmallInstrument();
    described["set"][0]["items"].push_back({{"name", "SCALE HI"},
                                            {"kind", "numeric"},
                                            {"data", "+080.00"},
                                            {"min", -100},
                                            {"max", 100}});
    Open(PageCategory::Set, described);
    ASSERT_TRUE(Act(page->OpenItem(2, Start())));
    // 150 fits the item's own format (up to 999.99); the instrument clamps it,
    // and SCALE LO now lies above SCALE HI.
    ASSERT_TRUE(Act(page->Write("150", 0, Start())));
    EXPECT_EQ(Sent().back().data.substr(0, 7), "+150.00");
    EXPECT_EQ(shell::Trim(page->Cell(2, parameter::kColData)), "100.00");
    EXPECT_EQ(page->WriteNote(),
              "Asked 150, instrument holds +100.00. Note: SCALE LO +100.00 "
              "lies above SCALE HI +080.00.");
    EXPECT_EQ(shell::Trim(page->EntryText()), "100.00");  // the box shows what is held
    // A refused entry says why and sends nothing; a value held as asked says nothing.
    const auto sent = Sent().size();
    EXPECT_FALSE(page->Write("12x", 0, Start()));
    EXPECT_EQ(page->WriteNote(), "Not written: 12x is not a number.");
    EXPECT_FALSE(page->Write("1000", 0, Start()));
    EXPECT_EQ(page->WriteNote(), "Not written: 1000 is above the maximum 999.99.");
    EXPECT_EQ(Sent().size(), sent);
    ASSERT_TRUE(Act(page->Write("-20", 0, Start())));
    EXPECT_EQ(page->WriteNote(), "");
    EXPECT_FALSE(page->RowDiffers(2));
}

// A periodic read and opening a measured item each read it once, no choices.
TEST_F(JobPage, MeasuredItemsAreReadOnceAPeriodAndOnceWhenOpened) {
    Open(PageCategory::Display, SmallInstrument());
    ASSERT_TRUE(page->Reading());
    const int before = CountCommand(0x80);
    ASSERT_TRUE(Act(page->TimerTick(Start())));
    EXPECT_EQ(CountCommand(0x80), before + 1);
    EXPECT_FALSE(page->Cell(1, parameter::kColData).empty());
    page->SetReading(false);
    page->SetGridLocked(false);
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    EXPECT_EQ(CountCommand(0x80), before + 2);
    EXPECT_EQ(CountCommand(0x86), 0);
    EXPECT_FALSE(page->Controls().entryEnabled);
}

TEST_F(JobPage, FailedTabSwitchGoesBackToTheShownPage) {
    Open(PageCategory::Set, SmallInstrument());
    instrument->Faults().drop.all = true;
    EXPECT_FALSE(Act(page->ClickTab(2, Start())));
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
    EXPECT_EQ(page->CurrentTab(), 1);
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColName)), "INP TYPE");
    EXPECT_FALSE(page->TabSwitchRunning());
    EXPECT_TRUE(page->Controls().allEnabled);
    EXPECT_TRUE(Texts().back().starts_with("Response time out. Check the connection."));
    EXPECT_EQ(messages.boxes.back().title, "Communication Error");
}

// MAINT items answer only after 10h: the page opens maintenance before its
// walk, and reading an item for editing sends 10h first, so the read works
// even on a line opened anew.
TEST_F(JobPage, MaintPageAndItsItemReadOpenMaintenanceFirst) {
    Open(PageCategory::Maint, SmallInstrument());
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColName)), "FORCEOUT");
    EXPECT_EQ(page->TabNames(), (std::vector<std::string>{"MAINT"}));
    std::size_t before = Sent().size();
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    EXPECT_EQ(SentSince(before), (std::vector<std::array<int, 3>>{{0x10, 0, 0}, {0x80, 5, 1}}));
    EXPECT_TRUE(page->Controls().entryEnabled);
    ASSERT_TRUE(Act(page->Write("50", 0, Start())));
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColData)), "50.0");

    line->Close();  // maintenance access ends with the line
    before = Sent().size();
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    EXPECT_EQ(SentSince(before), (std::vector<std::array<int, 3>>{{0x10, 0, 0}, {0x80, 5, 1}}));
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColData)), "50.0");
}

// After writing an item whose change alters others (INP TYPE is listed) the
// item and the page are read again; any other item is only written.
TEST_F(JobPage, WritingAListedItemReadsItAndThePageAgain) {
    Open(PageCategory::Set, SmallInstrument());
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    ASSERT_EQ(page->Edit().choices.entries.size(), 3u);
    std::size_t before = Sent().size();
    ASSERT_TRUE(Act(page->Write(page->Edit().choices.entries[1].listText, 1, Start())));  // TC
    EXPECT_EQ(SentSince(before), (std::vector<std::array<int, 3>>{
                                     {0x40, 2, 1}, {0x80, 2, 1}, {0x80, 2, 1}, {0x84, 2, 1}}));
    EXPECT_EQ(Sent()[before].mc, 2);
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColData)), "TC");
    EXPECT_EQ(shell::Trim(page->Cell(2, parameter::kColName)), "SCALE LO");

    ASSERT_TRUE(Act(page->OpenItem(2, Start())));
    before = Sent().size();
    ASSERT_TRUE(Act(page->Write("20", 0, Start())));
    EXPECT_EQ(SentSince(before), (std::vector<std::array<int, 3>>{{0x40, 2, 2}}));
    EXPECT_EQ(shell::Trim(page->Cell(2, parameter::kColData)), "20.00");
}

TEST_F(JobPage, CancelForcedOutputReadsTheItemAgain) {
    Open(PageCategory::Adjust, SmallInstrument());
    // The instrument's value changes behind the page's back.
    const std::string value = "+01.500";
    ASSERT_TRUE(instrument->Handle(
        sim::MakeRequest(0x40, 4, 1, 0, sim::Bytes(value.begin(), value.end()))));
    const std::size_t before = Sent().size();
    ASSERT_TRUE(Act(page->CancelForcedOutput(Start())));
    EXPECT_EQ(SentSince(before), (std::vector<std::array<int, 3>>{{0x80, 4, 1}}));
    EXPECT_EQ(shell::Trim(page->Cell(1, parameter::kColData)), "1.500");
    EXPECT_TRUE(Texts().empty());
    EXPECT_FALSE(page->Controls().entryEnabled);
}

// The jobs on an open page report time-outs, address, command and slot
// errors; ending as terminated is the screen's own doing and shows nothing.
TEST_F(JobPage, JobsOnAnOpenPageEndTerminatedWithoutAMessage) {
    Open(PageCategory::Display, LongGroup());
    ASSERT_TRUE(page->Reading());
    EXPECT_TRUE(TerminateWhileWaiting(page->TimerTick(Start())));  // job 14
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    page->SetReading(false);
    page->SetGridLocked(false);
    EXPECT_TRUE(TerminateWhileWaiting(page->OpenItem(1, Start())));  // job 17
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);

    Open(PageCategory::Set, LongGroup());
    EXPECT_TRUE(TerminateWhileWaiting(page->Move(true, 0, engine.Busy(), Start())));  // job 8
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    EXPECT_TRUE(Texts().empty());
    EXPECT_EQ(page->Cell(1, parameter::kColMb), "1");  // the page is as it was

    // A write that gets no answer still says so.
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    instrument->Faults().drop.all = true;
    const bool started = page->Write("1", 0, Start());
    EXPECT_TRUE(started) << page->Controls().writeEnabled << page->EditedRow();
    EXPECT_FALSE(Act(started));
    ASSERT_EQ(Texts().size(), 1u);
    EXPECT_TRUE(Texts()[0].starts_with("Response time out. Check the connection."));
}

}  // namespace
}  // namespace rq50::testing
