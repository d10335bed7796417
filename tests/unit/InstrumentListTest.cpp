// The instrument list as spreadsheets save it: encodings, separators,
// quoting, line ends, the decimal comma and the spreadsheet guard.
#include "files/InstrumentList.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace rq50::files {
namespace {

using Cells = std::vector<std::string>;

struct ParseCase {
    const char* name;
    std::string bytes;
    ListEncoding encoding;
    char separator;
    Cells header;
    std::vector<std::pair<int, Cells>> rows;  // line, cells
};

TEST(InstrumentList, ReadsWhatSpreadsheetsWrite) {
    const ParseCase cases[] = {
        {"UTF-8 with BOM, CR LF",
         "\xEF\xBB\xBFTAG,MODEL\r\nFIC-1,RQB2\r\n",
         ListEncoding::kUtf8Bom,
         ',',
         {"TAG", "MODEL"},
         {{2, {"FIC-1", "RQB2"}}}},
        {"semicolons, a comma inside a cell",
         "TAG;C02;TITLE1\nA;-12,5;a, b\n",
         ListEncoding::kUtf8,
         ';',
         {"TAG", "C02", "TITLE1"},
         {{2, {"A", "-12,5", "a, b"}}}},
        {"tab, blank lines skipped",
         "TAG\tMODEL\n\nB\tRQG2\n\t\nC\tRQB2",
         ListEncoding::kUtf8,
         '\t',
         {"TAG", "MODEL"},
         {{3, {"B", "RQG2"}}, {5, {"C", "RQB2"}}}},
        {"quoted line break and quotes; lines counted",
         "TAG,COMMENT\r\nA,\"two\r\nlines \"\"x\"\"\"\r\nB,\"one\nmore\"\nC,z\n",
         ListEncoding::kUtf8,
         ',',
         {"TAG", "COMMENT"},
         {{2, {"A", "two\r\nlines \"x\""}}, {4, {"B", "one\r\nmore"}}, {6, {"C", "z"}}}},
        {"UTF-8 text becomes single-byte",
         "TAG,TITLE1\nT,\xC2\xB0"
         "C 50\xC2\xB5m\n",
         ListEncoding::kUtf8,
         ',',
         {"TAG", "TITLE1"},
         {{2,
           {"T",
            "\xB0"
            "C 50\xB5m"}}}},
        {"single-byte code page kept as it is",
         "TAG;TITLE1\nT;\xB0"
         "C\n",
         ListEncoding::kSingleByte,
         ';',
         {"TAG", "TITLE1"},
         {{2,
           {"T",
            "\xB0"
            "C"}}}},
        {"the CSV writers' formula guard is taken off",
         "TAG,TITLE1\n'-X,'=1+1\n",
         ListEncoding::kUtf8,
         ',',
         {"TAG", "TITLE1"},
         {{2, {"-X", "=1+1"}}}},
        {"a short row keeps its cells",
         "TAG,MODEL,SLOT\nA\n",
         ListEncoding::kUtf8,
         ',',
         {"TAG", "MODEL", "SLOT"},
         {{2, {"A"}}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = ParseInstrumentList(c.bytes);
        EXPECT_EQ(table.encoding, c.encoding);
        EXPECT_EQ(table.separator, c.separator);
        EXPECT_EQ(table.header.line, 1);
        EXPECT_EQ(table.header.cells, c.header);
        ASSERT_EQ(table.rows.size(), c.rows.size());
        for (std::size_t r = 0; r < c.rows.size(); ++r) {
            EXPECT_EQ(table.rows[r].line, c.rows[r].first) << "row " << r;
            EXPECT_EQ(table.rows[r].cells, c.rows[r].second) << "row " << r;
        }
    }
}

TEST(InstrumentList, ADecimalCommaIsAPointOnlyInNumbersOfSemicolonLists) {
    EXPECT_EQ(ListValue("-12,5", ';'), "-12.5");
    EXPECT_EQ(ListValue(" 1000,25 ", ';'), " 1000.25 ");
    EXPECT_EQ(ListValue("-12,5", ','), "-12,5");
    EXPECT_EQ(ListValue("1,5V", ';'), "1,5V");
    EXPECT_EQ(ListValue("1,2,3", ';'), "1,2,3");
    EXPECT_EQ(ListValue("A,B", ';'), "A,B");
}

}  // namespace
}  // namespace rq50::files
