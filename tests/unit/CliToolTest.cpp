// rq50-cli as a technician uses it, against the built-in simulated
// instrument (virtual time) and on files: safe writes, honest exits, offline
// edits, comparisons, the password and the JSON output.
#include "FileTestSupport.h"
#include "support/CliRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <functional>
#include <sstream>

namespace rq50::cli {
namespace {

namespace fs = std::filesystem;

using test::CliRun;
using test::Count;
using test::Has;
using test::ReadText;
using test::Sim;

class CliTool : public files::test::CliFolderTest {};

// ---- download safety ---------------------------------------------------------

TEST_F(CliTool, AProgramWithCheckErrorsIsNotDownloadedUnlessForced) {
    ASSERT_EQ(Cli(Sim("RQK2.json") + " --quiet program-upload -o p").exitCode, 0);
    ASSERT_TRUE(fs::exists(P("p.7pr")));
    const auto set = Cli("program-set p.7pr P02 QQQ9");
    ASSERT_EQ(set.exitCode, 0) << set.all();
    const auto refused = Cli(Sim("RQK2.json") + " --quiet program-download p.7pr");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "QQQ9")) << refused.err;
    EXPECT_TRUE(Has(refused.err, "Invalid operator."));
    EXPECT_TRUE(Has(refused.err, "--force"));
    EXPECT_FALSE(Has(refused.all(), "Downloading of PROGRAM and CONST completed."));
    const auto forced = Cli(Sim("RQK2.json") + " --quiet program-download --force --yes p.7pr");
    EXPECT_EQ(forced.exitCode, 0) << forced.all();
    EXPECT_TRUE(Has(forced.all(), "Downloading of PROGRAM and CONST completed."));
    EXPECT_TRUE(Has(forced.out, "backup: " + P("User/BACKUP/RQK2_")));
}

// The built-in instrument keeps what a run wrote, as a real one does, so
// upload, edit, download and verify end clean; --sim-reset starts it afresh.
TEST_F(CliTool, TheBuiltInInstrumentKeepsItsValuesBetweenRuns) {
    ASSERT_EQ(Cli("--quiet upload -o plant.7pa").exitCode, 0);
    ASSERT_EQ(Cli("set plant.7pa C02 -12.5").exitCode, 0);
    ASSERT_EQ(Cli("--quiet download --no-backup plant.7pa").exitCode, 0);
    EXPECT_EQ(Cli("--quiet verify plant.7pa").exitCode, 0);
    const auto reset = Cli("--quiet --sim-reset verify plant.7pa");
    EXPECT_EQ(reset.exitCode, 1);
    EXPECT_TRUE(Has(reset.out, "C02")) << reset.all();
    EXPECT_EQ(Cli("--quiet verify plant.7pa").exitCode, 1);  // the reset is kept too
}

TEST_F(CliTool, ADownloadKeepsTheInstrumentsSetFirstOrDoesNotRun) {
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o before.7pa").exitCode, 0);
    fs::copy_file(P("before.7pa"), P("a.7pa"));
    ASSERT_EQ(Cli("set a.7pa C02 12.5").exitCode, 0);
    // Nobody to answer the question: nothing is written without --yes.
    const auto unasked = Cli(Sim("RQB2.json") + " --quiet download a.7pa");
    EXPECT_EQ(unasked.exitCode, 1);
    EXPECT_TRUE(Has(unasked.err, "give --yes to download; nothing was downloaded")) << unasked.err;
    // The list of changes is verify's: C02, the instrument's value first.
    const auto verify = Cli(Sim("RQB2.json") + " --quiet verify --json a.7pa");
    EXPECT_EQ(verify.exitCode, 1);
    const auto differences = nlohmann::json::parse(verify.out)["differences"];
    ASSERT_EQ(differences.size(), 1u) << verify.out;
    const auto down = Cli(Sim("RQB2.json") + " --quiet download --yes a.7pa");
    ASSERT_EQ(down.exitCode, 0) << down.all();
    EXPECT_TRUE(Has(down.out, "(model RQB2, ")) << down.out;
    EXPECT_TRUE(Has(down.out, "1 item will change:\n  C02"));
    EXPECT_TRUE(Has(down.out, differences[0]["second"].get<std::string>() + " -> " +
                                  differences[0]["first"].get<std::string>()));
    // Named by model, tag and time; the instrument's set as a plain upload has it.
    const std::string prefix = "backup: " + P("User/BACKUP/RQB2_FIC-101_");
    ASSERT_EQ(down.out.rfind(prefix, 0), 0u) << down.out;
    const std::string backup = down.out.substr(8, down.out.find('\n') - 8);
    EXPECT_EQ(backup.substr(backup.size() - 4), ".7pa");
    EXPECT_EQ(Cli("diff before.7pa '" + backup + "'").exitCode, 0);

    // No backup, no download, until the user says so.
    fs::remove_all(P("User/BACKUP"));
    std::ofstream(P("User/BACKUP")) << "in the way";
    const auto refused = Cli(Sim("RQB2.json") + " --quiet download --yes a.7pa");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "no backup: ")) << refused.err;
    EXPECT_TRUE(Has(refused.err, "nothing was downloaded (--no-backup downloads without one)"));
    EXPECT_FALSE(Has(refused.all(), "Downloading to TAVRO completed."));
    const auto without = Cli(Sim("RQB2.json") + " --quiet download --no-backup a.7pa");
    EXPECT_EQ(without.exitCode, 0) << without.all();
    EXPECT_FALSE(Has(without.out, "backup:"));
}

TEST_F(CliTool, AWriteSaysWhenTheInstrumentHoldsAnotherValue) {
    const auto clamped = Cli(Sim("RQB2.json") + " --quiet write --category set C02 500");
    EXPECT_EQ(clamped.exitCode, 1);
    EXPECT_TRUE(Has(clamped.err, "asked 500, instrument holds 100.00")) << clamped.all();
    const auto exact = Cli(Sim("RQB2.json") + " --quiet write --category set C02 12.5");
    EXPECT_EQ(exact.exitCode, 0) << exact.all();
    const auto json =
        Cli(Sim("RQB2.json") + " --quiet write --json --category SET C01 \"DC 1-5V\"");
    ASSERT_EQ(json.exitCode, 0) << json.all();
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["address"], "C01");
    EXPECT_EQ(doc["mc"], 1);
    EXPECT_EQ(doc["kindName"], "selection");
    EXPECT_EQ(doc["asExpected"], true);
}

TEST_F(CliTool, ChoicesAndAllowedValuesAreShown) {
    const auto read = Cli(Sim("RQB2.json") + " --quiet read C01");  // SET by default
    ASSERT_EQ(read.exitCode, 0) << read.all();
    EXPECT_TRUE(Has(read.out, " # ADDR NAME         DATA             AUX       MA MB MC KIND\n"));
    EXPECT_TRUE(Has(read.out, "* 0: DC      4-20mA")) << read.out;
    EXPECT_TRUE(Has(read.out, "  2: DC      0-10V"));
    const auto written = Cli(Sim("RQB2.json") + " --quiet write --category set C01 2");
    EXPECT_TRUE(Has(written.out, "* 2: DC      0-10V")) << written.out;
    EXPECT_TRUE(Has(written.out, "  0: DC      4-20mA"));
    const auto number = Cli(Sim("RQB2.json") + " --quiet read --json --category set C02");
    ASSERT_EQ(number.exitCode, 0) << number.all();
    const auto doc = nlohmann::json::parse(number.out);
    EXPECT_EQ(doc["name"], "SCALE LO");
    EXPECT_EQ(doc["kind"], 2);
    EXPECT_TRUE(Has(doc["allowed"].get<std::string>(), "-999.99 to 999.99"));
    const auto ambiguous = Cli(Sim("RQB2.json") + " --quiet write --category set C01 DC");
    EXPECT_EQ(ambiguous.exitCode, 1);
    EXPECT_TRUE(Has(ambiguous.err, "names several choices")) << ambiguous.err;
    EXPECT_TRUE(Has(ambiguous.err, "1: DC      1-5V"));
}

TEST_F(CliTool, ADownloadWithDifferencesSaysSoAndNamesModels) {
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa").exitCode, 0);
    std::string bytes = ReadText(P("a.7pa"));
    const auto at = bytes.find("SCALE LO+000.00 ");
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + 8, 7, "-150.00");
    std::ofstream(P("b.7pa"), std::ios::binary) << bytes;
    const auto down = Cli(Sim("RQB2.json") + " --quiet download --yes b.7pa");
    EXPECT_EQ(down.exitCode, 1);
    EXPECT_TRUE(Has(down.err, "completed with 1 difference")) << down.err;
    EXPECT_FALSE(Has(down.err, "Downloading to TAVRO completed.\n"));
    // The check list sets a value and its unit apart.
    EXPECT_TRUE(Has(down.out, "-150.00 %")) << down.out;
    EXPECT_TRUE(Has(down.out, "-100.00 %")) << down.out;
    const auto json = Cli(Sim("RQB2.json") + " --quiet download --yes --json b.7pa");
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["differences"].size(), 1u);
    EXPECT_EQ(doc["differences"][0]["sent"], "-150.00 %");
    EXPECT_EQ(doc["differences"][0]["set"], "-100.00 %");
    EXPECT_EQ(doc["written"], doc["total"]);
    const auto other = Cli(Sim("RQG2.json") + " --quiet download --yes a.7pa");
    EXPECT_EQ(other.exitCode, 1);
    EXPECT_TRUE(Has(other.err, "the file is for model RQB2, the instrument is model RQG2"))
        << other.err;
    const auto foreign = Cli(Sim("RQG2.json") + " --quiet verify a.7pa");
    EXPECT_EQ(foreign.exitCode, 1);
    EXPECT_EQ(foreign.out, "");  // no item list across models
    EXPECT_TRUE(Has(foreign.err, "instrument is model RQG2; nothing compared")) << foreign.err;
}

// ---- the plant register --------------------------------------------------------

// Each transfer lands in the register the run names, and rq50-cli register
// reads it back: who did what, what two records differ in, a restore of an
// earlier set (with its backup, recorded as such), an export that keeps files.
TEST_F(CliTool, TheRegisterRecordsTransfersAndRestoresAnEarlierSet) {
    const std::string reg = "--register 'sqlite:" + P("reg.sqlite") + "' ";
    auto history = [&] {
        const auto run = Cli(reg + "register history FIC-101 --json");
        EXPECT_EQ(run.exitCode, 0) << run.all();
        return nlohmann::json::parse(run.out)["records"];
    };
    ASSERT_EQ(Cli(reg + "--quiet upload -o a.7pa").exitCode, 0);
    const auto uploaded = history();
    ASSERT_EQ(uploaded.size(), 1u);
    EXPECT_EQ(uploaded[0]["kind"], "upload");
    EXPECT_EQ(uploaded[0]["model"], "RQB2");
    EXPECT_FALSE(uploaded[0]["user"].get<std::string>().empty());
    EXPECT_EQ(uploaded[0]["time"].get<std::string>().back(), 'Z');
    const std::string upload = std::to_string(uploaded[0]["id"].get<int>());

    ASSERT_EQ(Cli("set a.7pa C02 12.5").exitCode, 0);
    ASSERT_EQ(Cli(reg + "--quiet download --yes a.7pa").exitCode, 0);
    const auto downloaded = history();
    ASSERT_EQ(downloaded.size(), 3u);
    EXPECT_EQ(downloaded[0]["kind"], "download");
    EXPECT_EQ(downloaded[1]["kind"], "backup");
    const std::string download = std::to_string(downloaded[0]["id"].get<int>());
    const auto differ = Cli(reg + "register diff " + upload + " " + download);
    EXPECT_EQ(differ.exitCode, 1);
    EXPECT_TRUE(Has(differ.out, "C02")) << differ.all();

    const auto restore =
        Cli(reg + "--quiet register restore FIC-101 --record " + upload + " --yes");
    ASSERT_EQ(restore.exitCode, 0) << restore.all();
    EXPECT_TRUE(Has(restore.out, "backup: ")) << restore.out;
    EXPECT_TRUE(Has(restore.out, "1 item will change:\n  C02"));
    const auto restored = history();
    ASSERT_EQ(restored.size(), 5u);
    EXPECT_EQ(restored[0]["kind"], "restore");
    EXPECT_EQ(restored[1]["kind"], "backup");
    EXPECT_EQ(Cli(reg + "--quiet register diff " + upload + " --instrument").exitCode, 0);
    // The audit names the item each write changed, and in which direction.
    const auto audit = nlohmann::json::parse(Cli(reg + "register audit --json").out)["records"];
    ASSERT_EQ(audit.size(), 2u);
    EXPECT_EQ(audit[1]["kind"], "restore");
    ASSERT_EQ(audit[1]["changes"].size(), 1u);
    EXPECT_EQ(audit[1]["changes"][0]["address"], "C02");
    EXPECT_EQ(audit[1]["changes"][0]["before"], audit[0]["changes"][0]["after"]);

    const auto kept = Cli(reg + "register export " + upload + " -o a.7pa");
    EXPECT_EQ(kept.exitCode, 1);
    EXPECT_TRUE(Has(kept.err, "a.7pa exists; give --force")) << kept.err;
    EXPECT_EQ(Cli(reg + "--quiet register export " + upload + " -o a.7pa --force").exitCode, 0);
    EXPECT_EQ(Cli(reg + "register diff " + upload + " a.7pa").exitCode, 0);

    // A register that is not there, or not a register, is refused in a line.
    const auto missing = Cli("--register sqlite:none.sqlite register list");
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(Has(missing.err, "rq50-cli: the register sqlite:none.sqlite does not exist"));
    EXPECT_FALSE(fs::exists(P("none.sqlite")));
    std::ofstream(P("bad.sqlite")) << "not a database";
    const auto bad = Cli("--register sqlite:bad.sqlite register history FIC-101");
    EXPECT_EQ(bad.exitCode, 1);
    EXPECT_TRUE(Has(bad.err, "is not a SQLite database")) << bad.err;
}

// ---- files before instruments -----------------------------------------------

TEST_F(CliTool, OutputPathsAreCheckedBeforeTheInstrumentIsAsked) {
    fs::create_directories(P("folder"));
    const auto folder = Cli(Sim("RQB2.json") + " upload -o " + P("folder"));
    EXPECT_EQ(folder.exitCode, 1);
    EXPECT_TRUE(Has(folder.err, "is a folder")) << folder.err;
    EXPECT_FALSE(Has(folder.err, "simulated instrument"));
}

TEST_F(CliTool, MessagesNameTheFileAndTheAcceptedForms) {
    const auto date = Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa --date 2026/02/30");
    EXPECT_EQ(date.exitCode, 1);
    EXPECT_TRUE(Has(date.err, "yyyy/mm/dd")) << date.err;
    EXPECT_FALSE(fs::exists(P("a.7pa")));
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa").exitCode, 0);
    const std::string bytes = ReadText(P("a.7pa"));
    // An earlier upload's file is replaced only when asked.
    const auto again = Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(Has(again.err, "a.7pa exists; give --force to replace it")) << again.err;
    EXPECT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa --force").exitCode, 0);
    std::ofstream(P("cut.7pa"), std::ios::binary) << bytes.substr(0, bytes.size() / 2);
    for (const char* command : {"show cut.7pa", "download cut.7pa", "set cut.7pa C02 1"}) {
        const auto run = Cli(Sim("RQB2.json") + " --quiet " + command);
        EXPECT_EQ(run.exitCode, 1) << command;
        EXPECT_TRUE(Has(run.err, "cut.7pa")) << command << ": " << run.err;
    }
}

TEST_F(CliTool, ShowPrintsTheInformationAndCheckSpeaksJson) {
    ASSERT_EQ(
        Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa --title1 \"Line 4\" --created-by Ann")
            .exitCode,
        0);
    const auto show = Cli("show a.7pa");
    ASSERT_EQ(show.exitCode, 0) << show.all();
    EXPECT_TRUE(Has(show.out, "Title 1:        Line 4")) << show.out;
    EXPECT_TRUE(Has(show.out, "Created by:     Ann"));
    EXPECT_TRUE(Has(show.out, "File Name:      a.7pa"));
    ASSERT_EQ(Cli("new-program -o p.7pr").exitCode, 0);
    ASSERT_EQ(Cli("program-set p.7pr P02 QQQ9").exitCode, 0);
    const auto check = Cli("check --json p.7pr");
    EXPECT_EQ(check.exitCode, 1);
    const auto doc = nlohmann::json::parse(check.out);
    EXPECT_EQ(doc["ok"], false);
    ASSERT_EQ(doc["errors"].size(), 1u);
    EXPECT_EQ(doc["errors"][0]["step"], "P02");
    EXPECT_EQ(doc["errors"][0]["operator"], "QQQ9");
    EXPECT_EQ(doc["errors"][0]["message"], "Invalid operator.");
}

// ---- offline edits and comparisons ---------------------------------------------

TEST_F(CliTool, SetAndDiffUseTheEntryRules) {
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa").exitCode, 0);
    ASSERT_EQ(Cli("copy a.7pa b.7pa").exitCode, 0);
    const auto set = Cli("set b.7pa C02 -12.5");
    ASSERT_EQ(set.exitCode, 0) << set.all();
    EXPECT_TRUE(Has(set.out, "C02 SCALE LO: 0.00 % -> -12.50 %")) << set.out;
    const auto code = Cli("set b.7pa C01 2");  // unchecked: a file holds no choice list
    EXPECT_EQ(code.exitCode, 0);
    EXPECT_TRUE(Has(code.err,
                    "(DC      4-20mA, code 0): code 2 is taken unchecked; rq50-cli "
                    "read --category set C01 lists"))
        << code.err;
    EXPECT_EQ(Cli("set b.7pa D01 mA").exitCode, 0);
    const auto refused = Cli("set b.7pa C02 1000");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(Has(refused.err, "Illegal value entered."));

    const auto diff = Cli("diff a.7pa b.7pa");
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_TRUE(Has(diff.out, "C02")) << diff.out;
    EXPECT_TRUE(Has(diff.out, "-12.50 %"));
    EXPECT_TRUE(Has(diff.out, "D01"));
    const auto json = Cli("diff --json a.7pa b.7pa");
    const auto doc = nlohmann::json::parse(json.out);
    EXPECT_EQ(doc["same"], false);
    EXPECT_EQ(doc["differences"].size(), 3u);
    EXPECT_EQ(Cli("diff a.7pa a.7pa").exitCode, 0);
    // verify and download of an edited file: ADownloadKeepsTheInstrumentsSetFirstOrDoesNotRun.
}

TEST_F(CliTool, ProgramSetAndDiffUseTheEditorsRules) {
    ASSERT_EQ(Cli("new-program -o p.7pr").exitCode, 0);
    ASSERT_EQ(Cli("copy p.7pr q.7pr").exitCode, 0);
    const auto step = Cli("program-set q.7pr P05 ADD");
    ASSERT_EQ(step.exitCode, 0) << step.all();
    const auto constant = Cli("program-set q.7pr Q03 1.5");
    ASSERT_EQ(constant.exitCode, 0) << constant.all();
    EXPECT_EQ(Cli("program-set q.7pr Q03 abc").exitCode, 1);
    EXPECT_EQ(Cli("program-set q.7pr P99 ADD").exitCode, 1);
    const auto diff = Cli("diff p.7pr q.7pr");
    EXPECT_EQ(diff.exitCode, 1);
    EXPECT_TRUE(Has(diff.out, "P05")) << diff.out;
    EXPECT_TRUE(Has(diff.out, "ADD"));
    EXPECT_TRUE(Has(diff.out, "Q03"));
    EXPECT_TRUE(Has(diff.out, "+1.50000"));
}

TEST_F(CliTool, PasswordSetChangeClearGuardDownloads) {
    ASSERT_EQ(Cli(Sim("RQB2.json") + " --quiet upload -o a.7pa").exitCode, 0);
    const auto set = Cli("password set 12");
    ASSERT_EQ(set.exitCode, 0) << set.all();
    EXPECT_TRUE(Has(set.err, "Password has been set."));
    const auto without = Cli(Sim("RQB2.json") + " --quiet download --yes a.7pa");
    EXPECT_EQ(without.exitCode, 1);
    EXPECT_TRUE(Has(without.err, "a password is set: give --password")) << without.err;
    EXPECT_EQ(Cli(Sim("RQB2.json") + " --quiet download --yes --password 12 a.7pa").exitCode, 0);
    const auto wrong = Cli("password change 99 34");
    EXPECT_EQ(wrong.exitCode, 1);
    EXPECT_TRUE(Has(wrong.err, "Wrong password. You cannot change password."));
    const auto change = Cli("password change 12 34");
    EXPECT_EQ(change.exitCode, 0);
    EXPECT_TRUE(Has(change.err, "Password has been changed.")) << change.all();
    EXPECT_EQ(Cli("password clear 34").exitCode, 0);
    EXPECT_EQ(Cli(Sim("RQB2.json") + " --quiet download --yes a.7pa").exitCode, 0);
}

// ---- usage, log, slot, output --------------------------------------------------

TEST_F(CliTool, UsageErrorsNameTheWrongWordAndTheAllowedValues) {
    const auto category = Cli("read --category sett C02");
    EXPECT_EQ(category.exitCode, 2);
    EXPECT_TRUE(Has(category.err, "sett")) << category.err;
    EXPECT_TRUE(Has(category.err, "display"));
    const auto tab = Cli("page --tab 0");
    EXPECT_EQ(tab.exitCode, 2);
    EXPECT_FALSE(Has(tab.err, "1.79")) << tab.err;
    EXPECT_TRUE(Has(tab.err, "1 to 63"));
    const auto typo = Cli("uplod -o x.7pa");
    EXPECT_EQ(typo.exitCode, 2);
    EXPECT_TRUE(Has(typo.err, "uplod")) << typo.err;
    EXPECT_TRUE(Has(typo.err, "upload"));
    const auto option = Cli("upload --bogus -o x.7pa");
    EXPECT_EQ(option.exitCode, 2);
    EXPECT_TRUE(Has(option.err, "--bogus")) << option.err;
    const auto address = Cli(Sim("RQB2.json") + " read --category set 2C");
    EXPECT_EQ(address.exitCode, 2);
    EXPECT_TRUE(Has(address.err, "2C"));
    const auto help = Cli("download --help");
    EXPECT_TRUE(Has(help.out, "--port")) << help.out;
}

TEST_F(CliTool, TheLogKeepsTheWholeRunAndSaysWhereItIs) {
    const auto first = Cli(Sim("RQB2.json") + " read --log run.log --category set C02");
    ASSERT_EQ(first.exitCode, 0) << first.all();
    EXPECT_TRUE(Has(first.err, "log: run.log")) << first.err;
    const std::string log = ReadText(P("run.log"));
    const auto count = [](const std::string& text) { return Count(text, "SEND HEX"); };
    // Connect, the SET page and the read: far more than the last exchange.
    EXPECT_GT(count(log), 10);
    ASSERT_EQ(
        Cli(Sim("RQB2.json") + " read --log run.log --log-append --category set C02").exitCode, 0);
    EXPECT_EQ(count(ReadText(P("run.log"))), 2 * count(log));
    ASSERT_EQ(Cli(Sim("RQB2.json") + " read --log run.log --category set C02").exitCode, 0);
    EXPECT_EQ(count(ReadText(P("run.log"))), count(log));
    const auto fallback = Cli(Sim("RQB2.json") + " --quiet --log page");
    EXPECT_EQ(fallback.exitCode, 0) << fallback.all();
    EXPECT_TRUE(fs::exists(m_dir / "User" / "RQ50.Log"));
}

TEST_F(CliTool, FastCommunicationUploadsTheSameData) {
    ASSERT_EQ(Cli(Sim("RQG2.json") + " --quiet upload -o classic").exitCode, 0);
    const auto fast = Cli(Sim("RQG2.json") + " --quiet --fast --gap 5 upload -o fast");
    ASSERT_EQ(fast.exitCode, 0) << fast.all();
    const auto classic = nlohmann::json::parse(Cli("show classic.7pa --json").out);
    const auto quick = nlohmann::json::parse(Cli("show fast.7pa --json").out);
    EXPECT_EQ(quick["header"], classic["header"]);
    EXPECT_EQ(quick["items"], classic["items"]);
    const auto wrongGap = Cli(Sim("RQG2.json") + " --fast --gap 5000 upload -o x");
    EXPECT_EQ(wrongGap.exitCode, 2);
    EXPECT_TRUE(Has(wrongGap.err, "--gap")) << wrongGap.all();
}

TEST_F(CliTool, PortsListsDevicesThatCanBeNamedWithPort) {
    const auto json = Cli("ports --json");
    ASSERT_EQ(json.exitCode, 0) << json.all();
    const auto list = nlohmann::json::parse(json.out);
    ASSERT_TRUE(list.is_array());
    const auto text = Cli("ports");
    ASSERT_EQ(text.exitCode, 0) << text.all();
    if (list.empty()) {
        EXPECT_TRUE(Has(text.err, "no serial ports found")) << text.all();
        EXPECT_TRUE(text.out.empty());
        return;
    }
    // Each line starts with the device path the --port option takes.
    std::istringstream lines(text.out);
    std::string line;
    std::size_t index = 0;
    while (std::getline(lines, line)) {
        ASSERT_LT(index, list.size()) << text.out;
        const std::string device = list[index]["device"].get<std::string>();
        EXPECT_EQ(line.substr(0, line.find("  ")), device);
        EXPECT_TRUE(fs::exists(device)) << device;
        ++index;
    }
    EXPECT_EQ(index, list.size());
}

TEST_F(CliTool, SlotReportsTheInstrumentAndAnEmptySlotHasItsOwnMessage) {
    const auto slot = Cli(Sim("ZNC.json") + " slot 3");
    EXPECT_EQ(slot.exitCode, 0) << slot.all();
    EXPECT_TRUE(Has(slot.out, "slot 3: RQG2"));
    EXPECT_TRUE(Has(slot.err, "--slot 3"));
    const auto empty = Cli(Sim("ZNC.json") + " --quiet slot 5");
    EXPECT_EQ(empty.exitCode, 1);
    EXPECT_TRUE(Has(empty.err, "slot 5 of the rack interface (ZNC) holds no instrument"))
        << empty.err;
    EXPECT_EQ(Cli(Sim("ZNC.json") + " --quiet slot 17").exitCode, 2);
}

TEST_F(CliTool, NoPromptNoiseAndJsonPagesAndMonitor) {
    EXPECT_TRUE(Has(Cli(Sim("RQB2.json") + " --quiet page").out, " # ADDR NAME"));
    const auto page = Cli(Sim("RQB2.json") + " --quiet page --json");
    ASSERT_EQ(page.exitCode, 0) << page.all();
    EXPECT_FALSE(Has(page.all(), "Starts communication"));
    const auto doc = nlohmann::json::parse(page.out);
    EXPECT_EQ(doc["category"], "SET");
    EXPECT_EQ(doc["items"][0]["address"], "C01");
    EXPECT_EQ(doc["items"][1]["kindName"], "decimal");

    const auto monitor =
        Cli(Sim("RQB2.json") + " --quiet monitor --interval 2 --duration 3 --csv m.csv");
    ASSERT_EQ(monitor.exitCode, 0) << monitor.all();
    std::istringstream lines(monitor.out);
    std::string line;
    int n = 0;
    while (std::getline(lines, line)) {
        ++n;
        EXPECT_EQ(line.substr(4, 1), "-") << line;  // yyyy-mm-ddThh:mm:ss first
        EXPECT_TRUE(Has(line, "PV"));
    }
    EXPECT_EQ(n, 2);
    const std::string csv = ReadText(P("m.csv"));
    EXPECT_TRUE(Has(csv, "time,\"A01 PV\",")) << csv;
    EXPECT_FALSE(Has(csv, "+")) << csv;  // plain numbers, not the instrument's "+051.05"
    ASSERT_EQ(std::count(csv.begin(), csv.end(), '\n'), 3);  // readings at 0 and 2 s
    const auto row2 = csv.find('\n') + 1, row3 = csv.find('\n', row2) + 1;
    EXPECT_EQ((std::stoi(csv.substr(row3 + 17, 2)) - std::stoi(csv.substr(row2 + 17, 2)) + 60) % 60,
              2)
        << csv;  // the seconds of the stamps, on the line's clock
    const auto json = Cli(Sim("RQB2.json") + " --quiet monitor --json --count 1");
    const auto reading = nlohmann::json::parse(json.out);
    EXPECT_EQ(reading["values"][0]["name"], "PV");
}

// ---- start-up ----------------------------------------------------------------
// A configuration the desktop program refuses is refused by every command that
// starts the system.

TEST_F(CliTool, MissingOrGarbledTablesRefuseEveryCommand) {
    // Which table stops the start is the start-up's test; here one, missing and garbled.
    for (const bool garble : {false, true}) {
        SCOPED_TRACE(garble ? "garbled" : "missing");
        if (garble) {
            std::ofstream(P("Category.ini"), std::ios::binary) << std::string(
                "\x7f"
                "ELF\x02\x01\0\0RQG2",
                12);
        } else {
            fs::remove(P("Category.ini"));
        }
        const CliRun r = Cli(Sim("RQG2.json") + " --quiet upload -o G.7pa");
        EXPECT_EQ(r.exitCode, 1);
        EXPECT_EQ(r.err, "Failed to initialize settings.\n" + P("Category.ini") + "\n");
        EXPECT_FALSE(fs::exists(m_dir / "G.7pa")) << "nothing talked to the instrument";
        EXPECT_EQ(Cli("new-program -o N.7pr").exitCode, 1);
        EXPECT_FALSE(fs::exists(m_dir / "N.7pr"));
    }
    // The version needs no configuration, asked as a command or an option.
    EXPECT_EQ(Cli("version").exitCode, 0);
    const CliRun flag = Cli("--version");
    EXPECT_EQ(flag.exitCode, 0);
    EXPECT_EQ(flag.out, Cli("version").out);
}

// ---- program download to a unit that refuses an area or a step ---------------

/// The shipped RQK2 with its SET groups changed by `edit`, as a file in `dir`.
std::string EditedRqk2(const fs::path& dir, const std::function<void(nlohmann::json& set)>& edit) {
    std::ifstream in(std::string(RQ50_SOURCE_DIR) + "/sim/instruments/RQK2.json");
    nlohmann::json unit = nlohmann::json::parse(in);
    edit(unit["set"]);
    const fs::path file = dir / "unit.json";
    std::ofstream(file) << unit.dump();
    return "--sim " + file.string();
}

TEST_F(CliTool, ProgramDownloadToAUnitWithoutConstSucceedsWithOneMessage) {
    ASSERT_EQ(Cli(Sim("RQK2.json") + " --quiet program-upload -o p.7pr").exitCode, 0);
    const auto noConst = EditedRqk2(m_dir, [](nlohmann::json& set) { set.erase(2); });
    const CliRun down = Cli(noConst + " --quiet program-download --yes p.7pr");
    EXPECT_EQ(down.exitCode, 0) << down.all();
    EXPECT_EQ(Count(down.all(), "Downloading of PROGRAM completed."), 1) << down.all();
    EXPECT_EQ(Count(down.all(), "CONST completed"), 0) << down.all();
}

// A step the unit will not take stops the download: the check list names
// every item not written, and the command fails.
TEST_F(CliTool, ProgramDownloadStoppedHalfWayPrintsTheCheckList) {
    ASSERT_EQ(Cli(Sim("RQK2.json") + " --quiet program-upload -o p.7pr").exitCode, 0);
    const auto refusing = EditedRqk2(m_dir, [](nlohmann::json& set) {
        nlohmann::json steps = nlohmann::json::array();
        for (int i = 1; i <= 48; ++i) {
            steps.push_back({{"name", "PROGRAM"}, {"kind", "text"}, {"data", "NOP"}});
        }
        steps[46]["readOnly"] = true;  // P47
        set[1] = {{"ma", 16}, {"name", "PROGRAM"}, {"items", steps}};
    });
    const CliRun down = Cli(refusing + " --quiet program-download --yes p.7pr");
    const std::string text = down.all();
    EXPECT_EQ(down.exitCode, 1) << text;
    // The message itself: JobProgramDownload.AStepTheUnitRefusesStops...
    EXPECT_TRUE(Has(text, "Data that has been set")) << text;
    EXPECT_EQ(Count(text, "(not written)"), 18) << text;
    EXPECT_EQ(Count(text, "completed"), 0) << text;
}

// ---- a rack interface's slots in one run ------------------------------------

TEST_F(CliTool, ARackRunGoesOverEverySlotAndOneSlotsFailureStopsNoOther) {
    const auto scan = Cli(Sim("ZNC.json") + " --quiet --no-register rack scan --json");
    ASSERT_EQ(scan.exitCode, 0) << scan.err;
    const auto slots = nlohmann::json::parse(scan.out)["slots"];
    ASSERT_EQ(slots.size(), 16u);
    EXPECT_EQ(slots[0]["model"], "RQB2");
    EXPECT_EQ(slots[0]["tag"], "FIC-101");
    EXPECT_EQ(slots[1]["state"], "empty");
    EXPECT_EQ(slots[5]["model"], "RQK2");
    EXPECT_EQ(slots[5]["tag"], "");

    const std::string rack = Sim("ZNC.json") + " --quiet --register sqlite:" + P("reg.sqlite");
    ASSERT_EQ(Cli(rack + " rack upload up --slots 1-3").exitCode, 0);
    EXPECT_TRUE(fs::exists(m_dir / "up" / "S01_RQB2_FIC-101.7pa"));
    EXPECT_TRUE(fs::exists(m_dir / "up" / "S03_RQG2_TI-204.7pa"));
    EXPECT_EQ(Cli(rack + " rack verify --slots 1,3").exitCode, 0);  // the register's uploads
    const auto down = Cli(rack + " rack download up --yes --slots 1-3");
    EXPECT_TRUE(Has(down.out, "done 2, differs 0, failed 0, empty 1")) << down.out << down.err;
    EXPECT_EQ(Count(down.out, "backup: "), 2) << down.out;

    // The rack stops answering half way through slot 1's upload, and
    // answers again after it: slot 1 fails, the others go on.
    std::ofstream(P("faulty.json"))
        << R"({"rack": {"slots": {"1": ")" << RQ50_SOURCE_DIR
        << R"(/sim/instruments/RQB2.json", "3": ")" << RQ50_SOURCE_DIR
        << R"(/sim/instruments/RQG2.json"}}, "faults": {"drop": {"on": [)";
    // Requests 12-14: a request of slot 1's upload and both its tries at
    // 1200 bit/s (the tries at 9600 bit/s are not counted by the rack).
    std::ofstream(P("faulty.json"), std::ios::app) << "12, 13, 14]}}}";
    const auto faulty = Cli("--sim " + P("faulty.json") +
                            " --quiet --no-register rack upload f --slots 1-3 --json");
    EXPECT_EQ(faulty.exitCode, 1);
    const auto outcome = nlohmann::json::parse(faulty.out)["slots"];
    EXPECT_EQ(outcome[0]["result"], "failed") << faulty.out;
    EXPECT_EQ(outcome[1]["state"], "empty");
    EXPECT_EQ(outcome[2]["result"], "uploaded") << faulty.out;
}

}  // namespace
}  // namespace rq50::cli
