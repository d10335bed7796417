#pragma once

#include "program/CellGrid.h"
#include "program/CommandCheck.h"
#include "program/ProgramTypes.h"
#include "program/UndoRing.h"

#include <memory>
#include <string>
#include <vector>
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

namespace rq50::program {

/// What the editor needs from whoever shows it (the GUI window, the CLI or a
/// test fake). Messages go through the shared message box routine instead.
class EditorHost {
  public:
    virtual ~EditorHost() = default;
    /// Slot number last confirmed for communication.
    virtual int ConfirmedSlotNumber() { return 0; }
    virtual void Beep() {}
    /// Status-bar hint; an empty text clears it.
    virtual void ShowStatusHint(const std::string& /*text*/) {}
};

/// One of the two grids of the editor.
enum class GridId { kProgram = 1, kConst = 2 };

/// Column of the PROGRAM grid holding the operator, the comment and the hidden
/// marker cell; column 1 of the CONST grid holds the value.
inline constexpr int kOperatorColumn = 1;
inline constexpr int kCommentColumn = 2;
inline constexpr int kHiddenColumn = 3;
/// What the hidden cell of a row holds.
inline constexpr const char* kHiddenMarker = "CONST";
inline constexpr int kValueColumn = 1;
/// Rows of a grid whose table does not exist.
inline constexpr int kEmptyGridRows = 15;
inline constexpr int kOperatorLength = 8;

/// Outcome of writing the grids back to memory.
enum class WriteBackStatus {
    kReady,
    kNotRegistered,  ///< the model has no PROGRAM area in the category table
    kAreaTooLarge,   ///< the model's areas pass item number 63 and cannot be packed
    kBadCounts,      ///< the header's step or CONST count is negative (damaged data)
};

/// The program editor without its window: the PROGRAM and CONST grids, the
/// model box text, every rule for filling, editing, writing back, checking,
/// row operations, clipboard and undo.
class ProgramEditor {
  public:
    /// `hosts`: the session's, whose message host shows the editor's
    /// messages; `config`: the session's configuration tables, whose operator
    /// table the command check reads.
    ProgramEditor(const shell::Services& hosts, const CategoryTable& categories,
                  shell::ConfigTables& config, ProgramState& state, EditorHost& host,
                  std::string undoFolder);
    /// The same with the command check's results kept in `checks`, which the
    /// error list reads while the editor waits behind it.
    ProgramEditor(const shell::Services& hosts, const CategoryTable& categories,
                  shell::ConfigTables& config, ProgramState& state, EditorHost& host,
                  std::string undoFolder, CommandChecker& checks);

    /// Entering the editor: builds both grids, fills them from memory, takes
    /// the base undo snapshot and marks the program modified.
    void Open();

    CellGrid& Grid(GridId id) { return id == GridId::kProgram ? m_program : m_const; }
    const CellGrid& Grid(GridId id) const { return id == GridId::kProgram ? m_program : m_const; }
    const CellGrid& ProgramGrid() const { return m_program; }
    const CellGrid& ConstGrid() const { return m_const; }

    const std::string& ModelText() const { return m_modelText; }
    bool CommandCheckEnabled() const { return m_commandCheckEnabled; }
    bool ProgramGridEnabled() const { return m_programGridEnabled; }
    bool ConstGridEnabled() const { return m_constGridEnabled; }
    bool UndoEnabled() const { return m_undo.UndoEnabled(); }
    GridId ActiveGrid() const { return m_active; }
    /// Insert Row and Delete Row act only while the PROGRAM grid is active.
    bool RowButtonsEnabled() const { return m_active == GridId::kProgram; }
    const UndoRing& Undo() const { return m_undo; }
    CommandChecker& Checker() { return m_checker; }

    /// The grid got the focus: it becomes the active grid and its hint shows.
    void FocusGrid(GridId id);
    /// The grid lost the focus: the hint is cleared.
    void BlurGrid();

    /// Fills both grids from the header and the item records (nothing for an
    /// unknown program source).
    void FillFromMemory();
    /// Converts both grids into the header and the item records.
    WriteBackStatus WriteBack();

    // Model box.
    /// The model box got the focus: its text is remembered.
    void EnterModelBox();
    /// A list selection or a typed change (letters become capitals).
    void ChangeModel(const std::string& text);
    /// Leaving the model box: a model without PROGRAM area is refused with a
    /// message and the text from focus time comes back. False when refused.
    bool LeaveModelBox();

    // Cell editing.
    /// Entering edit mode on a cell; returns the text the cell editor starts with.
    std::string BeginEdit(GridId id, int row, int col);
    /// Leaving edit mode with `text`. False when the text was refused (the
    /// message was shown and the value before edit restored).
    bool EndEdit(GridId id, int row, int col, const std::string& text);
    /// Leaving edit mode without keeping the typed text (Escape): the cell
    /// gets back the value it had when edit mode was entered.
    void CancelEdit(GridId id, int row, int col);

    // Row operations (PROGRAM grid, active row).
    void InsertRow(int activeRow);
    void DeleteRow(int activeRow);
    /// Clears a block (outside edit mode) and takes a snapshot in every case.
    void DeleteBlock(GridId id, const CellRange& range, bool inEdit);
    /// The block as clipboard text. Whole selected rows of the PROGRAM grid
    /// copy columns 1..2 of the active row.
    std::string CopyBlock(GridId id, const CellRange& range, bool wholeRows, int activeRow) const;
    /// Pastes clipboard text at the selection. False when refused.
    bool Paste(GridId id, const CellRange& selection, const std::string& clipboard, bool inEdit);
    /// Drops a dragged block at (row, col): the block moves there. False when
    /// refused (illegal characters dropped on the operator column).
    bool DropBlock(GridId id, const CellRange& source, int row, int col);

    // Undo.
    void TakeSnapshot();
    void UndoLast();
    /// After a save: the undo folder is emptied and a new base snapshot taken.
    void ResetUndoAfterSave();

    // Address column and jumps.
    /// Rewrites the address columns for a model; false when the model is not
    /// registered (and `goOn` was not asked for).
    bool Renumber(const std::string& model, bool goOn);

    /// Clears the check results, writes back and runs the command check:
    /// 0 nothing found, 1 errors (display set filled). An unregistered model
    /// still runs the check, which then reports it.
    int RunCheck();
    /// Write-back before Save, Download and Print: "Model not registered.",
    /// the item-number refusal or the damaged-counts refusal is shown with
    /// `callerTitle` when the program cannot be written back.
    WriteBackStatus WriteBackForOutput(const std::string& callerTitle);
    /// The check run before a download (after WriteBackForOutput): 0 nothing
    /// found, 1 errors (the caller asks whether to see them).
    int CheckBeforeDownload();

    /// The "Command Check" button: RunCheck, and "No error found." when it
    /// found nothing (with errors the display set is ready for the error list).
    int CommandCheckClicked();

  private:
    void SetUpGrids();
    void RestoreBeforeEdit(GridId id, int row, int col);
    void ClearSurplusRows(int steps, int consts);
    shell::MsgAnswer Show(int message, shell::MsgButtons buttons = shell::MsgButtons::Ok);
    std::vector<int> EditableColumns(GridId id) const;

    shell::Services m_hosts;
    const CategoryTable& m_categories;
    shell::ConfigTables& m_config;
    ProgramState& m_state;
    EditorHost& m_host;
    CellGrid m_program;
    CellGrid m_const;
    std::string m_modelText;
    std::string m_modelAtOpen;
    std::string m_modelOnFocus;
    bool m_modelChanged = false;
    std::string m_valueBeforeEdit;
    bool m_commandCheckEnabled = true;
    bool m_programGridEnabled = true;
    bool m_constGridEnabled = true;
    GridId m_active = GridId::kProgram;
    CommandChecker m_ownChecker;
    CommandChecker& m_checker;
    UndoRing m_undo;
};

/// Most characters a cell editor takes: 8 for an operator, 25 for a comment,
/// 10 for a CONST value; 0 for a column that is not edited.
int EditLength(GridId id, int col);

/// Whether a typed character is let into a cell editor: digits, letters and
/// codes 32..47 in the operator column; digits, "+", "-", "." and space in a
/// CONST cell; anything in a comment.
bool TypedCharAccepted(GridId id, int col, char c);

/// A character a CONST value may hold: digits, "+", "-", "." and space.
bool IsConstChar(char c);

/// A reference to a jump operator in the PROGRAM grid.
struct JumpReference {
    int row;
    int target;
    bool isGo;
};

/// Every GO/GIF operator of the grid whose operand is numeric.
std::vector<JumpReference> CollectJumps(const CellGrid& program);

/// Moves jump targets for a row inserted (`insert` true) or deleted at
/// `activeRow`, before the rows move.
void RenumberJumps(CellGrid& program, const std::vector<JumpReference>& jumps, int activeRow,
                   bool insert);

/// Makes room at the active row: drops the lowest blank row and inserts a
/// blank one. False (message shown) when no row is blank.
bool InsertBlankRow(const shell::Services& hosts, CellGrid& program, int activeRow);

/// Removes a row; the rows below move up.
void RemoveRow(CellGrid& grid, int row);

}  // namespace rq50::program
