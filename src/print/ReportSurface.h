#pragma once

#include <string>
#include <string_view>

namespace rq50::print {

/// Page positions and sizes are in twips (1/1440 inch), measured from the
/// top-left corner of the paper.
inline constexpr int kTwipsPerInch = 1440;

enum class Orientation { Portrait, Landscape };

/// The paper a report is laid out on, as the printer reports it. The size is
/// the paper's portrait size; the orientation turns it.
struct PageFormat {
    int paperWidth = 11906;   ///< A4
    int paperHeight = 16838;  ///< A4
    Orientation orientation = Orientation::Portrait;

    /// Width and height of the page as it is printed.
    int PageWidth() const {
        return orientation == Orientation::Landscape ? paperHeight : paperWidth;
    }
    int PageHeight() const {
        return orientation == Orientation::Landscape ? paperWidth : paperHeight;
    }
};

struct FontSpec {
    std::string name;
    double points = 12.0;
    bool bold = false;
    friend bool operator==(const FontSpec&, const FontSpec&) = default;
};

/// Where a report is drawn: a printer, a PDF file, a preview, or a recording
/// in the tests. The report layout (margins, header and footer, tables, page
/// breaks) is worked out by the core's PrintControl; a surface only measures
/// and draws. Texts are single-byte (Latin-1), as everywhere in the core.
class ReportSurface {
  public:
    virtual ~ReportSurface() = default;

    /// Opens a document on paper of `format` and starts its first page.
    /// Returns false when the output cannot be opened.
    virtual bool BeginDocument(const PageFormat& format) = 0;
    /// Ends the current page and starts the next one.
    virtual void NewPage() = 0;
    /// Ends the document (the printer then prints, the PDF is complete).
    /// Returns false when the output could not be completed.
    virtual bool EndDocument() = 0;

    /// Font of the texts drawn and measured from now on.
    virtual void SetFont(const FontSpec& font) = 0;
    /// Width of `text` in the current font.
    virtual int TextWidth(std::string_view text) = 0;
    /// Height of one line of the current font, spacing included.
    virtual int LineHeight() = 0;

    /// Draws `text` with the top of its line box at `y` and its left end at `x`.
    virtual void DrawText(int x, int y, std::string_view text) = 0;
    /// Draws a thin line (table rules).
    virtual void DrawLine(int x1, int y1, int x2, int y2) = 0;
};

}  // namespace rq50::print
