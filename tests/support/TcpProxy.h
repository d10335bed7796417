#pragma once

// A misbehaving network between the tool and a device server, for the tests
// and benchmarks: it listens on a loopback port and passes one connection at
// a time to the server, holding every byte `latencyMs`, splitting the stream
// into single bytes `byteGapMs` apart when asked, and cutting the connection
// when the client starts its request frame number `cutAfterRequests` + 1.
// Raw TCP only: requests are counted by their length byte.

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <deque>
#include <string>
#include <thread>
#include <utility>

namespace rq50::test {

struct ProxyFaults {
    int latencyMs = 0;          ///< each way
    int byteGapMs = 0;          ///< > 0: bytes pass one at a time, this far apart
    int cutAfterRequests = -1;  ///< >= 0: the connection ends before the next request
};

class TcpProxy {
  public:
    TcpProxy(int serverPort, ProxyFaults faults) : m_serverPort(serverPort), m_faults(faults) {
        m_listen = ::socket(AF_INET, SOCK_STREAM, 0);
        const int on = 1;
        ::setsockopt(m_listen, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
        sockaddr_in a = Loopback(0);
        socklen_t size = sizeof a;
        if (::bind(m_listen, reinterpret_cast<sockaddr*>(&a), sizeof a) != 0 ||
            ::listen(m_listen, 4) != 0 ||
            ::getsockname(m_listen, reinterpret_cast<sockaddr*>(&a), &size) != 0)
            return;
        port = ntohs(a.sin_port);
        m_thread = std::thread([this] { Run(); });
    }
    ~TcpProxy() {
        m_stop = true;
        if (m_thread.joinable()) m_thread.join();
        ::close(m_listen);
    }
    TcpProxy(const TcpProxy&) = delete;
    TcpProxy& operator=(const TcpProxy&) = delete;

    std::string Url() const { return "tcp://127.0.0.1:" + std::to_string(port); }
    /// Requests passed to the server so far, over all connections.
    int Requests() const { return m_requests; }

    int port = 0;

  private:
    using Clock = std::chrono::steady_clock;
    struct Way {
        Way(int source, int sink) : from(source), to(sink) {}
        int from;
        int to;
        std::deque<std::pair<Clock::time_point, std::uint8_t>> queue;
        Clock::time_point lastDue{};
    };

    static sockaddr_in Loopback(int port) {
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(static_cast<std::uint16_t>(port));
        return a;
    }
    static void NoDelay(int fd) {
        const int on = 1;
        ::setsockopt(fd, IPPROTO_TCP, TCP_NODELAY, &on, sizeof on);
    }

    void Run() {
        while (!m_stop) {
            pollfd p{m_listen, POLLIN, 0};
            if (::poll(&p, 1, 50) <= 0) continue;
            const int client = ::accept(m_listen, nullptr, nullptr);
            if (client < 0) continue;
            const int server = ::socket(AF_INET, SOCK_STREAM, 0);
            const sockaddr_in a = Loopback(m_serverPort);
            if (::connect(server, reinterpret_cast<const sockaddr*>(&a), sizeof a) != 0) {
                ::close(server);
                ::close(client);
                continue;
            }
            NoDelay(client);
            NoDelay(server);
            Serve(client, server);
            ::close(server);
            ::close(client);
        }
    }

    /// Queues what `way.from` sent with the delays asked for. False when it
    /// closed.
    bool Take(Way& way, bool fromClient) {
        std::uint8_t buffer[512];
        const auto n = ::read(way.from, buffer, sizeof buffer);
        if (n <= 0) return false;
        const auto now = Clock::now();
        for (ssize_t i = 0; i < n; ++i) {
            if (fromClient && !CountRequestByte(buffer[i])) return false;
            auto due = now + std::chrono::milliseconds(m_faults.latencyMs);
            if (m_faults.byteGapMs > 0)
                due = std::max(due, way.lastDue + std::chrono::milliseconds(m_faults.byteGapMs));
            way.lastDue = due;
            way.queue.emplace_back(due, buffer[i]);
        }
        return true;
    }

    /// Follows the client's request frames (8 bytes, data, checksum: length
    /// byte + 5 in all); false at the first byte of a request past the cut.
    bool CountRequestByte(std::uint8_t b) {
        if (m_inFrame == 0 && m_faults.cutAfterRequests >= 0 &&
            m_requests >= m_faults.cutAfterRequests)
            return false;
        if (m_inFrame == 3) m_frameLength = b + 5;
        if (++m_inFrame == m_frameLength) {
            m_inFrame = 0;
            m_frameLength = 9;
            ++m_requests;
        }
        return true;
    }

    /// Writes what is due; one byte a write when the bytes are split.
    static void Deliver(Way& way, bool split) {
        const auto now = Clock::now();
        while (!way.queue.empty() && way.queue.front().first <= now) {
            std::string chunk;
            while (!way.queue.empty() && way.queue.front().first <= now &&
                   (chunk.empty() || !split)) {
                chunk += static_cast<char>(way.queue.front().second);
                way.queue.pop_front();
            }
            if (::write(way.to, chunk.data(), chunk.size()) < 0) return;
        }
    }

    void Serve(int client, int server) {
        Way up{client, server};
        Way down{server, client};
        m_inFrame = 0;
        m_frameLength = 9;
        const bool split = m_faults.byteGapMs > 0;
        while (!m_stop) {
            int wait = 50;
            for (const Way* w : {&up, &down}) {
                if (w->queue.empty()) continue;
                const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(
                                    w->queue.front().first - Clock::now())
                                    .count();
                wait = std::min(wait, static_cast<int>(std::max<long long>(ms, 0)));
            }
            pollfd p[2] = {{client, POLLIN, 0}, {server, POLLIN, 0}};
            if (::poll(p, 2, wait) > 0) {
                if ((p[0].revents & (POLLIN | POLLHUP)) && !Take(up, true)) return;
                if ((p[1].revents & (POLLIN | POLLHUP)) && !Take(down, false)) return;
            }
            Deliver(up, split);
            Deliver(down, split);
        }
    }

    int m_serverPort;
    ProxyFaults m_faults;
    int m_listen = -1;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<int> m_requests{0};
    int m_inFrame = 0;
    int m_frameLength = 9;
};

}  // namespace rq50::test
