#include "gui/program/CellEditDelegate.h"

#include <QKeyEvent>
#include <QLineEdit>

#include "gui/QtHosts.h"
#include "gui/program/ProgramEditorWindow.h"
#include "program/ProgramEditor.h"

namespace rq50::gui {

CellEditDelegate::CellEditDelegate(ProgramEditorWindow& screen, program::GridId grid,
                                   QObject* parent)
    : QStyledItemDelegate(parent), m_screen(screen), m_grid(grid) {}

QWidget* CellEditDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                        const QModelIndex& index) const {
    m_row = index.row() + 1;
    m_col = index.column() + 1;
    auto* edit = new QLineEdit(parent);
    edit->setFrame(false);
    edit->setMaxLength(program::EditLength(m_grid, m_col));
    edit->setAccessibleName(Text(m_screen.Editor().Grid(m_grid).Get(0, m_col)));
    edit->setText(Text(m_screen.Editor().BeginEdit(m_grid, m_row, m_col)));
    m_open = true;
    return edit;
}

void CellEditDelegate::setEditorData(QWidget*, const QModelIndex&) const {
    // The editor starts with what BeginEdit gave; later redraws leave it alone.
}

void CellEditDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                    const QModelIndex& index) const {
    // A refusal shows a message box, whose focus change would commit again.
    if (!m_open || m_committing) return;
    m_committing = true;
    m_open = false;
    Trap(m_screen.Ws().hosts, m_screen.LabelOf("ss_EditMode"),
         [&] { model->setData(index, static_cast<QLineEdit*>(editor)->text(), Qt::EditRole); });
    m_committing = false;
    m_screen.Redraw();
}

void CellEditDelegate::EditorClosed() {
    if (!m_open) return;
    m_open = false;
    m_screen.Editor().CancelEdit(m_grid, m_row, m_col);
    m_screen.Redraw();
}

bool CellEditDelegate::eventFilter(QObject* watched, QEvent* event) {
    auto* edit = qobject_cast<QLineEdit*>(watched);
    if (edit != nullptr && event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F2) return true;  // already editing
        if (key->matches(QKeySequence::Paste)) {
            if (!m_screen.PasteInEdit(m_grid, m_row, m_col)) {
                emit closeEditor(edit, QAbstractItemDelegate::RevertModelCache);
                return true;
            }
            return false;
        }
        const bool control = key->modifiers().testAnyFlags(Qt::ControlModifier | Qt::MetaModifier);
        if (!control && key->key() != Qt::Key_Backspace && !key->text().isEmpty()) {
            for (char c : Bytes(key->text())) {
                if (static_cast<unsigned char>(c) >= 32 &&
                    !program::TypedCharAccepted(m_grid, m_col, c))
                    return true;
            }
        }
    }
    return QStyledItemDelegate::eventFilter(watched, event);
}

}  // namespace rq50::gui
