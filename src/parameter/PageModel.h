#pragma once

// The online parameter screen as state: what frmRQ2300 shows and which job it
// starts with which inputs. The page jobs fill it, the GUI only draws it, and
// rq50-cli prints it.

#include "parameter/ChoiceList.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rq50::parameter {

/// Categories of the online screen, in the instrument's order.
enum class PageCategory : int { Display = 0, Set = 1, Adjust = 2, Maint = 3 };

/// Job codes the online screen starts.
enum PageJob : int {
    kJobPageDisplay = 4,  ///< 4-7: open the screen on a category
    kJobMoveNext = 8,
    kJobMovePrevious = 9,
    kJobTabDisplay = 10,  ///< 10-13: change of tab
    kJobPeriodicRead = 14,
    kJobReadItem = 17,
    kJobWriteItem = 18,
    kJobCancelOutput = 19,
};

constexpr int kPageRows = 12;    ///< data rows of the grid
constexpr int kGridColumns = 8;  ///< address, name, data, aux, MA, MB, MC, kind
constexpr int kMovePage = 12;    ///< step of "Previous page" / "Next page"
constexpr int kPeriodicReadMs = 5000;

/// Grid columns of an item row.
enum GridColumn : int {
    kColAddress = 0,
    kColName = 1,
    kColData = 2,
    kColAux = 3,
    kColMa = 4,
    kColMb = 5,
    kColMc = 6,
    kColKind = 7,
};

struct ItemAddress {
    int ma = 0;
    int mb = 0;
    int mc = 0;
    bool operator==(const ItemAddress&) const = default;
};

struct MeasuredItem {
    ItemAddress address;
    int row = 0;  ///< grid row 1-12
    bool operator==(const MeasuredItem&) const = default;
};

/// The part of the screen a failed request must be able to put back.
struct PageWindow {
    bool hasMeasuredItems = false;
    int rowCount = 0;
    bool categoryLastKnown = false;  ///< the walk has seen the group's end
    ItemAddress categoryFirst;       ///< first item of the page's group
    ItemAddress categoryLast;        ///< last item of the page's group
    ItemAddress pageFirst;
    ItemAddress pageLast;
    std::vector<MeasuredItem> measured;
    bool operator==(const PageWindow&) const = default;
};

/// Enabled states and captions of the screen's controls.
struct PageControls {
    bool allEnabled = true;  ///< grid, tabs and buttons (SetAllEnabled)
    bool gridLocked = false;
    bool previousEnabled = false;   ///< "Previous" entries and cmdUpDown(0)
    bool nextEnabled = false;       ///< "Next" entries and cmdUpDown(1)
    bool entryEnabled = false;      ///< txtSetData / cboSetData
    bool writeEnabled = false;      ///< cmdWrite
    bool outputOffEnabled = false;  ///< cmdOutputOff
    bool readStopEnabled = false;   ///< cmdReadStop
    bool showChoiceList = false;    ///< cboSetData shown instead of txtSetData
    bool timerEnabled = false;      ///< tmrCycle
};

/// Starts a job: returns false when the engine refuses (a job is running).
using JobStarter = std::function<bool(int jobCode, const std::string& title)>;

/// The state of frmRQ2300 and the rules that act on it.
class PageModel {
  public:
    explicit PageModel(PageCategory category = PageCategory::Display);

    // --- state (read by jobs and by whatever draws the screen) -------------
    PageCategory category;
    int currentTab = 1;
    int confirmedTab = 1;
    int logMode = 0;  ///< 0 hex, 1 ASCII
    bool reading = false;
    bool tabSwitchRunning = false;
    int editedRow = 0;
    int editMa = 0;
    int editMb = 0;
    int writeCode = 0;
    std::string writeText;
    int step = 0;
    int anchorMa = 0;
    int anchorMb = 0;
    PageWindow window;
    PageWindow savedWindow;
    std::vector<std::string> tabNames;
    /// Rows 1-12 of the grid (index 0 is unused: the heading row).
    std::array<std::array<std::string, kGridColumns>, kPageRows + 1> grid{};
    std::array<bool, kPageRows + 1> yellowRow{};  ///< MarkEditedRow
    ItemArray screenPage;                         ///< items the last page job received
    ItemArray workingCopy;                        ///< items as shown, row r in element r - 1
    EditContext edit;                             ///< the item opened for editing, with its choices
    std::string entryText;
    bool downloadAllowed = true;  ///< writing permitted (password rules)
    PageControls controls;

    // --- titles ------------------------------------------------------------
    /// "DISPLAY", "SET", "ADJUST" or "MAINT".
    static std::string CategoryTitle(PageCategory category);
    static std::string PreviousEntryCaption(int entry);
    static std::string NextEntryCaption(int entry);

    // --- grid --------------------------------------------------------------
    /// Writes grid row `row` (1-12) from an item block; MB 0 writes nothing.
    void FillRow(int row, const ItemBlock& block);
    void ClearRow(int row);
    /// First and last grid rows holding an item (column MA readable), 0 if none.
    int FirstItemRow() const;
    int LastItemRow() const;
    /// MA, MB, MC and kind of a row, read back from the hidden columns; false
    /// when the row holds no item.
    bool RowAddress(int row, ItemAddress& address, int& kind) const;
    void ClearRowColours();
    void MarkEditedRow();

    // --- page window --------------------------------------------------------
    /// Fills the grid after a page, move or upload job. `moveBy` > 0 with
    /// `forward` shifts the rows still in view and writes the received items
    /// into the rows the move brings in; `moveBy` 0 replaces the whole page.
    void ShowPage(const ItemArray& received, int moveBy = 0, bool forward = true);
    void SetMoveMenus();
    void SavePageWindow();
    /// Puts the screen page back from the working copy (a failed move).
    void RestorePage();
    /// Copies the screen page into the working copy, rewrites every row from
    /// it and reselects the confirmed tab.
    void RefillGrid();
    /// After a page, move or read job ended with an error. `receivedItems`
    /// tells whether the job had already put items into the screen page.
    void OnPageJobFailed(bool receivedItems);
    /// After a page job ended well: the page window becomes the confirmed one.
    void OnPageJobSucceeded();

    // --- control states -----------------------------------------------------
    void SetAllEnabled(bool enabled);
    void SetReading(bool reading);
    void SetEntryEnabled(bool enabled);
    void SetGridLocked(bool locked);

    // --- user actions (each decides which job runs with which inputs) -------
    /// Tab strip click. Returns true when a job was started.
    bool ClickTab(int tab, const JobStarter& start);
    /// Double-click or Ctrl+Enter on a row.
    bool OpenItem(int row, const JobStarter& start);
    /// After job 17 answered: rewrites the row, prepares the entry.
    void OnItemRead(const ItemBlock& block, const ChoiceList& choiceList);
    /// Grid cell change onto `row`.
    void EnterRow(int row);
    /// WRITE: the entry is checked by ValidateEntry (which shows "Illegal
    /// value entered." when it fails). `chosenIndex` is the selected entry of
    /// the choice list for a selection item.
    bool Write(const std::string& entry, int chosenIndex, const JobStarter& start);
    /// Next (forward) or Previous menu entry 0-6; `busy` is the engine's flag.
    bool Move(bool forward, int entry, bool busy, const JobStarter& start);
    /// READ STOP / READ START.
    bool ToggleReading(const JobStarter& start);
    /// tmrCycle: job 14 every 5 s while reading.
    bool TimerTick(const JobStarter& start);
    bool CancelForcedOutput(const JobStarter& start);

  private:
    void ReadAfterReadingStopped();
    void RescanPage();
};

}  // namespace rq50::parameter
