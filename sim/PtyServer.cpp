#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "sim/SimulatedLine.h"

namespace rq50::sim {

namespace {

std::int64_t NowUs() {
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

void SleepUntilUs(std::int64_t us) {
    using namespace std::chrono;
    std::this_thread::sleep_until(steady_clock::time_point(microseconds(us)));
}

}  // namespace

PtyServer::PtyServer(Instrument& instrument) : m_instrument(instrument) {}

PtyServer::~PtyServer() {
    if (m_master >= 0) ::close(m_master);
}

bool PtyServer::Open(std::string& error) {
    m_master = ::posix_openpt(O_RDWR | O_NOCTTY);
    if (m_master < 0 || ::grantpt(m_master) != 0 || ::unlockpt(m_master) != 0) {
        error = std::string("cannot create a pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    const char* name = ::ptsname(m_master);
    if (name == nullptr) {
        error = std::string("cannot name the pseudo-terminal: ") + std::strerror(errno);
        return false;
    }
    m_slavePath = name;
    // Until the program sets its own line settings the slave is raw at the
    // instrument's speed, so nothing is echoed or translated.
    termios settings{};
    if (::tcgetattr(m_master, &settings) == 0) {
        ::cfmakeraw(&settings);
        const speed_t speed = m_instrument.Speed() == 9600 ? B9600 : B1200;
        ::cfsetispeed(&settings, speed);
        ::cfsetospeed(&settings, speed);
        ::tcsetattr(m_master, TCSANOW, &settings);
    }
    return true;
}

int PtyServer::SlaveSpeed() const {
    // On the master, the terminal settings are those of the slave side.
    termios settings{};
    if (::tcgetattr(m_master, &settings) != 0) return 0;
    switch (::cfgetospeed(&settings)) {
        case B1200:
            return 1200;
        case B9600:
            return 9600;
        default:
            return 0;
    }
}

void PtyServer::Trace(const std::string& what, const Bytes& bytes) {
    if (m_trace == nullptr) return;
    *m_trace << what;
    for (std::uint8_t b : bytes) {
        char hex[4];
        std::snprintf(hex, sizeof hex, " %02X", b);
        *m_trace << hex;
    }
    *m_trace << std::endl;
}

void PtyServer::Run(const std::atomic<bool>& stop) {
    bool lineOpen = false;
    std::uint8_t buffer[512];
    while (!stop) {
        pollfd p{m_master, POLLIN, 0};
        const int ready = ::poll(&p, 1, 20);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Trace(std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        // With no program holding the slave open the master reports a hang-up.
        const bool hangUp = (p.revents & POLLHUP) != 0;
        if (hangUp) {
            if (lineOpen) {
                lineOpen = false;
                m_instrument.LineClosed();
                m_assembler.Reset();
                Trace("line closed");
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (!lineOpen) {
            lineOpen = true;
            Trace("line open");
        }
        if ((p.revents & POLLIN) == 0) continue;
        const ssize_t count = ::read(m_master, buffer, sizeof buffer);
        if (count <= 0) continue;
        const std::int64_t now = NowUs();
        const int speed = SlaveSpeed();
        if (speed != m_instrument.Speed()) {
            m_assembler.Reset();
            Trace("ignored at " + std::to_string(speed) + " bit/s:", Bytes(buffer, buffer + count));
            continue;
        }
        for (ssize_t i = 0; i < count; ++i)
            if (auto frame = m_assembler.Push(buffer[i], now)) Serve(*frame, now);
    }
}

void PtyServer::Serve(const Bytes& frame, std::int64_t receivedUs) {
    Trace("request:", frame);
    const auto reply = m_instrument.Respond(frame);
    if (!reply) {
        Trace("no answer");
        return;
    }
    SendPaced(*reply, receivedUs + std::int64_t{reply->delayMs} * 1000);
    Trace("answer:", reply->bytes);
}

void PtyServer::SendPaced(const Reply& reply, std::int64_t startUs) {
    std::int64_t partStart = startUs;
    std::size_t partFirst = 0;
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
        if (reply.splitAfter > 0 && i == static_cast<std::size_t>(reply.splitAfter)) {
            partStart +=
                WireTimeUs(i - partFirst, reply.speed) + std::int64_t{reply.splitPauseMs} * 1000;
            partFirst = i;
        }
        SleepUntilUs(partStart + WireTimeUs(i - partFirst, reply.speed));
        while (::write(m_master, &reply.bytes[i], 1) < 0 && errno == EINTR) {
        }
    }
}

}  // namespace rq50::sim
