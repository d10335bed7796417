// rq50-cli under the mistakes and hostile texts a plant meets: outputs that
// name the wrong file, a download password that must close every write,
// tags that try to become shell commands or terminal commands, rack folders
// that do not match the rack.
#include "FileTestSupport.h"
#include "support/CliRunner.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace rq50::cli {
namespace {

namespace fs = std::filesystem;

using test::CliRun;
using test::Has;
using test::ReadText;
using test::Sim;

class CliSafety : public files::test::CliFolderTest {
  protected:
    /// The sample RQB2 with `tag` as its TAG NO and `faults` (may be null).
    std::string Rqb2(const std::string& tag, const nlohmann::json& faults = nullptr) const {
        std::ifstream in(std::string(RQ50_SOURCE_DIR) + "/sim/instruments/RQB2.json");
        nlohmann::json unit = nlohmann::json::parse(in);
        std::function<void(nlohmann::json&)> retag = [&](nlohmann::json& j) {
            if (j.is_object() && j.value("name", "") == "TAG NO" && j.contains("data"))
                j["data"] = tag;
            if (j.is_structured())
                for (auto& child : j) retag(child);
        };
        retag(unit);
        if (!faults.is_null()) unit["faults"] = faults;
        std::ofstream(P("unit.json")) << unit.dump();
        return "--sim " + P("unit.json");
    }
};

TEST_F(CliSafety, NoOutputReplacesADataFileADeviceOrAFileNotAskedFor) {
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o plant.7pa").exitCode, 0);
    const std::string plant = ReadText(P("plant.7pa"));
    std::ofstream(P("notes.txt")) << "the shift's notes\n";
    ASSERT_EQ(::mkfifo(P("fifo").c_str(), 0600), 0);
    fs::create_directory(P("folder"));
    // A mistyped --log never empties a file, and a pipe never holds the run.
    for (const char* target : {"plant.7pa", "notes.txt", "fifo", "folder", "/dev/null"}) {
        const auto run = Cli(Sim("RQB2.json") + " --log " + target + " read C02");
        EXPECT_EQ(run.exitCode, 1) << target << run.all();
        EXPECT_TRUE(Has(run.err, "nothing was done")) << run.err;
        EXPECT_FALSE(Has(run.err, "simulated instrument")) << "refused before any work";
    }
    EXPECT_EQ(ReadText(P("plant.7pa")), plant);
    EXPECT_EQ(ReadText(P("notes.txt")), "the shift's notes\n");
    EXPECT_TRUE(fs::is_fifo(P("fifo")));
    // A log RQ50 wrote is taken again.
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet --log run.log read C02").exitCode, 0);
    EXPECT_EQ(Cli(Sim("RQB2.json") + " --quiet --log run.log --log-append read C02").exitCode, 0);

    // CSV, PDF and monitor outputs: the same rule, an existing file with --force.
    std::ofstream(P("old.csv")) << "kept";
    const auto csv = Cli("csv plant.7pa -o old.csv");
    EXPECT_EQ(csv.exitCode, 1);
    EXPECT_TRUE(Has(csv.err, "give --force")) << csv.err;
    EXPECT_EQ(ReadText(P("old.csv")), "kept");
    EXPECT_EQ(Cli("csv plant.7pa -o old.csv --force").exitCode, 0);
    EXPECT_NE(ReadText(P("old.csv")), "kept");
    EXPECT_EQ(Cli("csv plant.7pa -o fifo --force").exitCode, 1);
    EXPECT_EQ(Cli("report plant.7pa --pdf notes.txt").exitCode, 1);
    EXPECT_EQ(Cli(Sim("RQB2.json") + " monitor --count 1 --csv fifo --force").exitCode, 1);
    std::ofstream(P("trend.csv")) << "yesterday";
    const auto noPort = Cli("--port /dev/ttyNOPE monitor --count 1 --csv trend.csv --force");
    EXPECT_EQ(noPort.exitCode, 1);
    EXPECT_EQ(ReadText(P("trend.csv")), "yesterday");  // untouched before a first reading
    EXPECT_EQ(Cli(Sim("RQB2.json") + " --quiet monitor --count 2 --csv trend.csv --force").exitCode,
              0);
    EXPECT_TRUE(ReadText(P("trend.csv")).starts_with("time,")) << ReadText(P("trend.csv"));
    EXPECT_FALSE(fs::exists(P("trend.csv.part")));

    // Inputs that are not files, and empty values, say so.
    const auto sim = Cli("--sim fifo read C02");
    EXPECT_EQ(sim.exitCode, 1);
    EXPECT_TRUE(Has(sim.err, "not a regular file")) << sim.err;
    const auto empty = Cli("password set ''");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(Has(empty.err, "1 to 4 digits")) << empty.err;
}

TEST_F(CliSafety, MonitorReadsUntilStopped) {
    const test::CliRunner runner(m_dir);
    const auto run = runner.Shell(
        "timeout --preserve-status -s INT 2 " +
        runner.Command(Sim("RQB2.json") + " --quiet monitor --interval 1 --csv m.csv"));
    EXPECT_EQ(run.exitCode, 130) << run.err;
    const std::string csv = ReadText(P("m.csv"));
    EXPECT_GT(std::count(csv.begin(), csv.end(), '\n'), 4) << "more than the old default of 3";
}

TEST_F(CliSafety, CtrlCAtTheDownloadQuestionDownloadsNothing) {
    ASSERT_EQ(Cli("--quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("set a.7pa C02 3").exitCode, 0);
    const std::string held = ReadText(P("User/SIMULATOR/RQB2.json"));
    // The question needs a terminal: script gives the run one, and its input
    // stays open while Ctrl-C (SIGINT) comes.
    const test::CliRunner runner(m_dir);
    const std::string run = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir " + m_dir.string();
    // Ctrl-C once the question stands (script's output is the run's .cli-stdout).
    const auto asked = runner.Shell(
        "(for i in $(seq 80); do grep -q 'Download?' .cli-stdout && "
        "break; sleep 0.1; done; pkill -INT -f '^" +
        run + " --quiet download') & " + "sleep 10 | script -qec '" + run + " --quiet download " +
        P("a.7pa") + "' /dev/null");
    EXPECT_EQ(asked.exitCode, 130) << asked.all();
    EXPECT_TRUE(Has(asked.all(), "Download? [y/N]")) << asked.all();
    EXPECT_EQ(ReadText(P("User/SIMULATOR/RQB2.json")), held);
}

// A download cut short on a terminal offers what the instrument held
// before; "y" writes the backup back, anything else prints how to.
TEST_F(CliSafety, APartialDownloadOffersTheBackupBackOnATerminal) {
    ASSERT_EQ(Cli("--quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("set a.7pa C02 12.5").exitCode, 0);
    ASSERT_EQ(Cli("set a.7pa C03 80").exitCode, 0);
    // Three requests after the first writes go unanswered: the download
    // gives up after C03, and the line answers again for the restore.
    const std::string unit = Rqb2("FIC-101", {{"drop", {{"on", {48, 49, 50}}}}});
    const test::CliRunner runner(m_dir);
    const std::string run = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir " + m_dir.string();
    for (const std::string answer : {"n", "y"}) {
        const auto cut =
            runner.Shell("printf 'y\\n" + answer + "\\n' | script -qec '" + run + " --quiet " +
                         unit + " download " + P("a.7pa") + "' /dev/null");
        EXPECT_EQ(cut.exitCode, 1) << cut.all();
        EXPECT_TRUE(Has(cut.all(), "download ended after 3 of 8 items")) << cut.all();
        EXPECT_TRUE(Has(cut.all(), "Put back what the instrument held before (")) << cut.all();
        EXPECT_EQ(Has(cut.all(), "puts it back"), answer == "n") << cut.all();
        EXPECT_EQ(Has(cut.all(), "the instrument holds again what it held before"), answer == "y")
            << cut.all();
    }
    // The register holds the one restore, confirmed by its read-back.
    const auto history = Cli("register history FIC-101");
    std::istringstream rows(history.out);
    int restores = 0;
    for (std::string row; std::getline(rows, row);) {
        if (Has(row, " restore ")) {
            ++restores;
            EXPECT_TRUE(Has(row, "completed")) << row;
        }
    }
    EXPECT_EQ(restores, 1) << history.out;
}

// The reason a register requires goes with the download it was given for,
// with a backup (asked with the preview) and without one (asked on its own).
TEST_F(CliSafety, CancelOutputShowsTheItemReadAgain) {
    const auto run = Cli(Sim("RQB2.json") + " --quiet cancel-output");
    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_TRUE(Has(run.out, "E01 ZERO ADJ")) << run.out;
}

TEST_F(CliSafety, TheRequiredReasonIsRecordedWithOrWithoutABackup) {
    ASSERT_EQ(Cli("--quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("register setting REASONREQUIRED 1").exitCode, 0);
    EXPECT_EQ(Cli("--quiet download --yes --no-backup a.7pa").exitCode, 1);
    ASSERT_EQ(Cli("--quiet download --yes --reason 'order 1' a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("--quiet download --yes --no-backup --reason 'order 2' a.7pa").exitCode, 0);
    const auto history = nlohmann::json::parse(Cli("register history FIC-101 --json").out);
    std::vector<std::string> reasons;
    for (const auto& record : history["records"]) {
        if (record["kind"] == "download") reasons.push_back(record["reason"]);
    }
    EXPECT_EQ(reasons, (std::vector<std::string>{"order 2", "order 1"}));
}

TEST_F(CliSafety, TheDownloadPasswordClosesEveryWritePath) {
    const std::string reg = "--register 'sqlite:" + P("reg.sqlite") + "' ";
    ASSERT_EQ(Cli(reg + "--quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("set a.7pa C02 12.5").exitCode, 0);
    ASSERT_EQ(Cli(Sim("RQK2.json") + " --quiet program-upload -o p.7pr").exitCode, 0);
    ASSERT_EQ(Cli(Sim("ZNC.json") + " --quiet --no-register rack upload up --slots 1").exitCode, 0);
    ASSERT_EQ(Cli("password set 12").exitCode, 0);
    const std::string held = ReadText(P("User/SIMULATOR/RQB2.json"));
    ASSERT_FALSE(held.empty());
    for (const std::string& command : std::vector<std::string>{
             "download --yes a.7pa", "download --yes --no-backup a.7pa",
             "write --category set C02 3.5", reg + "register restore FIC-101 --yes",
             Sim("RQK2.json") + " program-download --yes p.7pr",
             Sim("ZNC.json") + " rack download up --yes --slots 1"}) {
        const auto run = Cli("--log w.log " + command);
        EXPECT_EQ(run.exitCode, 1) << command << "\n" << run.all();
        EXPECT_TRUE(Has(run.err, "give --password")) << command << "\n" << run.err;
        EXPECT_FALSE(fs::exists(P("w.log"))) << command << ": the line was opened";
        EXPECT_EQ(ReadText(P("User/SIMULATOR/RQB2.json")), held) << command;
    }
    EXPECT_EQ(Cli("--quiet write --category set C02 3.5 --password 12").exitCode, 0);
    EXPECT_NE(ReadText(P("User/SIMULATOR/RQB2.json")), held);
    // The slot and baud-rate jobs stay open.
    EXPECT_EQ(Cli(Sim("ZNC.json") + " --quiet slot 1").exitCode, 0);
}

TEST_F(CliSafety, HostileTagsStayText) {
    const std::string tag = "X';id;'";
    const std::string hostile = Rqb2(tag);
    ASSERT_EQ(Cli(hostile + " --quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("set a.7pa C02 12.5").exitCode, 0);
    // The line is lost after the first two writes (requests 46 and 47): the
    // report names the backup and a restore line a shell takes as one word.
    auto faults = nlohmann::json::object();
    faults["drop"]["on"] = nlohmann::json::array();
    for (int n = 48; n < 400; ++n) faults["drop"]["on"].push_back(n);
    ASSERT_EQ(Cli("set a.7pa C03 80").exitCode, 0);
    const auto cut = Cli(Rqb2(tag, faults) + " --quiet download --yes a.7pa");
    EXPECT_EQ(cut.exitCode, 1) << cut.all();
    const auto hint = cut.err.find("--no-backup '");
    ASSERT_NE(hint, std::string::npos) << cut.all();
    EXPECT_TRUE(Has(cut.err, "'\\''")) << cut.err;
    EXPECT_FALSE(Has(cut.err.substr(hint), "'" + tag)) << cut.err;

    // Spreadsheet and terminal: the tag as text, control characters shown.
    const auto show = Cli(Rqb2("A\x1b[2JB") + " --quiet read --category set 1");
    EXPECT_FALSE(Has(show.all(), "\x1b")) << show.all();
    // The register's tables show the tag's control characters too.
    ASSERT_EQ(Cli(Rqb2("T\x1b[31m") + " --quiet upload -o b.7pa").exitCode, 0);
    const auto list = Cli("register list");
    EXPECT_TRUE(Has(list.out, "T\\x1b[31m")) << list.out;
    EXPECT_FALSE(Has(list.out, "\x1b")) << list.out;
}

TEST_F(CliSafety, RackFoldersThatDoNotMatchTheRackAreNamed) {
    const std::string rack = Sim("ZNC.json") + " --quiet --no-register ";
    ASSERT_EQ(Cli(rack + "rack upload up --slots 1,3").exitCode, 0);
    const std::string slot1 = P("up/S01_RQB2_FIC-101.7pa");
    ASSERT_EQ(Cli("set " + slot1 + " C02 12.5").exitCode, 0);
    const std::string edited = ReadText(slot1);
    const auto again = Cli(rack + "rack upload up --slots 1 --json");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(Has(again.out, "kept: file exists")) << again.out;
    EXPECT_EQ(ReadText(slot1), edited);
    EXPECT_EQ(Cli(rack + "rack upload up --slots 1 --force").exitCode, 0);
    EXPECT_NE(ReadText(slot1), edited);
    const auto file = Cli(rack + "rack upload " + slot1);
    EXPECT_EQ(file.exitCode, 2);
    EXPECT_TRUE(Has(file.err, "is not a folder")) << file.err;

    // Slot 3 holds an RQG2; an RQB2 file named for it is refused, no preview.
    fs::copy_file(slot1, P("up/S03_RQB2_WRONG.7pa"));
    fs::remove(P("up/S03_RQG2_TI-204.7pa"));
    fs::copy_file(slot1, P("up/S17_RQB2_X.7pa"));
    const auto down = Cli(rack + "rack download up --yes --slots 1-3");
    EXPECT_TRUE(Has(down.err, "S17_RQB2_X.7pa: a rack has slots 1-16")) << down.err;
    EXPECT_TRUE(Has(down.out, "S03: the file is for RQB2, slot 3 holds RQG2; nothing written"))
        << down.out;
    EXPECT_FALSE(Has(down.out, "slot 3: backup")) << down.out;
    const auto verify = Cli(rack + "rack verify up --slots 3");
    EXPECT_TRUE(Has(verify.out, "nothing compared")) << verify.out;
    fs::copy_file(slot1, P("up/S01_RQB2_COPY.7pa"));
    const auto twice = Cli(rack + "rack download up --yes --slots 1");
    EXPECT_TRUE(Has(twice.err, "two files name slot 1")) << twice.err;
    EXPECT_TRUE(Has(twice.out, "skipped")) << twice.out;
}

}  // namespace
}  // namespace rq50::cli
