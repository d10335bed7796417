#include "program/CellGrid.h"

#include <algorithm>

namespace rq50::program {

namespace {

const std::string& EmptyText() {
    static const std::string empty;
    return empty;
}

}  // namespace

CellGrid::CellGrid(int rows, int cols) {
    Resize(rows, cols);
}

void CellGrid::Resize(int rows, int cols) {
    m_rows = std::max(rows, 0);
    m_cols = std::max(cols, 0);
    m_cells.resize(static_cast<std::size_t>(m_rows + 1));
    for (auto& row : m_cells) row.resize(static_cast<std::size_t>(m_cols + 1));
}

const std::string& CellGrid::Get(int row, int col) const {
    if (row < 0 || col < 0 || row > m_rows || col > m_cols) return EmptyText();
    return m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)];
}

void CellGrid::Set(int row, int col, const std::string& text) {
    if (row < 0 || col < 0 || row > m_rows || col > m_cols) return;
    m_cells[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)] = text;
}

void CellGrid::ClearRange(const CellRange& range) {
    for (int r = range.row1; r <= range.row2; ++r) {
        for (int c = range.col1; c <= range.col2; ++c) Set(r, c, {});
    }
}

void CellGrid::ClearColumn(int col) {
    for (int r = 1; r <= m_rows; ++r) Set(r, col, {});
}

void CellGrid::DeleteRow(int row) {
    if (row < 1 || row > m_rows) return;
    for (int r = row; r < m_rows; ++r) {
        for (int c = 1; c <= m_cols; ++c) Set(r, c, Get(r + 1, c));
    }
    for (int c = 1; c <= m_cols; ++c) Set(m_rows, c, {});
}

void CellGrid::InsertRow(int row) {
    if (row < 1 || row > m_rows) return;
    for (int r = m_rows; r > row; --r) {
        for (int c = 1; c <= m_cols; ++c) Set(r, c, Get(r - 1, c));
    }
    for (int c = 1; c <= m_cols; ++c) Set(row, c, {});
}

std::string CellGrid::CopyBlock(const CellRange& range) const {
    std::string text;
    for (int r = range.row1; r <= range.row2; ++r) {
        for (int c = range.col1; c <= range.col2; ++c) {
            if (c > range.col1) text += '\t';
            text += Get(r, c);
        }
        text += "\r\n";
    }
    return text;
}

std::vector<std::vector<std::string>> ParseClipboardBlock(const std::string& text) {
    std::vector<std::vector<std::string>> block;
    std::vector<std::string> row(1);
    bool pending = false;  // a row has been started
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\r' || c == '\n') {
            if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
            block.push_back(std::move(row));
            row.assign(1, {});
            pending = false;
        } else if (c == '\t') {
            row.emplace_back();
            pending = true;
        } else {
            row.back() += c;
            pending = true;
        }
    }
    if (pending || block.empty()) block.push_back(std::move(row));
    return block;
}

}  // namespace rq50::program
