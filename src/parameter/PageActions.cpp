// The page's user actions: opening the category, a tab or an item, entering
// and writing a value, moving the page, and the cyclic reading.
#include "parameter/ItemEdit.h"
#include "parameter/PageChange.h"
#include "parameter/PageModel.h"

#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::parameter {

using page::DisplayData;
using page::ItemTexts;
using page::ReadInt;
using page::SplitItemTexts;

namespace {
constexpr int kSeparatorEntry = 5;
constexpr int kPageEntry = 6;
}  // namespace

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
        m_entryText = FormatDataForDisplay(check.sendText, kind, DisplayMode::Echo);
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
