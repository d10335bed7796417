// rq50-cli new-program and check, run as the user runs them.
#include "FileTestSupport.h"
#include "files/ProgramFile.h"
#include "support/CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::program {
namespace {

using rq50::test::CliRun;
using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

class ProgramCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = files::test::FreshFolder("program_cli");
        files::test::CopyConfigurationFiles(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Cli(const std::string& args) const { return rq50::test::CliRunner(m_dir)(args); }

    // Each output line as its blank-separated words joined by single blanks.
    static std::vector<std::string> Words(const std::string& text) {
        std::vector<std::string> lines;
        std::istringstream in(text);
        for (std::string line; std::getline(in, line);) {
            std::istringstream words(line);
            std::string joined, word;
            while (words >> word) joined += (joined.empty() ? "" : " ") + word;
            lines.push_back(joined);
        }
        return lines;
    }

    fs::path m_dir;
};

// A new program keeps start numbers 0 in its header; its CSV and its listing
// still name the steps P01..., as the editor does. It passes the check; an
// error is listed (the kinds of error and their order are the check's own).
TEST_F(ProgramCli, NewProgramIsListedAsTheEditorNamesItAndChecked) {
    ASSERT_EQ(Cli("new-program -o NEW.7pr").exitCode, 0);
    ASSERT_EQ(Cli("csv NEW.7pr -o NEW.csv --areas program,const").exitCode, 0);
    const std::string csv = rq50::test::ReadText(m_dir / "NEW.csv");
    EXPECT_THAT(csv, HasSubstr("\r\nP01,LDX1    ,\r\nP02,STY1    ,\r\n"));
    EXPECT_THAT(csv, HasSubstr("\r\nP48,NOP     ,\r\n"));
    EXPECT_THAT(csv, HasSubstr("\r\nQ01,+0.00000\r\n"));
    EXPECT_THAT(Cli("show NEW.7pr").out, HasSubstr("48 steps from P01, 16 CONST items from Q01"));

    const CliRun clean = Cli("check NEW.7pr");
    EXPECT_EQ(clean.exitCode, 0);
    EXPECT_EQ(clean.out, "No error found.\n");
    ASSERT_EQ(Cli("program-set NEW.7pr P03 XYZ").exitCode, 0);
    const CliRun faulty = Cli("check NEW.7pr");
    EXPECT_EQ(faulty.exitCode, 1);
    EXPECT_EQ(Words(faulty.out), (std::vector<std::string>{"STEP PROGRAM Error Content",
                                                           "P03 XYZ Invalid operator."}));
    EXPECT_EQ(Cli("check NONE.7pr").exitCode, 1);
}

// What Save and Download refuse, the check refuses with their message (which
// models and counts they refuse is the editor's test).
TEST_F(ProgramCli, CheckFailsWithTheMessageOfSaveAndDownload) {
    std::ofstream(m_dir / "Category.ini", std::ios::app) << "LW12,0,,0,,LW,,\"no program\"\r\n";
    ASSERT_EQ(Cli("new-program -o BAD.7pr").exitCode, 0);
    {
        files::test::ScopedFakeServices services;
        const std::string path = (m_dir / "BAD.7pr").string();
        ASSERT_TRUE(files::ReadProgramFile(services.ws, path));
        services.ws.program.header.modelCode = "LW12";
        ASSERT_TRUE(files::WriteProgramFile(services.ws, path));
    }
    const CliRun check = Cli("check BAD.7pr");
    EXPECT_EQ(check.exitCode, 1);
    EXPECT_THAT(check.out, Not(HasSubstr("No error found.")));
    EXPECT_THAT(check.err, HasSubstr("Model not registered."));
}

}  // namespace
}  // namespace rq50::program
