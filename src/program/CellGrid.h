#pragma once

#include <string>
#include <vector>

namespace rq50::program {

/// A block of cells, rows then columns, all counted from 1.
struct CellRange {
    int row1 = 1;
    int col1 = 1;
    int row2 = 1;
    int col2 = 1;

    int Rows() const { return row2 - row1 + 1; }
    int Cols() const { return col2 - col1 + 1; }
    bool IsSingleCell() const { return row1 == row2 && col1 == col2; }
};

/// Rows x columns of text. Row 0 holds the column headings and column 0 the
/// row headings (the step or item addresses); data rows and columns count from
/// 1. Reads outside the grid give an empty text, writes outside it are ignored.
class CellGrid {
  public:
    CellGrid() = default;
    CellGrid(int rows, int cols);

    int Rows() const { return m_rows; }
    int Cols() const { return m_cols; }

    /// Changes the size, keeping the cells that stay inside.
    void Resize(int rows, int cols);

    const std::string& Get(int row, int col) const;
    void Set(int row, int col, const std::string& text);

    /// Empties the cells of a block.
    void ClearRange(const CellRange& range);
    /// Empties one column of the data rows.
    void ClearColumn(int col);

    /// Removes data row `row`: the rows below move up by one and the last row
    /// becomes empty; the row count stays.
    void DeleteRow(int row);
    /// Inserts an empty data row at `row`: the rows from it move down by one
    /// and the last row drops off; the row count stays.
    void InsertRow(int row);

    /// The block as clipboard text: cells separated by tabs, rows by CR LF.
    std::string CopyBlock(const CellRange& range) const;

    /// Every cell, headings included, for snapshots.
    const std::vector<std::vector<std::string>>& Cells() const { return m_cells; }

    bool operator==(const CellGrid& other) const = default;

  private:
    int m_rows = 0;
    int m_cols = 0;
    std::vector<std::vector<std::string>> m_cells;  // [row][col], row and column 0 included
};

/// Splits clipboard text into a block: rows at CR LF (or a lone LF or CR),
/// cells at tabs. A final line break does not start another row.
std::vector<std::vector<std::string>> ParseClipboardBlock(const std::string& text);

}  // namespace rq50::program
