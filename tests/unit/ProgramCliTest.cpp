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

TEST_F(ProgramCli, NewProgramPassesTheCheckAndEachErrorKindIsListedInOrder) {
    const std::string fresh = (m_dir / "NEW.7pr").string();
    ASSERT_EQ(Cli("new-program -o '" + fresh + "'"), 0);
    std::string out;
    EXPECT_EQ(Cli("check '" + fresh + "'", &out), 0);
    EXPECT_EQ(out, "No error found.\n");

    // Steps 3 to 6: an unknown operator, a jump without address, a jump past
    // the program's end, and a one-digit jump that the editor widens.
    files::test::ScopedFakeServices services;
    shell::Workspace& ws = services.ws;
    ASSERT_TRUE(files::ReadProgramFile(ws, fresh));
    auto& records = ws.program.records;
    ASSERT_GE(records.size(), 6u);
    const std::pair<const char*, const char*> steps[] = {
        {"P03", "XYZ"}, {"P04", "GO"}, {"P05", "GO99"}, {"P06", "GO5"}};
    for (std::size_t i = 0; i < 4; ++i) {
        auto record = BuildItemRecord(kKindProgramStep, steps[i].first,
                                      {std::string(8, ' '), steps[i].second, {}});
        ASSERT_TRUE(record.has_value());
        records[2 + i] = *record;
    }
    const std::string faulty = (m_dir / "FAULTY.7pr").string();
    ASSERT_TRUE(files::WriteProgramFile(ws, faulty));

    EXPECT_EQ(Cli("check '" + faulty + "'", &out), 1);
    EXPECT_EQ(Words(out), (std::vector<std::string>{
                              "STEP PROGRAM Error Content",
                              "P03 XYZ Invalid operator.",
                              "P04 GO Invalid operator.",
                              "P05 GO99 Invalid operator.",
                              "P04 GO Specify jump address.",
                              "P05 GO99 Invalid jump address.",
                          }));
}

// What Save and Download refuse, the check refuses with their message.
TEST_F(ProgramCli, CheckFailsWithTheMessageOfSaveAndDownload) {
    AppendCategoryRow("LW12,0,,0,,LW,,\"no program\"");
    AppendCategoryRow("RQZ9,48,P40,16,Q01,FPU,K2,\"areas past 63\"");
    const std::pair<std::function<void(ProgramHeader&)>, std::string> cases[] = {
        {[](ProgramHeader& h) { h.modelCode = "LW12"; }, "Model not registered."},
        {[](ProgramHeader& h) { h.modelCode = "RQZ9"; }, "above number 63"},
        // Counts that do not fit the records are a damaged file: refused on reading.
        {[](ProgramHeader& h) { h.stepCount = -5; }, "Invalid file format"},
        {[](ProgramHeader& h) { h.constCount = -1; }, "Invalid file format"},
    };
    int n = 0;
    for (const auto& [change, message] : cases) {
        SCOPED_TRACE(message);
        const std::string path = NewProgramFile("BAD" + std::to_string(++n) + ".7pr", change);
        std::string out, err;
        EXPECT_EQ(Cli("check '" + path + "'", &out, &err), 1);
        EXPECT_THAT(out, Not(HasSubstr("No error found.")));
        EXPECT_THAT(err, HasSubstr(message));
    }
}

// Without the model's operator table no operator can be checked: the check
// says so and fails.
TEST_F(ProgramCli, CheckWithoutTheOperatorTableFails) {
    const std::string path = NewProgramFile("NEW.7pr", [](ProgramHeader&) {});
    fs::remove(m_dir / "OPE_TBLK2.ini");
    std::string out;
    EXPECT_EQ(Cli("check '" + path + "'", &out), 1);
    EXPECT_THAT(out,
                HasSubstr("Operators not checked: cannot read the operator table OPE_TBLK2.ini"));
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
