// The online jobs against the simulated instrument, driven through the page
// model as the parameter screen drives them.

#include "comm/jobs/Jobs.h"
#include "parameter/PageModel.h"
#include "unit/JobTestSupport.h"

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
        jobs::AttachPageModel(page.get());
        ASSERT_TRUE(Run(kJobConnect));
        ASSERT_TRUE(Run(kJobCategoryDisplay + static_cast<int>(category)));
        ASSERT_EQ(CommResult, kErrNone);
    }
    /// Starts what the page model chose and runs it to its end.
    bool Act(bool started) { return started && RunCommJob() && CommResult == kErrNone; }
    parameter::JobStarter Start() {
        return [](int job, const std::string& title) {
            CommTitle = title;
            return StartCommJob(job);
        };
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
    EXPECT_EQ(page->tabNames, (std::vector<std::string>{"LONG", "OUTPUT"}));
    EXPECT_EQ(page->window.rowCount, 12);
    EXPECT_EQ(page->grid[12][parameter::kColMb], "12");
    EXPECT_TRUE(page->controls.nextEnabled);
    EXPECT_FALSE(page->controls.previousEnabled);
    EXPECT_TRUE(line->IsOpen());  // the online jobs keep the port open
}

TEST_F(JobPage, MovesStopAtTheGroupEndForBothInstrumentBehaviours) {
    for (const std::string end : {"wrap", "stay"}) {
        Open(PageCategory::Set, LongGroup(end));
        ASSERT_TRUE(Act(page->Move(true, 2, CommBusy, Start())));  // 3 rows forward
        EXPECT_EQ(page->grid[1][parameter::kColMb], "4") << end;
        EXPECT_EQ(page->grid[12][parameter::kColMb], "15") << end;
        EXPECT_TRUE(page->controls.nextEnabled) << end;            // the end is not known yet
        ASSERT_TRUE(Act(page->Move(true, 6, CommBusy, Start())));  // a page: nothing more
        EXPECT_EQ(page->grid[12][parameter::kColMb], "15") << end;
        EXPECT_FALSE(page->controls.nextEnabled) << end;
        ASSERT_TRUE(Act(page->Move(false, 6, CommBusy, Start())));  // back a page
        EXPECT_EQ(page->grid[1][parameter::kColMb], "1") << end;
        EXPECT_EQ(page->grid[12][parameter::kColMb], "12") << end;
        EXPECT_FALSE(page->controls.previousEnabled) << end;
    }
}

TEST_F(JobPage, TabChangeShowsTheOtherGroup) {
    Open(PageCategory::Set, SmallInstrument());
    ASSERT_TRUE(Act(page->ClickTab(2, Start())));
    EXPECT_EQ(page->confirmedTab, 2);
    EXPECT_EQ(parameter::TrimBlanks(page->grid[1][parameter::kColName]), "TAG");
    EXPECT_FALSE(page->tabSwitchRunning);
}

TEST_F(JobPage, ReadingASelectionCollectsItsChoicesOnce) {
    json described = SmallInstrument();
    described["set"][0]["items"][0]["current"] = 2;  // choices answer 1, 2, 0, then 1 again
    Open(PageCategory::Set, described);
    page->SetReading(false);
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    const auto& entries = page->edit.choices.entries;
    ASSERT_EQ(entries.size(), 3u);
    EXPECT_EQ(entries[0].code, 1);
    EXPECT_EQ(entries[1].code, 2);
    EXPECT_EQ(entries[2].code, 0);
    EXPECT_EQ(page->edit.choices.preselected, 1);
    EXPECT_TRUE(page->controls.showChoiceList);
    EXPECT_EQ(CountCommand(0x86), 4);
}

TEST_F(JobPage, MeasuredItemEndsAfterItsRead) {
    Open(PageCategory::Display, SmallInstrument());
    page->SetReading(false);
    page->SetGridLocked(false);
    const int before = CountCommand(0x80);
    ASSERT_TRUE(Act(page->OpenItem(1, Start())));
    EXPECT_EQ(CountCommand(0x80), before + 1);
    EXPECT_EQ(CountCommand(0x86), 0);
    EXPECT_FALSE(page->controls.entryEnabled);
}

TEST_F(JobPage, WriteSendsTheValueAndShowsTheReadBack) {
    Open(PageCategory::Set, SmallInstrument());
    ASSERT_TRUE(Act(page->OpenItem(2, Start())));
    // 150 fits the item's own format (up to 999.99); the instrument clamps it.
    ASSERT_TRUE(Act(page->Write("150", 0, Start())));
    EXPECT_EQ(Sent().back().data.substr(0, 7), "+150.00");
    EXPECT_EQ(parameter::TrimBlanks(page->grid[2][parameter::kColData]), "100.00");
}

TEST_F(JobPage, PeriodicReadRewritesTheMeasuredRows) {
    Open(PageCategory::Display, SmallInstrument());
    ASSERT_TRUE(page->reading);
    const int before = CountCommand(0x80);
    ASSERT_TRUE(Act(page->TimerTick(Start())));
    EXPECT_EQ(CountCommand(0x80), before + 1);
    EXPECT_FALSE(page->grid[1][parameter::kColData].empty());
}

TEST_F(JobPage, FailedTabSwitchGoesBackToTheShownPage) {
    Open(PageCategory::Set, SmallInstrument());
    instrument->Faults().drop.all = true;
    EXPECT_FALSE(Act(page->ClickTab(2, Start())));
    EXPECT_EQ(CommResult, kErrNoResponse);
    EXPECT_EQ(page->currentTab, 1);
    EXPECT_EQ(parameter::TrimBlanks(page->grid[1][parameter::kColName]), "INP TYPE");
    EXPECT_EQ(Texts().back(), "Response time out. Check the connection.");
    EXPECT_EQ(messages.boxes.back().title, "Communication Error");
}

}  // namespace
}  // namespace rq50::testing
