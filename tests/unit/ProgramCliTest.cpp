// rq50-cli new-program and check, run as the user runs them.
#include "FileTestSupport.h"
#include "files/ProgramFile.h"
#include "program/ProgramModel.h"
#include "program/ProgramTypes.h"
#include "support/CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::program {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

class ProgramCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = files::test::FreshFolder("program_cli");
        files::test::CopyConfigurationFiles(m_dir);
        ASSERT_TRUE(fs::exists(m_dir / "Category.ini"));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Cli(const std::string& args, std::string* out = nullptr, std::string* err = nullptr) const {
        const rq50::test::CliRun run = rq50::test::CliRunner(m_dir)(args);
        if (out) *out = run.out;
        if (err) *err = run.err;
        return run.exitCode;
    }

    /// Saves a new program made for `model`'s row of `categoryRow`, with the
    /// header changed by `change`.
    std::string NewProgramFile(const std::string& name,
                               const std::function<void(ProgramHeader&)>& change) {
        const std::string path = (m_dir / name).string();
        EXPECT_EQ(Cli("new-program -o '" + path + "'"), 0);
        files::test::ScopedFakeServices services;
        shell::Workspace& ws = services.ws;
        EXPECT_TRUE(files::ReadProgramFile(ws, path));
        change(ws.program.header);
        EXPECT_TRUE(files::WriteProgramFile(ws, path));
        return path;
    }

    void AppendCategoryRow(const std::string& row) const {
        std::ofstream(m_dir / "Category.ini", std::ios::app) << row << "\r\n";
    }

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

// The kinds of error and their order are the check's own; here the listing
// and the exit code.
TEST_F(ProgramCli, NewProgramPassesTheCheckAndAnErrorIsListed) {
    const std::string fresh = (m_dir / "NEW.7pr").string();
    ASSERT_EQ(Cli("new-program -o '" + fresh + "'"), 0);
    std::string out;
    EXPECT_EQ(Cli("check '" + fresh + "'", &out), 0);
    EXPECT_EQ(out, "No error found.\n");

    files::test::ScopedFakeServices services;
    shell::Workspace& ws = services.ws;
    ASSERT_TRUE(files::ReadProgramFile(ws, fresh));
    auto record = BuildItemRecord(kKindProgramStep, "P03", {std::string(8, ' '), "XYZ", {}});
    ASSERT_TRUE(record.has_value());
    ws.program.records.at(2) = *record;
    const std::string faulty = (m_dir / "FAULTY.7pr").string();
    ASSERT_TRUE(files::WriteProgramFile(ws, faulty));

    EXPECT_EQ(Cli("check '" + faulty + "'", &out), 1);
    EXPECT_EQ(Words(out), (std::vector<std::string>{"STEP PROGRAM Error Content",
                                                    "P03 XYZ Invalid operator."}));
}

// What Save and Download refuse, the check refuses with their message (which
// models and counts they refuse is the editor's test).
TEST_F(ProgramCli, CheckFailsWithTheMessageOfSaveAndDownload) {
    AppendCategoryRow("LW12,0,,0,,LW,,\"no program\"");
    const std::string path =
        NewProgramFile("BAD.7pr", [](ProgramHeader& h) { h.modelCode = "LW12"; });
    std::string out, err;
    EXPECT_EQ(Cli("check '" + path + "'", &out, &err), 1);
    EXPECT_THAT(out, Not(HasSubstr("No error found.")));
    EXPECT_THAT(err, HasSubstr("Model not registered."));
}

// A new program keeps start numbers 0 in its header; its CSV and its listing
// still name the steps P01..., as the editor does.
TEST_F(ProgramCli, NewProgramIsListedAsTheEditorNamesIt) {
    const std::string path = (m_dir / "NEW.7pr").string();
    ASSERT_EQ(Cli("new-program -o '" + path + "'"), 0);
    const std::string csv = (m_dir / "NEW.csv").string();
    ASSERT_EQ(Cli("csv '" + path + "' -o '" + csv + "' --areas program,const"), 0);
    const auto bytes = files::test::ReadBytes(csv);
    const std::string text(bytes.begin(), bytes.end());
    EXPECT_THAT(text, HasSubstr("\r\nP01,LDX1    ,\r\nP02,STY1    ,\r\n"));
    EXPECT_THAT(text, HasSubstr("\r\nP48,NOP     ,\r\n"));
    EXPECT_THAT(text, HasSubstr("\r\nQ01,+0.00000\r\n"));
    EXPECT_THAT(text, Not(HasSubstr("\r\nP,")));

    std::string out;
    ASSERT_EQ(Cli("show '" + path + "'", &out), 0);
    EXPECT_THAT(out, HasSubstr("48 steps from P01, 16 CONST items from Q01"));
}

TEST_F(ProgramCli, CheckOfAMissingFileFails) {
    EXPECT_EQ(Cli("check '" + (m_dir / "NONE.7pr").string() + "'"), 1);
}

}  // namespace
}  // namespace rq50::program
