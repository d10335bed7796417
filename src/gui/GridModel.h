#pragma once

#include <QAbstractTableModel>

#include <functional>
#include <string>

namespace rq50::program {
class CellGrid;
}  // namespace rq50::program

namespace rq50::gui {

/// A table of the core (a CellGrid, the parameter page rows) as a Qt item
/// model. Rows and columns count from 1 in the core, with row 0 the column
/// headings and column 0 the row headings; the view shows data cells only.
/// Texts are 8-bit in the core and become Latin-1 here and only here.
class GridModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    struct Source {
        std::function<int()> rows;  ///< data rows
        std::function<int()> cols;  ///< data columns
        std::function<std::string(int row, int col)> text;
        /// Optional: whether the user may edit a cell (none: read-only).
        std::function<bool(int row, int col)> editable;
        /// Optional: a cell edited by the user; the core applies its rules
        /// and the view is redrawn from the core afterwards.
        std::function<void(int row, int col, const std::string& text)> edit;
    };

    explicit GridModel(Source source, QObject* parent = nullptr);
    /// The cells of a CellGrid, edited in place.
    static Source FromCellGrid(program::CellGrid& grid);

    /// The core's table changed: everything is read again.
    void Refresh();
    /// One block changed (core coordinates).
    void RefreshCells(int row1, int col1, int row2, int col2);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  private:
    Source m_source;
};

}  // namespace rq50::gui
