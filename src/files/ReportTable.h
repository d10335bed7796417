#pragma once

// One table of a report, built once and rendered wherever it goes: to the
// printer, the screen's grid, the terminal and JSON. Each column is declared
// in one place (its heading, its widths and alignment, its JSON key).

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

/// One cell: the instrument's value and its unit as they came (padded), and
/// in place of them the note a printed list shows where there is no value to
/// show (an item not written); the JSON rows keep the value itself.
struct ReportCell {
    ReportCell(std::string value = {}, std::string valueUnit = {}, std::string why = {})
        : text(std::move(value)), unit(std::move(valueUnit)), note(std::move(why)) {}

    std::string text;
    std::string unit;
    std::string note;
};

struct ReportTable {
    std::vector<ReportColumn> columns;
    std::vector<std::vector<ReportCell>> rows;
};

/// The printer's column format ("1000|2000|>3000"): the widths, "|" between
/// them, ">" before a right-aligned one.
std::string PrinterFormat(const ReportTable& table);

/// The headings in column order.
std::vector<std::string> Headings(const ReportTable& table);

/// A cell as the printed list and the screen show it: the note, else the
/// value and its unit, each without its padding, run together ("+0.50%").
std::string ShownText(const ReportCell& cell);
/// The table's rows as ShownText gives them.
std::vector<std::vector<std::string>> ShownRows(const ReportTable& table);

/// A cell on the terminal: the note, else the value and its unit with a
/// blank between ("+0.50 %").
std::string TerminalCell(const ReportCell& cell);
/// A heading line and one line a row, each column padded to its `chars`
/// (never cut), every line ending in "\n".
std::string TerminalLines(const ReportTable& table);

/// The value and unit as they came, one text: what a JSON row holds.
std::string RawText(const ReportCell& cell);

}  // namespace rq50::files
