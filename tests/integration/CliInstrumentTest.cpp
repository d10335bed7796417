// rq50-cli against tavro-sim over a real pseudo-terminal: the commands as a
// user runs them, with the real serial port and real time.

#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <array>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <thread>

namespace rq50::integration {
namespace {

namespace fs = std::filesystem;

/// tavro-sim serving an instrument file on a pseudo-terminal.
class SimProcess {
  public:
    explicit SimProcess(const std::string& instrument) {
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string exe = std::string(RQ50_BIN_DIR) + "/tavro-sim";
            const std::string file =
                std::string(RQ50_SOURCE_DIR) + "/sim/instruments/" + instrument;
            ::execl(exe.c_str(), exe.c_str(), "--instrument", file.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
        std::string line;
        while (true) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) break;
            char c = 0;
            if (::read(m_out, &c, 1) != 1 || c == '\n') break;
            line += c;
        }
        if (line.rfind("PTY ", 0) == 0) m_path = line.substr(4);
    }
    ~SimProcess() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
    }
    const std::string& Path() const { return m_path; }

  private:
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_path;
};

struct CliRun {
    int exitCode = -1;
    std::string output;  ///< stdout and stderr together
};

CliRun RunCli(const std::string& arguments) {
    const std::string command = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir " + RQ50_BIN_DIR +
                                " " + arguments + " 2>&1";
    CliRun run;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (!pipe) return run;
    std::array<char, 512> buffer{};
    while (std::fgets(buffer.data(), buffer.size(), pipe)) run.output += buffer.data();
    const int status = ::pclose(pipe);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return run;
}

class CliInstrument : public ::testing::Test {
  protected:
    void SetUp() override {
        m_folder = fs::temp_directory_path() / ("rq50-cli-it-" + std::to_string(::getpid()));
        fs::create_directories(m_folder);
    }
    void TearDown() override { fs::remove_all(m_folder); }
    std::string File(const std::string& name) const { return (m_folder / name).string(); }

  private:
    fs::path m_folder;
};

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

TEST_F(CliInstrument, UploadThenDownloadReportsNoDifference) {
    SimProcess sim("RQB2.json");
    ASSERT_FALSE(sim.Path().empty());
    const auto up = RunCli("--quiet --port " + sim.Path() + " upload -o " + File("a.7pa"));
    ASSERT_EQ(up.exitCode, 0) << up.output;
    ASSERT_TRUE(fs::exists(File("a.7pa")));
    const auto down = RunCli("--quiet --port " + sim.Path() + " download " + File("a.7pa"));
    EXPECT_EQ(down.exitCode, 0) << down.output;
    EXPECT_NE(down.output.find("Downloading to TAVRO completed."), std::string::npos);
    // The Qt port runs under its application object, and no prompt is printed.
    EXPECT_EQ(up.output.find("QSocketNotifier"), std::string::npos) << up.output;
    EXPECT_EQ(down.output.find("QSocketNotifier"), std::string::npos) << down.output;
    EXPECT_EQ(down.output.find("Starts communication"), std::string::npos) << down.output;
}

TEST_F(CliInstrument, DownloadOfAnOutOfRangeValueListsTheClampedItem) {
    SimProcess sim("RQB2.json");
    ASSERT_EQ(RunCli("--quiet --port " + sim.Path() + " upload -o " + File("a.7pa")).exitCode, 0);
    // SCALE LO allows -100 to 100: put -150 into the stored block.
    std::string bytes = ReadAll(File("a.7pa"));
    const std::string stored = "SCALE LO+000.00 ";
    const auto at = bytes.find(stored);
    ASSERT_NE(at, std::string::npos);
    bytes.replace(at + 8, 7, "-150.00");
    std::ofstream(File("b.7pa"), std::ios::binary) << bytes;
    const auto down = RunCli("--quiet --port " + sim.Path() + " download " + File("b.7pa"));
    EXPECT_EQ(down.exitCode, 1) << down.output;
    EXPECT_NE(down.output.find("Data that has been set"), std::string::npos);
    EXPECT_NE(down.output.find("-150.00"), std::string::npos);
    EXPECT_NE(down.output.find("-100.00"), std::string::npos);
}

TEST_F(CliInstrument, ProgramUploadAndDownload) {
    SimProcess sim("RQK2.json");
    const auto up = RunCli("--quiet --port " + sim.Path() + " program-upload -o " + File("p.7pr"));
    ASSERT_EQ(up.exitCode, 0) << up.output;
    const auto down = RunCli("--quiet --port " + sim.Path() + " program-download " + File("p.7pr"));
    EXPECT_EQ(down.exitCode, 0) << down.output;
    EXPECT_NE(down.output.find("Downloading of PROGRAM and CONST completed."), std::string::npos);
}

TEST_F(CliInstrument, RackNeedsTheSlotOption) {
    SimProcess sim("ZNC.json");
    const auto refused = RunCli("--quiet --port " + sim.Path() + " upload -o " + File("r.7pa"));
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.output.find("Communication terminated."), std::string::npos);
    EXPECT_NE(refused.output.find("--slot"), std::string::npos);
    const auto up = RunCli("--quiet --port " + sim.Path() + " --slot 3 upload -o " + File("r.7pa"));
    EXPECT_EQ(up.exitCode, 0) << up.output;
}

TEST_F(CliInstrument, BaudChangeThenUploadAt9600) {
    SimProcess sim("RQB2.json");
    const auto baud = RunCli("--quiet --port " + sim.Path() + " baud 9600");
    ASSERT_EQ(baud.exitCode, 0) << baud.output;
    EXPECT_NE(baud.output.find("changed to 9600bps"), std::string::npos);
    const auto up =
        RunCli("--quiet --port " + sim.Path() + " --speed 9600 upload -o " + File("f.7pa"));
    EXPECT_EQ(up.exitCode, 0) << up.output;
}

std::size_t Count(const std::string& text, const std::string& part) {
    std::size_t n = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++n;
    return n;
}

TEST_F(CliInstrument, SigintDuringADownloadStopsBetweenExchangesAndSaysHowFar) {
    SimProcess sim("RQB2.json");
    ASSERT_EQ(RunCli("--quiet --port " + sim.Path() + " upload -o " + File("a.7pa")).exitCode, 0);
    const std::string log = File("run.log");
    const std::string out = File("out.txt");
    const pid_t pid = ::fork();
    if (pid == 0) {
        const std::string exe = std::string(RQ50_BIN_DIR) + "/rq50-cli";
        const std::string redirect = exe + " --app-dir " + RQ50_BIN_DIR + " --quiet --port " +
                                     sim.Path() + " --log " + log + " download " + File("a.7pa") +
                                     " >" + out + " 2>&1";
        ::execl("/bin/sh", "sh", "-c", ("exec " + redirect).c_str(), static_cast<char*>(nullptr));
        ::_exit(127);
    }
    // RQB2 is read once for its model, then its 8 SET items are written: stop
    // the download after the first writes.
    for (int i = 0; i < 400 && Count(ReadAll(log), "SEND HEX") < 3; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(25));
    }
    ::kill(pid, SIGINT);
    int status = 0;
    ::waitpid(pid, &status, 0);
    const std::string text = ReadAll(out);
    ASSERT_TRUE(WIFEXITED(status)) << text;
    EXPECT_EQ(WEXITSTATUS(status), 128 + SIGINT) << text;
    EXPECT_NE(text.find("Communication terminated."), std::string::npos) << text;
    EXPECT_NE(text.find("download stopped after "), std::string::npos) << text;
    EXPECT_NE(text.find("of 8 items"), std::string::npos) << text;
    // Every request of the log was answered: the job ended between exchanges.
    const std::string frames = ReadAll(log);
    EXPECT_EQ(Count(frames, "SEND HEX"), Count(frames, "RECIVE HEX")) << frames;
}

}  // namespace
}  // namespace rq50::integration
