#pragma once

#include <memory>

#include "gui/ScreenBase.h"
#include "program/ProgramEditor.h"

namespace Ui {
class frmRQ3000;
}
class QMenu;

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class CellEditDelegate;
class CellGridView;
class GridModel;

/// The Program Editor: the PROGRAM and CONST grids of the program in memory,
/// the model box and the nine buttons. Every rule is the core editor's; the
/// window shows its grids and passes on what the user does.
class ProgramEditorWindow : public ScreenBase, private program::EditorHost {
    Q_OBJECT
  public:
    /// The command check keeps its results in `checks`, where the error list
    /// reads them.
    explicit ProgramEditorWindow(files::Workspace& ws, program::CommandChecker& checks,
                                 QWidget* parent = nullptr);
    ~ProgramEditorWindow() override;

    void Load() override;
    void Unload() override;
    /// The grids into the program in memory (write-back), before a save.
    void CommitEdits() override;

    program::ProgramEditor& Editor() { return *m_editor; }
    CellGridView* View(program::GridId id) const;
    /// Redraws grids, model box and buttons from the core editor.
    void Redraw();

    // Grid operations, also reached by keys and pop-up menus.
    void InsertRow();
    void DeleteRow();
    void DeleteSelection(program::GridId id);
    void CopySelection(program::GridId id);
    void PasteSelection(program::GridId id);
    /// Ctrl+V inside a cell editor: false when the clipboard was refused (the
    /// cell is back at its value before edit).
    bool PasteInEdit(program::GridId id, int row, int col);

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void OnBaudRate() override;

  private:
    // EditorHost
    int ConfirmedSlotNumber() override;
    void Beep() override;
    void ShowStatusHint(const std::string& text) override;

    void SetUpGrid(program::GridId id);
    void SetCaptions();
    void CloseEditor();
    void Undo();
    void CheckCommands();
    void Save();
    void Download();
    void CompareWithInstrument();
    void Print();
    void ShowInformation();
    void ShowGridMenu(program::GridId id, const QPoint& pos);
    void HeaderSelection(program::GridId id, bool rows);
    void ModelTyped(const QString& text);
    void ModelPicked(int index);
    void ModelLeft();
    void OpenErrorList();
    void SetEnabledScreen(bool enabled);
    program::GridId IdOf(const QObject* view) const;

    std::unique_ptr<Ui::frmRQ3000> m_ui;
    program::CategoryTable m_categories;
    std::unique_ptr<program::ProgramEditor> m_editor;
    GridModel* m_programModel = nullptr;
    GridModel* m_constModel = nullptr;
    CellEditDelegate* m_programDelegate = nullptr;
    CellEditDelegate* m_constDelegate = nullptr;
    QMenu* m_programMenu = nullptr;
    QMenu* m_constMenu = nullptr;
    QAction* m_mnuInformation = nullptr;
    bool m_wholeRows = false;
    bool m_inModelBox = false;
};

}  // namespace rq50::gui
