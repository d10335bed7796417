#pragma once

#include <QStyledItemDelegate>

#include "program/ProgramEditor.h"

namespace rq50::gui {

class ProgramEditorWindow;

/// The cell editor of both grids: it opens with the text the editor's
/// BeginEdit gives, lets through only the characters the core accepts, and
/// hands the text to EndEdit (or CancelEdit on Escape). It never writes a
/// grid itself.
class CellEditDelegate : public QStyledItemDelegate {
    Q_OBJECT
  public:
    CellEditDelegate(ProgramEditorWindow& screen, program::GridId grid, QObject* parent);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    /// The editor closed: an edit that was not committed is cancelled.
    void EditorClosed();

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

  private:
    ProgramEditorWindow& m_screen;
    program::GridId m_grid;
    mutable bool m_open = false;
    mutable bool m_committing = false;
    mutable int m_row = 0;
    mutable int m_col = 0;
};

}  // namespace rq50::gui
