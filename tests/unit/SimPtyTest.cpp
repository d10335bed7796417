// tavro-sim's server on a real pseudo-terminal: speed, pacing and line close.

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include "SimTestSupport.h"
#include "sim/PtyServer.h"
#include "sim/SimulatedLine.h"

namespace rq50::sim::test {
namespace {

using Clock = std::chrono::steady_clock;

class SimPty : public ::testing::Test {
  protected:
    void Start(const std::string& file) {
        instrument = LoadShipped(file);
        instrument->SetLatencyMs(0);
        server = std::make_unique<PtyServer>(*instrument);
        std::string error;
        ASSERT_TRUE(server->Open(error)) << error;
        thread = std::thread([this] { server->Run(stop); });
    }
    void TearDown() override {
        CloseSlave();
        stop = true;
        if (thread.joinable()) thread.join();
    }
    void OpenSlave(speed_t speed) {
        fd = ::open(server->SlavePath().c_str(), O_RDWR | O_NOCTTY);
        ASSERT_GE(fd, 0);
        SetSpeed(speed);
    }
    void SetSpeed(speed_t speed) {
        termios t{};
        ASSERT_EQ(::tcgetattr(fd, &t), 0);
        ::cfmakeraw(&t);
        ::cfsetispeed(&t, speed);
        ::cfsetospeed(&t, speed);
        ASSERT_EQ(::tcsetattr(fd, TCSANOW, &t), 0);
    }
    void CloseSlave() {
        if (fd >= 0) ::close(fd);
        fd = -1;
    }
    /// Sends a request and collects what comes back within `waitMs`.
    Bytes Exchange(const Bytes& request, int waitMs) {
        EXPECT_EQ(::write(fd, request.data(), request.size()), ssize_t(request.size()));
        Bytes answer;
        const auto end = Clock::now() + std::chrono::milliseconds(waitMs);
        while (Clock::now() < end) {
            pollfd p{fd, POLLIN, 0};
            if (::poll(&p, 1, 10) > 0 && (p.revents & POLLIN)) {
                std::uint8_t buffer[64];
                const ssize_t n = ::read(fd, buffer, sizeof buffer);
                if (n > 0) answer.insert(answer.end(), buffer, buffer + n);
            }
            if (answer.size() >= 9 && answer.size() == std::size_t(answer[3]) + 5) break;
        }
        return answer;
    }

    std::optional<Instrument> instrument;
    std::unique_ptr<PtyServer> server;
    std::atomic<bool> stop{false};
    std::thread thread;
    int fd = -1;
};

TEST_F(SimPty, AnswersAtItsSpeedOnlyAndPacesTheAnswer) {
    Start("RQB2.json");
    OpenSlave(B9600);
    EXPECT_TRUE(Exchange(MakeRequest(kCmdRead, 0, 1, 0), 400).empty());

    SetSpeed(B1200);
    const auto begin = Clock::now();
    const Bytes answer = Exchange(MakeRequest(kCmdRead, 0, 1, 0), 2000);
    const auto took = std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - begin);
    EXPECT_EQ(Decode(answer).data, "RQB2    ");
    // 25 bytes at 1200 bit/s take about 208 ms; only a lower bound is safe.
    EXPECT_GE(took.count(), WireTimeUs(answer.size() - 1, 1200) / 1000);
}

TEST_F(SimPty, ClosingThePortEndsMaintenanceAccess) {
    Start("RQB2.json");
    OpenSlave(B1200);
    EXPECT_EQ(Decode(Exchange(MakeRequest(kCmdMaintenance, 0, 0, 0), 2000)).status, kStatusNormal);
    EXPECT_EQ(Decode(Exchange(MakeRequest(kCmdRead, 30, 1, 0), 2000)).name, "BAUDRATE");
    // Closed and reopened at once, as the tool does when it switches speed.
    CloseSlave();
    OpenSlave(B1200);
    EXPECT_EQ(Decode(Exchange(MakeRequest(kCmdRead, 30, 1, 0), 2000)).status, kStatusAddressError);
}

}  // namespace
}  // namespace rq50::sim::test
