// rq50-cli's commands run in this process, each on a core session of its
// own, as the program's main() runs them: nothing of one run reaches the
// next.

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <filesystem>
#include <iostream>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

#include "cli/Cli.h"
#include "cli/InstrumentSession.h"

namespace rq50::integration {
namespace {

namespace fs = std::filesystem;

struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

class CliInProcess : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = fs::temp_directory_path() / ("rq50_cli_in_process_" + std::to_string(::getpid()));
        fs::remove_all(m_dir);
        fs::create_directories(m_dir);
        for (const char* name : {"V3Model.ini", "Category.ini", "Baudrate.ini", "OPE_TBLK2.ini"})
            fs::copy_file(fs::path(RQ50_BIN_DIR) / name, m_dir / name);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    /// Runs the command line with standard output and error captured.
    CliRun Cli(std::vector<std::string> args) const {
        args.insert(args.begin(), {"rq50-cli", "--app-dir", m_dir.string()});
        std::vector<char*> argv;
        for (std::string& arg : args) argv.push_back(arg.data());
        argv.push_back(nullptr);
        std::ostringstream out, err;
        std::streambuf* savedOut = std::cout.rdbuf(out.rdbuf());
        std::streambuf* savedErr = std::cerr.rdbuf(err.rdbuf());
        CliRun run;
        run.exitCode =
            cli::ExitStatus(cli::RunCommandLine(static_cast<int>(args.size()), argv.data()));
        std::cout.rdbuf(savedOut);
        std::cerr.rdbuf(savedErr);
        run.out = out.str();
        run.err = err.str();
        return run;
    }
    std::string File(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Instrument(const std::string& name) {
        return std::string(RQ50_SOURCE_DIR) + "/sim/instruments/" + name;
    }

    fs::path m_dir;
};

// A run's options, its instrument and its failure stay with it: the next run
// starts from the defaults and a fresh session.
TEST_F(CliInProcess, NothingOfOneRunReachesTheNext) {
    const CliRun k2 = Cli({"--quiet", "--sim", Instrument("RQK2.json"), "--slot", "3",
                           "program-upload", "-o", File("p.7pr")});
    ASSERT_EQ(k2.exitCode, 0) << k2.err;
    const CliRun missing = Cli({"--quiet", "verify", File("missing.7pa")});
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_FALSE(missing.err.empty());

    // The built-in instrument again (no --sim), no slot asked, no program;
    // upload, show, verify and download one after another.
    const CliRun up = Cli({"--quiet", "upload", "-o", File("a.7pa")});
    ASSERT_EQ(up.exitCode, 0) << up.err;
    const CliRun show = Cli({"show", "--json", File("a.7pa")});
    ASSERT_EQ(show.exitCode, 0) << show.err;
    const auto shown = nlohmann::json::parse(show.out);
    EXPECT_EQ(shown["header"]["model"].get<std::string>().substr(0, 4), "RQB2");
    EXPECT_FALSE(shown["items"].empty());
    const CliRun same = Cli({"--quiet", "verify", File("a.7pa")});
    EXPECT_EQ(same.exitCode, 0) << same.out << same.err;
    const CliRun down = Cli({"--quiet", "download", "--yes", "--json", File("a.7pa")});
    EXPECT_EQ(down.exitCode, 0) << down.out << down.err;
    EXPECT_EQ(nlohmann::json::parse(down.out)["result"], 0);

    // A run keeps its options to itself, also inside another's.
    cli::LinkOptions outer;
    outer.json = true;
    const cli::LinkScope scope(outer);
    const CliRun plain = Cli({"verify", File("a.7pa")});
    EXPECT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_EQ(plain.out.find('{'), std::string::npos) << plain.out;
    EXPECT_TRUE(cli::Link().json);

    const CliRun usage = Cli({"no-such-command"});
    EXPECT_EQ(usage.exitCode, 2);
    EXPECT_NE(usage.err.find("the commands are"), std::string::npos) << usage.err;
}

}  // namespace
}  // namespace rq50::integration
