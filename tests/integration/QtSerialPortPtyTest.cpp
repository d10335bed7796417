#include <QCoreApplication>

#include <gtest/gtest.h>
#include <stdlib.h>
#include <termios.h>

#include "comm/CommPort.h"
#include "integration/CommPtyTest.h"
#include "platform/QtSerialPort.h"

namespace rq50::integration {
namespace {

/// A pseudo-terminal whose master end the test plays.
class Pty {
  public:
    Pty() {
        m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (m_master >= 0 && ::grantpt(m_master) == 0 && ::unlockpt(m_master) == 0)
            m_slave = ::ptsname(m_master);
        if (m_master >= 0) {
            termios t{};
            ::tcgetattr(m_master, &t);
            ::cfmakeraw(&t);
            ::tcsetattr(m_master, TCSANOW, &t);
        }
    }
    ~Pty() {
        if (m_master >= 0) ::close(m_master);
    }
    int Master() const { return m_master; }
    const std::string& Slave() const { return m_slave; }

  private:
    int m_master = -1;
    std::string m_slave;
};

class QtSerialPortPty : public ::testing::Test {
  protected:
    void SetUp() override {
        ASSERT_FALSE(pty.Slave().empty()) << "no pseudo-terminal available";
        port.SetDevice(pty.Slave());
    }
    Pty pty;
    platform::QtSerialPort port;
};

TEST_F(QtSerialPortPty, OpensDespiteDtrAndMovesBytesBothWays) {
    port.SetDtr(true);  // a pty has no modem lines: not an open failure
    ASSERT_TRUE(port.Open()) << port.ErrorDescription();
    EXPECT_EQ(port.ErrorCode(), comm::PortErrorCode::None);
    EXPECT_TRUE(port.IsOpen());

    const Bytes frame = {0x00, 0x00, 0x12, 0x04, 0x80, 0x1A, 0x00, 0x00, 0xB0};
    ASSERT_TRUE(port.Write(frame));
    EXPECT_EQ(ReadFd(pty.Master(), frame.size(), 1000), frame);

    const Bytes answer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(::write(pty.Master(), answer.data(), answer.size()),
              static_cast<ssize_t>(answer.size()));
    ASSERT_TRUE(WaitFor([&] { return port.BytesWaiting() >= 10; }, 1000));
    port.SetInputLength(8);
    EXPECT_EQ(port.Read(), Bytes(answer.begin(), answer.begin() + 8));
    EXPECT_EQ(port.BytesWaiting(), 2);

    // Clearing drops what waits; the line itself stays usable.
    port.ClearBuffers();
    EXPECT_EQ(port.BytesWaiting(), 0);
    EXPECT_TRUE(port.Close());
    EXPECT_FALSE(port.IsOpen());
}

// The desktop program's port: the event loop takes the bytes and says so; a
// read never asks the device and a write never waits for it.
TEST_F(QtSerialPortPty, EventDrivenPortHearsOfBytesFromTheEventLoop) {
    platform::QtSerialPort events(platform::QtSerialPort::Mode::EventDriven);
    events.SetDevice(pty.Slave());
    int arrivals = 0;
    events.OnDataArrived([&] { ++arrivals; });
    ASSERT_TRUE(events.Open()) << events.ErrorDescription();
    EXPECT_TRUE(events.EventDriven());
    EXPECT_FALSE(port.EventDriven());

    const Bytes frame = {0x00, 0x00, 0x12, 0x04, 0x80, 0x1A, 0x00, 0x00, 0xB0};
    ASSERT_TRUE(events.Write(frame));
    EXPECT_TRUE(WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return events.BytesToWrite() == 0;
        },
        1000));
    EXPECT_EQ(ReadFd(pty.Master(), frame.size(), 1000), frame);

    const Bytes answer = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10};
    ASSERT_EQ(::write(pty.Master(), answer.data(), answer.size()),
              static_cast<ssize_t>(answer.size()));
    ASSERT_TRUE(WaitFor(
        [&] {
            QCoreApplication::processEvents();
            return events.BytesWaiting() >= 10;
        },
        1000));
    EXPECT_GE(arrivals, 1);
    EXPECT_EQ(events.Read(), answer);
}

TEST_F(QtSerialPortPty, LineSpeedReachesTheTerminalSettings) {
    comm::LineSettings line;
    line.speed = 9600;
    port.SetLineSettings(line);
    ASSERT_TRUE(port.Open()) << port.ErrorDescription();
    termios t{};
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B9600));

    line.speed = 1200;
    port.SetLineSettings(line);
    ASSERT_EQ(::tcgetattr(pty.Master(), &t), 0);
    EXPECT_EQ(::cfgetispeed(&t), static_cast<speed_t>(B1200));
}

TEST_F(QtSerialPortPty, PortHeldByAnotherProgramIsAnOpenFailure) {
    ASSERT_TRUE(port.Open()) << port.ErrorDescription();
    platform::QtSerialPort second;
    second.SetDevice(pty.Slave());
    EXPECT_FALSE(second.Open());
    EXPECT_EQ(second.ErrorCode(), comm::PortErrorCode::AlreadyOpen);
    EXPECT_NE(second.ErrorDescription().find("in use by another program"), std::string::npos)
        << second.ErrorDescription();
    EXPECT_FALSE(second.IsOpen());
}

TEST(QtSerialPort, MissingDeviceIsAnInvalidPort) {
    platform::QtSerialPort port;
    port.SetDevice("/dev/rq50-no-such-device");
    EXPECT_FALSE(port.Open());
    EXPECT_EQ(port.ErrorCode(), comm::PortErrorCode::InvalidPort);
    EXPECT_NE(port.ErrorDescription().find("/dev/rq50-no-such-device"), std::string::npos);
    // The box says what to do: the ports there are now, and where to choose.
    EXPECT_NE(port.ErrorDescription().find("Serial ports found now: "), std::string::npos);
    EXPECT_NE(port.ErrorDescription().find("Port Device..."), std::string::npos);
    EXPECT_FALSE(port.Write({1}));
}

}  // namespace
}  // namespace rq50::integration
