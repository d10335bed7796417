// The program editor's two grids: how they are set up, and what the user
// does to their rows and blocks (buttons, keys, the pop-up menus).
#include <QApplication>
#include <QClipboard>
#include <QHeaderView>
#include <QLabel>
#include <QMenu>
#include <QPushButton>

#include "gui/CellGridView.h"
#include "gui/GridModel.h"
#include "gui/QtHosts.h"
#include "gui/program/CellEditDelegate.h"
#include "gui/program/ProgramEditorWindow.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ3000.h"

namespace rq50::gui {

namespace {

constexpr int kVisibleRows = 15;

/// Width of `chars` characters of the grid's font, as the grid counts widths.
int CharWidth(const QWidget* w, int chars) {
    return w->fontMetrics().horizontalAdvance(QLatin1Char('0')) * chars + 10;
}

}  // namespace

CellGridView* ProgramEditorWindow::View(program::GridId id) const {
    return id == program::GridId::kProgram ? m_ui->ssProgram : m_ui->ssConst;
}

program::GridId ProgramEditorWindow::IdOf(const QObject* view) const {
    return view == m_ui->ssConst ? program::GridId::kConst : program::GridId::kProgram;
}

void ProgramEditorWindow::SetUpGrid(program::GridId id) {
    CellGridView* view = View(id);
    program::CellGrid& grid = m_editor->Grid(id);
    GridModel::Source source = GridModel::FromCellGrid(grid);
    source.editable = [this, id](int, int col) {
        const bool enabled = id == program::GridId::kProgram ? m_editor->ProgramGridEnabled()
                                                             : m_editor->ConstGridEnabled();
        return enabled && program::EditLength(id, col) > 0;
    };
    // The delegate has begun the edit; this hands its text to the core.
    source.edit = [this, id](int row, int col, const std::string& text) {
        m_editor->EndEdit(id, row, col, text);
    };
    auto* model = new GridModel(std::move(source), this);
    (id == program::GridId::kProgram ? m_programModel : m_constModel) = model;
    view->setModel(model);
    auto* delegate = new CellEditDelegate(*this, id, this);
    (id == program::GridId::kProgram ? m_programDelegate : m_constDelegate) = delegate;
    view->setItemDelegate(delegate);
    view->SetVisibleRows(kVisibleRows);
    view->verticalHeader()->setFixedWidth(CharWidth(view, 5));
    view->verticalHeader()->setDefaultSectionSize(view->fontMetrics().height() + 6);
    view->horizontalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    if (id == program::GridId::kProgram) {
        view->setColumnWidth(program::kOperatorColumn - 1, CharWidth(view, 10));
        view->setColumnWidth(program::kCommentColumn - 1, CharWidth(view, 36));
        view->setColumnHidden(program::kHiddenColumn - 1, true);
        // The heading of the address column sits in the corner above it.
        view->setCornerButtonEnabled(false);
        auto* corner = new QLabel(CatalogueText(kTextEditorStep), view);
        corner->setObjectName("lblStepHeading");
        corner->setAlignment(Qt::AlignCenter);
        corner->setGeometry(view->frameWidth(), view->frameWidth(), view->verticalHeader()->width(),
                            view->horizontalHeader()->sizeHint().height());
    } else {
        view->setColumnWidth(program::kValueColumn - 1, CharWidth(view, 9));
    }
    view->setFixedWidth(view->sizeHint().width());
    view->setMinimumHeight(view->sizeHint().height());

    view->installEventFilter(this);
    connect(view, &CellGridView::gridFocusChanged, this, [this, id](bool in) {
        Trapped("ss_GotFocus", [this, id, in] {
            if (in) {
                m_editor->FocusGrid(id);
            } else {
                m_editor->BlurGrid();
            }
            Redraw();
        });
    });
    connect(view, &CellGridView::editorClosed, this, [delegate] { delegate->EditorClosed(); });
    connect(
        view, &CellGridView::blockDropped, this,
        [this, id](const program::CellRange& source, int row, int col) {
            Trapped("ss_DragDropBlock", [&] {
                m_editor->DropBlock(id, source, row, col);
                Redraw();
                View(id)->SelectBlock({row, col, row + source.Rows() - 1, col + source.Cols() - 1});
            });
        });
    connect(view, &QWidget::customContextMenuRequested, this,
            [this, id](const QPoint& pos) { ShowGridMenu(id, pos); });
    connect(view, &QAbstractItemView::pressed, this, [this] { m_wholeRows = false; });
    auto headerRule = [this, id](bool rows) {
        return [this, id, rows](int) {
            Trapped("ss_HeaderSelection", [this, id, rows] { HeaderSelection(id, rows); });
        };
    };
    connect(view->verticalHeader(), &QHeaderView::sectionPressed, this, headerRule(true));
    connect(view->verticalHeader(), &QHeaderView::sectionEntered, this, headerRule(true));
    connect(view->horizontalHeader(), &QHeaderView::sectionPressed, this, headerRule(false));
}

void ProgramEditorWindow::InsertRow() {
    if (!m_ui->cmdInsert->isEnabled()) return;
    const int row = View(program::GridId::kProgram)->ActiveRow();
    View(program::GridId::kProgram)->clearSelection();
    m_editor->InsertRow(row);
    Redraw();
    View(program::GridId::kProgram)->setFocus();
}

void ProgramEditorWindow::DeleteRow() {
    if (!m_ui->cmdDelete->isEnabled()) return;
    const int row = View(program::GridId::kProgram)->ActiveRow();
    View(program::GridId::kProgram)->clearSelection();
    m_editor->DeleteRow(row);
    Redraw();
    View(program::GridId::kProgram)->setFocus();
}

void ProgramEditorWindow::DeleteSelection(program::GridId id) {
    m_editor->DeleteBlock(id, View(id)->SelectedRange(), View(id)->Editing());
    Redraw();
}

void ProgramEditorWindow::CopySelection(program::GridId id) {
    const CellGridView* view = View(id);
    QApplication::clipboard()->setText(
        Text(m_editor->CopyBlock(id, view->SelectedRange(), m_wholeRows, view->ActiveRow())));
}

void ProgramEditorWindow::PasteSelection(program::GridId id) {
    const QString text = QApplication::clipboard()->text();
    if (text.isEmpty()) return;
    m_editor->Paste(id, View(id)->SelectedRange(), Bytes(text), false);
    Redraw();
    View(id)->setFocus();
}

bool ProgramEditorWindow::PasteInEdit(program::GridId id, int row, int col) {
    bool accepted = true;
    Trapped("ss_KeyDown", [&] {
        accepted = m_editor->Paste(id, {row, col, row, col},
                                   Bytes(QApplication::clipboard()->text()), true);
    });
    return accepted;
}

void ProgramEditorWindow::HeaderSelection(program::GridId id, bool rows) {
    m_wholeRows = rows;
    if (id != program::GridId::kProgram) return;
    CellGridView* view = View(id);
    const program::CellRange selected = view->SelectedRange();
    // Whole rows keep to the operator and comment; a whole column takes the
    // block from the first row to the last row and column.
    if (rows) {
        view->SelectBlock(
            {selected.row1, program::kOperatorColumn, selected.row2, program::kCommentColumn});
        view->selectionModel()->setCurrentIndex(
            view->model()->index(view->currentIndex().row(), program::kOperatorColumn - 1),
            QItemSelectionModel::NoUpdate);
    } else {
        view->SelectBlock(
            {1, program::kOperatorColumn, m_editor->ProgramGrid().Rows(), program::kCommentColumn});
    }
}

void ProgramEditorWindow::ShowGridMenu(program::GridId id, const QPoint& pos) {
    CellGridView* view = View(id);
    const QModelIndex at = view->indexAt(pos);
    if (!at.isValid() || view->Editing()) return;
    const program::CellRange sel = view->SelectedRange();
    const int row = at.row() + 1;
    const int col = at.column() + 1;
    if (row < sel.row1 || row > sel.row2 || col < sel.col1 || col > sel.col2) {
        view->setCurrentIndex(at);
        m_wholeRows = false;
    }
    QMenu* menu = id == program::GridId::kProgram ? m_programMenu : m_constMenu;
    const QList<QAction*> actions = menu->actions();
    const bool clipboardText = !QApplication::clipboard()->text().isEmpty();
    actions.back()->setEnabled(clipboardText);  // Paste
    if (id == program::GridId::kProgram) {
        actions[0]->setEnabled(m_ui->cmdInsert->isEnabled());
        actions[1]->setEnabled(m_ui->cmdDelete->isEnabled());
    }
    menu->popup(view->viewport()->mapToGlobal(pos));
}

}  // namespace rq50::gui
