#include "parameter/PageModel.h"
#include "parameter/ItemEdit.h"
#include "parameter/PageChange.h"

#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>

namespace rq50::parameter {

using page::DisplayData;
using page::ItemTexts;
using page::ReadInt;
using page::SplitItemTexts;

namespace {

std::string AddressText(int ma, int mb) {
    return FormatAddress(ma, mb);
}

}  // namespace

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

}  // namespace rq50::parameter
