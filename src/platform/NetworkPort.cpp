#include "platform/NetworkPort.h"

#include <QElapsedTimer>
#include <QEventLoop>
#include <QThread>
#include <QTimer>

#include <algorithm>

#ifdef __linux__
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <sys/socket.h>
#endif

#include "comm/CommPort.h"

namespace rq50::platform {

namespace {

std::string Seconds(int ms) {
    const int tenths = (ms + 50) / 100;
    return std::to_string(tenths / 10) + (tenths % 10 ? "." + std::to_string(tenths % 10) : "") +
           " s";
}

}  // namespace

NetworkPort::NetworkPort(Mode mode) : m_mode(mode) {
    if (m_mode != Mode::EventDriven) return;
    // Also while opening: the server's answer to the option arrives here.
    QObject::connect(&m_socket, &QTcpSocket::readyRead, [this] {
        Drain();
        if (m_open && m_dataArrived && !m_input.isEmpty()) m_dataArrived();
    });
    QObject::connect(&m_socket, &QTcpSocket::disconnected, [this] {
        if (!m_open) return;
        PeerClosed();
        if (m_dataArrived) m_dataArrived();
    });
}

NetworkPort::~NetworkPort() {
    m_socket.abort();
}

void NetworkPort::SetDevice(const std::string& device) {
    m_device = device;
}

std::string NetworkPort::Where() const {
    return m_address ? m_address->host + ":" + std::to_string(m_address->port) : m_device;
}

void NetworkPort::Fail(comm::PortErrorCode number, const std::string& text) {
    m_errorNumber = number;
    m_errorText = text;
}

void NetworkPort::SetLineSettings(const comm::LineSettings& settings) {
    m_settings = settings;
    if (!m_open || !m_telnet) return;
    m_telnet->SetLine(settings);
    SendTelnetOutput();
}

void NetworkPort::SetDtr(bool on) {
    const bool changed = on != m_dtr;
    m_dtr = on;
    if (!m_open || !m_telnet || !changed) return;
    m_telnet->SetDtr(on);
    SendTelnetOutput();
}

void NetworkPort::OnDataArrived(std::function<void()> handler) {
    m_dataArrived = std::move(handler);
}

/// Polls (command line) or runs a local event loop (desktop program) until
/// `done` holds or the time is up.
bool NetworkPort::WaitUntil(const std::function<bool()>& done, int timeoutMs) {
    if (done()) return true;
    if (m_mode == Mode::EventDriven) {
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        const auto check = [&] {
            if (done()) loop.quit();
        };
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        QObject::connect(&m_socket, &QTcpSocket::readyRead, &loop, check);
        QObject::connect(&m_socket, &QTcpSocket::stateChanged, &loop, check);
        QObject::connect(&m_socket, &QTcpSocket::errorOccurred, &loop, check);
        timer.start(timeoutMs);
        loop.exec();
        return done();
    }
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        const auto left = timeoutMs - static_cast<int>(clock.elapsed());
        if (left <= 0) return false;
        switch (m_socket.state()) {
            case QAbstractSocket::ConnectedState:
                m_socket.waitForReadyRead(left);
                Drain();
                break;
            case QAbstractSocket::ClosingState:
                m_socket.waitForDisconnected(left);
                break;
            case QAbstractSocket::UnconnectedState:
                return done();
            default:
                m_socket.waitForConnected(left);
                break;
        }
    }
    return true;
}

bool NetworkPort::Connect() {
    m_socket.abort();
    m_socket.connectToHost(QString::fromStdString(m_address->host),
                           static_cast<quint16>(m_address->port));
    const bool settled = WaitUntil(
        [this] {
            return m_socket.state() == QAbstractSocket::ConnectedState ||
                   m_socket.state() == QAbstractSocket::UnconnectedState;
        },
        m_connectTimeoutMs);
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        // Frames are small and every one is waited for: no coalescing delay.
        m_socket.setSocketOption(QAbstractSocket::LowDelayOption, 1);
        return true;
    }
    const auto error = m_socket.error();
    const std::string detail = m_socket.errorString().toStdString();
    m_socket.abort();
    if (!settled) {
        Fail(comm::PortErrorCode::Unavailable, "No connection to " + Where() + " within " +
                                            Seconds(m_connectTimeoutMs) +
                                            ": check the address and the network");
    } else if (error == QAbstractSocket::ConnectionRefusedError) {
        Fail(comm::PortErrorCode::Unavailable,
             "Connection refused by " + Where() + ": no device server listens on that port");
    } else if (error == QAbstractSocket::HostNotFoundError) {
        Fail(comm::PortErrorCode::InvalidPort, "Host not found: " + m_address->host + " (port " +
                                            std::to_string(m_address->port) + ")");
    } else {
        Fail(comm::PortErrorCode::Unavailable, "Cannot reach " + Where() + " (" + detail + ")");
    }
    return false;
}

/// rfc2217://: the option asked for, the line settings queued behind it; a
/// server that refuses the option or never answers is no RFC 2217 server.
NetworkPort::Attempt NetworkPort::Negotiate() {
    m_telnet.emplace();
    m_telnet->Start();
    m_telnet->SetLine(m_settings);
    m_telnet->SetDtr(m_dtr);
    SendTelnetOutput();
    const bool answered = WaitUntil(
        [this] {
            return m_telnet->ComPort() != comm::TelnetComPort::Option::Asked ||
                   m_socket.state() != QAbstractSocket::ConnectedState;
        },
        m_connectTimeoutMs);
    if (m_telnet->ComPort() == comm::TelnetComPort::Option::Accepted) return Attempt::Up;
    m_socket.abort();
    if (answered && m_telnet->ComPort() == comm::TelnetComPort::Option::Asked)
        return Attempt::HungUp;
    Fail(comm::PortErrorCode::Settings,
         Where() +
             " does not take the RFC 2217 serial-port settings; for a raw TCP port use tcp://" +
             Where());
    return Attempt::Failed;
}

void NetworkPort::Pause(int ms) {
    if (m_mode == Mode::EventDriven) {
        QEventLoop loop;
        QTimer::singleShot(ms, &loop, &QEventLoop::quit);
        loop.exec();
    } else {
        QThread::msleep(static_cast<unsigned long>(ms));
    }
}

/// Connects (and negotiates) until the server keeps the connection. A device
/// server whose serial device is still held by the connection before (ser2net
/// lets go of it a moment after that connection ends) or by another user
/// says so and hangs up; it is asked again until the connect time-out.
bool NetworkPort::Establish(bool pauseFirst) {
    QElapsedTimer since;
    since.start();
    bool pause = pauseFirst;
    while (true) {
        if (pause) Pause(kRetryPauseMs);
        pause = true;
        m_input.clear();
        m_telnet.reset();
        m_written = false;
        m_hungUp = false;
        if (!Connect()) return false;
        const Attempt attempt =
            m_address->kind == comm::LineKind::Rfc2217 ? Negotiate() : Attempt::Up;
        // A server may accept the option and hang up right after it.
        if (attempt == Attempt::Up && m_socket.state() == QAbstractSocket::ConnectedState)
            return true;
        if (attempt == Attempt::Failed) return false;
        if (since.elapsed() >= m_connectTimeoutMs) {
            Fail(comm::PortErrorCode::Unavailable,
                 Where() + " closes every connection at once: its serial device is in use");
            return false;
        }
    }
}

bool NetworkPort::Open() {
    m_errorNumber = comm::PortErrorCode::None;
    m_errorText.clear();
    std::string why;
    m_address = comm::ParsePortAddress(m_device, &why);
    if (!m_address || !m_address->Network()) {
        m_address.reset();
        Fail(comm::PortErrorCode::InvalidPort, "Invalid port: " + (why.empty() ? m_device : why));
        return false;
    }
    if (!Establish(false)) return false;
    m_open = true;
    return true;
}

bool NetworkPort::Close() {
    m_errorNumber = comm::PortErrorCode::None;
    m_errorText.clear();
    m_open = false;
    // The server lets go of its serial device when it sees the connection
    // end; waiting for its side to close as well means the next open (the
    // speed switch reconnects at once) does not find the device still held.
    if (m_socket.state() == QAbstractSocket::ConnectedState) {
        m_socket.disconnectFromHost();
        WaitUntil([this] { return m_socket.state() == QAbstractSocket::UnconnectedState; },
                  kCloseWaitMs);
    }
    m_socket.abort();
    m_input.clear();
    return true;
}

void NetworkPort::PeerClosed() {
    m_socket.abort();
    m_input.clear();
    // Before the first request the line still counts as open: the server
    // hung up at once (see Establish), and the first write connects again.
    if (!m_written) {
        m_hungUp = true;
        return;
    }
    m_open = false;
    Fail(comm::PortErrorCode::Unavailable, Where() + " closed the connection");
}

/// Takes what the socket holds: Telnet commands answered, serial data kept.
void NetworkPort::Drain() {
    if (!m_socket.isOpen()) return;
    const QByteArray bytes = m_socket.readAll();
    if (bytes.isEmpty()) return;
    AcknowledgeAtOnce();
    if (!m_telnet) {
        m_input.append(bytes);
        return;
    }
    const auto data = m_telnet->Receive(std::vector<std::uint8_t>(bytes.begin(), bytes.end()));
    m_input.append(reinterpret_cast<const char*>(data.data()), static_cast<qsizetype>(data.size()));
    SendTelnetOutput();
}

// A server that passes the device's bytes on as they come (ser2net with
// chardelay off) sends an answer in pieces; with Nagle's algorithm on its
// socket each piece after the first waits for our acknowledgement, which
// Linux otherwise delays by up to 40 ms. Acknowledging every read at once
// keeps an answer from waiting on it.
void NetworkPort::AcknowledgeAtOnce() {
#ifdef __linux__
    const int on = 1;
    ::setsockopt(static_cast<int>(m_socket.socketDescriptor()), IPPROTO_TCP, TCP_QUICKACK, &on,
                 sizeof on);
#endif
}

void NetworkPort::SendTelnetOutput() {
    const auto out = m_telnet->TakeOutput();
    if (out.empty() || m_socket.state() != QAbstractSocket::ConnectedState) return;
    m_socket.write(reinterpret_cast<const char*>(out.data()), static_cast<qint64>(out.size()));
    m_socket.flush();
}

void NetworkPort::Pump() {
    if (!m_open || m_hungUp || m_mode == Mode::EventDriven) return;
    m_socket.waitForReadyRead(0);
    Drain();
    if (m_socket.state() != QAbstractSocket::ConnectedState) PeerClosed();
}

int NetworkPort::BytesWaiting() {
    Pump();
    return m_open ? static_cast<int>(m_input.size()) : 0;
}

void NetworkPort::SetInputLength(int length) {
    m_inputLength = std::max(length, 0);
}

std::vector<std::uint8_t> NetworkPort::Read() {
    Pump();
    if (!m_open) return {};
    const auto count =
        m_inputLength == 0 ? m_input.size() : std::min<qsizetype>(m_inputLength, m_input.size());
    std::vector<std::uint8_t> out(m_input.begin(), m_input.begin() + count);
    m_input.remove(0, count);
    return out;
}

bool NetworkPort::Write(const std::vector<std::uint8_t>& bytes) {
    if (m_open && m_mode == Mode::Polled) Pump();
    // A close the event loop has not reported yet (it came while opening).
    if (m_open && !m_hungUp && m_socket.state() != QAbstractSocket::ConnectedState) PeerClosed();
    if (m_open && m_hungUp && !Establish(true)) m_open = false;
    if (!m_open) {
        if (m_errorText.empty())
            Fail(comm::PortErrorCode::NotOpen, "The line to " + Where() + " is not open");
        return false;
    }
    if (m_telnet) {
        m_telnet->Send(bytes);
        SendTelnetOutput();
    } else {
        m_socket.write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<qint64>(bytes.size()));
        m_socket.flush();
    }
    m_written = true;
    // Without an event loop nothing would write the rest later.
    if (m_mode == Mode::Polled && m_socket.bytesToWrite() > 0) m_socket.waitForBytesWritten(1000);
    return true;
}

void NetworkPort::ClearBuffers() {
    if (!m_open) return;
    Pump();
    m_input.clear();
}

}  // namespace rq50::platform
