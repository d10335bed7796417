#include "files/ReportTable.h"

#include "files/Csv.h"
#include "shell/TextTrim.h"

namespace rq50::files {

namespace {

/// `text` padded with blanks to `chars` characters, never cut.
std::string Padded(std::string text, int chars) {
    if (chars > 0 && text.size() < static_cast<std::size_t>(chars)) text.resize(chars, ' ');
    return text;
}

std::string TerminalLine(const ReportTable& table, const std::vector<std::string>& cells) {
    std::string line;
    for (std::size_t c = 0; c < cells.size() && c < table.columns.size(); ++c) {
        line += Padded(cells[c], table.columns[c].chars);
    }
    return line + "\n";
}

}  // namespace

std::string PrinterFormat(const ReportTable& table) {
    std::string format;
    for (const auto& column : table.columns) {
        if (!format.empty()) format += "|";
        if (column.align == ColumnAlign::Right) format += ">";
        format += std::to_string(column.width);
    }
    return format;
}

std::vector<std::string> Headings(const ReportTable& table) {
    std::vector<std::string> headings;
    headings.reserve(table.columns.size());
    for (const auto& column : table.columns) headings.push_back(column.heading);
    return headings;
}

std::string ShownText(const ReportCell& cell) {
    if (cell.shown) return *cell.shown;
    return shell::Trim(cell.text) + shell::Trim(cell.unit);
}

std::vector<std::vector<std::string>> ShownRows(const ReportTable& table) {
    std::vector<std::vector<std::string>> rows;
    rows.reserve(table.rows.size());
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.cells.size());
        for (const auto& cell : row.cells) cells.push_back(ShownText(cell));
        rows.push_back(std::move(cells));
    }
    return rows;
}

std::string TerminalCell(const ReportCell& cell) {
    if (cell.shown) return *cell.shown;
    const std::string unit = shell::Trim(cell.unit);
    return shell::Trim(cell.text) + (unit.empty() ? "" : " " + unit);
}

std::string TerminalLines(const ReportTable& table) {
    std::string text = TerminalLine(table, Headings(table));
    for (const auto& row : table.rows) {
        std::vector<std::string> cells;
        cells.reserve(row.cells.size());
        for (const auto& cell : row.cells) cells.push_back(TerminalCell(cell));
        text += TerminalLine(table, cells);
    }
    return text;
}

std::string RawText(const ReportCell& cell) {
    return cell.text + cell.unit;
}

std::string CsvHeadingLine(const ReportTable& table) {
    std::string line;
    for (const auto& column : table.columns) {
        if (!line.empty()) line += " ,";
        line += "[ " + column.heading + " ]";
    }
    return line;
}

std::string CsvLine(const ReportRow& row) {
    std::string line;
    for (std::size_t c = 0; c < row.cells.size(); ++c) {
        if (c > 0) line += ",";
        line += CsvQuote(RawText(row.cells[c]));
    }
    return line;
}

}  // namespace rq50::files
