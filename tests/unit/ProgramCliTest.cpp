// rq50-cli new-program and check, run as the user runs them.
#include "FileTestSupport.h"
#include "files/ProgramFile.h"
#include "program/ProgramModel.h"
#include "program/ProgramTypes.h"

#include <gtest/gtest.h>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::program {
namespace {

namespace fs = std::filesystem;

class ProgramCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = files::test::FreshFolder("program_cli");
        // The sample configuration files the build puts next to the programs.
        for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
            if (entry.path().extension() == ".ini") {
                fs::copy_file(entry.path(), m_dir / entry.path().filename());
            }
        }
        ASSERT_TRUE(fs::exists(m_dir / "Category.ini"));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    int Cli(const std::string& args, std::string* out = nullptr) const {
        const auto outFile = m_dir / "stdout.txt";
        const std::string command = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir '" +
                                    m_dir.string() + "' " + args + " >'" + outFile.string() +
                                    "' 2>/dev/null";
        const int status = std::system(command.c_str());
        if (out) {
            const auto bytes = files::test::ReadBytes(outFile);
            out->assign(bytes.begin(), bytes.end());
        }
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
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
    ASSERT_TRUE(files::ReadProgramFile(fresh));
    auto& records = Program().records;
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
    ASSERT_TRUE(files::WriteProgramFile(faulty));

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

TEST_F(ProgramCli, CheckOfAMissingFileFails) {
    EXPECT_EQ(Cli("check '" + (m_dir / "NONE.7pr").string() + "'"), 1);
}

}  // namespace
}  // namespace rq50::program
