#include "parameter/PageModel.h"
#include "shell/TextTrim.h"
#include "unit/JobBlocks.h"

#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

namespace rq50::parameter {
namespace {

using rq50::testing::Block;

struct StartLog {
    bool accept = true;
    std::vector<std::pair<comm::Job, std::string>> started;
    JobStarter Starter() {
        return [this](comm::Job job, const std::string& title) {
            if (!accept) return false;
            started.emplace_back(job, title);
            return true;
        };
    }
};

ItemArray GroupItems(int ma, int first, int count, int kind = 2) {
    ItemArray items;
    for (int i = 0; i < count; ++i) {
        items.push_back(Block(kind, ma, first + i, 0, "ITEM" + std::to_string(first + i),
                              "+00" + std::to_string(i) + ".0"));
    }
    return items;
}

PageModel ShownPage(int count, bool lastKnown, int groupSize = 20) {
    PageModel page(PageCategory::Set);
    page.SetGroupBounds({3, 1, 0}, {3, groupSize, 0}, lastKnown);
    page.ShowPage(GroupItems(3, 1, count));
    page.OnPageJobSucceeded();
    return page;
}

TEST(PageModelGrid, RowsCarryAddressTextsAndHiddenColumns) {
    PageModel page = ShownPage(3, true, 3);
    EXPECT_EQ(page.Cell(1, kColAddress), "C01");
    EXPECT_EQ(page.Cell(2, kColName), "ITEM2   ");
    EXPECT_EQ(page.Cell(3, kColMa), "3");
    EXPECT_EQ(page.Cell(3, kColMb), "3");
    EXPECT_EQ(page.Cell(3, kColKind), "2");
    EXPECT_TRUE(page.Cell(4, kColMa).empty());
    EXPECT_EQ(page.Window().rowCount, 3);
    EXPECT_EQ(page.Window().pageFirst, (ItemAddress{3, 1, 0}));
    EXPECT_EQ(page.Window().pageLast, (ItemAddress{3, 3, 0}));
    // A whole group on one page: nowhere to move.
    EXPECT_FALSE(page.Controls().previousEnabled);
    EXPECT_FALSE(page.Controls().nextEnabled);
}

TEST(PageModelGrid, AGroupHeadWritesNothing) {
    PageModel page;
    page.ShowPage({Block(0, 1, 0, 0, "PV", "")});
    EXPECT_EQ(page.FirstItemRow(), 0);
    EXPECT_EQ(page.Window().rowCount, 0);
}

TEST(PageModelGrid, MeasuredItemsAreListedWithTheirRows) {
    PageModel page;
    ItemArray items = GroupItems(1, 1, 2);
    items.push_back(Block(6, 1, 3, 0, "PV", "+012.3"));
    page.ShowPage(items);
    ASSERT_EQ(page.Window().measured.size(), 1u);
    EXPECT_EQ(page.Window().measured[0], (MeasuredItem{{1, 3, 0}, 3}));
    page.OnPageJobSucceeded();
    // A page with measured items starts periodic reading by itself.
    EXPECT_TRUE(page.Reading());
    EXPECT_TRUE(page.Controls().timerEnabled);
    EXPECT_TRUE(page.Controls().gridLocked);
}

// Paging through a group against the instrument is in JobPage.MovesStopAtTheGroupEnd...;
// here only what the model alone decides: job, title, anchor and a partial shift back.
TEST(PageModelMove, JobAnchorAndPartialShift) {
    PageModel page = ShownPage(12, true);
    StartLog log;
    EXPECT_FALSE(page.Move(true, 0, true, log.Starter()));   // busy
    EXPECT_FALSE(page.Move(true, 5, false, log.Starter()));  // the separator
    EXPECT_TRUE(log.started.empty());
    ASSERT_TRUE(page.Move(true, 2, false, log.Starter()));
    EXPECT_EQ(log.started.back(),
              (std::pair<comm::Job, std::string>{comm::kJobNextPage, "3 rows forward"}));
    EXPECT_EQ(page.Step(), 3);
    EXPECT_EQ(page.Anchor(), (ItemAddress{3, 12, 0}));
    page.ShowPage(GroupItems(3, 13, 3), 3, true);
    ASSERT_TRUE(page.Move(true, 6, false, log.Starter()));  // a page
    EXPECT_EQ(page.Step(), kMovePage);
    page.ShowPage(GroupItems(3, 16, 5), 12, true);  // the group ends at MB 20
    EXPECT_EQ(page.Cell(1, kColMb), "9");
    EXPECT_FALSE(page.Controls().nextEnabled);
    EXPECT_FALSE(page.Move(true, 0, false, log.Starter()));
    ASSERT_TRUE(page.Move(false, 1, false, log.Starter()));  // previous by 2
    EXPECT_EQ(log.started.back().first, comm::kJobPrevPage);
    EXPECT_EQ(page.Anchor().mb, 9);
    page.ShowPage(GroupItems(3, 7, 2), 2, false);
    EXPECT_EQ(page.Cell(1, kColMb), "7");
    EXPECT_EQ(page.Cell(12, kColMb), "18");
}

TEST(PageModelTabs, SameTabOrRefusedStartLeavesTheTab) {
    PageModel page = ShownPage(3, true, 3);
    StartLog log;
    EXPECT_FALSE(page.ClickTab(1, log.Starter()));
    EXPECT_TRUE(log.started.empty());
    log.accept = false;
    EXPECT_FALSE(page.ClickTab(2, log.Starter()));
    EXPECT_EQ(page.CurrentTab(), 1);
    log.accept = true;
    ASSERT_TRUE(page.ClickTab(2, log.Starter()));
    EXPECT_EQ(log.started.back(), (std::pair<comm::Job, std::string>{comm::kJobTabSet, "SET"}));
    EXPECT_TRUE(page.TabSwitchRunning());
    EXPECT_FALSE(page.Controls().allEnabled);
    EXPECT_TRUE(page.Cell(1, kColMa).empty());
    EXPECT_FALSE(page.ClickTab(3, log.Starter()));  // ignored while switching
}

TEST(PageModelTabs, FailedMoveRestoresTheShownRows) {
    PageModel page = ShownPage(12, false);
    page.SavePageWindow();
    page.OnPageJobFailed(true);
    EXPECT_EQ(page.ScreenPage().size(), 12u);
    EXPECT_EQ(page.Cell(12, kColMb), "12");
    EXPECT_EQ(page.Window(), page.SavedWindow());
}

TEST(PageModelEdit, OpeningRowsBetweenTheItemsOnly) {
    PageModel page = ShownPage(3, true, 3);
    StartLog log;
    EXPECT_FALSE(page.OpenItem(4, log.Starter()));  // empty row below the last item
    EXPECT_FALSE(page.OpenItem(0, log.Starter()));
    ASSERT_TRUE(page.OpenItem(2, log.Starter()));
    EXPECT_EQ(log.started.back(), (std::pair<comm::Job, std::string>{comm::kJobReadItem, "READ"}));
    EXPECT_EQ(page.EditAddress().ma, 3);
    EXPECT_EQ(page.EditAddress().mb, 2);
    EXPECT_EQ(page.WriteCode(), 0);
    EXPECT_EQ(page.EditedRow(), 2);
}

TEST(PageModelEdit, KindDecidesTheEntryAndSelfCheckDisablesWrite) {
    PageModel page;
    page.ShowPage({Block(4, 3, 1, 2, "TYPE", "K", "TC"), Block(6, 3, 2, 0, "PV", "+1.0"),
                   Block(4, 3, 3, 0, "SELF CHK", "OFF"), Block(2, 3, 4, 0, "ZERO", "+01.0")});
    page.OnPageJobSucceeded();
    page.SetReading(false);
    page.SetGridLocked(false);
    StartLog log;
    ASSERT_TRUE(page.OpenItem(1, log.Starter()));
    ChoiceList typeChoices;
    typeChoices.entries = {{"J", "J", "", 1}, {"K TC", "K", "TC", 2}};
    typeChoices.preselected = 1;
    page.OnItemRead(Block(4, 3, 1, 2, "TYPE", "K", "TC"), typeChoices);
    EXPECT_TRUE(page.Controls().showChoiceList);
    EXPECT_TRUE(page.Controls().entryEnabled);
    EXPECT_TRUE(page.Controls().writeEnabled);
    EXPECT_TRUE(page.RowMarked(1));
    // A write of a selection item sends the chosen code and no text.
    ASSERT_TRUE(page.Write("", 0, log.Starter()));
    EXPECT_EQ(page.WriteCode(), 1);
    EXPECT_TRUE(page.WriteText().empty());
    EXPECT_EQ(log.started.back().first, comm::kJobWriteItem);

    ASSERT_TRUE(page.OpenItem(2, log.Starter()));
    page.OnItemRead(Block(6, 3, 2, 0, "PV", "+1.0"), {});
    EXPECT_FALSE(page.Controls().entryEnabled);  // measured values are never editable
    EXPECT_FALSE(page.Write("5", 0, log.Starter()));

    ASSERT_TRUE(page.OpenItem(3, log.Starter()));
    ChoiceList offOnly;
    offOnly.entries = {{"OFF", "OFF", "", 0}};
    page.OnItemRead(Block(4, 3, 3, 0, "SELF CHK", "OFF"), offOnly);
    EXPECT_TRUE(page.Controls().entryEnabled);
    EXPECT_FALSE(page.Controls().writeEnabled);

    ASSERT_TRUE(page.OpenItem(4, log.Starter()));
    page.OnItemRead(Block(2, 3, 4, 0, "ZERO", "+01.0"), {});
    EXPECT_FALSE(page.Controls().showChoiceList);
    EXPECT_FALSE(page.Write("123", 0, log.Starter()));  // above 9.9
    EXPECT_EQ(page.EntryText(), "+01.0   ");
    ASSERT_TRUE(page.Write("2.5", 0, log.Starter()));
    EXPECT_EQ(page.WriteText(), "+02.5");
    EXPECT_EQ(page.WriteCode(), 0);
    page.EnterRow(1);  // leaving the edited row forgets it
    EXPECT_EQ(page.EditedRow(), 0);
    EXPECT_FALSE(page.Controls().entryEnabled);
}

TEST(PageModelEdit, WriteNeedsTheDownloadPermission) {
    PageModel page = ShownPage(3, true, 3);
    page.SetDownloadAllowed(false);
    StartLog log;
    ASSERT_TRUE(page.OpenItem(1, log.Starter()));
    page.OnItemRead(Block(2, 3, 1, 0, "ITEM1", "+000.0"), {});
    EXPECT_TRUE(page.Controls().entryEnabled);
    EXPECT_FALSE(page.Controls().writeEnabled);
}

TEST(PageModelReading, StopStartAndTimer) {
    PageModel page;
    page.ShowPage({Block(6, 1, 1, 0, "PV", "+1.0")});
    page.OnPageJobSucceeded();
    StartLog log;
    EXPECT_TRUE(page.TimerTick(log.Starter()));
    EXPECT_FALSE(page.ToggleReading(log.Starter()));  // READ STOP
    EXPECT_FALSE(page.Reading());
    EXPECT_FALSE(page.Controls().timerEnabled);
    EXPECT_TRUE(page.Controls().readStopEnabled);
    EXPECT_FALSE(page.Controls().gridLocked);
    EXPECT_FALSE(page.TimerTick(log.Starter()));
    ASSERT_TRUE(page.ToggleReading(log.Starter()));  // READ START reads at once
    EXPECT_EQ(log.started.back(), (std::pair<comm::Job, std::string>{
                                      comm::kJobPeriodicRead, "Periodic Upload for Updating"}));
    EXPECT_TRUE(page.Controls().timerEnabled);
    EXPECT_FALSE(page.Controls().writeEnabled);
}

/// Every notification, in order, as a short text.
class RecordingListener : public PageListener {
  public:
    void RowsChanged(int first, int last) override {
        calls.push_back("rows " + std::to_string(first) + "-" + std::to_string(last));
    }
    void ControlsChanged() override { calls.push_back("controls"); }
    void TabsChanged() override { calls.push_back("tabs"); }
    void EntryPrepared() override { calls.push_back("entry"); }
    std::vector<std::string> Take() { return std::exchange(calls, {}); }
    std::vector<std::string> calls;
};
using Calls = std::vector<std::string>;

TEST(PageModelListener, EachOperationTellsOnceWhatItChanged) {
    PageModel page(PageCategory::Display);
    RecordingListener listener;
    page.SetListener(&listener);

    page.SetTabNames({"PV", "ALARM"});
    EXPECT_EQ(listener.Take(), Calls{"tabs"});

    // A page of two items and a measured value: every row is rewritten, the
    // move menus and, once the page is confirmed, reading change.
    ItemArray items = GroupItems(1, 1, 2);
    items.push_back(Block(6, 1, 3, 0, "PV", "+012.3"));
    page.SetGroupBounds({1, 1, 0}, {1, 3, 0}, true);
    EXPECT_TRUE(listener.Take().empty()) << "the bounds alone change nothing shown";
    page.ShowPage(items);
    EXPECT_EQ(listener.Take(), Calls{"rows 1-12"});
    page.OnPageJobSucceeded();
    EXPECT_EQ(listener.Take(), Calls{"controls"});

    // A periodic read rewrites its row and nothing else.
    // A measured value is shown normalised, as the grid shows every number.
    page.ReplaceRow(3, Block(6, 1, 3, 0, "PV", "+012.4"));
    EXPECT_EQ(listener.Take(), Calls{"rows 3-3"});
    EXPECT_EQ(shell::Trim(page.Cell(3, kColData)), "12.4");
    EXPECT_EQ(page.WorkingCopy()[2], Block(6, 1, 3, 0, "PV", "+012.4"));

    // Opening an item: the row turns yellow, the entry is prepared, the
    // controls follow; each said once although several steps changed them.
    page.ToggleReading([](comm::Job, const std::string&) { return true; });
    listener.Take();
    ASSERT_TRUE(page.OpenItem(2, [](comm::Job, const std::string&) { return true; }));
    listener.Take();
    page.OnItemRead(Block(2, 1, 2, 0, "ITEM2", "+001.0"), {});
    EXPECT_EQ(listener.Take(), (Calls{"rows 2-2", "controls", "entry"}));
    EXPECT_TRUE(page.RowMarked(2));
    EXPECT_EQ(page.EntryText(), "1.0  ");

    // A tab click clears the grid and the entry and disables the screen.
    ASSERT_TRUE(page.ClickTab(2, [](comm::Job, const std::string&) { return true; }));
    EXPECT_EQ(listener.Take(), (Calls{"rows 1-12", "controls", "tabs", "entry"}));

    // A failed read closes the item; nothing else is said.
    page.OnItemReadFailed();
    EXPECT_EQ(page.EditedRow(), 0);
    EXPECT_EQ(listener.Take(), (Calls{"controls", "entry"}));

    // A copy of the model has no listener.
    PageModel copy = page;
    copy.SetTabNames({"X"});
    EXPECT_TRUE(listener.Take().empty());
    page.SetListener(nullptr);
    page.SetTabNames({"Y"});
    EXPECT_TRUE(listener.Take().empty());
}

}  // namespace
}  // namespace rq50::parameter
