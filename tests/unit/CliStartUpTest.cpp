// rq50-cli starts as the program does: a configuration the program refuses
// is refused by every command that starts the system.
#include "FileTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <sys/wait.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

namespace rq50::cli {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliStartUp : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = files::test::FreshFolder("cli_startup");
        files::test::CopyConfigurationFiles(m_dir);
        ASSERT_TRUE(fs::exists(m_dir / "V3Model.ini"));
    }
    void TearDown() override { fs::remove_all(m_dir); }

    CliRun Cli(const std::string& args) const {
        const auto out = m_dir / "stdout.txt";
        const auto err = m_dir / "stderr.txt";
        const std::string command = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir '" +
                                    m_dir.string() + "' " + args + " >'" + out.string() + "' 2>'" +
                                    err.string() + "'";
        const int status = std::system(command.c_str());
        CliRun r;
        r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        const auto o = files::test::ReadBytes(out);
        const auto e = files::test::ReadBytes(err);
        r.out.assign(o.begin(), o.end());
        r.err.assign(e.begin(), e.end());
        return r;
    }
    std::string UploadRqg2(const std::string& name) const {
        return "upload --quiet --sim '" + std::string(RQ50_SOURCE_DIR) +
               "/sim/instruments/RQG2.json' -o '" + (m_dir / name).string() + "'";
    }
    void Garble(const std::string& name) const {
        std::ofstream(m_dir / name, std::ios::binary) << std::string(
            "\x7f"
            "ELF\x02\x01\0\0RQG2",
            12);
    }

    fs::path m_dir;
};

TEST_F(CliStartUp, AV3ModelUploadKeepsItsCustomType) {
    const CliRun r = Cli(UploadRqg2("G.7pa"));
    ASSERT_EQ(r.exitCode, 0) << r.err;
    const CliRun shown = Cli("show --json '" + (m_dir / "G.7pa").string() + "'");
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(nlohmann::json::parse(shown.out)["header"]["customType"], 0x82);
}

TEST_F(CliStartUp, MissingOrGarbledTablesRefuseEveryCommand) {
    for (const std::string file : {"V3Model.ini", "Category.ini"}) {
        for (const bool garble : {false, true}) {
            SCOPED_TRACE(file + (garble ? " garbled" : " missing"));
            SetUp();
            if (garble) {
                Garble(file);
            } else {
                fs::remove(m_dir / file);
            }
            CliRun r = Cli(UploadRqg2("G.7pa"));
            EXPECT_EQ(r.exitCode, 1);
            EXPECT_EQ(r.err, "Failed to initialize settings.\n" + (m_dir / file).string() + "\n");
            EXPECT_FALSE(fs::exists(m_dir / "G.7pa")) << "nothing talked to the instrument";
            EXPECT_EQ(Cli("new-program -o '" + (m_dir / "N.7pr").string() + "'").exitCode, 1);
            EXPECT_FALSE(fs::exists(m_dir / "N.7pr"));
            // The version needs no configuration.
            EXPECT_EQ(Cli("version").exitCode, 0);
            TearDown();
        }
    }
}

}  // namespace
}  // namespace rq50::cli
