// The reports on a recording surface: what each holds, in which order, and how
// the page header block and the areas shape them.
#include "FileSamples.h"
#include "PrintRecorder.h"
#include "files/ContentList.h"
#include "files/Csv.h"
#include "print/Reports.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <string>
#include <vector>

namespace rq50::print {
namespace {

using files::test::Block;
using files::test::kSampleDate;
using test::RecordingSurface;

struct ReportFixture : ::testing::Test {
    RecordingSurface surface;
    PrintControl control{surface};
    ReportSetup setup{PageFormat{}, kSampleDate};

    // Position of each text of `wanted` in the reading order, which must be
    // increasing.
    void ExpectInOrder(const std::vector<std::string>& wanted) {
        const auto order = surface.ReadingOrder();
        auto at = order.begin();
        for (const auto& text : wanted) {
            at = std::find(at, order.end(), text);
            ASSERT_NE(at, order.end()) << "missing or out of order: " << text;
            ++at;
        }
    }
    int Count(const std::string& text) const { return static_cast<int>(surface.Find(text).size()); }
};

// Groups MA 1..16 of 50 items each (a head and 49 items): DISPLAY 1-5, SET
// 6-10, ADJUST 11-16, no MAINT.
files::ParameterFileRecord LargeRecord() {
    files::ParameterFileRecord r;
    r.information = files::test::SampleInformation("BIG.7pa");
    r.header.model = "RQB2";
    r.header.starts[files::Category::Display] = 1;
    r.header.starts[files::Category::Set] = 6;
    r.header.starts[files::Category::Adjust] = 11;
    r.header.starts[files::Category::Maint] = 0;
    for (int ma = 1; ma <= 16; ++ma) {
        r.items.push_back(Block(0x80, static_cast<std::uint8_t>(ma), 0, 0, "GROUP   "));
        for (int mb = 1; mb < 50; ++mb) {
            r.items.push_back(Block(0xC2, static_cast<std::uint8_t>(ma),
                                    static_cast<std::uint8_t>(mb), 0, "ITEM    +0012.50unit    "));
        }
    }
    return r;
}

TEST_F(ReportFixture, ParameterReportOf800ItemsHasTheHeaderBlockOnEveryPage) {
    const auto record = LargeRecord();
    ASSERT_EQ(record.items.size(), 800u);
    PrintAreas areas;
    ASSERT_TRUE(PrintParameterReport(control, record, areas, false, setup));
    const int pages = control.PageCount();
    ASSERT_GT(pages, 15);
    for (int p = 1; p <= pages; ++p) {
        const auto texts = surface.Page(p);
        ASSERT_GE(texts.size(), 3u);
        EXPECT_EQ(texts[0].text, "DATE : 2026/12/06");
        EXPECT_EQ(texts[1].text, "File Name:") << "page " << p;
        EXPECT_EQ(texts[2].text, "BIG.7pa") << "page " << p;
        EXPECT_EQ(texts.back().text, std::to_string(p));
    }
    // Every item once, categories in order, each item's row in column order.
    ExpectInOrder({"Information", "DISPLAY", "Address", "A", "GROUP", "A01", "ITEM", "12.50",
                   "unit", "E49", "SET", "F", "J49", "ADJUST", "K", "P49"});
    int rows = 0;
    for (const auto& t : surface.texts) rows += t.text == "12.50";
    EXPECT_EQ(rows, 16 * 49);
    EXPECT_EQ(Count("ITEM"), 16 * 49);
    // The table heading is repeated on every page that holds rows.
    EXPECT_GE(Count("Auxiliary Display"), pages - 1);
}

TEST_F(ReportFixture, ParameterReportRowsAndInformationBlock) {
    const auto record = files::test::SampleParameterRecord();
    PrintAreas areas;
    ASSERT_TRUE(PrintParameterReport(control, record, areas, false, setup));
    EXPECT_EQ(control.PageCount(), 1);
    ExpectInOrder({" [ Created by: ] ", "K. Sato", " [ Date: ] ", "2026/12/06 10:30:00",
                   " [ File Name: ] ", "PLANT1.7pa", " [ Instrument No. ] ", "FIC-101",
                   " [ Title 1 ] ", "Boiler 3 \"feed\"", " [ Plant, area ] ", "Line B",
                   " [ Comment ] ", "Checked", "after repair"});
    // DISPLAY: the group head and one item; SET: one item; no ADJUST items.
    ExpectInOrder({"DISPLAY", "Address", "Display", "Data", "Auxiliary Display", "A", "INPUT",
                   "A01", "PV", "12.34", "degC", "SET", "C05", "SET,A", "1A2B"});
    EXPECT_EQ(Count("ADJUST"), 0);
    // Data is right-aligned in the third column, the rest left-aligned.
    const auto data = surface.Find("12.34");
    ASSERT_EQ(data.size(), 1u);
    EXPECT_EQ(data[0].Right(), kReportMargins.left + 6000 - 60);
}

TEST_F(ReportFixture, OnlyInformationPrintsNoTable) {
    PrintAreas areas;
    areas.display = areas.set = areas.adjust = false;
    ASSERT_TRUE(
        PrintParameterReport(control, files::test::SampleParameterRecord(), areas, false, setup));
    EXPECT_EQ(Count("Information"), 1);
    EXPECT_EQ(Count("K. Sato"), 1);
    EXPECT_EQ(Count("Address"), 0);
    EXPECT_EQ(Count("DISPLAY"), 0);
    // No page header block and no rules: only the information block's text.
    EXPECT_EQ(Count("File Name:"), 0);
    EXPECT_TRUE(surface.lines.empty());
}

TEST_F(ReportFixture, MaintPrintedOnlyInMaintMode) {
    auto record = files::test::SampleParameterRecord();
    record.items.push_back(Block(0xC2, 7, 1, 0, "SECRET  +0000001"));
    PrintAreas areas;
    areas.maint = true;
    ASSERT_TRUE(PrintParameterReport(control, record, areas, false, setup));
    EXPECT_EQ(Count("MAINT"), 0);
    EXPECT_EQ(Count("SECRET"), 0);

    RecordingSurface maintSurface;
    PrintControl maintControl(maintSurface);
    ASSERT_TRUE(PrintParameterReport(maintControl, record, areas, true, setup));
    EXPECT_EQ(maintSurface.Find("MAINT").size(), 1u);
    EXPECT_EQ(maintSurface.Find("G01").size(), 1u);
    // MAINT Mode alone does not print an area that is not selected.
    RecordingSurface unselectedSurface;
    PrintControl unselectedControl(unselectedSurface);
    areas.maint = false;
    ASSERT_TRUE(PrintParameterReport(unselectedControl, record, areas, true, setup));
    EXPECT_TRUE(unselectedSurface.Find("SECRET").empty());
}

TEST_F(ReportFixture, ProgramReportListsStepsWithCommentsAndConstValuesAsShown) {
    const auto record = files::test::SampleProgramRecord();
    PrintAreas areas;
    ASSERT_TRUE(PrintProgramReport(control, record, areas, setup));
    ExpectInOrder({"MIX.7pr", "Information", "PROGRAM",    "Address", "PROGRAM", "Comment",
                   "P01",     "LDX1",        "load input", "P02",     "STY1",    "store, out",
                   "P03",     "END",         "CONST",      "Address", "CONST",   "Q01",
                   "12.5000", "Q02",         "-0.50000"});
    areas.program = false;
    RecordingSurface constOnly;
    PrintControl constControl(constOnly);
    ASSERT_TRUE(PrintProgramReport(constControl, record, areas, setup));
    EXPECT_TRUE(constOnly.Find("LDX1").empty());
    EXPECT_EQ(constOnly.Find("Q02").size(), 1u);
}

TEST_F(ReportFixture, DownloadCheckListUnderItsOwnHeader) {
    std::vector<comm::jobs::DownloadCheckEntry> entries;
    for (int i = 1; i <= 60; ++i) {
        entries.push_back({3, i, "SPAN    ", "+1000.0 ", "degC    ", "+0900.0 ", "degC    "});
    }
    const auto record = files::test::SampleInformation("PLANT1.7pa");
    ASSERT_TRUE(PrintDownloadCheckList(control, entries, record, setup));
    const int pages = control.PageCount();
    ASSERT_GE(pages, 2);
    EXPECT_EQ(Count("Check Downloading to TAVRO"), pages);
    EXPECT_EQ(Count("Data that has been set"), pages);
    ExpectInOrder({"Address", "Display", "Send Data", "Data that has been set", "C01", "SPAN",
                   "+1000.0degC", "+0900.0degC", "C60"});
    const auto table = CheckListTable(entries, false);
    EXPECT_EQ(files::ShownRows(table)[0], (TableRow{"C01", "SPAN", "+1000.0degC", "+0900.0degC"}));
    EXPECT_EQ(files::PrinterFormat(table), "1000|2000|3000|3000");
    EXPECT_EQ(files::RawText(table.rows[0].cells[2]), "+1000.0 degC    ");
    // An item a download that stopped half way did not write: the screen,
    // the paper and the terminal say so where its value would be.
    entries[1].reason = comm::jobs::CheckReason::NotWritten;
    const auto stopped = CheckListTable(entries, false);
    EXPECT_EQ(files::ShownRows(stopped)[1],
              (TableRow{"C02", "SPAN", "+1000.0degC", "(not written)"}));
    EXPECT_EQ(files::TerminalLines({stopped.columns, {stopped.rows[1]}}),
              "Address Display       Send Data           Data that has been set\n"
              "C02     SPAN          +1000.0 degC        (not written)\n");

    RecordingSurface empty;
    PrintControl emptyControl(empty);
    ASSERT_TRUE(PrintDownloadCheckList(emptyControl, {}, record, setup));
    EXPECT_EQ(emptyControl.PageCount(), 1);
    EXPECT_EQ(empty.Find("Send Data").size(), 1u);
}

TEST_F(ReportFixture, ErrorListInListOrder) {
    const std::vector<program::ErrorLine> lines = {
        {" ", " ", "Too many steps in PROGRAM."},
        {"P05", "GO5", "Invalid operator."},
        {"P05", "GO5", "Invalid jump address."},
        {"P07", "GO", "Specify jump address."},
    };
    ASSERT_TRUE(PrintErrorList(control, lines, files::test::SampleInformation("MIX.7pr"), setup));
    ExpectInOrder({"MIX.7pr", "Command Check Error", "STEP", "PROGRAM", "Error Content",
                   "Too many steps in PROGRAM.", "P05", "GO5", "Invalid operator.", "P05", "GO5",
                   "Invalid jump address.", "P07", "GO", "Specify jump address."});
}

TEST_F(ReportFixture, LandscapePaperTurnsThePage) {
    setup.page.orientation = Orientation::Landscape;
    ASSERT_TRUE(PrintParameterReport(control, LargeRecord(), PrintAreas{}, false, setup));
    EXPECT_EQ(surface.format.PageWidth(), 16838);
    const auto date = surface.Find("DATE : 2026/12/06");
    ASSERT_FALSE(date.empty());
    EXPECT_EQ(date[0].Right(), 16838 - kReportMargins.right);
    for (const auto& t : surface.texts) EXPECT_LE(t.y, 11906);
}

TEST_F(ReportFixture, AreaFlagsByCheckBoxIndex) {
    PrintAreas areas{false, false, false, false, false, false, false};
    for (PrintArea area : kPrintAreas) {
        AreaFlag(areas, area) = true;
        for (PrintArea other : kPrintAreas) {
            EXPECT_EQ(AreaFlag(areas, other), other == area) << Index(area) << " " << Index(other);
        }
        AreaFlag(areas, area) = false;
    }
}

// The printout, the CSV export and the content list cut one file into the
// same categories, also an awkward one: a block of MA 0 before DISPLAY, a
// MAINT start of 0 (no MAINT), SET and ADJUST sharing their first block.
TEST(CategorySplit, PrintoutCsvAndContentListAgree) {
    files::ParameterFileRecord record = files::test::SampleParameterRecord();
    record.items = {Block(0x80, 0x00, 0x01, 0, "MODEL   RQB2    "),
                    Block(0x80, 0x01, 0x00, 0, "INPUT   "),
                    Block(0xC2, 0x01, 0x01, 0, "PV      +012.34 degC    "),
                    Block(0x80, 0x03, 0x00, 0, "SETS    "),
                    Block(0x83, 0x03, 0x05, 0, "SP      1A2B    "),
                    Block(0x80, 0x05, 0x00, 0, "TUNE    "),
                    Block(0x83, 0x05, 0x01, 0, "GAIN    ON      ")};
    record.header.starts[files::Category::Display] = 1;
    record.header.starts[files::Category::Set] = record.header.starts[files::Category::Adjust] = 3;
    const std::vector<std::string> names = {"MODEL", "INPUT", "PV", "SETS", "SP", "TUNE", "GAIN"};

    // The names each output shows, for a MAINT start and whether MAINT is open.
    const auto shown = [&](std::int32_t maintStart, bool maint) {
        record.header.starts[files::Category::Maint] = maintStart;
        std::set<std::string> printed, exported, listed;
        RecordingSurface surface;
        PrintControl control(surface);
        PrintAreas areas;
        areas.maint = true;
        EXPECT_TRUE(PrintParameterReport(control, record, areas, maint,
                                         ReportSetup{PageFormat{}, kSampleDate}));
        files::CsvAreas csvAreas;
        csvAreas.maint = true;
        const auto lines = files::BuildParameterCsv(record, csvAreas, maint);
        const auto rows = files::BuildContentList(record.items, record.header, maint);
        for (const auto& name : names) {
            if (!surface.Find(name).empty()) printed.insert(name);
            for (const auto& line : lines) {
                if (line.find(name + " ") != std::string::npos) exported.insert(name);
            }
            for (const auto& row : rows) {
                if (row.name.rfind(name + " ", 0) == 0) listed.insert(name);
            }
        }
        EXPECT_EQ(printed, exported) << "MAINT from " << maintStart << ", open " << maint;
        // The content list shows every block outside MAINT, the MA 0 one too.
        listed.erase("MODEL");
        EXPECT_EQ(printed, listed) << "MAINT from " << maintStart << ", open " << maint;
        return printed;
    };
    const std::set<std::string> all = {"INPUT", "PV", "SETS", "SP", "TUNE", "GAIN"};
    EXPECT_EQ(shown(0, true), all);
    EXPECT_EQ(shown(0, false), all);
    EXPECT_EQ(shown(5, true), all);
    EXPECT_EQ(shown(5, false), (std::set<std::string>{"INPUT", "PV", "SETS", "SP"}));
}

}  // namespace
}  // namespace rq50::print
