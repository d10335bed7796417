#pragma once

// The online parameter screen as state: what frmRQ2300 shows and which job it
// starts with which inputs. The page jobs fill it, the GUI only draws it, and
// rq50-cli prints it.

#include "parameter/Category.h"
#include "parameter/ChoiceList.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"
#include "shell/JobCodes.h"

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>
#include "shell/Services.h"

namespace rq50::parameter {

constexpr int kPageRows = 12;    ///< data rows of the grid
constexpr int kGridColumns = 8;  ///< address, name, data, aux, MA, MB, MC, kind
constexpr int kMovePage = 12;    ///< step of "Previous page" / "Next page"
constexpr int kPeriodicReadMs = 5000;
/// The reading interval "as fast as the line allows" (fast pacing only): the
/// next reading starts as soon as the last has ended, looked for this often.
constexpr int kReadAsFastAsLineMs = 0;
constexpr int kReadAgainPollMs = 50;

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
    bool operator==(const PageControls&) const = default;
};

/// Starts a job: returns false when the engine refuses (a job is running).
using JobStarter = std::function<bool(comm::Job job, const std::string& title)>;

/// What a screen learns from the page model. Each call comes once at the end
/// of the operation that changed something, so a screen redraws only what
/// changed.
class PageListener {
  public:
    virtual ~PageListener() = default;
    /// Grid rows `first` to `last` (1-12) changed: texts or the edit colour.
    virtual void RowsChanged(int first, int last) {
        (void)first;
        (void)last;
    }
    /// An enabled state, caption choice or the reading flag changed.
    virtual void ControlsChanged() {}
    /// The tab names, the current or the confirmed tab changed.
    virtual void TabsChanged() {}
    /// The entry changed: an item was opened, its entry text set, the entry
    /// emptied, or the choice list filled or dropped.
    virtual void EntryPrepared() {}
    /// A periodic reading ended, well or not.
    virtual void ReadingTaken() {}
};

/// The state of frmRQ2300 and the rules that act on it. The screen and the
/// command line act through the user actions, the page jobs through the named
/// operations; everyone reads the state through the accessors.
class PageModel {
  public:
    using Grid = std::array<std::array<std::string, kGridColumns>, kPageRows + 1>;

    /// `hosts`: the session's, whose message host shows "Illegal value"
    /// (none: no box).
    explicit PageModel(PageCategory category = PageCategory::Display, shell::Services hosts = {});
    /// The screen that wants to hear of changes (nullptr: none). A copy of
    /// the model starts without one.
    void SetListener(PageListener* listener) { m_listener.listener = listener; }
    PageListener* Listener() const { return m_listener.get(); }

    // --- state --------------------------------------------------------------
    PageCategory Category() const { return m_category; }
    int CurrentTab() const { return m_currentTab; }
    int ConfirmedTab() const { return m_confirmedTab; }
    bool Reading() const { return m_reading; }
    /// How often the page is read: 1000, 2000 or 5000 ms, or
    /// kReadAsFastAsLineMs.
    int ReadIntervalMs() const { return m_readIntervalMs; }
    /// The period of the reading timer: the interval; as fast as the line
    /// allows only in fast pacing (classic pacing reads every 5 s then).
    int TimerIntervalMs(bool fastPacing) const;
    bool TabSwitchRunning() const { return m_tabSwitchRunning; }
    /// Grid row of the item opened for editing; 0 = none.
    int EditedRow() const { return m_editedRow; }
    /// MA and MB of the item opened for editing (MC 0).
    ItemAddress EditAddress() const { return {m_editMa, m_editMb, 0}; }
    /// MC of the opened item, or the chosen code of a selection item.
    int WriteCode() const { return m_writeCode; }
    /// Send text of the value to write.
    const std::string& WriteText() const { return m_writeText; }
    /// Rows to move (1-5, or 12 for a page) and the row the move starts from.
    int Step() const { return m_step; }
    ItemAddress Anchor() const { return {m_anchorMa, m_anchorMb, 0}; }
    const PageWindow& Window() const { return m_window; }
    const PageWindow& SavedWindow() const { return m_savedWindow; }
    const std::vector<std::string>& TabNames() const { return m_tabNames; }
    /// Rows 1-12 of the grid (index 0 is unused: the heading row).
    const Grid& Rows() const { return m_grid; }
    const std::string& Cell(int row, int column) const;
    /// The edit colour of a row (MarkEditedRow).
    bool RowMarked(int row) const;
    /// The row whose WRITE came back otherwise than asked (WriteNote), until
    /// the next WRITE or page.
    bool RowDiffers(int row) const { return row != 0 && row == m_differsRow; }
    /// Items the last page job received, and the items as shown (row r in
    /// element r - 1).
    const ItemArray& ScreenPage() const { return m_screenPage; }
    const ItemArray& WorkingCopy() const { return m_workingCopy; }
    /// The item opened for editing, with its choices.
    const EditContext& Edit() const { return m_edit; }
    /// Text the model puts into the entry box.
    const std::string& EntryText() const { return m_entryText; }
    /// What the last WRITE came to, when it is not simply done: an entry the
    /// item refused and why, a value the instrument holds otherwise than asked
    /// ("asked 500, instrument holds +100.00 %"), a range whose LO now lies
    /// above its HI. Empty otherwise; cleared by the next WRITE.
    const std::string& WriteNote() const { return m_writeNote; }
    /// Writing permitted (no password, or the right one entered).
    bool DownloadAllowed() const { return m_downloadAllowed; }
    const PageControls& Controls() const { return m_controls; }

    // --- titles ------------------------------------------------------------
    /// "DISPLAY", "SET", "ADJUST" or "MAINT".
    static std::string CategoryTitle(PageCategory category);
    static std::string PreviousEntryCaption(int entry);
    static std::string NextEntryCaption(int entry);

    // --- grid --------------------------------------------------------------
    /// First and last grid rows holding an item (column MA readable), 0 if none.
    int FirstItemRow() const;
    int LastItemRow() const;
    /// MA, MB, MC and kind of a row, read back from the hidden columns; false
    /// when the row holds no item.
    bool RowAddress(int row, ItemAddress& address, int& kind) const;
    void ClearRowColours();
    /// A row of the item a WRITE is waiting for came back: WriteNote.
    void NoteReadBack(const ItemBlock& block);
    void MarkEditedRow();

    // --- operations of the page jobs -----------------------------------------
    /// Every page name the category upload has collected so far, one a tab.
    void SetTabNames(std::vector<std::string> names);
    /// The first and last item of the page's group, as a walk learnt them;
    /// an unknown last item keeps "Next" offered.
    void SetGroupBounds(const ItemAddress& first, const ItemAddress& last, bool lastKnown);
    /// A move walk reached the group's first item (going back) or its last
    /// item (going forward).
    void SetGroupFirst(const ItemAddress& first);
    void SetGroupLast(const ItemAddress& last);
    /// Rewrites grid row `row` (1-12) from a freshly read item block and keeps
    /// it in the working copy and the screen page; MB 0 writes nothing.
    void ReplaceRow(int row, const ItemBlock& block);
    /// A READ begins: the item opened before, with its choices, is dropped.
    void ForgetEdit();
    /// A READ failed: no item is open any more.
    void OnItemReadFailed();

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
    /// A periodic reading ended at `atMs` on the session's clock; `read`
    /// false after a communication error. The observer hears of it first
    /// (the page's trend), then the listener.
    void ReadingEnded(bool read, std::int64_t atMs);
    /// A periodic reading failed: reading stops, the grid is unlocked and
    /// entry disabled; READ START stays offered on a page with measured
    /// items, so the user can read again once the line is back.
    void OnReadingFailed();
    void SetReadingObserver(std::function<void(bool read, std::int64_t atMs)> observer) {
        m_readingObserver = std::move(observer);
    }

    // --- control states -----------------------------------------------------
    void SetAllEnabled(bool enabled);
    void SetReading(bool reading);
    void SetEntryEnabled(bool enabled);
    void SetGridLocked(bool locked);
    void SetDownloadAllowed(bool allowed);
    /// 1000, 2000, 5000 or kReadAsFastAsLineMs; any other value is 5000.
    void SetReadInterval(int ms);

    // --- user actions (each decides which job runs with which inputs) -------
    /// The category menu opens the screen: tab 1 becomes current and
    /// confirmed, and the category's first page is read (jobs 4-7).
    bool OpenCategory(const JobStarter& start);
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
    class Change;
    /// The listener belongs to one screen, not to copies of its model.
    struct ListenerSlot {
        PageListener* listener = nullptr;
        ListenerSlot() = default;
        ListenerSlot(const ListenerSlot&) {}
        ListenerSlot& operator=(const ListenerSlot&) { return *this; }
        PageListener* get() const { return listener; }
    };

    void FillRow(int row, const ItemBlock& block);
    void ClearRow(int row);
    void ClearAllRows();
    void MarkRows(int first, int last);
    void ReadAfterReadingStopped();
    void RescanPage();

    PageCategory m_category;
    shell::Services m_hosts;
    int m_currentTab = 1;
    int m_confirmedTab = 1;
    bool m_reading = false;
    int m_readIntervalMs = kPeriodicReadMs;
    std::function<void(bool, std::int64_t)> m_readingObserver;
    bool m_tabSwitchRunning = false;
    int m_editedRow = 0;
    int m_editMa = 0;
    int m_editMb = 0;
    int m_writeCode = 0;
    std::string m_writeText;
    int m_step = 0;
    int m_anchorMa = 0;
    int m_anchorMb = 0;
    PageWindow m_window;
    PageWindow m_savedWindow;
    std::vector<std::string> m_tabNames;
    Grid m_grid{};
    std::array<bool, kPageRows + 1> m_yellowRow{};
    ItemArray m_screenPage;
    ItemArray m_workingCopy;
    EditContext m_edit;
    std::string m_entryText;
    std::string m_writeNote;
    int m_differsRow = 0;
    /// The WRITE waiting for its read-back: the entry and the item as opened.
    std::optional<std::pair<std::string, EditContext>> m_asked;
    bool m_downloadAllowed = true;
    PageControls m_controls;

    // What the operation under way has changed; told to the listener when
    // the outermost operation ends.
    ListenerSlot m_listener;
    int m_changeDepth = 0;
    int m_dirtyFirst = 0;
    int m_dirtyLast = 0;
    bool m_tabsDirty = false;
    bool m_entryDirty = false;
};

}  // namespace rq50::parameter
