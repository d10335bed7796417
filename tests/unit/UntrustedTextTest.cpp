// Text from instruments, files and users on its way out: spreadsheet cells
// that cannot become formulas, terminal text that cannot command the
// terminal, a shell word that stays one word; and the targets an output may
// be written to.
#include "ShellTempDir.h"
#include "comm/CommLog.h"
#include "files/Csv.h"
#include "files/SaveTarget.h"
#include "shell/UntrustedText.h"

#include <gtest/gtest.h>
#ifndef _WIN32
#include <sys/stat.h>
#endif

#include <filesystem>
#include <fstream>

namespace rq50::shell {
namespace {

namespace fs = std::filesystem;

TEST(UntrustedText, SpreadsheetCellsNeverBecomeFormulas) {
    const struct {
        const char* text;
        const char* cell;
    } rows[] = {
        {"=cmd|' /C calc'!A0", "'=cmd|' /C calc'!A0"},
        {"+1+1", "'+1+1"},
        {"-2+3+cmd|' /C calc'!A0", "'-2+3+cmd|' /C calc'!A0"},
        {"@SUM(1+1)*cmd|' /C calc'!A0", "'@SUM(1+1)*cmd|' /C calc'!A0"},
        {"\t=1", "'\t=1"},
        {"\r=1", "'\r=1"},
        {"-12.50", "-12.50"},
        {"+012.34   ", "+012.34   "},
        {"-1e3", "-1e3"},
        {"-", "'-"},
        {"FIC-101", "FIC-101"},
        {"", ""},
    };
    for (const auto& row : rows) EXPECT_EQ(SpreadsheetText(row.text), row.cell) << row.text;
    // Quoting follows the neutralised text: the leading apostrophe is inside.
    EXPECT_EQ(files::CsvQuote("=1,2"), "\"'=1,2\"");
    EXPECT_EQ(files::CsvQuote("-12.50"), "-12.50");
}

TEST(UntrustedText, TerminalTextShowsControlsAndKeepsCharacters) {
    EXPECT_EQ(TerminalText("TAG\x1b[2J"), "TAG\\x1b[2J");
    EXPECT_EQ(TerminalText("a\x7f"
                           "b\x07"),
              "a\\x7fb\\x07");
    EXPECT_EQ(TerminalText("\xc2\x9b"
                           "31m"),
              "\\x9b31m");  // CSI as U+009B
    EXPECT_EQ(TerminalText("line\nnext\ttab"), "line\\x0anext\\x09tab");
    EXPECT_EQ(TerminalText("line\nnext\ttab", true), "line\nnext\ttab");
    EXPECT_EQ(TerminalText("20 \xc2\xb0"
                           "C \xe2\x80\x94 ok"),
              "20 \xc2\xb0"
              "C \xe2\x80\x94 ok");
    EXPECT_EQ(TerminalText("\x9b"), "\\x9b");  // a byte that starts no UTF-8 character
}

TEST(UntrustedText, AShellWordIsOneWordWhateverItHolds) {
    EXPECT_EQ(ShellWord("/data/User/BACKUP/RQB2_X';id;'.7pa"),
              "'/data/User/BACKUP/RQB2_X'\\'';id;'\\''.7pa'");
    EXPECT_EQ(ShellWord("$(reboot) `id`"), "'$(reboot) `id`'");
}

TEST(OutputTargets, OnlyNewFilesOrFilesThatMayBeReplaced) {
    const fs::path dir = testing::MakeTempFolder("rq50-targets-");
    const auto at = [&](const char* name) { return (dir / name).string(); };
    std::ofstream(at("plant.7pa")) << "data";
    std::ofstream(at("old.csv")) << "a,b";
    std::ofstream(at("notes.txt")) << "my notes\n";
    std::ofstream(at("run.log")) << comm::LogRecord("2026/12/08 10:00:00", comm::kSendHexLabel,
                                                    "02 ");
    std::ofstream(at("empty.log"));
    fs::create_directory(at("folder"));
#ifndef _WIN32
    ASSERT_EQ(::mkfifo(at("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(files::OutputTargetProblem("/dev/null", {}, true).empty());
    EXPECT_FALSE(comm::LogTargetProblem("/dev/null").empty());
    EXPECT_FALSE(files::OutputTargetProblem(at("fifo"), {}, true).empty());
    EXPECT_FALSE(comm::LogTargetProblem(at("fifo")).empty());
#endif

    EXPECT_EQ(files::OutputTargetProblem(at("new.csv"), at("plant.7pa"), false), "");
    EXPECT_EQ(files::OutputTargetProblem(at("old.csv"), {}, true), "");
    EXPECT_NE(files::OutputTargetProblem(at("old.csv"), {}, false).find("--force"),
              std::string::npos);
    for (const char* refused : {"folder", "plant.7pa", "x.7PR"}) {
        EXPECT_FALSE(files::OutputTargetProblem(at(refused), {}, true).empty()) << refused;
    }

    for (const char* taken : {"new.log", "run.log", "empty.log"})
        EXPECT_EQ(comm::LogTargetProblem(at(taken)), "") << taken;
    for (const char* refused : {"plant.7pa", "notes.txt", "folder"})
        EXPECT_FALSE(comm::LogTargetProblem(at(refused)).empty()) << refused;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rq50::shell
