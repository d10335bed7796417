// rq50-cli's file commands, run as the user runs them.
#include "FileSamples.h"
#include "FileTestSupport.h"
#include "files/Csv.h"
#include "files/FileError.h"
#include "files/OleDate.h"
#include "shell/Catalogue.h"
#include "support/CliRunner.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace rq50::files {
namespace {

using ::testing::HasSubstr;

namespace fs = std::filesystem;

using rq50::test::CliRun;
using rq50::test::ReadText;

class FileCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = test::FreshFolder(::testing::UnitTest::GetInstance()->current_test_info()->name());
        const fs::path data = fs::path(RQ50_TEST_DATA_DIR) / "files";
        fs::copy_file(data / "PLANT1.7pa", m_dir / "PLANT1.7pa");
        fs::copy_file(data / "MIX.7pr", m_dir / "MIX.7pr");
        files::test::CopyConfigurationFiles(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Cli(const std::string& args) const { return rq50::test::CliRunner(m_dir)(args); }
    std::string P(const std::string& name) const { return "'" + (m_dir / name).string() + "'"; }

    fs::path m_dir;
};

// Bytes of the file-name field of the information block.
constexpr std::size_t kFileNameOffset = 188;
constexpr std::size_t kFileNameLength = 40;

std::vector<std::uint8_t> WithoutFileName(std::vector<std::uint8_t> bytes) {
    if (bytes.size() >= kFileNameOffset + kFileNameLength) {
        std::fill_n(bytes.begin() + kFileNameOffset, kFileNameLength, 0);
    }
    return bytes;
}

TEST_F(FileCli, CopyGivesTheSameBytesApartFromTheFileName) {
    for (const char* name : {"PLANT1.7pa", "MIX.7pr"}) {
        SCOPED_TRACE(name);
        const std::string out = std::string("COPY") + fs::path(name).extension().string();
        const CliRun r = Cli(std::string("copy ") + P(name) + " " + P(out));
        EXPECT_EQ(r.exitCode, 0) << r.err;
        const auto original = test::ReadBytes(m_dir / name);
        const auto copy = test::ReadBytes(m_dir / out);
        EXPECT_EQ(WithoutFileName(copy), WithoutFileName(original));
        EXPECT_EQ(std::string(copy.begin() + kFileNameOffset,
                              copy.begin() + kFileNameOffset + kFileNameLength),
                  FixedLength(out, kFileNameLength));
    }
}

TEST_F(FileCli, CopyWithEditedInformation) {
    CliRun r = Cli("copy " + P("PLANT1.7pa") + " " + P("NEW.7pa") +
                   " --title1 '  Feed pump ' --created-by 'A. Ito' --date 2027-01-02T03:04:05");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    ParameterFileRecord record;
    ASSERT_EQ(LoadParameterFile((m_dir / "NEW.7pa").string(), record), files::FileError::Ok);
    EXPECT_EQ(record.information.title1, FixedLength("Feed pump", 40));
    EXPECT_EQ(record.information.createdBy, FixedLength("A. Ito", 40));
    EXPECT_EQ(FormatIsoDate(record.information.date), "2027-01-02T03:04:05");
    EXPECT_EQ(record.items, test::SampleParameterRecord().items);

    // Refusals: the message on stderr, exit code 1, nothing written.
    const std::string tooLong(41, 'x');
    for (const auto& [option, message] : {std::pair<std::string, int>{"--date 2027-02-30", 1513},
                                          {"--date ' '", 1537},
                                          {"--title2 " + tooLong, 1513}}) {
        SCOPED_TRACE(option);
        r = Cli("copy " + P("PLANT1.7pa") + " " + P("NOT.7pa") + " " + option);
        EXPECT_EQ(r.exitCode, 1);
        // The system's message first, then what the command line adds.
        EXPECT_EQ(r.err.rfind(shell::Catalogue(message) + "\n", 0), 0u) << r.err;
        EXPECT_FALSE(fs::exists(m_dir / "NOT.7pa"));
    }
}

TEST_F(FileCli, ShowJsonEscapesTextsAndKeepsNumbers) {
    const CliRun r = Cli("show " + P("PLANT1.7pa") + " --json");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const auto doc = nlohmann::json::parse(r.out);
    EXPECT_EQ(doc["kind"], "parameter");
    EXPECT_EQ(doc["information"]["title1"], "Boiler 3 \"feed\"");
    EXPECT_EQ(doc["information"]["comment"], "Checked\r\nafter repair");
    EXPECT_EQ(doc["header"]["slot"], 3);
    EXPECT_EQ(doc["items"][1]["hex"].get<std::string>().substr(0, 8), "C2010100");
    EXPECT_EQ(doc["items"][1]["data"], "+012.34 ");

    const CliRun p = Cli("show " + P("MIX.7pr") + " --json");
    ASSERT_EQ(p.exitCode, 0) << p.err;
    const auto prog = nlohmann::json::parse(p.out);
    EXPECT_EQ(prog["kind"], "program");
    EXPECT_EQ(prog["header"]["programLetter"], 16);
    EXPECT_EQ(prog["items"][3]["data"], "+12.5000");
}

TEST_F(FileCli, ShowListsGroupsAndProgram) {
    const CliRun r = Cli("show " + P("PLANT1.7pa"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    EXPECT_THAT(r.out, HasSubstr(" MODEL:RQB2\n"));
    // The DISPLAY group (MA 1) and the SET item (MA 3) are one blank row apart.
    EXPECT_THAT(r.out, HasSubstr("degC    \n\nC05"));
    const CliRun p = Cli("show " + P("MIX.7pr"));
    ASSERT_EQ(p.exitCode, 0) << p.err;
    EXPECT_THAT(p.out, HasSubstr("P02    STY1       store, out\n"));
    EXPECT_THAT(p.out, HasSubstr("Q01    12.5000\n"));
}

TEST_F(FileCli, CsvMatchesTheReport) {
    const CliRun r =
        Cli("csv " + P("PLANT1.7pa") + " -o " + P("OUT.csv") + " --areas information,set");
    ASSERT_EQ(r.exitCode, 0) << r.err;
    CsvAreas areas{true, false, true, false, false, false, false};
    std::string expected;
    for (const auto& line : BuildParameterCsv(test::SampleParameterRecord(), areas, false)) {
        expected += line + "\r\n";
    }
    EXPECT_EQ(ReadText(m_dir / "OUT.csv"), expected);

    ASSERT_EQ(Cli("csv " + P("PLANT1.7pa") + " -o " + P("T.csv") + " --plain").exitCode, 0);
    expected.clear();
    for (const auto& line : BuildPlainParameterCsv(test::SampleParameterRecord(), false))
        expected += line + "\r\n";
    EXPECT_EQ(ReadText(m_dir / "T.csv"), expected);
    // The table form has no print areas to choose.
    EXPECT_EQ(Cli("csv " + P("PLANT1.7pa") + " -o " + P("U.csv") + " --plain --areas set").exitCode,
              2);
}

TEST_F(FileCli, ErrorsAndExitCodes) {
    CliRun r = Cli("show " + P("MISSING.7pa"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, shell::Catalogue(1518) + "\nrq50-cli: " + (m_dir / "MISSING.7pa").string() +
                         " could not be read\n");

    // A program file under a parameter file's name.
    fs::copy_file(m_dir / "MIX.7pr", m_dir / "MIX.7pa");
    r = Cli("show " + P("MIX.7pa"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind("Invalid file format\n", 0), 0u) << r.err;
    EXPECT_THAT(r.err, HasSubstr("MIX.7pa"));

    // A folder under a file's name (pipes too: FilePosix.APipeIsNeitherReadNorReplaced).
    fs::create_directory(m_dir / "FOLDER.7pa");
    r = Cli("show " + P("FOLDER.7pa"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err.rfind(FileErrorDescription(FileError::NotAFile) + "\n", 0), 0u) << r.err;

    r = Cli("copy " + P("PLANT1.7pa") + " " + P("nofolder/X.7pa"));
    EXPECT_EQ(r.exitCode, 1);
    // Checked before anything is written, naming the missing folder.
    EXPECT_THAT(r.err, HasSubstr("nofolder does not exist"));

    // An export never replaces its own input or any parameter or program file.
    const std::string before = ReadText(m_dir / "PLANT1.7pa");
    for (const char* output : {"PLANT1.7pa", "MIX.7pr", "OTHER.7PA"}) {
        r = Cli("csv " + P("PLANT1.7pa") + " -o " + P(output));
        EXPECT_EQ(r.exitCode, 1) << output;
        EXPECT_THAT(r.err, HasSubstr(output));
    }
    EXPECT_EQ(ReadText(m_dir / "PLANT1.7pa"), before);
    EXPECT_FALSE(fs::exists(m_dir / "OTHER.7PA"));

    EXPECT_EQ(Cli("show " + P("PLANT1.txt")).exitCode, 2);
    EXPECT_EQ(Cli("csv " + P("PLANT1.7pa") + " -o " + P("O.csv") + " --areas program").exitCode, 2);
    EXPECT_EQ(Cli("show").exitCode, 2);
}

}  // namespace
}  // namespace rq50::files
