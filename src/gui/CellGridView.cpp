#include "gui/CellGridView.h"

#include <QApplication>
#include <QDrag>
#include <QDropEvent>
#include <QHeaderView>
#include <QMimeData>
#include <QScrollBar>
#include <QStyle>

#include <algorithm>
#include <climits>

namespace rq50::gui {

CellGridView::CellGridView(QWidget* parent) : QTableView(parent) {
    setSelectionMode(QAbstractItemView::ContiguousSelection);
    setDragEnabled(true);
    setAcceptDrops(true);
    setDragDropMode(QAbstractItemView::DragDrop);
    setDefaultDropAction(Qt::MoveAction);
    setDropIndicatorShown(false);
    setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                    QAbstractItemView::AnyKeyPressed);
    setTabKeyNavigation(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultAlignment(Qt::AlignCenter);
    horizontalHeader()->setHighlightSections(false);
}

QString CellGridView::BlockMimeType() {
    return QStringLiteral("application/x-rq50-cell-block");
}

QMimeData* CellGridView::BlockMime(const program::CellRange& block) {
    auto* mime = new QMimeData;
    mime->setData(BlockMimeType(), QStringLiteral("%1 %2 %3 %4")
                                       .arg(block.row1)
                                       .arg(block.col1)
                                       .arg(block.row2)
                                       .arg(block.col2)
                                       .toLatin1());
    return mime;
}

program::CellRange CellGridView::SelectedRange() const {
    const QModelIndexList cells =
        selectionModel() ? selectionModel()->selectedIndexes() : QModelIndexList{};
    program::CellRange r{INT_MAX, INT_MAX, 0, 0};
    for (const QModelIndex& i : cells) {
        if (isColumnHidden(i.column())) continue;
        r.row1 = std::min(r.row1, i.row() + 1);
        r.row2 = std::max(r.row2, i.row() + 1);
        r.col1 = std::min(r.col1, i.column() + 1);
        r.col2 = std::max(r.col2, i.column() + 1);
    }
    if (r.row2 == 0) return {ActiveRow(), ActiveCol(), ActiveRow(), ActiveCol()};
    return r;
}

int CellGridView::ActiveRow() const {
    return currentIndex().isValid() ? currentIndex().row() + 1 : 1;
}

int CellGridView::ActiveCol() const {
    return currentIndex().isValid() ? currentIndex().column() + 1 : 1;
}

void CellGridView::SelectBlock(const program::CellRange& block) {
    if (model() == nullptr) return;
    const QModelIndex first = model()->index(block.row1 - 1, block.col1 - 1);
    const QModelIndex last = model()->index(block.row2 - 1, block.col2 - 1);
    if (!first.isValid() || !last.isValid()) return;
    selectionModel()->setCurrentIndex(first, QItemSelectionModel::NoUpdate);
    selectionModel()->select(QItemSelection(first, last), QItemSelectionModel::ClearAndSelect);
}

void CellGridView::SetVisibleRows(int rows) {
    m_visibleRows = rows;
    updateGeometry();
}

QSize CellGridView::sizeHint() const {
    // Sized before it is shown: a header of fixed width counts with that width.
    const QHeaderView* rows = verticalHeader();
    int width = rows->isHidden() ? 0 : std::max(rows->minimumWidth(), rows->sizeHint().width());
    for (int c = 0; c < horizontalHeader()->count(); ++c) {
        if (!isColumnHidden(c)) width += columnWidth(c);
    }
    width += 2 * frameWidth() + style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, this);
    const int height = horizontalHeader()->sizeHint().height() +
                       m_visibleRows * rows->defaultSectionSize() + 2 * frameWidth();
    return {width, height};
}

void CellGridView::startDrag(Qt::DropActions) {
    if (Editing()) return;
    auto* drag = new QDrag(this);
    drag->setMimeData(BlockMime(SelectedRange()));
    drag->exec(Qt::MoveAction);
}

bool CellGridView::AcceptsDrag(const QDropEvent* event) const {
    // Blocks move inside their own grid only; a drop whose source the
    // platform does not name (a synthetic one) counts as this grid's.
    const QObject* source = event->source();
    return (source == this || source == nullptr) && event->mimeData()->hasFormat(BlockMimeType());
}

void CellGridView::dragEnterEvent(QDragEnterEvent* event) {
    if (AcceptsDrag(event)) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CellGridView::dragMoveEvent(QDragMoveEvent* event) {
    if (AcceptsDrag(event) && indexAt(event->position().toPoint()).isValid()) {
        event->acceptProposedAction();
    } else {
        event->ignore();
    }
}

void CellGridView::dropEvent(QDropEvent* event) {
    const QModelIndex at = indexAt(event->position().toPoint());
    if (!AcceptsDrag(event) || !at.isValid()) {
        event->ignore();
        return;
    }
    const QList<QByteArray> parts = event->mimeData()->data(BlockMimeType()).split(' ');
    if (parts.size() != 4) {
        event->ignore();
        return;
    }
    const program::CellRange source{parts[0].toInt(), parts[1].toInt(), parts[2].toInt(),
                                    parts[3].toInt()};
    // The owner moves the block (or refuses it); the model is never asked to.
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit blockDropped(source, at.row() + 1, at.column() + 1);
}

void CellGridView::focusInEvent(QFocusEvent* event) {
    QTableView::focusInEvent(event);
    emit gridFocusChanged(true);
}

void CellGridView::focusOutEvent(QFocusEvent* event) {
    QTableView::focusOutEvent(event);
    // The cell editor is part of the grid: moving into it is no loss of focus.
    const QWidget* now = QApplication::focusWidget();
    if (now == nullptr || !isAncestorOf(now)) emit gridFocusChanged(false);
}

void CellGridView::closeEditor(QWidget* editor, QAbstractItemDelegate::EndEditHint hint) {
    QTableView::closeEditor(editor, hint);
    emit editorClosed();
}

}  // namespace rq50::gui
