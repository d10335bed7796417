#pragma once

// One table of a report, built once and rendered wherever it goes: to the
// printer, the screen's grid, the terminal and JSON. Each column is declared
// in one place (its heading, its widths and alignment, its JSON key).

#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace rq50::files {

enum class ColumnAlign { Left, Right };

struct ReportColumn {
    std::string heading;
    /// Width on paper in twips.
    int width = 0;
    ColumnAlign align = ColumnAlign::Left;
    /// Width on the terminal in characters; 0 for the last column, which is
    /// not padded.
    int chars = 0;
    /// Name of the field in a JSON row.
    std::string key;
};

/// One cell: the value and its unit as they came (padded), and what the
/// printed forms show in their place where that differs: a value formatted
/// as the grid shows it, or why an item holds none (not written). The CSV
/// and JSON forms keep the value as it came.
struct ReportCell {
    ReportCell(std::string value = {}, std::string valueUnit = {},
               std::optional<std::string> shownText = std::nullopt)
        : text(std::move(value)), unit(std::move(valueUnit)), shown(std::move(shownText)) {}

    std::string text;
    std::string unit;
    std::optional<std::string> shown;
};

struct ReportRow {
    ReportRow(std::vector<ReportCell> rowCells = {}, bool groupHead = false)
        : cells(std::move(rowCells)), head(groupHead) {}

    std::vector<ReportCell> cells;
    /// The row heads a group of the rows below it (a parameter group).
    bool head;
};

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<ReportRow> rows;
};

/// The printer's column format ("1000|2000|>3000"): the widths, "|" between
/// them, ">" before a right-aligned one.
std::string PrinterFormat(const ReportTable& table);

/// The headings in column order.
std::vector<std::string> Headings(const ReportTable& table);

/// A cell as the printed list and the screen show it: its shown text, else
/// the value and its unit, each without its padding, run together
/// ("+0.50%").
std::string ShownText(const ReportCell& cell);
/// The table's rows as ShownText gives them.
std::vector<std::vector<std::string>> ShownRows(const ReportTable& table);

/// A cell on the terminal: its shown text, else the value and its unit with
/// a blank between ("+0.50 %").
std::string TerminalCell(const ReportCell& cell);
/// A heading line and one line a row, each column padded to its `chars`
/// (never cut), every line ending in "\n".
std::string TerminalLines(const ReportTable& table);

/// The value and unit as they came, one text: what a JSON row holds.
std::string RawText(const ReportCell& cell);

/// The CSV heading line: each heading as "[ HEADING ]", " ," between.
std::string CsvHeadingLine(const ReportTable& table);
/// A row as a CSV line: each cell's text as it came, quoted where it must be.
std::string CsvLine(const ReportRow& row);

}  // namespace rq50::files
