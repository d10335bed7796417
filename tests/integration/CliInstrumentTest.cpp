// rq50-cli against tavro-sim over a real pseudo-terminal: the commands as a
// user runs them, with the real serial port and real time.

#include <gmock/gmock.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <string>
#include <thread>

#include "support/CliRunner.h"
#include "support/SimProcess.h"

namespace rq50::integration {
namespace {

using ::testing::HasSubstr;
using ::testing::Not;

namespace fs = std::filesystem;

using test::CliRun;
using test::Count;
using test::ReadText;
using test::SimProcess;

class CliInstrument : public ::testing::Test {
  protected:
    // Each test has an application folder of its own, so that no backup,
    // register or simulator state lands in the build's folder.
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("rq50-cli-it-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
        for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
            if (entry.path().extension() == ".ini")
                fs::copy_file(entry.path(), m_folder / entry.path().filename());
        }
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string File(const std::string& name) const { return (m_folder / name).string(); }
    CliRun RunCli(const std::string& arguments) const {
        return test::CliRunner(m_folder)(arguments);
    }

  private:
    fs::path m_folder;
};

TEST_F(CliInstrument, UploadDownloadThenBaudChangeAndUploadAt9600) {
    SimProcess sim("RQB2.json");
    ASSERT_FALSE(sim.Path().empty());
    const std::string port = "--quiet --port " + sim.Path() + " ";
    const auto up = RunCli(port + "upload -o " + File("a.7pa"));
    ASSERT_EQ(up.exitCode, 0) << up.all();
    ASSERT_TRUE(fs::exists(File("a.7pa")));
    const auto down = RunCli(port + "download --yes " + File("a.7pa"));
    EXPECT_EQ(down.exitCode, 0) << down.all();
    EXPECT_THAT(down.all(), HasSubstr("Downloading to TAVRO completed."));
    // The Qt port runs under its application object, and no prompt is printed.
    EXPECT_THAT(up.all(), Not(HasSubstr("QSocketNotifier")));
    EXPECT_THAT(down.all(), Not(HasSubstr("QSocketNotifier")));
    EXPECT_THAT(down.all(), Not(HasSubstr("Starts communication")));

    const auto baud = RunCli(port + "baud 9600");
    ASSERT_EQ(baud.exitCode, 0) << baud.all();
    EXPECT_THAT(baud.all(), HasSubstr("changed to 9600bps"));
    const auto fast = RunCli(port + "--speed 9600 upload -o " + File("f.7pa"));
    EXPECT_EQ(fast.exitCode, 0) << fast.all();
}

TEST_F(CliInstrument, RackNeedsTheSlotOption) {
    SimProcess sim("ZNC.json");
    const auto refused = RunCli("--quiet --port " + sim.Path() + " upload -o " + File("r.7pa"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_THAT(refused.all(), HasSubstr("Communication terminated."));
    EXPECT_THAT(refused.all(), HasSubstr("--slot"));
    const auto up = RunCli("--quiet --port " + sim.Path() + " --slot 3 upload -o " + File("r.7pa"));
    EXPECT_EQ(up.exitCode, 0) << up.all();
}

/// rq50-cli run in the background with its frames logged: `act` is called
/// once the log holds `sends` requests, then the run is waited for.
struct StoppedRun : CliRun {
    std::string frames;
};

StoppedRun RunCliAndActAfter(const std::string& arguments, const std::string& folder, int sends,
                             const std::function<void(pid_t)>& act) {
    const std::string log = folder + "/run.log";
    const std::string out = folder + "/out.txt";
    fs::remove(log);  // the count below is of this run's requests only
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string command =
            "exec " + test::CliRunner(folder).Command("--log " + log + " " + arguments) + " >" +
            out + " 2>&1";
        ::execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    for (int i = 0; i < 3000 && Count(ReadText(log), "SEND HEX") < sends; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    act(pid);
    int status = 0;
    ::waitpid(pid, &status, 0);
    StoppedRun run;
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    run.out = ReadText(out);
    run.frames = ReadText(log);
    return run;
}

/// The written count of "download stopped after N of M items".
int WrittenBeforeStop(const std::string& output) {
    const auto at = output.find("stopped after ");
    return at == std::string::npos ? -1 : std::atoi(output.c_str() + at + 14);
}

class CliStop : public CliInstrument, public ::testing::WithParamInterface<const char*> {};

// Ctrl-C ends a download between two exchanges in either pacing: nothing is
// written after it, every request of the log has its answer, and the command
// says how far it came. A second Ctrl-C does not cut that short. (The downloads
// stopped in these tests skip the backup upload, so the frames counted are
// the download's.)
TEST_P(CliStop, SigintDuringADownloadStopsBetweenExchangesAndSaysHowFar) {
    const std::string pacing = GetParam();
    SimProcess sim("RQB2.json");
    const std::string link = "--quiet --port " + sim.Path() + " " + pacing + " ";
    // The file comes from the built-in simulated RQB2, which takes no time.
    ASSERT_EQ(RunCli("--quiet upload -o " + File("a.7pa")).exitCode, 0);
    // RQB2 is read once for its model, then its 8 SET items are written.
    for (const int signals : {1, 2}) {
        const auto run = RunCliAndActAfter(
            link + "download --no-backup " + File("a.7pa"), File(""), 3, [signals](pid_t pid) {
                for (int i = 0; i < signals; ++i) {
                    ::kill(pid, SIGINT);
                    std::this_thread::sleep_for(std::chrono::milliseconds(5));
                }
            });
        EXPECT_EQ(run.exitCode, 128 + SIGINT) << run.all();
        EXPECT_THAT(run.all(), HasSubstr("Communication terminated."));
        EXPECT_THAT(run.all(), Not(HasSubstr("Downloading to TAVRO completed.")));
        EXPECT_THAT(run.all(), HasSubstr("of 8 items"));
        const int written = WrittenBeforeStop(run.all());
        EXPECT_GE(written, 1) << run.all();
        EXPECT_LT(written, 8) << run.all();
        EXPECT_THAT(run.all(), HasSubstr("Items written: " + std::to_string(written)));
        EXPECT_EQ(Count(run.frames, "SEND HEX"), Count(run.frames, "RECIVE HEX")) << run.frames;
    }
}

INSTANTIATE_TEST_SUITE_P(BothPacings, CliStop, ::testing::Values("", "--fast"),
                         [](const auto& info) {
                             return std::string(info.param).empty() ? "Classic" : "Fast";
                         });

TEST_F(CliInstrument, SigintDuringAFastProgramDownloadStopsIt) {
    SimProcess sim("RQK2.json");
    ASSERT_EQ(RunCli("new-program -o " + File("p.7pr")).exitCode, 0);
    const auto run = RunCliAndActAfter(
        "--quiet --fast --port " + sim.Path() + " program-download --no-backup " + File("p.7pr"),
        File(""), 4, [](pid_t pid) { ::kill(pid, SIGINT); });
    EXPECT_EQ(run.exitCode, 128 + SIGINT) << run.all();
    const int written = WrittenBeforeStop(run.all());
    EXPECT_GE(written, 0) << run.all();
    EXPECT_LT(written, 64) << run.all();
    EXPECT_EQ(Count(run.frames, "SEND HEX"), Count(run.frames, "RECIVE HEX")) << run.frames;
}

// A line that goes away half way (the simulator's end of the pty closes, as a
// pulled USB adapter does) is said to be lost, with what was written, at once
// rather than after the retries at both speeds.
TEST_F(CliInstrument, ALineLostMidDownloadIsNamedWithWhatWasWritten) {
    auto sim = std::make_unique<SimProcess>("RQB2.json");
    const std::string device = sim->Path();
    ASSERT_EQ(RunCli("--quiet upload -o " + File("a.7pa")).exitCode, 0);
    // The backup takes the first 43 requests; the line goes during the writes.
    const auto run =
        RunCliAndActAfter("--quiet --port " + device + " download --yes " + File("a.7pa"), File(""),
                          48, [&sim](pid_t) { sim.reset(); });
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("The connection to " + device + " was lost"));
    EXPECT_THAT(run.all(), HasSubstr("Items written: "));
    // Where the instrument's own set is, and how to put it back.
    EXPECT_THAT(run.all(), HasSubstr("backup: " + File("User/BACKUP/")));
    EXPECT_THAT(run.all(), HasSubstr("download --no-backup '" + File("User/BACKUP/")));
    EXPECT_THAT(run.all(), Not(HasSubstr("Invalid port number")));
    EXPECT_THAT(run.all(), Not(HasSubstr("Response time out")));
}

// A full disk and a read-only file system are named before any work is done
// for a file that could not be kept. Mounting needs the superuser (as in CI).
TEST_F(CliInstrument, FullAndReadOnlyFileSystemsAreNamedBeforeAnyWork) {
    if (::geteuid() != 0) GTEST_SKIP() << "mounting a small file system needs the superuser";
    const std::string full = File("full");
    const std::string readOnly = File("ro");
    fs::create_directories(full);
    fs::create_directories(readOnly);
    if (std::system(("mount -t tmpfs -o size=64k tmpfs '" + full +
                     "' && mount -t tmpfs -o ro "
                     "tmpfs '" +
                     readOnly + "'")
                        .c_str()) != 0) {
        GTEST_SKIP() << "tmpfs cannot be mounted here";
    }
    struct Unmount {
        std::string a, b;
        ~Unmount() { std::system(("umount '" + a + "'; umount '" + b + "'").c_str()); }
    } unmount{full, readOnly};
    {
        std::ofstream fill(full + "/fill", std::ios::binary);
        const std::string block(4096, 'x');
        for (int i = 0; i < 64 && fill; ++i) fill << block << std::flush;
    }
    const std::string sim = std::string("--sim ") + RQ50_SOURCE_DIR + "/sim/instruments/";
    const std::string log = " --log " + File("run.log") + " ";

    auto run = RunCli(log + "upload -o " + full + "/x.7pa");
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("not enough free disk space"));
    EXPECT_EQ(Count(ReadText(File("run.log")), "SEND HEX"), 0) << "nothing was uploaded";
    run = RunCli(log + sim + "RQK2.json program-upload -o " + full + "/p.7pr");
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("not enough free disk space"));

    run = RunCli("upload -o " + readOnly + "/x.7pa");
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("the folder " + readOnly + " is read-only"));
    ASSERT_EQ(RunCli("--quiet upload -o " + File("a.7pa")).exitCode, 0);
    run = RunCli("csv " + File("a.7pa") + " -o " + readOnly + "/a.csv");
    EXPECT_EQ(run.exitCode, 1) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("The folder is read-only"));

    // Where there is room, a program upload says what it saved.
    run = RunCli(sim + "RQK2.json program-upload -o " + File("p.7pr"));
    EXPECT_EQ(run.exitCode, 0) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("48 PROGRAM steps and 16 CONST items of model RQK2 saved to"));
}

TEST_F(CliInstrument, AnEmptyPortIsAUsageError) {
    const auto run = RunCli("--port '' upload -o " + File("e.7pa"));
    EXPECT_EQ(run.exitCode, 2) << run.all();
    EXPECT_THAT(run.all(), HasSubstr("--port names no device"));
    EXPECT_FALSE(fs::exists(File("e.7pa")));
}

}  // namespace
}  // namespace rq50::integration
