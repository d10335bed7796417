#pragma once

#include "print/ReportSurface.h"

#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::print {

enum class Align { Left, Right };

/// One column of a table: width in twips and alignment.
struct ColumnSpec {
    int width = 0;
    Align align = Align::Left;
    friend bool operator==(const ColumnSpec&, const ColumnSpec&) = default;
};

/// Reads a column-format string such as "2000|2000|>2000|<3000": one column
/// per "|"-separated part, its width in twips, optionally preceded by ">"
/// (right-aligned) or "<" (left-aligned; also the default). A part without a
/// usable width gives a column of width 0.
std::vector<ColumnSpec> ParseColumnFormat(std::string_view format);

/// The three parts of a header or footer text "left|centre|right", with "%d"
/// replaced by `page`. Missing parts are empty.
struct HeaderParts {
    std::string left;
    std::string centre;
    std::string right;
};
HeaderParts ExpandHeaderText(std::string_view text, int page);

struct Margins {
    int left = 0;
    int top = 0;
    int right = 0;
    int bottom = 0;
};

/// One row of a table: one text per column.
using TableRow = std::vector<std::string>;

/// How a table is drawn.
struct TableStyle {
    /// Bold text written above the table, kept on the same page as the
    /// heading row and the first body row.
    std::string title;
    /// Rules around every cell and a bold heading row; without them the table
    /// is plain aligned text (the information block).
    bool ruled = true;
};

/// The print control the reports write on: page set-up, a header and a footer
/// on every page, free text, and tables laid out in rows with page breaks. It
/// lays everything out itself and draws through a ReportSurface, so the same
/// report comes out alike on the printer, in the preview, in a PDF and in a
/// test's recording.
///
/// Tables: a cell text that is too wide for its column is wrapped inside the
/// cell (at blanks where it can, else between characters), so nothing is cut
/// off. When a word cannot fit its column and the page has room to the right
/// of the table, the column is widened to hold it (the other columns keep
/// their widths). A row never splits across pages unless it is taller than a
/// whole page; a table that runs over a page break repeats its heading row.
class PrintControl {
  public:
    explicit PrintControl(ReportSurface& surface);

    // Page set-up, before StartDoc.
    void SetMargins(const Margins& margins);
    void SetPageFormat(const PageFormat& format);
    void SetFont(std::string name, double points);
    /// Header and footer "left|centre|right"; "%d" is the page number.
    void SetHeader(std::string text);
    void SetFooter(std::string text);
    /// Called at the top of every page, the first included, once the header
    /// and footer are drawn; what it writes comes before the page's content.
    void SetNewPageHandler(std::function<void()> handler);

    /// Opens the document on the surface. False when the surface cannot be
    /// opened; everything written afterwards is then ignored.
    bool StartDoc();
    /// Closes the document. False when it was never opened or the surface
    /// could not complete it.
    bool EndDoc();
    bool IsOpen() const { return m_open; }
    /// Pages produced so far (after EndDoc: the number of pages).
    int PageCount() const { return m_page; }

    void SetBold(bool bold);

    // The body: the page inside the margins.
    int BodyLeft() const { return m_margins.left; }
    int BodyRight() const { return m_format.PageWidth() - m_margins.right; }
    int BodyTop() const { return m_margins.top; }
    int BodyBottom() const { return m_format.PageHeight() - m_margins.bottom; }
    /// Top of the next line written.
    int CurrentY() const { return m_y; }
    int LineHeight();

    /// Writes `text` at the current position, wrapped to the body width
    /// (line breaks in the text are kept), breaking pages as needed.
    void Paragraph(std::string_view text);
    /// Moves the current position down; never breaks a page.
    void Space(int twips);
    /// Draws a thin line across the body at the current position.
    void Rule();
    /// Starts a new page unless `height` still fits on this one.
    void KeepTogether(int height);
    void NewPage();

    /// Adds a table. `format` is a column-format string; the table has as many
    /// columns as `heading` has texts (or, without a heading, as the widest
    /// row), taken from the front of the format. An empty heading means no
    /// heading row.
    void AddTable(std::string_view format, const TableRow& heading,
                  const std::vector<TableRow>& rows, const TableStyle& style = {});

  private:
    struct Column {
        int x = 0;
        int width = 0;
        Align align = Align::Left;
    };
    /// A row with every cell already broken into lines.
    using LaidOutRow = std::vector<std::vector<std::string>>;
    struct Table {
        std::vector<Column> columns;
        LaidOutRow heading;
        bool ruled = true;
    };

    void ApplyFont();
    void StartPage();
    void DrawHeaderLine(const HeaderParts& parts, int y);
    std::vector<std::string> WrapText(std::string_view text, int width);
    std::vector<Column> FitColumns(std::vector<ColumnSpec> specs, const TableRow& heading,
                                   const std::vector<TableRow>& rows);
    LaidOutRow LayOut(const Table& table, const TableRow& row);
    int RowHeight(std::size_t lines);
    static std::size_t LineCount(const LaidOutRow& row);
    void DrawRowLines(const Table& table, const LaidOutRow& row, std::size_t first,
                      std::size_t count, bool bold);
    void DrawRow(const Table& table, const LaidOutRow& row);
    void StartTablePage(const Table& table);
    void DrawHeading(const Table& table);

    ReportSurface& m_surface;
    Margins m_margins;
    PageFormat m_format;
    std::string m_fontName;
    double m_points = 12.0;
    bool m_bold = false;
    std::string m_header;
    std::string m_footer;
    std::function<void()> m_newPageHandler;

    bool m_open = false;
    bool m_inNewPageHandler = false;
    int m_page = 0;
    int m_y = 0;
    /// Where content starts on a page once the new-page handler has written.
    int m_contentTop = 0;
};

}  // namespace rq50::print
