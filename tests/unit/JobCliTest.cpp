// rq50-cli program-download against the built-in simulated instrument, run as
// the user runs it: what it prints and how it exits when the unit refuses an
// area or a step.

#include "FileTestSupport.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <nlohmann/json.hpp>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <string>

namespace rq50::testing {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;

class JobCli : public ::testing::Test {
  protected:
    void SetUp() override {
        m_dir = files::test::FreshFolder("job_cli");
        files::test::CopyConfigurationFiles(m_dir);
    }
    void TearDown() override { fs::remove_all(m_dir); }

    struct Run {
        int exitCode = -1;
        std::string output;  ///< standard output and error together
    };
    Run Cli(const std::string& args) const {
        const std::string command = std::string(RQ50_BIN_DIR) + "/rq50-cli --quiet --app-dir '" +
                                    m_dir.string() + "' " + args + " 2>&1";
        Run run;
        FILE* pipe = ::popen(command.c_str(), "r");
        if (!pipe) return run;
        char buffer[512];
        while (std::fgets(buffer, sizeof buffer, pipe)) run.output += buffer;
        const int status = ::pclose(pipe);
        run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        return run;
    }

    /// The shipped RQK2 with its SET groups changed by `edit`, as a file.
    std::string Unit(const std::string& name, const std::function<void(json& set)>& edit) const {
        std::ifstream in(Shipped());
        json unit = json::parse(in);
        edit(unit["set"]);
        const fs::path file = m_dir / name;
        std::ofstream(file) << unit.dump();
        return file.string();
    }
    std::string Path(const std::string& name) const { return (m_dir / name).string(); }
    static std::string Shipped() {
        return std::string(RQ50_SOURCE_DIR) + "/sim/instruments/RQK2.json";
    }

    static int Count(const std::string& text, const std::string& part) {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
        return n;
    }

    fs::path m_dir;
};

TEST_F(JobCli, ProgramDownloadToAUnitWithoutConstSucceedsWithOneMessage) {
    ASSERT_EQ(Cli("--sim " + Shipped() + " program-upload -o " + Path("p.7pr")).exitCode, 0);
    const std::string noConst = Unit("noconst.json", [](json& set) { set.erase(2); });
    const Run down = Cli("--sim " + noConst + " program-download " + Path("p.7pr"));
    EXPECT_EQ(down.exitCode, 0) << down.output;
    EXPECT_EQ(Count(down.output, "Downloading of PROGRAM completed."), 1) << down.output;
    EXPECT_EQ(Count(down.output, "CONST completed"), 0) << down.output;
}

// A step the unit will not take stops the download: the check list names
// every item not written, and the command fails.
TEST_F(JobCli, ProgramDownloadStoppedHalfWayPrintsTheCheckList) {
    ASSERT_EQ(Cli("--sim " + Shipped() + " program-upload -o " + Path("p.7pr")).exitCode, 0);
    const std::string refusing = Unit("refusing.json", [](json& set) {
        json steps = json::array();
        for (int i = 1; i <= 48; ++i) {
            steps.push_back({{"name", "PROGRAM"}, {"kind", "text"}, {"data", "NOP"}});
        }
        steps[46]["readOnly"] = true;  // P47
        set[1] = {{"ma", 16}, {"name", "PROGRAM"}, {"items", steps}};
    });
    const Run down = Cli("--sim " + refusing + " program-download " + Path("p.7pr"));
    EXPECT_EQ(down.exitCode, 1) << down.output;
    EXPECT_NE(down.output.find("Command error. Communication will be terminated."),
              std::string::npos);
    EXPECT_NE(down.output.find("Items not written: 18, from P47 PROGRAM on"), std::string::npos)
        << down.output;
    EXPECT_NE(down.output.find("Data that has been set"), std::string::npos);
    EXPECT_EQ(Count(down.output, "(not written)"), 18) << down.output;
    EXPECT_EQ(Count(down.output, "completed"), 0) << down.output;
}

}  // namespace
}  // namespace rq50::testing
