#pragma once

#include <QTableView>

#include "program/CellGrid.h"

class QMimeData;

namespace rq50::gui {

/// A table view over a core CellGrid (through GridModel) that works on cell
/// blocks as the core does: the selection as one block in core coordinates,
/// and blocks dragged inside the view handed to the owner instead of being
/// moved by the model.
class CellGridView : public QTableView {
    Q_OBJECT
  public:
    explicit CellGridView(QWidget* parent = nullptr);

    /// Format of a dragged block: "row1 col1 row2 col2" in core coordinates.
    static QString BlockMimeType();
    /// The drag payload of a block, as startDrag makes it.
    static QMimeData* BlockMime(const program::CellRange& block);

    /// The selected block (its bounding block), or the current cell when
    /// nothing is selected; core coordinates.
    program::CellRange SelectedRange() const;
    /// The current cell, core coordinates (1, 1 when there is none).
    int ActiveRow() const;
    int ActiveCol() const;
    /// A cell editor is open.
    bool Editing() const { return state() == QAbstractItemView::EditingState; }
    /// Selects a block (core coordinates) and makes its first cell current.
    void SelectBlock(const program::CellRange& block);
    /// Visible rows the view is sized for.
    void SetVisibleRows(int rows);
    /// Every visible column and the visible rows.
    QSize sizeHint() const override;

  signals:
    /// A block of this view was dropped with its top-left cell at (row, col).
    void blockDropped(program::CellRange source, int row, int col);
    /// The view (not its cell editor) got or lost the keyboard focus.
    void gridFocusChanged(bool in);
    /// A cell editor closed, committed or not.
    void editorClosed();

  protected:
    void startDrag(Qt::DropActions supportedActions) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) override;

  private:
    bool AcceptsDrag(const QDropEvent* event) const;
    int m_visibleRows = 15;
};

}  // namespace rq50::gui
