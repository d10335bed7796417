#include <gtest/gtest.h>
#include <signal.h>
#include <sys/wait.h>

#include <filesystem>

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "integration/CommPtyTest.h"
#include "platform/QtSerialPort.h"
#include "shell/Clock.h"
#include "unit/PacingUnderTest.h"
#include "shell/Services.h"
#include "unit/CommFakes.h"
#include "unit/CommTestJob.h"

namespace rq50::integration {
namespace {

/// tavro-sim serving a directly connected instrument on a pseudo-terminal.
class TavroSim {
  public:
    explicit TavroSim(const std::string& instrument) {
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            const std::string exe = std::string(RQ50_BIN_DIR) + "/tavro-sim";
            ::execl(exe.c_str(), exe.c_str(), "--instrument", instrument.c_str(),
                    static_cast<char*>(nullptr));
            ::_exit(127);
        }
        ::close(out[1]);
        m_out = out[0];
        // The first line names the pseudo-terminal.
        std::string line;
        const Bytes text = ReadLine();
        line.assign(text.begin(), text.end());
        if (line.rfind("PTY ", 0) == 0) m_path = line.substr(4);
    }
    ~TavroSim() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        if (m_out >= 0) ::close(m_out);
    }
    const std::string& Path() const { return m_path; }

  private:
    Bytes ReadLine() {
        Bytes line;
        while (true) {
            pollfd p{m_out, POLLIN, 0};
            if (::poll(&p, 1, 5000) <= 0) return line;
            std::uint8_t c = 0;
            if (::read(m_out, &c, 1) != 1 || c == '\n') return line;
            line.push_back(c);
        }
    }
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_path;
};

std::string DirectInstrument() {
    const std::filesystem::path folder = std::string(RQ50_SOURCE_DIR) + "/sim/instruments";
    if (std::filesystem::exists(folder / "RQB2.json")) return (folder / "RQB2.json").string();
    for (const auto& entry : std::filesystem::directory_iterator(folder))
        if (entry.path().extension() == ".json") return entry.path().string();
    return {};
}

/// Sends the first-item request at `speed` and collects what comes back.
Bytes Exchange(platform::QtSerialPort& port, int speed, int waitMs) {
    comm::LineSettings line;
    line.speed = speed;
    port.SetLineSettings(line);
    port.ClearBuffers();
    comm::CommEngine engine;
    engine.ReqFirstItem();
    EXPECT_TRUE(port.Write(engine.SendBuffer));
    WaitFor([&] { return port.BytesWaiting() >= 9 + 16; }, waitMs);
    port.SetInputLength(0);
    return port.Read();
}

class TavroSimPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(DirectInstrument().empty());
        sim = std::make_unique<TavroSim>(DirectInstrument());
        ASSERT_FALSE(sim->Path().empty()) << "tavro-sim printed no PTY line";
        port.SetDevice(sim->Path());
    }
    std::unique_ptr<TavroSim> sim;
    platform::QtSerialPort port;
};

TEST_F(TavroSimPty, AnswersAt1200AndIgnoresAFrameAt9600) {
    comm::LineSettings line;
    port.SetLineSettings(line);
    ASSERT_TRUE(port.Open()) << port.ErrorDescription();

    // Nine bytes out and 25 back at 1200 bit/s take about 300 ms.
    const Bytes answer = Exchange(port, 1200, 3000);
    ASSERT_GE(answer.size(), 9u);
    EXPECT_EQ(answer[5] & 0x3F, 0);
    EXPECT_EQ(answer[6] & 0x3F, 1);
    EXPECT_EQ(std::string(answer.begin() + 8, answer.begin() + 16), "MODEL   ");

    EXPECT_TRUE(Exchange(port, 9600, 1500).empty()) << "a frame at the wrong speed is ignored";

    // Back at the instrument's speed it answers again.
    EXPECT_GE(Exchange(port, 1200, 3000).size(), 9u);
}

TEST_F(TavroSimPty, EngineRunsAJobThroughTheRealPort) {
    comm::CommEngine engine;
    engine.SetCommPacing(rq50::testing::PacingUnderTest());
    shell::SteadyClock clock;
    comm::testing::RecordingMessages messages;
    engine.Data().hosts.clock = &clock;
    engine.Data().hosts.messages = &messages;
    engine.SetClock(&clock);
    engine.CommSettings.deviceOverride = sim->Path();
    engine.AttachPort(&port);
    comm::testing::TestReadJob job{engine};
    job.reads = 2;
    job.Register();

    ASSERT_TRUE(engine.StartCommJob({comm::testing::TestReadJob::kCode, "Test"}));
    const bool ended = engine.RunCommJob(20'000);
    const int result = engine.CommResult;

    ASSERT_TRUE(ended);
    EXPECT_EQ(result, comm::kErrNone);
    EXPECT_TRUE(messages.boxes.empty());
    ASSERT_EQ(job.names.size(), 3u);
    EXPECT_EQ(job.names[0], "MODEL   ");
    EXPECT_FALSE(job.model.empty());
    EXPECT_FALSE(port.IsOpen());
}

}  // namespace
}  // namespace rq50::integration
