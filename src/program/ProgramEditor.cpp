#include "program/ProgramEditor.h"

#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cctype>

namespace rq50::program {

namespace {

constexpr std::size_t kConstCellLength = 10;

std::string Comment(const std::string& text) {
    std::string comment = text;
    comment.resize(kCommentLength, ' ');
    return comment;
}

bool IsZeroValue(const std::string& text) {
    const std::string t = shell::Trim(text, shell::kSpaceOrTab);
    return t.empty() || (IsNumericText(t) && t.find_first_of("123456789") == std::string::npos);
}

}  // namespace

bool IsConstChar(char c) {
    return std::isdigit(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.' ||
           c == ' ';
}

ProgramEditor::ProgramEditor(const shell::Services& hosts, const CategoryTable& categories,
                             shell::ConfigTables& config, ProgramState& state, EditorHost& host,
                             std::string undoFolder)
    : m_hosts(hosts),
      m_categories(categories),
      m_config(config),
      m_state(state),
      m_host(host),
      m_checker(m_ownChecker),
      m_undo(std::move(undoFolder)) {}

ProgramEditor::ProgramEditor(const shell::Services& hosts, const CategoryTable& categories,
                             shell::ConfigTables& config, ProgramState& state, EditorHost& host,
                             std::string undoFolder, CommandChecker& checks)
    : m_hosts(hosts),
      m_categories(categories),
      m_config(config),
      m_state(state),
      m_host(host),
      m_checker(checks),
      m_undo(std::move(undoFolder)) {}

shell::MsgAnswer ProgramEditor::Show(int message, shell::MsgButtons buttons) {
    return shell::ShowMessage(m_hosts, message, buttons, shell::Catalogue(kTextProgramEditor));
}

void ProgramEditor::SetUpGrids() {
    const ProgramHeader& h = m_state.header;
    m_program = CellGrid(h.stepCount > 0 ? kGridRows : kEmptyGridRows, kHiddenColumn);
    m_const = CellGrid(h.constCount > 0 ? kGridRows : kEmptyGridRows, kValueColumn);
    m_program.Set(0, 0, shell::Catalogue(kTextEditorStep));
    m_program.Set(0, kOperatorColumn, shell::Catalogue(kTextEditorProgram));
    m_program.Set(0, kCommentColumn, shell::Catalogue(kTextEditorComment));
    m_const.Set(0, kValueColumn, shell::Catalogue(kTextEditorConst));
}

void ProgramEditor::Open() {
    m_commandCheckEnabled = true;
    m_programGridEnabled = true;
    m_constGridEnabled = true;
    m_modelChanged = false;
    SetUpGrids();
    FillFromMemory();
    m_modelAtOpen = m_modelText;
    m_modelOnFocus = m_modelText;
    m_program.Set(m_program.Rows(), kHiddenColumn, kHiddenMarker);
    m_undo.TakeBase(m_program, m_const);
    m_state.modified = true;
    FocusGrid(m_state.header.stepCount > 0 ? GridId::kProgram : GridId::kConst);
}

void ProgramEditor::FocusGrid(GridId id) {
    m_active = id;
    m_host.ShowStatusHint(
        shell::Catalogue(id == GridId::kProgram ? kTextProgramHint : kTextConstHint));
}

void ProgramEditor::BlurGrid() {
    m_host.ShowStatusHint({});
}

void ProgramEditor::FillFromMemory() {
    const ProgramHeader& h = m_state.header;
    m_modelText = h.modelCode;
    Renumber(m_modelText, true);

    // Indexes are taken wide: a damaged header's counts must not overflow.
    const auto record = [&](std::int64_t index) -> const ProgramItemRecord* {
        if (index < 0 || static_cast<std::uint64_t>(index) >= m_state.records.size())
            return nullptr;
        return &m_state.records[static_cast<std::size_t>(index)];
    };

    if (h.stepCount <= 0) {
        m_programGridEnabled = false;
        m_commandCheckEnabled = false;
    } else {
        for (int i = 0; i < std::min(h.stepCount, m_program.Rows()); ++i) {
            if (static_cast<std::size_t>(i) < h.stepComments.size()) {
                m_program.Set(
                    i + 1, kCommentColumn,
                    shell::Trim(h.stepComments[static_cast<std::size_t>(i)], shell::kSpaceOrTab));
            }
            if (const auto* r = record(i))
                m_program.Set(i + 1, kOperatorColumn,
                              shell::Trim(RecordDataText(*r), shell::kSpaceOrTab));
        }
    }
    if (h.constCount <= 0) {
        m_constGridEnabled = false;
    } else {
        for (int i = 0; i < std::min(h.constCount, m_const.Rows()); ++i) {
            if (const auto* r = record(std::int64_t{h.stepCount} + i)) {
                m_const.Set(i + 1, kValueColumn,
                            ConstDisplayText(shell::Trim(RecordDataText(*r), shell::kSpaceOrTab)));
            }
        }
    }
}

bool ProgramEditor::Renumber(const std::string& model, bool goOn) {
    m_program.ClearColumn(0);
    m_const.ClearColumn(0);
    const CategoryLookup found =
        FindCategoryEntry(m_categories, shell::Trim(model, shell::kSpaceOrTab));
    const AreaStarts starts = EditorAreaStarts(m_categories, model, m_state.header);
    int steps = 0;
    int consts = 0;
    if (starts.registered) {
        steps = NumberValue(found.stepCount);
        consts = NumberValue(found.constCount);
    } else {
        m_commandCheckEnabled = false;
        if (!goOn) return false;
        steps = m_state.header.stepCount;
        consts = m_state.header.constCount;
    }
    const auto fill = [](CellGrid& grid, int count, const std::string& start) {
        if (start.empty()) return;
        const int letter = AddressLetterCode(start);
        const int first = StartNumber(start);
        for (int i = 0; i < std::min(count, grid.Rows()); ++i) {
            grid.Set(i + 1, 0, MakeAddress(letter, first + i));
        }
    };
    fill(m_program, steps, starts.program);
    fill(m_const, consts, starts.constants);
    return starts.registered;
}

WriteBackStatus ProgramEditor::WriteBack() {
    ProgramHeader h = m_state.header;
    // Only a damaged file holds a negative count; packing it would stop half
    // way, so nothing is written back.
    if (h.stepCount < 0 || h.constCount < 0) return WriteBackStatus::kBadCounts;
    const std::string model = shell::Trim(m_modelText, shell::kSpaceOrTab);
    if (m_modelChanged || m_state.source != ProgramSource::Upload) {
        const CategoryLookup found = FindCategoryEntry(m_categories, model);
        if (found.programStart.empty()) return WriteBackStatus::kNotRegistered;
        if (!AreasFitItemRecords(found)) return WriteBackStatus::kAreaTooLarge;
        h.modelCode = model;
        h.slotNumber = m_host.ConfirmedSlotNumber();
        h.programAreaLetter = AddressLetterCode(found.programStart);
        if (h.stepCount != 0) h.stepCount = std::max(NumberValue(found.stepCount), 0);
        h.constAreaLetter = AddressLetterCode(found.constStart);
        if (h.constCount != 0) h.constCount = std::max(NumberValue(found.constCount), 0);
    }
    h.stepComments.resize(static_cast<std::size_t>(std::max(h.stepCount, 0)),
                          std::string(kCommentLength, ' '));

    std::vector<ProgramItemRecord> records;
    records.reserve(static_cast<std::size_t>(std::max(h.stepCount + h.constCount, 0)));
    for (int r = 1; r <= h.stepCount; ++r) {
        const std::string op = WidenOperand(
            shell::Trim(m_program.Get(r, kOperatorColumn), shell::kSpaceOrTab), h.modelCode);
        m_program.Set(r, kOperatorColumn, op);
        const std::string address = m_program.Get(r, 0);
        auto record = BuildItemRecord(kKindProgramStep, address, {std::string(8, ' '), op, {}});
        if (!record) return WriteBackStatus::kAreaTooLarge;
        records.push_back(*record);
        h.stepComments[static_cast<std::size_t>(r - 1)] = Comment(m_program.Get(r, kCommentColumn));
    }
    for (int r = 1; r <= h.constCount; ++r) {
        std::string value = m_const.Get(r, kValueColumn);
        if (!IsNumericText(value)) value = "+0.0";
        const std::string stored = SignedConstText(value);
        if (IsValidConstValue(value)) m_const.Set(r, kValueColumn, ConstDisplayText(stored));
        const std::string address = m_const.Get(r, 0);
        auto record = BuildItemRecord(kKindConstItem, address, {std::string(8, ' '), stored, {}});
        if (!record) return WriteBackStatus::kAreaTooLarge;
        records.push_back(*record);
    }
    m_state.header = std::move(h);
    m_state.records = std::move(records);
    return WriteBackStatus::kReady;
}

void ProgramEditor::EnterModelBox() {
    m_modelOnFocus = m_modelText;
}

void ProgramEditor::ChangeModel(const std::string& text) {
    std::string model = text;
    for (char& c : model) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    m_modelText = model;
    m_modelChanged = model != m_modelAtOpen || m_modelChanged;

    Renumber(model, false);
    const CategoryLookup found =
        FindCategoryEntry(m_categories, shell::Trim(model, shell::kSpaceOrTab));
    if (found.programStart.empty() || !AreasFitItemRecords(found)) {
        m_commandCheckEnabled = false;
        return;
    }
    ProgramHeader& h = m_state.header;
    m_commandCheckEnabled = h.stepCount > 0;
    h.modelCode = shell::Trim(model, shell::kSpaceOrTab);
    h.programAreaLetter = AddressLetterCode(found.programStart);
    h.constAreaLetter = AddressLetterCode(found.constStart);
    if (h.stepCount > 0) h.stepCount = std::max(NumberValue(found.stepCount), 0);
    // A program without CONST keeps none, as the write-back does.
    if (h.constCount > 0) h.constCount = std::max(NumberValue(found.constCount), 0);

    if (h.constCount > 0) {
        for (int r = 1; r <= std::min(h.constCount, m_const.Rows()); ++r) {
            if (shell::Trim(m_const.Get(r, kValueColumn), shell::kSpaceOrTab).empty())
                m_const.Set(r, kValueColumn, "0.00000");
        }
    }
    if (h.stepCount > 0) {
        for (int r = 1; r <= std::min(h.stepCount, m_program.Rows()); ++r) {
            if (shell::Trim(m_program.Get(r, kOperatorColumn), shell::kSpaceOrTab).empty()) {
                m_program.Set(r, kOperatorColumn, "NOP");
            }
        }
    }
    ClearSurplusRows(h.stepCount, h.constCount);
}

void ProgramEditor::ClearSurplusRows(int steps, int consts) {
    // Rows beyond the new counts go only when they hold nothing of value;
    // anything else stays for the command check to report.
    for (int r = std::max(steps, 0) + 1; r <= m_program.Rows(); ++r) {
        const std::string op = shell::Trim(m_program.Get(r, kOperatorColumn), shell::kSpaceOrTab);
        if ((op.empty() || op == "NOP") &&
            shell::Trim(m_program.Get(r, kCommentColumn), shell::kSpaceOrTab).empty()) {
            m_program.Set(r, kOperatorColumn, {});
        }
    }
    for (int r = std::max(consts, 0) + 1; r <= m_const.Rows(); ++r) {
        if (IsZeroValue(m_const.Get(r, kValueColumn))) m_const.Set(r, kValueColumn, {});
    }
}

bool ProgramEditor::LeaveModelBox() {
    if (m_modelText == m_modelOnFocus) return true;
    const CategoryLookup found =
        FindCategoryEntry(m_categories, shell::Trim(m_modelText, shell::kSpaceOrTab));
    if (found.programStart.empty()) {
        Show(kMsgUploadBeforeEdit);
    } else if (!AreasFitItemRecords(found)) {
        ShowAreaTooLargeMessage(m_hosts, shell::Catalogue(kTextProgramEditor));
    } else {
        return true;
    }
    ChangeModel(m_modelOnFocus);
    return false;
}

std::string ProgramEditor::BeginEdit(GridId id, int row, int col) {
    CellGrid& grid = Grid(id);
    m_valueBeforeEdit = grid.Get(row, col);
    if (id == GridId::kProgram) {
        grid.Set(row, col, shell::TrimRight(m_valueBeforeEdit, shell::kSpaceOrTab));
    } else if (IsValidConstValue(m_valueBeforeEdit)) {
        grid.Set(row, col, SignedConstText(m_valueBeforeEdit));
    }
    return grid.Get(row, col);
}

void ProgramEditor::RestoreBeforeEdit(GridId id, int row, int col) {
    Grid(id).Set(row, col, m_valueBeforeEdit);
}

bool ProgramEditor::EndEdit(GridId id, int row, int col, const std::string& text) {
    CellGrid& grid = Grid(id);
    if (id == GridId::kProgram) {
        if (col == kOperatorColumn && !text.empty() &&
            (!IsOperatorText(text) || text.size() > static_cast<std::size_t>(kOperatorLength))) {
            Show(kMsgIllegalValue);
            RestoreBeforeEdit(id, row, col);
            return false;
        }
        const std::string stored = col == kCommentColumn && text.size() > kCommentLength
                                       ? text.substr(0, kCommentLength)
                                       : text;
        grid.Set(row, col, stored);
        if (stored != m_valueBeforeEdit) TakeSnapshot();
        return true;
    }

    if (text.empty()) {
        grid.Set(row, col, text);
        if (text != m_valueBeforeEdit) TakeSnapshot();
        return true;
    }
    if (text.size() > kConstCellLength || !std::all_of(text.begin(), text.end(), IsConstChar) ||
        !IsValidConstValue(text)) {
        Show(kMsgIllegalValue);
        RestoreBeforeEdit(id, row, col);
        return false;
    }
    const std::string stored = SignedConstText(text);
    const int index = m_state.header.stepCount + row - 1;
    if (row >= 1 && row <= m_state.header.constCount &&
        static_cast<std::size_t>(index) < m_state.records.size()) {
        auto& record = m_state.records[static_cast<std::size_t>(index)];
        const std::string name = RecordNameText(record);
        if (auto rebuilt = BuildItemRecord(
                kKindConstItem, grid.Get(row, 0),
                {name.empty() ? std::string(8, ' ') : name, stored, std::string(8, ' ')})) {
            record = *rebuilt;
        }
    }
    grid.Set(row, col, ConstDisplayText(stored));
    if (grid.Get(row, col) != m_valueBeforeEdit) TakeSnapshot();
    return true;
}

void ProgramEditor::CancelEdit(GridId id, int row, int col) {
    RestoreBeforeEdit(id, row, col);
}

int EditLength(GridId id, int col) {
    if (id == GridId::kConst) return col == kValueColumn ? static_cast<int>(kConstCellLength) : 0;
    if (col == kOperatorColumn) return kOperatorLength;
    if (col == kCommentColumn) return static_cast<int>(kCommentLength);
    return 0;
}

bool TypedCharAccepted(GridId id, int col, char c) {
    if (id == GridId::kConst) return IsConstChar(c);
    if (col == kOperatorColumn) return IsOperatorChar(c);
    return true;
}

int ProgramEditor::RunCheck() {
    m_checker.ClearCheckResults();
    WriteBack();
    return m_checker.RunCommandCheck(
        {m_program, m_const, m_modelText, m_state.header, m_categories, m_config});
}

WriteBackStatus ProgramEditor::WriteBackForOutput(const std::string& callerTitle) {
    const WriteBackStatus status = WriteBack();
    if (status == WriteBackStatus::kNotRegistered) {
        shell::ShowMessage(m_hosts, kMsgModelNotRegistered, shell::MsgButtons::Ok, callerTitle);
    } else if (status == WriteBackStatus::kAreaTooLarge) {
        ShowAreaTooLargeMessage(m_hosts, callerTitle);
    } else if (status == WriteBackStatus::kBadCounts) {
        shell::ShowAlert(m_hosts, {shell::Catalogue(kTextBadCounts), callerTitle, shell::MsgButtons::Ok,
                                   shell::MsgIcon::Exclamation});
    }
    return status;
}

int ProgramEditor::CheckBeforeDownload() {
    return m_checker.RunCommandCheck(
        {m_program, m_const, m_modelText, m_state.header, m_categories, m_config});
}

int ProgramEditor::CommandCheckClicked() {
    const int result = RunCheck();
    if (result == 0) {
        shell::ShowMessage(m_hosts, kMsgNoErrorFound, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextCommandCheck));
    }
    return result;
}

}  // namespace rq50::program
