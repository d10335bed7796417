// The program editor's rows and blocks: jumps kept on their steps while rows
// move, rows inserted and deleted, blocks copied, pasted and dragged, and undo.
#include "program/ProgramEditor.h"

#include "program/ProgramModel.h"

#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cctype>

namespace rq50::program {

std::vector<JumpReference> CollectJumps(const CellGrid& program) {
    std::vector<JumpReference> jumps;
    for (int r = 1; r <= program.Rows(); ++r) {
        const std::string t = shell::Trim(program.Get(r, kOperatorColumn), shell::kSpaceOrTab);
        std::string operand;
        bool isGo = false;
        if (t.compare(0, 2, "GO") == 0) {
            operand = t.substr(2);
            isGo = true;
        } else if (t.compare(0, 3, "GIF") == 0) {
            operand = t.substr(3);
        } else {
            continue;
        }
        if (shell::Trim(operand, shell::kSpaceOrTab).empty() || !IsNumericText(operand)) continue;
        jumps.push_back({r, NumberValue(operand), isGo});
    }
    return jumps;
}

void RenumberJumps(CellGrid& program, const std::vector<JumpReference>& jumps, int activeRow,
                   bool insert) {
    const int first = StartNumber(program.Get(1, 0));
    const int p = first + activeRow - 1;
    for (const JumpReference& j : jumps) {
        const std::string op = j.isGo ? "GO" : "GIF";
        if (insert) {
            if (p <= j.target)
                program.Set(j.row, kOperatorColumn, op + std::to_string(j.target + 1));
        } else if (j.target > p) {
            program.Set(j.row, kOperatorColumn, op + std::to_string(j.target - 1));
        } else if (j.target == p) {
            program.Set(j.row, kOperatorColumn, op);
        }
    }
}

bool InsertBlankRow(const shell::Services& hosts, CellGrid& program, int activeRow) {
    for (int r = program.Rows(); r >= 1; --r) {
        if (shell::Trim(program.Get(r, kOperatorColumn), shell::kSpaceOrTab).empty()) {
            program.DeleteRow(r);
            program.InsertRow(activeRow);
            return true;
        }
    }
    shell::ShowMessage(hosts, kMsgCannotIncreaseRows, shell::MsgButtons::Ok, {});
    return false;
}

void RemoveRow(CellGrid& grid, int row) {
    if (row >= 1 && row <= grid.Rows()) grid.DeleteRow(row);
}

void ProgramEditor::InsertRow(int activeRow) {
    if (m_active != GridId::kProgram) return;
    if (!shell::Trim(m_program.Get(m_program.Rows(), kOperatorColumn), shell::kSpaceOrTab)
             .empty()) {
        m_host.Beep();
        return;
    }
    const auto jumps = CollectJumps(m_program);
    if (!jumps.empty()) RenumberJumps(m_program, jumps, activeRow, true);
    if (!InsertBlankRow(m_hosts, m_program, activeRow)) return;
    Renumber(m_modelText, true);
    TakeSnapshot();
}

void ProgramEditor::DeleteRow(int activeRow) {
    if (m_active != GridId::kProgram) return;
    const auto jumps = CollectJumps(m_program);
    if (!jumps.empty()) RenumberJumps(m_program, jumps, activeRow, false);
    RemoveRow(m_program, activeRow);
    Renumber(m_modelText, true);
    TakeSnapshot();
}

std::vector<int> ProgramEditor::EditableColumns(GridId id) const {
    if (id == GridId::kProgram) return {kOperatorColumn, kCommentColumn};
    return {kValueColumn};
}

void ProgramEditor::DeleteBlock(GridId id, const CellRange& range, bool inEdit) {
    if (!inEdit) {
        CellRange r = range;
        const auto cols = EditableColumns(id);
        r.col1 = std::max(r.col1, cols.front());
        r.col2 = std::min(r.col2, cols.back());
        if (r.col1 <= r.col2) Grid(id).ClearRange(r);
    }
    TakeSnapshot();
}

std::string ProgramEditor::CopyBlock(GridId id, const CellRange& range, bool wholeRows,
                                     int activeRow) const {
    CellRange r = range;
    if (wholeRows && id == GridId::kProgram)
        r = {activeRow, kOperatorColumn, activeRow, kCommentColumn};
    return Grid(id).CopyBlock(r);
}

bool ProgramEditor::Paste(GridId id, const CellRange& selection, const std::string& clipboard,
                          bool inEdit) {
    if (id == GridId::kConst) {
        for (char c : clipboard) {
            if (c != '\r' && c != '\n' && !IsConstChar(c)) {
                Show(kMsgIllegalPasteConst);
                if (inEdit) RestoreBeforeEdit(id, selection.row1, selection.col1);
                return false;
            }
        }
    }
    const auto block = ParseClipboardBlock(clipboard);
    if (id == GridId::kConst && !inEdit) {
        // Pasted values skip the cell editor, so they meet its rules here: a
        // value out of range would otherwise reach the unit as it stands.
        for (const auto& row : block) {
            for (const auto& text : row) {
                if (!shell::Trim(text, shell::kSpaceOrTab).empty() && !IsValidConstValue(text)) {
                    Show(kMsgIllegalPasteConst);
                    return false;
                }
            }
        }
    }
    if (id == GridId::kProgram && selection.col1 == kOperatorColumn) {
        for (const auto& row : block) {
            if (!IsOperatorText(row.front())) {
                Show(kMsgIllegalPasteProgram);
                if (inEdit) RestoreBeforeEdit(id, selection.row1, selection.col1);
                return false;
            }
        }
    }
    if (inEdit) return true;

    // Only the editable columns take pasted text; the address column and the
    // hidden column never change.
    const int lastCol = EditableColumns(id).back();
    const bool oneValue = block.size() == 1 && block.front().size() == 1;
    CellGrid& grid = Grid(id);
    if (!selection.IsSingleCell() && oneValue) {
        for (int r = selection.row1; r <= selection.row2; ++r) {
            for (int c = std::max(selection.col1, 1); c <= std::min(selection.col2, lastCol); ++c) {
                grid.Set(r, c, block.front().front());
            }
        }
    } else {
        for (std::size_t r = 0; r < block.size(); ++r) {
            for (std::size_t c = 0; c < block[r].size(); ++c) {
                const int col = selection.col1 + static_cast<int>(c);
                if (col >= 1 && col <= lastCol) {
                    grid.Set(selection.row1 + static_cast<int>(r), col, block[r][c]);
                }
            }
        }
    }
    TakeSnapshot();
    return true;
}

bool ProgramEditor::DropBlock(GridId id, const CellRange& source, int row, int col) {
    CellGrid& grid = Grid(id);
    std::vector<std::vector<std::string>> block;
    for (int r = source.row1; r <= source.row2; ++r) {
        block.emplace_back();
        for (int c = source.col1; c <= source.col2; ++c) block.back().push_back(grid.Get(r, c));
    }
    if (id == GridId::kProgram && col == kOperatorColumn) {
        for (const auto& cells : block) {
            for (const auto& text : cells) {
                if (!IsOperatorText(text)) {
                    Show(kMsgIllegalDropProgram);
                    return false;
                }
            }
        }
    }
    const int lastCol = EditableColumns(id).back();
    grid.ClearRange(source);
    for (std::size_t r = 0; r < block.size(); ++r) {
        for (std::size_t c = 0; c < block[r].size(); ++c) {
            const int target = col + static_cast<int>(c);
            if (target >= 1 && target <= lastCol) {
                grid.Set(row + static_cast<int>(r), target, block[r][c]);
            }
        }
    }
    TakeSnapshot();
    return true;
}

void ProgramEditor::TakeSnapshot() {
    m_state.modified = true;
    m_program.Set(m_program.Rows(), kHiddenColumn, kHiddenMarker);
    m_undo.TakeSnapshot(m_program, m_const);
}

void ProgramEditor::UndoLast() {
    // Whatever rows the snapshot held, both grids come back with the editor's
    // 64 rows and their own columns.
    if (m_undo.Undo(m_program, m_const)) {
        m_program.Resize(kGridRows, kHiddenColumn);
        m_const.Resize(kGridRows, kValueColumn);
    }
}

void ProgramEditor::ResetUndoAfterSave() {
    m_program.Set(m_program.Rows(), kHiddenColumn, kHiddenMarker);
    m_undo.TakeBase(m_program, m_const);
}

}  // namespace rq50::program
