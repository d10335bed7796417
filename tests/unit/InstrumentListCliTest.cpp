// rq50-cli instruments: a plant's instrument list checked cell by cell
// against templates uploaded from the simulated instruments, made into one
// file per tag, and written back from the files.
#include "FileTestSupport.h"
#include "files/ParameterFile.h"
#include "files/SingleByteText.h"
#include "parameter/ItemBlock.h"
#include "support/CliRunner.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <vector>

namespace rq50::cli {
namespace {

namespace fs = std::filesystem;

using test::Has;
using test::ReadText;
using test::Sim;

const std::string kSample = std::string(RQ50_SOURCE_DIR) + "/docs/instrument-list-sample.csv";

class InstrumentListCli : public files::test::CliFolderTest {
  protected:
    void SetUp() override {
        CliFolderTest::SetUp();
        fs::create_directories(m_dir / "templates");
        for (const char* model : {"RQB2", "RQG2"}) {
            const auto up = Cli(Sim(std::string(model) + ".json") +
                                " --quiet --no-register upload -o templates/" + model + ".7pa");
            ASSERT_EQ(up.exitCode, 0) << up.all();
        }
    }
    void Write(const std::string& name, const std::string& text) const {
        std::ofstream(P(name), std::ios::binary) << text;
    }
    /// The data text of item `address` of a parameter file, trimmed.
    std::string ItemOf(const std::string& path, const std::string& address) const {
        files::ParameterFileRecord record;
        EXPECT_EQ(files::LoadParameterFile(P(path), record), files::FileError::Ok) << path;
        for (const auto& block : record.items) {
            const auto item = parameter::DecodeItem(block, false);
            if (parameter::FormatAddress(item.ma, item.mb) == address) {
                const auto end = item.data.find_last_not_of(' ');
                return item.data.substr(0, end == std::string::npos ? 0 : end + 1);
            }
        }
        return "(none)";
    }
};

struct ListCase {
    const char* name;
    std::string list;
    std::vector<std::string> problems;  // every line the check must print
};

TEST_F(InstrumentListCli, CheckReportsEveryProblemWithItsLineAndColumn) {
    const std::string head = "TAG,MODEL,SLOT,C02 SCALE LO\n";
    const ListCase cases[] = {
        {"the sample list", ReadText(kSample), {}},
        {"a value above the item's maximum",
         head + "FIC-1,RQB2,1,5000\n",
         {"L.csv:2:4: C02 5000 is above the maximum 999.99"}},
        {"every problem, not the first",
         "TAG,MODEL,SLOT,C02,FOO,D02\n"
         "A,RQB2,1,abc,,40000\n"
         "A,RQX9,17\n"
         "B,RQB2,1,,,\n"
         "C,RQG2,x,,,-99999\n"
         ",RQB2\n",
         {"L.csv:1:5: unknown column FOO", "L.csv:2:4: C02 abc is not a number",
          "L.csv:2:6: D02 40000 is above the maximum 32000",
          "L.csv:3:1: duplicate tag A (also on line 2)",
          "L.csv:3:2: no template RQX9.7pa in the templates folder",
          "L.csv:3:3: slot 17 is outside 1-16", "L.csv:4:3: duplicate slot 1 (also on line 2)",
          "L.csv:5:3: SLOT x is not a number", "L.csv:5:6: D02 -99999 is below the minimum -9999.9",
          "L.csv:6:1: TAG is empty"}},
        {"a model that does not match its template",
         "TAG,MODEL,TEMPLATE\nA,RQB2,RQG2.7pa\nB,RQB2,../RQB2.7pa\n",
         {"L.csv:2:2: model RQB2 does not match its template RQG2.7pa (model RQG2)",
          "L.csv:3:3: template ../RQB2.7pa is not a file name of the templates folder"}},
        {"an item the model lacks, a heading naming another item",
         "TAG,MODEL,D04,C02 SPAN\nA,RQG2,1,\nB,RQB2,,5\n",
         {"L.csv:2:3: RQG2.7pa holds no item D04",
          "L.csv:3:4: column C02 SPAN: C02 of RQB2.7pa is SCALE LO"}},
        {"a tag the TAG NO item cannot hold, a choice that is no code",
         "TAG,MODEL,C01\nTAG-NUMBER-TOO-LONG,RQB2,\nB,RQB2,XYZ\n",
         {"L.csv:2:1: C04 TAG-NUMBER-TOO-LONG is ",
          "L.csv:3:3: C01 XYZ: the file holds no choice list"}},
        {"no TAG column, a value without a heading",
         "MODEL,,C02\nRQB2,7,1\n",
         {"L.csv:1: the list has no TAG column",
          "L.csv:2:2: a value in a column without a heading"}},
        {"semicolons and decimal commas", "TAG;MODEL;C02;TITLE1\nA;RQB2;-12,5;a, b\n", {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write("L.csv", c.list);
        const auto run = Cli("instruments check L.csv --templates templates");
        EXPECT_EQ(run.exitCode, c.problems.empty() ? 0 : 1) << run.all();
        for (const auto& line : c.problems)
            EXPECT_TRUE(Has(run.out, line)) << line << "\n" << run.out;
        const auto json =
            nlohmann::json::parse(Cli("instruments check L.csv --templates templates --json").out);
        EXPECT_EQ(json["ok"], c.problems.empty());
        EXPECT_EQ(json["problems"].size(), c.problems.size()) << json.dump(1);
    }
}

TEST_F(InstrumentListCli, ACodeTheTemplateCannotConfirmIsANoteNotAProblem) {
    const auto run = Cli("instruments check " + kSample + " --templates templates --json");
    EXPECT_EQ(run.exitCode, 0) << run.all();
    const auto notes = nlohmann::json::parse(run.out)["notes"];
    ASSERT_EQ(notes.size(), 1u) << run.out;
    EXPECT_EQ(notes[0]["line"], 5);
    EXPECT_EQ(notes[0]["column"], 7);
    EXPECT_TRUE(Has(notes[0]["text"].get<std::string>(), "C01: the file holds no choice list"));
    EXPECT_TRUE(Has(notes[0]["text"].get<std::string>(), "code 2 is taken unchecked"));
}

TEST_F(InstrumentListCli, MakeWritesOneFilePerRowOrNothing) {
    Write("bad.csv", "TAG,MODEL,SLOT\nA,RQB2,1\nB,RQB2,1\n");
    const auto refused = Cli("instruments make bad.csv --templates templates -o out");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_FALSE(fs::exists(m_dir / "out"));

    Write("L.csv",
          "TAG;MODEL;SLOT;TITLE1;COMMENT;C02;D02\n"
          "FIC-7;RQB2;;Boiler;\"two\nlines\";-12,5;\n"
          "TI-9;RQG2;5;;;;250\n");
    const auto made = Cli("instruments make L.csv --templates templates -o out");
    ASSERT_EQ(made.exitCode, 0) << made.all();
    EXPECT_TRUE(Has(made.out, "2 files made"));
    EXPECT_EQ(ItemOf("out/RQB2_FIC-7.7pa", "C02"), "-012.50");
    EXPECT_EQ(ItemOf("out/RQB2_FIC-7.7pa", "C04"), "FIC-7");    // TAG NO
    EXPECT_EQ(ItemOf("out/RQB2_FIC-7.7pa", "C03"), "+100.00");  // the template's
    EXPECT_EQ(ItemOf("out/S05_RQG2_TI-9.7pa", "D02"), "+0250.0");
    files::ParameterFileRecord record;
    ASSERT_EQ(files::LoadParameterFile(P("out/RQB2_FIC-7.7pa"), record), files::FileError::Ok);
    EXPECT_EQ(record.information.title1.substr(0, 7), "Boiler ");
    EXPECT_EQ(record.information.comment.substr(0, 12), "two\r\nlines  ");
    EXPECT_EQ(record.information.instrumentNo.substr(0, 6), "FIC-7 ");
    ASSERT_EQ(files::LoadParameterFile(P("out/S05_RQG2_TI-9.7pa"), record), files::FileError::Ok);
    EXPECT_EQ(record.header.slot, 5);

    // Files that exist are replaced only with --force, and then all of them.
    const auto again = Cli("instruments make L.csv --templates templates -o out");
    EXPECT_EQ(again.exitCode, 1);
    EXPECT_TRUE(Has(again.err, "RQB2_FIC-7.7pa exists; --force replaces it")) << again.err;
    EXPECT_EQ(Cli("instruments make L.csv --templates templates -o out --force").exitCode, 0);
    // A slot's file is one the rack download takes.
    const auto scan =
        Cli(Sim("ZNC.json") + " --quiet --no-register rack download out --slots 5 --yes");
    EXPECT_FALSE(Has(scan.all(), "S05_RQG2_TI-9.7pa:")) << scan.all();
}

/// The bytes of a parameter file with its date blanked.
std::vector<std::uint8_t> WithoutDate(const fs::path& path) {
    auto bytes = files::test::ReadBytes(path);
    constexpr std::size_t kDateOffset = 3 * files::kCaptionLength + 3 * files::kInfoTextLength;
    for (std::size_t i = kDateOffset; i < kDateOffset + 8 && i < bytes.size(); ++i) bytes[i] = 0;
    return bytes;
}

TEST_F(InstrumentListCli, ExportAndMakeRoundTripByteForByte) {
    ASSERT_EQ(Cli("instruments make " + kSample + " --templates templates -o a").exitCode, 0);
    const auto exported = Cli("instruments export a -o back.csv");
    ASSERT_EQ(exported.exitCode, 0) << exported.all();
    EXPECT_TRUE(Has(exported.out, "4 rows written"));
    const std::string list = ReadText(P("back.csv"));
    EXPECT_EQ(list.substr(0, 3), "\xEF\xBB\xBF");
    // The TAG NO item is the TAG column; items the same in every file are left out.
    EXPECT_FALSE(Has(list, "TAG NO"));
    EXPECT_FALSE(Has(list, "ALM MASK"));
    EXPECT_TRUE(Has(list, "\"Feed water flow, loop 1\""));
    EXPECT_EQ(Cli("instruments export a -o back.csv").exitCode, 1);  // exists: --force
    ASSERT_EQ(Cli("instruments make back.csv --templates templates -o b").exitCode, 0);
    int files = 0;
    for (const auto& entry : fs::directory_iterator(m_dir / "a")) {
        SCOPED_TRACE(entry.path().filename().string());
        EXPECT_EQ(WithoutDate(entry.path()), WithoutDate(m_dir / "b" / entry.path().filename()));
        ++files;
    }
    EXPECT_EQ(files, 4);
}

TEST_F(InstrumentListCli, CommissionDownloadsEverySlotAndReportsIt) {
    // A rack with the sample list's four instruments in slots 1-4.
    const std::string inst = std::string(RQ50_SOURCE_DIR) + "/sim/instruments/";
    Write("rack.json", R"({"rack": {"slots": {"1": ")" + inst + R"(RQB2.json", "2": ")" + inst +
                           R"(RQB2.json", "3": ")" + inst + R"(RQG2.json", "4": ")" + inst +
                           R"(RQG2.json"}}})");
    const std::string reg = "--sim rack.json --register sqlite:" + P("reg.sqlite") + " ";
    const auto run = Cli(reg + "instruments commission " + kSample +
                         " --templates templates -o rk --yes --report rep.csv --pdf rep.pdf");
    ASSERT_EQ(run.exitCode, 0) << run.all();
    EXPECT_TRUE(Has(run.out, "done 4, differs 0, failed 0")) << run.out;
    const std::string report = ReadText(P("rep.csv"));
    EXPECT_EQ(report.substr(0, 3), "\xEF\xBB\xBF");
    EXPECT_TRUE(Has(report, "User,")) << report;
    EXPECT_TRUE(Has(report, "FIC-102,RQB2,2,downloaded,")) << report;
    EXPECT_TRUE(Has(report, "C02 SCALE LO = -012.50")) << report;
    EXPECT_TRUE(Has(report, "C01 INP TYPE = code 2")) << report;  // TI-205's new choice
    // The backup is named by the tag the slot held before.
    EXPECT_TRUE(Has(report, "TI-205,RQG2,4,downloaded," + P("User/BACKUP/RQG2_TI-204_"))) << report;
    EXPECT_EQ(ReadText(P("rep.pdf")).substr(0, 4), "%PDF");
    const auto history =
        Cli("--register sqlite:" + P("reg.sqlite") + " register history TI-205 --json");
    ASSERT_EQ(history.exitCode, 0) << history.all();
    const auto records = nlohmann::json::parse(history.out)["records"];
    EXPECT_TRUE(std::any_of(records.begin(), records.end(), [](const nlohmann::json& r) {
        return r["kind"] == "download";
    })) << history.out;

    // A value the file takes and the instrument does not: the read-back says
    // so, and the report with it.
    Write("L.csv", "TAG,MODEL,SLOT,C02\nFIC-1,RQB2,2,-150\n");
    const auto clamped = Cli(reg +
                             "instruments commission L.csv --templates templates -o rk2 --yes "
                             "--report rep2.csv");
    EXPECT_EQ(clamped.exitCode, 1);
    EXPECT_TRUE(Has(ReadText(P("rep2.csv")), "FIC-1,RQB2,2,differs,")) << ReadText(P("rep2.csv"));
    // The report is written only where asked, and never over a file without --force.
    EXPECT_EQ(Cli(reg + "instruments commission L.csv --templates templates -o rk3 --yes "
                        "--report rep2.csv")
                  .exitCode,
              2);
    EXPECT_FALSE(fs::exists(m_dir / "rk3"));
    // Another file for a list's slot would leave the slot out: nothing goes.
    fs::copy_file(m_dir / "rk" / "S01_RQB2_FIC-101.7pa", m_dir / "rk2" / "S02_RQB2_OLD.7pa");
    const auto stale =
        Cli(reg + "instruments commission L.csv --templates templates -o rk2 --yes --force");
    EXPECT_EQ(stale.exitCode, 1);
    EXPECT_TRUE(Has(stale.err, "two files name slot 2")) << stale.all();
    EXPECT_FALSE(Has(stale.out, "backup: ")) << stale.out;
}

}  // namespace
}  // namespace rq50::cli
