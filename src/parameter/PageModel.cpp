#include "parameter/PageModel.h"
#include "parameter/ItemEdit.h"

#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>

namespace rq50::parameter {

namespace {
constexpr int kSeparatorEntry = 5;
constexpr int kPageEntry = 6;

struct ItemTexts {
    int kind = 0;
    int ma = 0;
    int mb = 0;
    int mc = 0;
    std::string name;
    std::string data;
    std::string aux;
};

ItemTexts SplitItemTexts(const ItemBlock& block) {
    const DecodedItem d = DecodeItem(block, false);
    return {d.kind, d.ma, d.mb, d.mc, d.name, d.data, d.aux};
}

std::string AddressText(int ma, int mb) {
    return FormatAddress(ma, mb);
}

std::string DisplayData(const std::string& data, int kind) {
    return FormatDataForDisplay(data, kind, 0);
}

bool ReadInt(const std::string& text, int& value) {
    if (text.empty()) return false;
    int v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    value = v;
    return true;
}

}  // namespace

/// Gathers what one operation changes and tells the listener once, when the
/// outermost operation ends.
class PageModel::Change {
  public:
    explicit Change(PageModel& model)
        : m_model(model),
          m_controls(model.m_controls),
          m_reading(model.m_reading),
          m_tabNames(model.m_tabNames),
          m_currentTab(model.m_currentTab),
          m_confirmedTab(model.m_confirmedTab),
          m_entryText(model.m_entryText),
          m_editedRow(model.m_editedRow) {
        ++m_model.m_changeDepth;
    }
    ~Change() {
        PageModel& m = m_model;
        if (--m.m_changeDepth > 0) return;
        const int first = m.m_dirtyFirst;
        const int last = m.m_dirtyLast;
        const bool controls = !(m.m_controls == m_controls) || m.m_reading != m_reading;
        const bool tabs = m.m_tabNames != m_tabNames || m.m_currentTab != m_currentTab ||
                          m.m_confirmedTab != m_confirmedTab;
        const bool entry =
            m.m_entryDirty || m.m_entryText != m_entryText || m.m_editedRow != m_editedRow;
        m.m_dirtyFirst = m.m_dirtyLast = 0;
        m.m_entryDirty = false;
        PageListener* listener = m.m_listener.get();
        if (listener == nullptr) return;
        if (first != 0) listener->RowsChanged(first, last);
        if (controls) listener->ControlsChanged();
        if (tabs) listener->TabsChanged();
        if (entry) listener->EntryPrepared();
    }
    Change(const Change&) = delete;
    Change& operator=(const Change&) = delete;

  private:
    PageModel& m_model;
    PageControls m_controls;
    bool m_reading;
    std::vector<std::string> m_tabNames;
    int m_currentTab;
    int m_confirmedTab;
    std::string m_entryText;
    int m_editedRow;
};

PageModel::PageModel(PageCategory category, shell::Services hosts)
    : m_category(category), m_hosts(hosts) {}

const std::string& PageModel::Cell(int row, int column) const {
    static const std::string kNone;
    if (row < 1 || row > kPageRows || column < 0 || column >= kGridColumns) return kNone;
    return m_grid[static_cast<std::size_t>(row)][static_cast<std::size_t>(column)];
}

bool PageModel::RowMarked(int row) const {
    return row >= 1 && row <= kPageRows && m_yellowRow[static_cast<std::size_t>(row)];
}

void PageModel::MarkRows(int first, int last) {
    m_dirtyFirst = m_dirtyFirst == 0 ? first : std::min(m_dirtyFirst, first);
    m_dirtyLast = std::max(m_dirtyLast, last);
}

std::string PageModel::CategoryTitle(PageCategory cat) {
    return shell::Catalogue(kTextCategoryTitle + static_cast<int>(cat));
}

std::string PageModel::PreviousEntryCaption(int entry) {
    return shell::Catalogue(kTextPreviousEntry + entry);
}

std::string PageModel::NextEntryCaption(int entry) {
    return shell::Catalogue(kTextNextEntry + entry);
}

// ---------------------------------------------------------------- grid

void PageModel::FillRow(int row, const ItemBlock& block) {
    if (row < 1 || row > kPageRows) return;
    const ItemTexts item = SplitItemTexts(block);
    if (item.mb == 0) return;
    auto& cells = m_grid[static_cast<std::size_t>(row)];
    cells[kColAddress] = AddressText(item.ma, item.mb);
    cells[kColName] = item.name;
    cells[kColData] = DisplayData(item.data, item.kind);
    cells[kColAux] = item.aux;
    if (item.kind == kKindSelection && !m_edit.choices.entries.empty() && item.ma == m_editMa &&
        item.mb == m_editMb) {
        if (const Choice* choice = m_edit.choices.FindByCode(item.mc)) cells[kColAux] = choice->aux;
    }
    cells[kColMa] = std::to_string(item.ma);
    cells[kColMb] = std::to_string(item.mb);
    cells[kColMc] = std::to_string(item.mc);
    cells[kColKind] = std::to_string(item.kind);
    MarkRows(row, row);
}

void PageModel::ClearRow(int row) {
    if (row < 1 || row > kPageRows) return;
    m_grid[static_cast<std::size_t>(row)] = {};
    MarkRows(row, row);
}

void PageModel::ClearAllRows() {
    for (int row = 1; row <= kPageRows; ++row) ClearRow(row);
}

bool PageModel::RowAddress(int row, ItemAddress& address, int& kind) const {
    if (row < 1 || row > kPageRows) return false;
    const auto& cells = m_grid[static_cast<std::size_t>(row)];
    ItemAddress a;
    int k = 0;
    if (!ReadInt(cells[kColMa], a.ma) || !ReadInt(cells[kColMb], a.mb) ||
        !ReadInt(cells[kColMc], a.mc) || !ReadInt(cells[kColKind], k)) {
        return false;
    }
    address = a;
    kind = k;
    return true;
}

int PageModel::FirstItemRow() const {
    int v = 0;
    for (int row = 1; row <= kPageRows; ++row) {
        if (ReadInt(m_grid[static_cast<std::size_t>(row)][kColMa], v)) return row;
    }
    return 0;
}

int PageModel::LastItemRow() const {
    int v = 0;
    for (int row = kPageRows; row >= 1; --row) {
        if (ReadInt(m_grid[static_cast<std::size_t>(row)][kColMa], v)) return row;
    }
    return 0;
}

void PageModel::ClearRowColours() {
    Change change(*this);
    for (int row = 1; row <= kPageRows; ++row) {
        if (m_yellowRow[static_cast<std::size_t>(row)]) MarkRows(row, row);
    }
    m_yellowRow.fill(false);
    if (m_differsRow != 0) MarkRows(m_differsRow, m_differsRow);
    m_differsRow = 0;
}

void PageModel::MarkEditedRow() {
    Change change(*this);
    if (m_editedRow < 1 || m_editedRow > kPageRows) return;
    m_yellowRow[static_cast<std::size_t>(m_editedRow)] = true;
    MarkRows(m_editedRow, m_editedRow);
}

// ---------------------------------------------------------------- job operations

void PageModel::SetTabNames(std::vector<std::string> names) {
    Change change(*this);
    m_tabNames = std::move(names);
}

void PageModel::SetGroupBounds(const ItemAddress& first, const ItemAddress& last, bool lastKnown) {
    Change change(*this);
    m_window.categoryFirst = first;
    m_window.categoryLast = last;
    m_window.categoryLastKnown = lastKnown;
}

void PageModel::SetGroupFirst(const ItemAddress& first) {
    Change change(*this);
    m_window.categoryFirst = first;
}

void PageModel::SetGroupLast(const ItemAddress& last) {
    Change change(*this);
    m_window.categoryLast = last;
    m_window.categoryLastKnown = true;
}

void PageModel::ReplaceRow(int row, const ItemBlock& block) {
    Change change(*this);
    if (row < 1 || row > kPageRows) return;
    FillRow(row, block);
    const auto index = static_cast<std::size_t>(row - 1);
    if (index < m_workingCopy.size()) {
        m_workingCopy[index] = block;
        m_screenPage = m_workingCopy;
    }
    if (m_asked && row == m_editedRow) NoteReadBack(block);
}

void PageModel::NoteReadBack(const ItemBlock& block) {
    const auto& [asked, opened] = *m_asked;
    const int code = opened.kind == kKindSelection ? m_writeCode : 0;
    const DecodedItem held = DecodeItem(block, false);
    m_writeNote.clear();
    if (!HoldsAskedValue(asked, opened, held, code)) {
        const std::string shown = held.kind == kKindSelection
                                      ? shell::Trim(held.data)
                                      : shell::Trim(held.data) + " " + shell::Trim(held.aux);
        m_writeNote = "Asked " + asked + ", instrument holds " + shell::Trim(shown) + ".";
        m_differsRow = m_editedRow;
        MarkRows(m_editedRow, m_editedRow);
    }
    if (const std::string range = RangeWarning(m_workingCopy); !range.empty())
        m_writeNote += (m_writeNote.empty() ? "" : " ") + std::string("Note: ") + range + ".";
    // The box shows what the instrument holds now (clamped, rounded), not
    // what was asked.
    if (opened.kind != kKindSelection) m_entryText = DisplayData(held.data, held.kind);
    m_entryDirty = true;
}

void PageModel::ForgetEdit() {
    Change change(*this);
    m_edit = {};
    m_entryDirty = true;
}

void PageModel::OnItemReadFailed() {
    Change change(*this);
    m_editedRow = 0;
    SetEntryEnabled(false);
    SetReading(m_window.hasMeasuredItems);
}

// ---------------------------------------------------------------- page window

void PageModel::ShowPage(const ItemArray& received, int moveBy, bool forward) {
    Change change(*this);
    if (moveBy <= 0) {
        m_workingCopy.assign(received.begin(),
                             received.begin() + std::min<std::size_t>(received.size(), kPageRows));
    } else {
        // Rows still in view slide over; the received items take the rows the
        // move brings in. A move that reached the group's end with fewer items
        // than asked slides by what arrived.
        const std::size_t shift = std::min<std::size_t>(received.size(), kPageRows);
        ItemArray rows;
        if (forward) {
            const std::size_t keep =
                m_workingCopy.size() > shift ? m_workingCopy.size() - shift : 0;
            rows.assign(m_workingCopy.end() - keep, m_workingCopy.end());
            rows.insert(rows.end(), received.end() - shift, received.end());
        } else {
            rows.assign(received.begin(), received.begin() + shift);
            rows.insert(rows.end(), m_workingCopy.begin(), m_workingCopy.end());
            if (rows.size() > kPageRows) rows.resize(kPageRows);
        }
        m_workingCopy = std::move(rows);
    }
    m_screenPage = m_workingCopy;
    ClearAllRows();
    for (std::size_t i = 0; i < m_workingCopy.size(); ++i) {
        FillRow(static_cast<int>(i) + 1, m_workingCopy[i]);
    }
    RescanPage();
    SetMoveMenus();
}

void PageModel::RescanPage() {
    m_window.rowCount = 0;
    m_window.hasMeasuredItems = false;
    m_window.measured.clear();
    m_window.pageFirst = {};
    m_window.pageLast = {};
    for (int row = 1; row <= kPageRows; ++row) {
        ItemAddress address;
        int kind = 0;
        if (!RowAddress(row, address, kind)) continue;
        if (m_window.rowCount == 0) m_window.pageFirst = address;
        m_window.pageLast = address;
        ++m_window.rowCount;
        if (kind == kKindMeasured) {
            m_window.measured.push_back({address, row});
            m_window.hasMeasuredItems = true;
        }
    }
}

void PageModel::SetMoveMenus() {
    Change change(*this);
    const auto same = [](const ItemAddress& a, const ItemAddress& b) {
        return a.ma == b.ma && a.mb == b.mb;
    };
    if (m_window.rowCount == 0) {
        m_controls.previousEnabled = false;
        m_controls.nextEnabled = false;
        return;
    }
    m_controls.previousEnabled = !same(m_window.pageFirst, m_window.categoryFirst);
    m_controls.nextEnabled =
        !(m_window.categoryLastKnown && same(m_window.pageLast, m_window.categoryLast));
}

void PageModel::SavePageWindow() {
    m_savedWindow = m_window;
}

void PageModel::RestorePage() {
    m_screenPage = m_workingCopy;
}

void PageModel::RefillGrid() {
    Change change(*this);
    m_workingCopy = m_screenPage;
    ClearAllRows();
    for (std::size_t i = 0; i < m_workingCopy.size() && i < kPageRows; ++i) {
        FillRow(static_cast<int>(i) + 1, m_workingCopy[i]);
    }
    m_currentTab = m_confirmedTab;
}

void PageModel::OnPageJobFailed(bool receivedItems) {
    Change change(*this);
    if (receivedItems) RestorePage();
    RefillGrid();
    m_window = m_savedWindow;
    SetMoveMenus();
    SetAllEnabled(true);
    SetReading(m_savedWindow.hasMeasuredItems);
    SetGridLocked(m_savedWindow.hasMeasuredItems);
    SetEntryEnabled(false);
    m_tabSwitchRunning = false;
}

void PageModel::OnPageJobSucceeded() {
    Change change(*this);
    m_confirmedTab = m_currentTab;
    SavePageWindow();
    SetAllEnabled(true);
    SetMoveMenus();
    SetReading(m_window.hasMeasuredItems);
    SetGridLocked(m_window.hasMeasuredItems);
    SetEntryEnabled(false);
    m_tabSwitchRunning = false;
}

// ---------------------------------------------------------------- controls

void PageModel::SetAllEnabled(bool enabled) {
    Change change(*this);
    m_controls.allEnabled = enabled;
    m_controls.outputOffEnabled = false;
    if (!enabled) {
        m_controls.timerEnabled = false;
        m_controls.entryEnabled = false;
        m_controls.writeEnabled = false;
        m_controls.readStopEnabled = false;
    } else {
        m_controls.outputOffEnabled = !m_reading;
    }
}

void PageModel::SetReading(bool on) {
    Change change(*this);
    m_reading = on;
    m_controls.outputOffEnabled = !on;
    m_controls.writeEnabled = !on && m_downloadAllowed;
    m_controls.entryEnabled = !on;
    m_controls.readStopEnabled = on;
    m_controls.timerEnabled = on;
}

void PageModel::SetEntryEnabled(bool enabled) {
    Change change(*this);
    m_controls.entryEnabled = enabled;
    m_controls.writeEnabled = enabled && m_downloadAllowed;
    // Cancelling a forced output is offered only while no item is open.
    m_controls.outputOffEnabled = !enabled && !m_reading;
}

void PageModel::SetGridLocked(bool locked) {
    Change change(*this);
    m_controls.gridLocked = locked;
}

void PageModel::SetDownloadAllowed(bool allowed) {
    m_downloadAllowed = allowed;
}

// ---------------------------------------------------------------- user actions

bool PageModel::OpenCategory(const JobStarter& start) {
    Change change(*this);
    m_currentTab = m_confirmedTab = 1;
    return start(comm::CategoryJob(static_cast<int>(m_category)), CategoryTitle(m_category));
}

bool PageModel::ClickTab(int tab, const JobStarter& start) {
    Change change(*this);
    if (m_tabSwitchRunning || tab == m_currentTab) return false;
    const int oldTab = m_currentTab;
    m_currentTab = tab;
    const comm::Job job = comm::TabJob(static_cast<int>(m_category));
    if (!start(job, CategoryTitle(m_category))) {
        m_currentTab = oldTab;
        return false;
    }
    m_tabSwitchRunning = true;
    SetAllEnabled(false);
    ClearAllRows();
    ClearRowColours();
    m_entryText.clear();
    m_controls.showChoiceList = false;
    m_edit = {};
    m_entryDirty = true;
    return true;
}

bool PageModel::OpenItem(int row, const JobStarter& start) {
    Change change(*this);
    if (m_controls.gridLocked || !m_controls.allEnabled) return false;
    m_asked.reset();  // a WRITE that did not come back is not this item's
    const int first = FirstItemRow();
    const int last = LastItemRow();
    if (first == 0 || row < first || row > last || row < 1 || row > kPageRows) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(row, address, kind)) return false;
    m_editMa = address.ma;
    m_editMb = address.mb;
    m_writeCode = 0;
    m_editedRow = row;
    if (!start(comm::kJobReadItem, shell::Catalogue(kTextRead))) return false;
    ClearRowColours();
    return true;
}

void PageModel::OnItemRead(const ItemBlock& block, const ChoiceList& choiceList) {
    Change change(*this);
    m_edit = PrepareEdit(DecodeItem(block, false));
    m_edit.choices = choiceList;
    m_entryDirty = true;
    if (m_editedRow < 1 || m_editedRow > kPageRows) return;
    FillRow(m_editedRow, block);
    const auto index = static_cast<std::size_t>(m_editedRow - 1);
    if (index < m_workingCopy.size()) {
        m_workingCopy[index] = block;
        m_screenPage = m_workingCopy;
    } else if (index < m_screenPage.size()) {
        m_screenPage[index] = block;
    }
    MarkEditedRow();
    const ItemTexts item = SplitItemTexts(block);
    m_entryText =
        (item.kind == kKindShown || item.kind == kKindMeasured || item.kind == kKindSelection)
            ? std::string()
            : DisplayData(item.data, item.kind);
    EnterRow(m_editedRow);
}

void PageModel::EnterRow(int row) {
    Change change(*this);
    m_asked.reset();  // the WRITE, if one ran, has ended
    if (row != 0 && row == m_editedRow) {
        ItemAddress address;
        int kind = -1;
        const bool readable = RowAddress(row, address, kind);
        m_controls.showChoiceList = readable && kind == kKindSelection;
        const bool editable =
            readable && kind != kKindMeasured && kind != kKindShown && kind != kKindOther;
        SetEntryEnabled(editable && !m_reading);
        if (shell::Trim(m_grid[static_cast<std::size_t>(row)][kColName]) == "SELF CHK") {
            m_controls.writeEnabled = false;
        }
        return;
    }
    SetEntryEnabled(false);
    m_entryText.clear();
    m_controls.showChoiceList = false;
    m_editedRow = 0;
}

bool PageModel::Write(const std::string& entry, int chosenIndex, const JobStarter& start) {
    Change change(*this);
    if (m_editedRow == 0 || !m_controls.writeEnabled) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(m_editedRow, address, kind)) return false;
    m_writeNote.clear();
    m_asked.reset();
    const EntryCheck check = ValidateEntry(m_hosts, entry, m_edit, shell::Catalogue(kTextWrite));
    if (!check.valid) {
        m_writeNote =
            "Not written: " + shell::Trim(entry) + " is " + WhyRefused(entry, m_edit) + ".";
        m_entryText = check.resetText;
        m_entryDirty = true;
        return false;
    }
    if (kind == kKindSelection) {
        const auto& entries = m_edit.choices.entries;
        if (chosenIndex < 0 || chosenIndex >= static_cast<int>(entries.size())) return false;
        m_writeCode = entries[static_cast<std::size_t>(chosenIndex)].code;
        m_writeText.clear();
    } else {
        m_entryText = FormatDataForDisplay(check.sendText, kind, 1);
        m_entryDirty = true;
        m_writeText = check.sendText;
        m_writeCode = address.mc;
    }
    ClearRowColours();
    const bool started = start(comm::kJobWriteItem, shell::Catalogue(kTextWrite));
    if (started) m_asked.emplace(shell::Trim(entry), m_edit);
    return started;
}

bool PageModel::Move(bool forward, int entry, bool busy, const JobStarter& start) {
    Change change(*this);
    if (busy || entry == kSeparatorEntry || entry < 0 || entry > kPageEntry) return false;
    if (forward ? !m_controls.nextEnabled : !m_controls.previousEnabled) return false;
    const int row = forward ? LastItemRow() : FirstItemRow();
    if (row < 1 || row > kPageRows) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(row, address, kind)) return false;
    m_anchorMa = address.ma;
    m_anchorMb = address.mb;
    m_step = entry == kPageEntry ? kMovePage : entry + 1;
    m_editedRow = 0;
    SetEntryEnabled(false);
    ClearRowColours();
    const std::string title = forward ? NextEntryCaption(entry) : PreviousEntryCaption(entry);
    return start(forward ? comm::kJobNextPage : comm::kJobPrevPage, title);
}

void PageModel::ReadAfterReadingStopped() {
    SetGridLocked(false);
    ClearRowColours();
    SetEntryEnabled(false);
}

bool PageModel::ToggleReading(const JobStarter& start) {
    Change change(*this);
    SetReading(!m_reading);
    SetGridLocked(m_reading);
    m_controls.readStopEnabled = true;
    if (!m_reading) {
        ReadAfterReadingStopped();
        return false;
    }
    if (!start(comm::kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead))) {
        ReadAfterReadingStopped();
        return false;
    }
    return true;
}

int PageModel::TimerIntervalMs(bool fastPacing) const {
    if (m_readIntervalMs != kReadAsFastAsLineMs) return m_readIntervalMs;
    return fastPacing ? kReadAgainPollMs : kPeriodicReadMs;
}

void PageModel::SetReadInterval(int ms) {
    const bool known =
        ms == 1000 || ms == 2000 || ms == kPeriodicReadMs || ms == kReadAsFastAsLineMs;
    m_readIntervalMs = known ? ms : kPeriodicReadMs;
}

void PageModel::ReadingEnded(bool read, std::int64_t atMs) {
    if (m_readingObserver) m_readingObserver(read, atMs);
    if (auto* listener = m_listener.get()) listener->ReadingTaken();
}

void PageModel::OnReadingFailed() {
    Change change(*this);
    SetReading(false);
    SetGridLocked(false);
    SetEntryEnabled(false);
    m_controls.readStopEnabled = m_window.hasMeasuredItems;
}

bool PageModel::TimerTick(const JobStarter& start) {
    if (!m_reading || !m_controls.timerEnabled || m_window.measured.empty()) return false;
    return start(comm::kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead));
}

bool PageModel::CancelForcedOutput(const JobStarter& start) {
    Change change(*this);
    if (m_category != PageCategory::Adjust || !m_controls.outputOffEnabled) return false;
    ClearRowColours();
    return start(comm::kJobCancelForced, shell::Catalogue(kTextCancelOutput));
}

}  // namespace rq50::parameter
