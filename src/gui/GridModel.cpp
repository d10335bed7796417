#include "gui/GridModel.h"

#include "gui/QtHosts.h"
#include "program/CellGrid.h"

namespace rq50::gui {

GridModel::GridModel(Source source, QObject* parent)
    : QAbstractTableModel(parent), m_source(std::move(source)) {}

GridModel::Source GridModel::FromCellGrid(program::CellGrid& grid) {
    Source s;
    s.rows = [&grid] { return grid.Rows(); };
    s.cols = [&grid] { return grid.Cols(); };
    s.text = [&grid](int row, int col) { return grid.Get(row, col); };
    return s;
}

void GridModel::Refresh() {
    beginResetModel();
    endResetModel();
}

void GridModel::RefreshCells(int row1, int col1, int row2, int col2) {
    if (rowCount() == 0 || columnCount() == 0) return;
    const QModelIndex first = index(std::max(row1, 1) - 1, std::max(col1, 1) - 1);
    const QModelIndex last =
        index(std::min(row2, rowCount()) - 1, std::min(col2, columnCount()) - 1);
    if (first.isValid() && last.isValid()) emit dataChanged(first, last);
}

int GridModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_source.rows ? 0 : m_source.rows();
}

int GridModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_source.cols ? 0 : m_source.cols();
}

QVariant GridModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::EditRole)) return {};
    return Text(m_source.text(index.row() + 1, index.column() + 1));
}

QVariant GridModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (role != Qt::DisplayRole) return {};
    return orientation == Qt::Horizontal ? Text(m_source.text(0, section + 1))
                                         : Text(m_source.text(section + 1, 0));
}

Qt::ItemFlags GridModel::flags(const QModelIndex& index) const {
    Qt::ItemFlags f = QAbstractTableModel::flags(index);
    if (index.isValid() && m_source.editable && m_source.edit &&
        m_source.editable(index.row() + 1, index.column() + 1))
        f |= Qt::ItemIsEditable;
    return f;
}

bool GridModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || role != Qt::EditRole || !(flags(index) & Qt::ItemIsEditable))
        return false;
    m_source.edit(index.row() + 1, index.column() + 1, Bytes(value.toString()));
    emit dataChanged(index, index);
    return true;
}

}  // namespace rq50::gui
