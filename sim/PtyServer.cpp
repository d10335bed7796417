#include "sim/PtyServer.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/inotify.h>
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
    if (m_notify >= 0) ::close(m_notify);
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
    // Opens and closes of the slave are watched, so a close followed at once
    // by a reopen is still seen. Without inotify the hang-up of the master
    // (no program holds the slave) is the only sign.
    m_notify = ::inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
    if (m_notify >= 0 &&
        ::inotify_add_watch(m_notify, name, IN_OPEN | IN_CLOSE_WRITE | IN_CLOSE_NOWRITE) < 0) {
        ::close(m_notify);
        m_notify = -1;
    }
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

void PtyServer::LineOpened() {
    if (m_lineOpen) return;
    m_lineOpen = true;
    Trace("line open");
}

void PtyServer::LineClosed() {
    if (!m_lineOpen) return;
    m_lineOpen = false;
    m_instrument.LineClosed();
    m_assembler.Reset();
    Trace("line closed");
}

void PtyServer::ReadNotifications() {
    alignas(inotify_event) char buffer[4096];
    while (true) {
        const ssize_t count = ::read(m_notify, buffer, sizeof buffer);
        if (count <= 0) return;
        for (ssize_t at = 0; at < count;) {
            const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
            if (event->mask & IN_OPEN) {
                ++m_opened;
                LineOpened();
            } else if (event->mask & (IN_CLOSE_WRITE | IN_CLOSE_NOWRITE)) {
                if (m_opened > 0 && --m_opened == 0) LineClosed();
            }
            at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
        }
    }
}

void PtyServer::Run(const std::atomic<bool>& stop) {
    std::uint8_t buffer[512];
    while (!stop) {
        pollfd p[2] = {{m_master, POLLIN, 0}, {m_notify, POLLIN, 0}};
        const int ready = ::poll(p, m_notify >= 0 ? 2 : 1, 20);
        if (ready < 0) {
            if (errno == EINTR) continue;
            Trace(std::string("poll failed: ") + std::strerror(errno));
            return;
        }
        // Opens and closes first: bytes that follow a reopen belong to the new line.
        if (m_notify >= 0 && (p[1].revents & POLLIN)) ReadNotifications();
        // With no program holding the slave open the master reports a hang-up.
        if (p[0].revents & POLLHUP) {
            if (m_notify < 0) LineClosed();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
            continue;
        }
        if (m_notify < 0) LineOpened();
        if ((p[0].revents & POLLIN) == 0) continue;
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
    // A pseudo-terminal hands the request over at once; on a serial line its
    // last byte arrives one wire time after the first, and only then does the
    // instrument start its delay.
    SendPaced(*reply,
              receivedUs +
                  WireTimeUs(static_cast<std::int64_t>(frame.size()), m_instrument.Speed()) +
                  std::int64_t{reply->delayMs} * 1000);
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
