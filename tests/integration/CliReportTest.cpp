// rq50-cli report: PDF reports read back with pdftotext, as a technician would
// read the printed pages.

#include "support/CliRunner.h"
#include "unit/FileTestSupport.h"
#include "unit/ShellTempDir.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::integration {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

using ShellRun = test::CliRun;

class CliReport : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = shell::testing::MakeTempFolder("rq50_report_");
        const fs::path data = fs::path(RQ50_TEST_DATA_DIR) / "files";
        fs::copy_file(data / "PLANT1.7pa", m_dir / "PLANT1.7pa");
        fs::copy_file(data / "MIX.7pr", m_dir / "MIX.7pr");
        files::test::CopyConfigurationFiles(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    /// Runs "rq50-cli report ARGUMENTS"; an exit other than `expectedExit`
    /// fails the test with the command and all it printed.
    ShellRun Report(const std::string& arguments, int expectedExit = 0) const {
        ShellRun run = test::CliRunner(m_dir)("report " + arguments);
        EXPECT_EQ(run.exitCode, expectedExit) << arguments << "\n" << run.all();
        return run;
    }
    std::string P(const std::string& name) const { return "'" + (m_dir / name).string() + "'"; }

    /// The pages of a PDF as text, laid out as on the page (pdftotext -layout).
    std::vector<std::string> Pages(const std::string& pdf) const {
        const ShellRun text = test::CliRunner(m_dir).Shell("pdftotext -layout " + P(pdf) + " -");
        EXPECT_EQ(text.exitCode, 0) << text.err;
        std::vector<std::string> pages(1);
        for (char c : text.out) {
            if (c == '\f') {
                pages.emplace_back();
            } else {
                pages.back().push_back(c);
            }
        }
        if (pages.back().find_first_not_of(" \n") == std::string::npos) pages.pop_back();
        return pages;
    }

    fs::path m_dir;
};

// Each text of `wanted` (texts parted by "|") must be found after the one before it.
void ExpectInOrder(const std::string& text, const std::string& wanted) {
    std::size_t at = 0;
    std::istringstream parts(wanted);
    for (std::string w; std::getline(parts, w, '|');) {
        const std::size_t found = text.find(w, at);
        ASSERT_NE(found, std::string::npos) << "missing or out of order: \"" << w << "\" in\n"
                                            << text;
        at = found + w.size();
    }
}

// The last non-blank line of a page: the footer.
std::string LastLine(const std::string& page) {
    std::string line;
    std::size_t end = page.find_last_not_of(" \n");
    if (end == std::string::npos) return line;
    std::size_t start = page.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    start = page.find_first_not_of(' ', start);
    return page.substr(start, end - start + 1);
}

TEST_F(CliReport, ParameterReportHoldsHeadingsAndRowsInOrderAndOnlyTheAreasAsked) {
    const ShellRun run = Report(P("PLANT1.7pa") + " --pdf " + P("plant.pdf"));
    EXPECT_THAT(run.all(), HasSubstr("1 page"));
    const auto pages = Pages("plant.pdf");
    ASSERT_EQ(pages.size(), 1u);
    ExpectInOrder(pages[0],
                  "DATE : |File Name:|PLANT1.7pa|Information|Created by:|K. Sato|Date:|"
                  "2026/12/06 10:30:00|Instrument No.|FIC-101|Title 1|Boiler 3 \"feed\"|"
                  "Plant, area|Line B|Comment|Checked|after repair|DISPLAY|Address|Display|"
                  "Data|Auxiliary Display|INPUT|A01|PV|12.34|degC|SET|C05|SET,A|1A2B");
    EXPECT_EQ(LastLine(pages[0]), "1");

    // --areas chooses what is printed.
    Report(P("PLANT1.7pa") + " --pdf " + P("info.pdf") + " --areas info");
    const auto info = Pages("info.pdf");
    ASSERT_EQ(info.size(), 1u);
    EXPECT_THAT(info[0], HasSubstr("K. Sato"));
    EXPECT_THAT(info[0], Not(HasSubstr("Address")));
}

TEST_F(CliReport, ProgramReportHoldsStepsAndConstValues) {
    const ShellRun run = Report(P("MIX.7pr") + " --pdf " + P("mix.pdf"));
    const auto pages = Pages("mix.pdf");
    ASSERT_EQ(pages.size(), 1u);
    ExpectInOrder(pages[0],
                  "MIX.7pr|Information|PROGRAM|Address|PROGRAM|Comment|P01|LDX1|load input|"
                  "P02|STY1|store, out|P03|END|CONST|Address|CONST|Q01|12.5|Q02|-0.50000");
    EXPECT_EQ(LastLine(pages[0]), "1");
}

TEST_F(CliReport, RefusesWhatItCannotDoAndKeepsEarlierFiles) {
    // Areas of the other kind of file, unknown areas and unknown files are
    // usage errors.
    Report(P("PLANT1.7pa") + " --pdf " + P("x.pdf") + " --areas program", 2);
    Report(P("PLANT1.7pa") + " --pdf " + P("x.pdf") + " --areas colour", 2);
    Report(P("notes.txt") + " --pdf " + P("x.pdf"), 2);
    EXPECT_FALSE(fs::exists(m_dir / "x.pdf"));

    // A file that cannot be read leaves the earlier report as it was.
    { std::ofstream(m_dir / "old.pdf") << "earlier report"; }
    { std::ofstream(m_dir / "BROKEN.7pa") << "not a parameter file"; }
    const ShellRun broken = Report(P("BROKEN.7pa") + " --pdf " + P("old.pdf"), 1);
    EXPECT_FALSE(broken.all().empty());
    std::ifstream in(m_dir / "old.pdf");
    std::string kept((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    EXPECT_EQ(kept, "earlier report");

    const ShellRun noFolder = Report(P("PLANT1.7pa") + " --pdf " + P("missing/x.pdf"), 1);
    EXPECT_THAT(noFolder.all(), HasSubstr("missing"));

    // A report never replaces its own input or another parameter or program file.
    for (const char* output : {"PLANT1.7pa", "MIX.7pr"}) {
        const ShellRun over = Report(P("PLANT1.7pa") + " --pdf " + P(output), 1);
        EXPECT_THAT(over.all(), HasSubstr(output));
    }
    const auto bytes = [](const fs::path& file) {
        std::ifstream in(file, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    };
    EXPECT_TRUE(bytes(m_dir / "PLANT1.7pa") ==
                bytes(fs::path(RQ50_TEST_DATA_DIR) / "files" / "PLANT1.7pa"))
        << "the input file was changed";
}

}  // namespace
}  // namespace rq50::integration
