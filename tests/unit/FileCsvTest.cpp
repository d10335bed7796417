#include "FileSamples.h"
#include "FileTestSupport.h"
#include "files/Csv.h"
#include "files/RecordFile.h"
#include "shell/SessionState.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cerrno>

namespace rq50::files {
namespace {

using Lines = std::vector<std::string>;

const Lines kInformationLines = {"",
                                 "Information",
                                 "",
                                 "Title 1,\"Boiler 3 \"\"feed\"\"\"",
                                 "\"Plant, area\",Line B",
                                 "Created by:,K. Sato",
                                 "Date:,2026/12/06 10:30:00",
                                 "File Name:,PLANT1.7pa",
                                 "Instrument No.,FIC-101",
                                 "Comment,\"Checked\r\nafter repair\""};

Lines Join(std::initializer_list<Lines> parts) {
    Lines all;
    for (const auto& p : parts) all.insert(all.end(), p.begin(), p.end());
    return all;
}

// Splits CSV text into rows of fields as a spreadsheet reads it: a quoted
// field may hold commas, doubled quotes and line breaks.
std::vector<Lines> ReadCsv(const std::string& text) {
    std::vector<Lines> rows(1, Lines(1));
    bool quoted = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        std::string& field = rows.back().back();
        if (quoted && c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
            field += '"';
            ++i;
        } else if (c == '"') {
            quoted = !quoted;
        } else if (!quoted && c == ',') {
            rows.back().emplace_back();
        } else if (!quoted && c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            rows.emplace_back(1);
            ++i;
        } else {
            field += c;
        }
    }
    if (rows.back() == Lines(1)) rows.pop_back();
    return rows;
}

std::string JoinCrLf(const Lines& lines) {
    std::string text;
    for (const auto& line : lines) text += line + "\r\n";
    return text;
}

TEST(CsvQuote, DoublesQuotesAndEnclosesTextsWithSeparatorsQuotesOrLineBreaks) {
    EXPECT_EQ(CsvQuote("plain"), "plain");
    EXPECT_EQ(CsvQuote("a,b"), "\"a,b\"");
    EXPECT_EQ(CsvQuote("say \"hi\""), "\"say \"\"hi\"\"\"");
    EXPECT_EQ(CsvQuote("\"x\",y"), "\"\"\"x\"\",y\"");
    EXPECT_EQ(CsvQuote("two\nlines"), "\"two\nlines\"");
    EXPECT_EQ(CsvQuote(""), "");
}

// A comment of two lines once broke the row structure: a reader saw a third
// column and a row too many.
TEST(CsvQuote, ATwoLineCommentStaysOneFieldForAReader) {
    CsvAreas areas{true, false, false, false, false, false, false};
    const auto rows =
        ReadCsv(JoinCrLf(BuildParameterCsv(test::SampleParameterRecord(), areas, true)));
    ASSERT_EQ(rows.size(), 11u);
    EXPECT_EQ(rows[4], (Lines{"Title 1", "Boiler 3 \"feed\""}));
    EXPECT_EQ(rows[5], (Lines{"Plant, area", "Line B"}));
    EXPECT_EQ(rows[10], (Lines{"Comment", "Checked\r\nafter repair"}));
}

TEST(ParameterCsv, InformationOnly) {
    CsvAreas areas{true, false, false, false, false, false, false};
    const auto lines = BuildParameterCsv(test::SampleParameterRecord(), areas, true);
    EXPECT_EQ(lines, Join({{"MODEL,RQB2"}, kInformationLines}));
}

TEST(ParameterCsv, CategoriesLineByLine) {
    const auto lines = BuildParameterCsv(test::SampleParameterRecord(), CsvAreas{}, false);
    const std::string heading = "[ Address ] ,[ Display ] ,[ Data ] ,[ Auxiliary Display ]";
    EXPECT_EQ(lines, Join({{"MODEL,RQB2"},
                           kInformationLines,
                           {"", "", "=== DISPLAY ===", "", "", "@ INPUT   ", heading,
                            "A01,PV      ,+012.34 ,degC    "},
                           {"", "", "=== SET ===", "", "", "@ SET,A   ", heading}}));
}

// A data set with all four categories, two groups in ADJUST, and a model code
// with trailing blanks.
ParameterFileRecord FourCategories() {
    ParameterFileRecord r = test::SampleParameterRecord();
    r.header.model = "RQB2    ";
    r.items.push_back(test::Block(0x80, 0x05, 0x00, 0, "ADJ     "));
    r.items.push_back(test::Block(0x80, 0x05, 0x01, 0, "ZERO    +0000   "));
    r.items.push_back(test::Block(0x80, 0x06, 0x00, 0, "SPAN    "));
    r.items.push_back(test::Block(0x80, 0x06, 0x02, 0, "GAIN    1.000   "));
    r.items.push_back(test::Block(0x80, 0x07, 0x00, 0, "MAINT   "));
    r.items.push_back(test::Block(0x80, 0x07, 0x03, 0, "CAL     ON      "));
    return r;
}

TEST(ParameterCsv, GroupsAndTheMaintRule) {
    const std::string heading = "[ Address ] ,[ Display ] ,[ Data ] ,[ Auxiliary Display ]";
    CsvAreas areas{false, false, false, true, true, false, false};
    const Lines adjust = {"", "",           "=== ADJUST ===", "",
                          "", "@ ADJ     ", heading,          "E01,ZERO    ,+0000   ,",
                          "", "@ SPAN    ", heading,          "F02,GAIN    ,1.000   ,"};
    const Lines maint = {"", "",           "=== MAINT ===", "",
                         "", "@ MAINT   ", heading,         "G03,CAL     ,ON      ,"};
    EXPECT_EQ(BuildParameterCsv(FourCategories(), areas, false), Join({{"MODEL,RQB2"}, adjust}));
    EXPECT_EQ(BuildParameterCsv(FourCategories(), areas, true),
              Join({{"MODEL,RQB2"}, adjust, maint}));
    areas.maint = false;
    EXPECT_EQ(BuildParameterCsv(FourCategories(), areas, true), Join({{"MODEL,RQB2"}, adjust}));
}

// A MAINT start of 0 marks a data set without MAINT (as in the content list),
// even when a block of MA 0 is present; categories that share a start keep
// their heading and no block is listed twice.
TEST(ParameterCsv, MaintStartZeroAndSharedStarts) {
    ParameterFileRecord r = FourCategories();
    r.items.insert(r.items.begin(), test::Block(0x80, 0x00, 0x00, 0, "MODEL   "));
    r.header.starts[files::Category::Maint] = 0;
    CsvAreas areas{false, true, true, true, true, false, false};
    auto lines = BuildParameterCsv(r, areas, true);
    const auto count = [&lines](const std::string& text) {
        return std::count(lines.begin(), lines.end(), text);
    };
    EXPECT_EQ(count("=== DISPLAY ==="), 1);
    EXPECT_EQ(count("=== SET ==="), 1);
    EXPECT_EQ(count("=== MAINT ==="), 0);
    EXPECT_EQ(count("A01,PV      ,+012.34 ,degC    "), 1);
    // Without MAINT, ADJUST runs to the end of the data set.
    EXPECT_EQ(lines.back(), "G03,CAL     ,ON      ,");

    // SET and ADJUST both start at MA 5: SET is shown, empty; ADJUST holds
    // the blocks once.
    r = FourCategories();
    r.header.starts[files::Category::Set] = 5;
    lines = BuildParameterCsv(r, areas, true);
    EXPECT_EQ(count("=== SET ==="), 1);
    EXPECT_EQ(count("=== ADJUST ==="), 1);
    EXPECT_EQ(count("E01,ZERO    ,+0000   ,"), 1);
    const auto set = std::find(lines.begin(), lines.end(), "=== SET ===");
    EXPECT_EQ(*(set + 3), "");
    EXPECT_EQ(*(set + 5), "=== ADJUST ===");
}

TEST(ProgramCsv, StepsWithCommentsThenConst) {
    CsvAreas areas{false, false, false, false, false, true, true};
    const auto lines = BuildProgramCsv(test::SampleProgramRecord(), areas);
    EXPECT_EQ(lines, (Lines{"MODEL,RQK2", "", "", "=== PROGRAM ===", "", "",
                            "[ STEP ] ,[ PROGRAM ] ,[ Comment ] ", "P01,LDX1    ,load input",
                            "P02,STY1    ,\"store, out\"", "P03,END     ,", "", "", "=== CONST ===",
                            "", "", "[ STEP ] ,[ CONST ]", "Q01,+12.5000", "Q02,-0.50000"}));
}

TEST(ProgramCsv, CountsBeyondTheRecordsAreCut) {
    ProgramFileRecord r = test::SampleProgramRecord();
    r.header.stepCount = 1000;
    r.header.constCount = -5;
    r.header.stepComments.clear();
    const auto lines = BuildProgramCsv(r, CsvAreas{false, false, false, false, false, true, true});
    EXPECT_EQ(lines.size(), 1u + 6 + 5 + 6);  // five steps, no CONST rows
    EXPECT_EQ(lines[11], "P05,-0.50000,");
}

// A program made by New keeps start numbers 0 in its header; its steps are
// still named as the editor names its rows, from the model's category row.
TEST(ProgramCsv, NewProgramIsNamedAsTheEditorNamesIt) {
    ProgramFileRecord r = test::SampleProgramRecord();
    r.header.programStartNumber = 0;
    r.header.constStartNumber = 0;
    const program::CategoryTable categories = {
        program::CategoryEntry{{"RQK2", "3", "P01", "2", "Q01", "FPU", "K2", ""}}};
    CsvAreas areas{false, false, false, false, false, true, true};
    const auto lines = BuildProgramCsv(r, areas, categories);
    EXPECT_EQ(lines[7], "P01,LDX1    ,load input");
    EXPECT_EQ(lines[9], "P03,END     ,");
    EXPECT_EQ(lines[16], "Q01,+12.5000");
    EXPECT_EQ(lines[17], "Q02,-0.50000");

    // A model the table does not know: the header's letters and numbers, as
    // the editor's address column shows them.
    const auto unknown = BuildProgramCsv(r, areas, {});
    EXPECT_EQ(unknown[7], "P00,LDX1    ,load input");
    EXPECT_EQ(unknown[17], "Q01,-0.50000");
}

TEST(ProgramCsv, AddressesOfOddHeaders) {
    EXPECT_EQ(ProgramItemAddress(16, 1, 0), "P01");
    EXPECT_EQ(ProgramItemAddress(17, 9, 3), "Q12");
    EXPECT_EQ(ProgramItemAddress(16, 0, 0), "P00");
    EXPECT_EQ(ProgramItemAddress(16, -5, 0), "P-5");
    EXPECT_EQ(ProgramItemAddress(0, 5, 0), "");
    EXPECT_EQ(ProgramItemAddress(16, 2147483647, 1), "P2147483648");
    EXPECT_EQ(ProgramItemAddress(16, -2147483647 - 1, 0), "P-2147483648");
}

TEST(CsvFile, CrLfAfterEveryLineAndFailuresKeepTheOldFile) {
    test::ScopedFakeServices services;
    files::Workspace& ws = services.ws;
    const auto dir = test::FreshFolder("csv");
    const auto path = (dir / "OUT.csv").string();
    ASSERT_EQ(WriteCsvLines(path, {"MODEL,RQB2", "", "x\xE9"}), files::FileError::Ok);
    const std::string expected = "MODEL,RQB2\r\n\r\nx\xE9\r\n";
    EXPECT_EQ(test::ReadBytes(path), std::vector<std::uint8_t>(expected.begin(), expected.end()));

    const auto savedItems = ws.items.dataSet;
    ws.items.dataSet = test::SampleParameterRecord().items;
    {
        ScopedWriteFault fault(5, ENOSPC);
        EXPECT_FALSE(WriteParameterCsv(ws, path, CsvAreas{}));
    }
    ws.items.dataSet = savedItems;
    EXPECT_EQ(test::ReadBytes(path), std::vector<std::uint8_t>(expected.begin(), expected.end()));
    ASSERT_EQ(services.messages.boxes.size(), 1u);
    EXPECT_EQ(services.messages.boxes[0].text, "Disk full");
    EXPECT_EQ(services.messages.boxes[0].title, "ErrorNumber = 61");
    EXPECT_EQ(services.messages.boxes[0].icon, shell::MsgIcon::Critical);
    std::filesystem::remove_all(dir);
}

TEST(PlainCsv, OneHeadingRowAndARowPerItemInUtf8) {
    EXPECT_EQ(PlainValue("+012.34 "), "12.34");
    EXPECT_EQ(PlainValue("-000.50"), "-0.50");
    EXPECT_EQ(PlainValue("+0000   "), "0");
    EXPECT_EQ(PlainValue(" ON     "), "ON");
    EXPECT_EQ(PlainValue("1.2.3"), "1.2.3");
    EXPECT_EQ(PlainValue("+"), "+");

    ParameterFileRecord r = FourCategories();
    r.items.push_back(test::Block(0xC2, 0x07, 0x04, 0,
                                  "TEMP    +020.0  \xB0"
                                  "C      "));
    const auto lines = BuildPlainParameterCsv(r, true);
    EXPECT_EQ(lines, (Lines{"category,group,address,name,data,auxiliary",
                            "DISPLAY,INPUT,A01,PV,12.34,degC", "ADJUST,ADJ,E01,ZERO,0,",
                            "ADJUST,SPAN,F02,GAIN,1.000,", "MAINT,MAINT,G03,CAL,ON,",
                            "MAINT,MAINT,G04,TEMP,20.0,\xC2\xB0"
                            "C"}));
    // Without the Command menu unlocked MAINT stays out, as in the report.
    EXPECT_EQ(BuildPlainParameterCsv(r, false).size(), 4u);

    const auto program = BuildPlainProgramCsv(test::SampleProgramRecord());
    EXPECT_EQ(program, (Lines{"area,address,data,comment", "PROGRAM,P01,LDX1,load input",
                              "PROGRAM,P02,STY1,\"store, out\"", "PROGRAM,P03,END,",
                              "CONST,Q01,12.5000,", "CONST,Q02,-0.50000,"}));
}

}  // namespace
}  // namespace rq50::files
