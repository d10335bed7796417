// The print control's layout: column formats, header and footer on every page,
// table alignment, wrapping of long texts and page breaks.
#include "PrintRecorder.h"
#include "print/PrintControl.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

namespace rq50::print {
namespace {

using test::RecordingSurface;

constexpr Margins kMargins{1000, 1200, 1000, 600};

struct ControlFixture : ::testing::Test {
    RecordingSurface surface;
    PrintControl control{surface};

    void SetUp() override {
        control.SetMargins(kMargins);
        control.SetFont("Sans", 12);
        control.SetFooter("|%d|");
        control.SetHeader("||DATE : 2026/12/06");
    }
    // Texts inside the body, without the header and the footer.
    std::vector<RecordingSurface::Text> BodyTexts() const {
        std::vector<RecordingSurface::Text> body;
        for (const auto& t : surface.texts) {
            if (t.y >= kMargins.top && t.y < surface.format.PageHeight() - kMargins.bottom) {
                body.push_back(t);
            }
        }
        return body;
    }
    std::vector<TableRow> NumberedRows(int count) {
        std::vector<TableRow> rows;
        for (int i = 1; i <= count; ++i) rows.push_back({"R" + std::to_string(i), "x"});
        return rows;
    }
};

// Widths and alignment marks as printed: ColumnsAlignedAsTheFormatSays.
TEST(PrintColumnFormat, PartsWithoutAUsableWidthStillMakeAColumn) {
    EXPECT_EQ(ParseColumnFormat("abc|>|12x"),
              (std::vector<ColumnSpec>{{0, Align::Left}, {0, Align::Right}, {0, Align::Left}}));
    EXPECT_TRUE(ParseColumnFormat("").empty());
}

// The usual header and footer as printed: HeaderFooterAndNewPageBlockOnEveryPage.
TEST(PrintHeaderText, ThreePartsWithPageNumber) {
    const auto odd = ExpandHeaderText("p%d|a|b|c", 3);
    EXPECT_EQ(odd.left, "p3");
    EXPECT_EQ(odd.centre, "a");
    EXPECT_EQ(odd.right, "b|c");
}

TEST_F(ControlFixture, HeaderFooterAndNewPageBlockOnEveryPage) {
    int handlerCalls = 0;
    control.SetNewPageHandler([&] {
        ++handlerCalls;
        control.Paragraph("PAGE HEAD");
    });
    ASSERT_TRUE(control.StartDoc());
    control.AddTable("1000|1000", {"A", "B"}, NumberedRows(150));
    ASSERT_TRUE(control.EndDoc());

    const int pages = control.PageCount();
    ASSERT_GT(pages, 2);
    EXPECT_EQ(surface.pages, pages);
    EXPECT_EQ(handlerCalls, pages);
    const int pageWidth = surface.format.PageWidth();
    for (int p = 1; p <= pages; ++p) {
        const auto texts = surface.Page(p);
        // Header at the right of the top margin, page number centred in the
        // bottom margin, the block first in the body, then the heading row.
        ASSERT_GE(texts.size(), 4u);
        EXPECT_EQ(texts[0].text, "DATE : 2026/12/06");
        EXPECT_EQ(texts[0].Right(), pageWidth - kMargins.right);
        EXPECT_LT(texts[0].y + 240, kMargins.top);
        EXPECT_EQ(texts[1].text, "PAGE HEAD");
        EXPECT_EQ(texts[1].y, kMargins.top);
        EXPECT_EQ(texts[2].text, "A");
        const auto& footer = texts.back();
        EXPECT_EQ(footer.text, std::to_string(p));
        EXPECT_GT(footer.y, surface.format.PageHeight() - kMargins.bottom);
        EXPECT_EQ(footer.x + footer.Right(), pageWidth);  // centred
        for (const auto& t : texts) {
            if (&t != &texts.front() && &t != &texts.back()) {
                EXPECT_LE(t.y + 240, surface.format.PageHeight() - kMargins.bottom) << t.text;
            }
        }
    }
    // Every row once, in order.
    std::vector<std::string> rows;
    for (const auto& text : surface.ReadingOrder()) {
        if (text[0] == 'R') rows.push_back(text);
    }
    ASSERT_EQ(rows.size(), 150u);
    for (int i = 0; i < 150; ++i)
        EXPECT_EQ(rows[static_cast<std::size_t>(i)], "R" + std::to_string(i + 1));
}

TEST_F(ControlFixture, ColumnsAlignedAsTheFormatSays) {
    ASSERT_TRUE(control.StartDoc());
    control.AddTable("2000|>2000|<3000", {"Left", "Right", "Aux"},
                     {{"A01", "12.5", "degC"}, {"A02", "-1234.567", ""}});
    control.EndDoc();
    const int left = kMargins.left;
    for (const char* text : {"A01", "A02"}) {
        const auto found = surface.Find(text);
        ASSERT_EQ(found.size(), 1u);
        EXPECT_GT(found[0].x, left);
        EXPECT_LT(found[0].x, left + 200);
    }
    // Right-aligned texts end at the same place inside the second column.
    const auto a = surface.Find("12.5");
    const auto b = surface.Find("-1234.567");
    ASSERT_EQ(a.size(), 1u);
    ASSERT_EQ(b.size(), 1u);
    EXPECT_EQ(a[0].Right(), b[0].Right());
    EXPECT_LE(a[0].Right(), left + 4000);
    EXPECT_GT(a[0].Right(), left + 3800);
    const auto aux = surface.Find("degC");
    ASSERT_EQ(aux.size(), 1u);
    EXPECT_GT(aux[0].x, left + 4000);
    EXPECT_LT(aux[0].x, left + 4200);
    // The heading is bold; the rules frame every cell.
    EXPECT_TRUE(surface.Find("Left")[0].bold);
    EXPECT_FALSE(surface.Find("A01")[0].bold);
    EXPECT_FALSE(surface.lines.empty());
}

TEST_F(ControlFixture, LongTextsWrapInsideTheirColumnWithNothingLost) {
    ASSERT_TRUE(control.StartDoc());
    const std::string sentence = "the quick brown fox jumps over the lazy dog again";
    // A column of 2000 twips holds 18 characters of text beside its padding.
    control.AddTable("2000|2000", {}, {{sentence, "next"}});
    control.EndDoc();
    std::string joined;
    for (const auto& t : BodyTexts()) {
        if (t.text == "next") {
            EXPECT_GE(t.x, kMargins.left + 2000);
            continue;
        }
        EXPECT_LE(t.Right(), kMargins.left + 2000);
        joined += (joined.empty() ? "" : " ") + t.text;
    }
    EXPECT_EQ(joined, sentence);
    EXPECT_GT(BodyTexts().size(), 3u);
}

TEST_F(ControlFixture, WordWiderThanItsColumnWidensItWhenThePageHasRoom) {
    ASSERT_TRUE(control.StartDoc());
    // "Address" needs 700 + padding; the column has 500.
    control.AddTable("500|1000", {"Address", "Name"}, {{"A01", "PV"}});
    control.EndDoc();
    EXPECT_EQ(surface.Find("Address").size(), 1u);
    const auto name = surface.Find("Name");
    ASSERT_EQ(name.size(), 1u);
    EXPECT_GE(name[0].x, surface.Find("Address")[0].Right());
}

TEST_F(ControlFixture, WordWiderThanThePageBreaksBetweenCharacters) {
    ASSERT_TRUE(control.StartDoc());
    const std::string word(200, 'W');
    control.AddTable("2000", {}, {{word}});
    control.EndDoc();
    std::string joined;
    const int bodyRight = surface.format.PageWidth() - kMargins.right;
    for (const auto& t : BodyTexts()) {
        EXPECT_LE(t.Right(), bodyRight);
        joined += t.text;
    }
    EXPECT_EQ(joined, word);
}

TEST_F(ControlFixture, RowTallerThanAPageContinuesOnTheNextPage) {
    ASSERT_TRUE(control.StartDoc());
    std::string text;
    for (int i = 0; i < 80; ++i) text += "line" + std::to_string(i) + "\r\n";
    control.AddTable("3000", {"H"}, {{text}});
    control.EndDoc();
    EXPECT_GE(control.PageCount(), 2);
    std::vector<std::string> order;
    for (const auto& t : surface.ReadingOrder()) {
        if (t.rfind("line", 0) == 0) order.push_back(t);
    }
    ASSERT_EQ(order.size(), 80u);
    EXPECT_EQ(order.front(), "line0");
    EXPECT_EQ(order.back(), "line79");
    // The heading row is repeated above the continuation.
    EXPECT_EQ(surface.Find("H").size(), static_cast<std::size_t>(control.PageCount()));
}

TEST_F(ControlFixture, TitleStaysWithTheTableHeadingAndFirstRow) {
    ASSERT_TRUE(control.StartDoc());
    // Fill the page until one line of room is left.
    const int bottom = surface.format.PageHeight() - kMargins.bottom;
    while (control.CurrentY() + 2 * 240 <= bottom) control.Paragraph("filler");
    TableStyle style;
    style.title = "SET";
    control.AddTable("1000", {"Address"}, {{"C01"}}, style);
    control.EndDoc();
    const auto title = surface.Find("SET");
    ASSERT_EQ(title.size(), 1u);
    EXPECT_EQ(title[0].page, 2);
    EXPECT_TRUE(title[0].bold);
    EXPECT_EQ(surface.Find("C01")[0].page, 2);
}

TEST_F(ControlFixture, SurfaceThatCannotOpenGetsNothing) {
    surface.failBegin = true;
    EXPECT_FALSE(control.StartDoc());
    control.Paragraph("lost");
    control.AddTable("1000", {"A"}, {{"B"}});
    EXPECT_FALSE(control.EndDoc());
    EXPECT_TRUE(surface.texts.empty());
    EXPECT_FALSE(surface.ended);
}

}  // namespace
}  // namespace rq50::print
