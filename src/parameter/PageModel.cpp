#include "parameter/PageModel.h"

#include "shell/Catalogue.h"

#include <algorithm>

namespace rq50::parameter {

namespace {

constexpr int kTextCategoryTitle = 2201;  // 2201-2204 DISPLAY .. MAINT
constexpr int kTextPreviousEntry = 2386;  // 2386-2392
constexpr int kTextNextEntry = 2394;      // 2394-2400
constexpr int kTextRead = 2316;
constexpr int kTextWrite = 2308;
constexpr int kTextPeriodicRead = 2315;
constexpr int kTextCancelOutput = 2366;
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

PageModel::PageModel(PageCategory cat) : category(cat) {}

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
    auto& cells = grid[row];
    cells[kColAddress] = AddressText(item.ma, item.mb);
    cells[kColName] = item.name;
    cells[kColData] = DisplayData(item.data, item.kind);
    cells[kColAux] = item.aux;
    if (item.kind == kKindSelection && !edit.choices.entries.empty() && item.ma == editMa &&
        item.mb == editMb) {
        if (const Choice* choice = edit.choices.FindByCode(item.mc)) cells[kColAux] = choice->aux;
    }
    cells[kColMa] = std::to_string(item.ma);
    cells[kColMb] = std::to_string(item.mb);
    cells[kColMc] = std::to_string(item.mc);
    cells[kColKind] = std::to_string(item.kind);
}

void PageModel::ClearRow(int row) {
    if (row < 1 || row > kPageRows) return;
    grid[row] = {};
}

bool PageModel::RowAddress(int row, ItemAddress& address, int& kind) const {
    if (row < 1 || row > kPageRows) return false;
    const auto& cells = grid[row];
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
        if (ReadInt(grid[row][kColMa], v)) return row;
    }
    return 0;
}

int PageModel::LastItemRow() const {
    int v = 0;
    for (int row = kPageRows; row >= 1; --row) {
        if (ReadInt(grid[row][kColMa], v)) return row;
    }
    return 0;
}

void PageModel::ClearRowColours() {
    yellowRow.fill(false);
}

void PageModel::MarkEditedRow() {
    if (editedRow >= 1 && editedRow <= kPageRows) yellowRow[editedRow] = true;
}

// ---------------------------------------------------------------- page window

void PageModel::ShowPage(const ItemArray& received, int moveBy, bool forward) {
    if (moveBy <= 0) {
        workingCopy.assign(received.begin(),
                           received.begin() + std::min<std::size_t>(received.size(), kPageRows));
    } else {
        // Rows still in view slide over; the received items take the rows the
        // move brings in. A move that reached the group's end with fewer items
        // than asked slides by what arrived.
        const std::size_t shift = std::min<std::size_t>(received.size(), kPageRows);
        ItemArray rows;
        if (forward) {
            const std::size_t keep = workingCopy.size() > shift ? workingCopy.size() - shift : 0;
            rows.assign(workingCopy.end() - keep, workingCopy.end());
            rows.insert(rows.end(), received.end() - shift, received.end());
        } else {
            rows.assign(received.begin(), received.begin() + shift);
            rows.insert(rows.end(), workingCopy.begin(), workingCopy.end());
            if (rows.size() > kPageRows) rows.resize(kPageRows);
        }
        workingCopy = std::move(rows);
    }
    screenPage = workingCopy;
    for (int row = 1; row <= kPageRows; ++row) ClearRow(row);
    for (std::size_t i = 0; i < workingCopy.size(); ++i) {
        FillRow(static_cast<int>(i) + 1, workingCopy[i]);
    }
    RescanPage();
    SetMoveMenus();
}

void PageModel::RescanPage() {
    window.rowCount = 0;
    window.hasMeasuredItems = false;
    window.measured.clear();
    window.pageFirst = {};
    window.pageLast = {};
    for (int row = 1; row <= kPageRows; ++row) {
        ItemAddress address;
        int kind = 0;
        if (!RowAddress(row, address, kind)) continue;
        if (window.rowCount == 0) window.pageFirst = address;
        window.pageLast = address;
        ++window.rowCount;
        if (kind == 6) {
            window.measured.push_back({address, row});
            window.hasMeasuredItems = true;
        }
    }
}

void PageModel::SetMoveMenus() {
    const auto same = [](const ItemAddress& a, const ItemAddress& b) {
        return a.ma == b.ma && a.mb == b.mb;
    };
    if (window.rowCount == 0) {
        controls.previousEnabled = false;
        controls.nextEnabled = false;
        return;
    }
    controls.previousEnabled = !same(window.pageFirst, window.categoryFirst);
    controls.nextEnabled =
        !(window.categoryLastKnown && same(window.pageLast, window.categoryLast));
}

void PageModel::SavePageWindow() {
    savedWindow = window;
}

void PageModel::RestorePage() {
    screenPage = workingCopy;
}

void PageModel::RefillGrid() {
    workingCopy = screenPage;
    for (int row = 1; row <= kPageRows; ++row) ClearRow(row);
    for (std::size_t i = 0; i < workingCopy.size() && i < kPageRows; ++i) {
        FillRow(static_cast<int>(i) + 1, workingCopy[i]);
    }
    currentTab = confirmedTab;
}

void PageModel::OnPageJobFailed(bool receivedItems) {
    if (receivedItems) RestorePage();
    RefillGrid();
    window = savedWindow;
    SetMoveMenus();
    SetAllEnabled(true);
    SetReading(savedWindow.hasMeasuredItems);
    SetGridLocked(savedWindow.hasMeasuredItems);
    SetEntryEnabled(false);
    tabSwitchRunning = false;
}

void PageModel::OnPageJobSucceeded() {
    confirmedTab = currentTab;
    SavePageWindow();
    SetAllEnabled(true);
    SetMoveMenus();
    SetReading(window.hasMeasuredItems);
    SetGridLocked(window.hasMeasuredItems);
    SetEntryEnabled(false);
    tabSwitchRunning = false;
}

// ---------------------------------------------------------------- controls

void PageModel::SetAllEnabled(bool enabled) {
    controls.allEnabled = enabled;
    controls.outputOffEnabled = false;
    if (!enabled) {
        controls.timerEnabled = false;
        controls.entryEnabled = false;
        controls.writeEnabled = false;
        controls.readStopEnabled = false;
    } else {
        controls.outputOffEnabled = !reading;
    }
}

void PageModel::SetReading(bool on) {
    reading = on;
    controls.outputOffEnabled = !on;
    controls.writeEnabled = !on && downloadAllowed;
    controls.entryEnabled = !on;
    controls.readStopEnabled = on;
    controls.timerEnabled = on;
}

void PageModel::SetEntryEnabled(bool enabled) {
    controls.entryEnabled = enabled;
    controls.writeEnabled = enabled && downloadAllowed;
    // Cancelling a forced output is offered only while no item is open.
    controls.outputOffEnabled = !enabled && !reading;
}

void PageModel::SetGridLocked(bool locked) {
    controls.gridLocked = locked;
}

// ---------------------------------------------------------------- user actions

bool PageModel::ClickTab(int tab, const JobStarter& start) {
    if (tabSwitchRunning || tab == currentTab) return false;
    const int oldTab = currentTab;
    currentTab = tab;
    const int job = kJobTabDisplay + static_cast<int>(category);
    if (!start(job, CategoryTitle(category))) {
        currentTab = oldTab;
        return false;
    }
    tabSwitchRunning = true;
    SetAllEnabled(false);
    for (int row = 1; row <= kPageRows; ++row) ClearRow(row);
    ClearRowColours();
    entryText.clear();
    controls.showChoiceList = false;
    edit = {};
    return true;
}

bool PageModel::OpenItem(int row, const JobStarter& start) {
    if (controls.gridLocked || !controls.allEnabled) return false;
    const int first = FirstItemRow();
    const int last = LastItemRow();
    if (first == 0 || row < first || row > last || row < 1 || row > kPageRows) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(row, address, kind)) return false;
    editMa = address.ma;
    editMb = address.mb;
    writeCode = 0;
    editedRow = row;
    if (!start(kJobReadItem, shell::Catalogue(kTextRead))) return false;
    ClearRowColours();
    return true;
}

void PageModel::OnItemRead(const ItemBlock& block, const ChoiceList& choiceList) {
    edit = PrepareEdit(DecodeItem(block, false));
    edit.choices = choiceList;
    if (editedRow < 1 || editedRow > kPageRows) return;
    FillRow(editedRow, block);
    if (static_cast<std::size_t>(editedRow) <= workingCopy.size()) {
        workingCopy[editedRow - 1] = block;
    }
    screenPage = workingCopy;
    MarkEditedRow();
    const ItemTexts item = SplitItemTexts(block);
    entryText =
        (item.kind == kKindShown || item.kind == kKindMeasured || item.kind == kKindSelection)
            ? std::string()
            : DisplayData(item.data, item.kind);
    EnterRow(editedRow);
}

void PageModel::EnterRow(int row) {
    if (row != 0 && row == editedRow) {
        ItemAddress address;
        int kind = -1;
        const bool readable = RowAddress(row, address, kind);
        controls.showChoiceList = readable && kind == 4;
        const bool editable = readable && kind != 6 && kind != 0 && kind != 7;
        SetEntryEnabled(editable && !reading);
        if (TrimBlanks(grid[row][kColName]) == "SELF CHK") controls.writeEnabled = false;
        return;
    }
    SetEntryEnabled(false);
    entryText.clear();
    controls.showChoiceList = false;
    editedRow = 0;
}

bool PageModel::Write(const std::string& entry, int chosenIndex, const JobStarter& start) {
    if (editedRow == 0 || !controls.writeEnabled) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(editedRow, address, kind)) return false;
    const EntryCheck check = ValidateEntry(entry, edit, shell::Catalogue(kTextWrite));
    if (!check.valid) {
        entryText = check.resetText;
        return false;
    }
    if (kind == kKindSelection) {
        const auto& entries = edit.choices.entries;
        if (chosenIndex < 0 || chosenIndex >= static_cast<int>(entries.size())) return false;
        writeCode = entries[static_cast<std::size_t>(chosenIndex)].code;
        writeText.clear();
    } else {
        entryText = FormatDataForDisplay(check.sendText, kind, 1);
        writeText = check.sendText;
        writeCode = address.mc;
    }
    ClearRowColours();
    return start(kJobWriteItem, shell::Catalogue(kTextWrite));
}

bool PageModel::Move(bool forward, int entry, bool busy, const JobStarter& start) {
    if (busy || entry == kSeparatorEntry || entry < 0 || entry > kPageEntry) return false;
    if (forward ? !controls.nextEnabled : !controls.previousEnabled) return false;
    const int row = forward ? LastItemRow() : FirstItemRow();
    if (row < 1 || row > kPageRows) return false;
    ItemAddress address;
    int kind = 0;
    if (!RowAddress(row, address, kind)) return false;
    anchorMa = address.ma;
    anchorMb = address.mb;
    step = entry == kPageEntry ? kMovePage : entry + 1;
    editedRow = 0;
    SetEntryEnabled(false);
    ClearRowColours();
    const std::string title = forward ? NextEntryCaption(entry) : PreviousEntryCaption(entry);
    return start(forward ? kJobMoveNext : kJobMovePrevious, title);
}

void PageModel::ReadAfterReadingStopped() {
    SetGridLocked(false);
    ClearRowColours();
    SetEntryEnabled(false);
}

bool PageModel::ToggleReading(const JobStarter& start) {
    SetReading(!reading);
    SetGridLocked(reading);
    controls.readStopEnabled = true;
    if (!reading) {
        ReadAfterReadingStopped();
        return false;
    }
    if (!start(kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead))) {
        ReadAfterReadingStopped();
        return false;
    }
    return true;
}

bool PageModel::TimerTick(const JobStarter& start) {
    if (!reading || !controls.timerEnabled || window.measured.empty()) return false;
    return start(kJobPeriodicRead, shell::Catalogue(kTextPeriodicRead));
}

bool PageModel::CancelForcedOutput(const JobStarter& start) {
    if (category != PageCategory::Adjust || !controls.outputOffEnabled) return false;
    ClearRowColours();
    return start(kJobCancelOutput, shell::Catalogue(kTextCancelOutput));
}

}  // namespace rq50::parameter
