#pragma once

// A real serial device server for the tests: ser2net on the loopback address
// in front of a device (tavro-sim's pseudo-terminal), one raw TCP port and
// one RFC 2217 port, each on a free port number. Where ser2net is missing or
// does not start, Why() says so and the tests skip.

#include <arpa/inet.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>

namespace rq50::test {

/// A port number nothing listens on now (the system's pick for port 0).
inline int FreeLoopbackPort() {
    const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof a;
    int port = 0;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0 &&
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&a), &size) == 0)
        port = ntohs(a.sin_port);
    ::close(fd);
    return port;
}

/// True once a socket listens on 127.0.0.1:`port` (read from the kernel's
/// table, so no connection reaches the server and its device).
inline bool Listening(int port) {
    std::ifstream table("/proc/net/tcp");
    std::string line;
    char wanted[32];
    std::snprintf(wanted, sizeof wanted, "0100007F:%04X 00000000:0000 0A", port);
    while (std::getline(table, line)) {
        if (line.find(wanted) != std::string::npos) return true;
    }
    return false;
}

class Ser2net {
  public:
    /// Serves `device` at `speed` bit/s, 8N1, without modem lines, passing
    /// what the device sends at once (no wait for a pause in its output, no
    /// Nagle delay on the socket), as a request/response line wants.
    explicit Ser2net(const std::string& device, int speed = 1200) {
        namespace fs = std::filesystem;
        m_folder = fs::temp_directory_path() / ("rq50-ser2net-" + std::to_string(::getpid()) + "-" +
                                                std::to_string(FreeLoopbackPort()));
        fs::create_directories(m_folder);
        rawPort = FreeLoopbackPort();
        rfc2217Port = FreeLoopbackPort();
        const std::string config = (m_folder / "ser2net.yaml").string();
        {
            std::ofstream out(config);
            for (const auto& [name, accepter] :
                 {std::pair{"raw", "tcp(nodelay=true),127.0.0.1," + std::to_string(rawPort)},
                  {"rfc2217",
                   "telnet(rfc2217),tcp(nodelay=true),127.0.0.1," + std::to_string(rfc2217Port)}}) {
                out << "connection: &" << name << "\n  accepter: " << accepter
                    << "\n  connector: serialdev," << device << "," << speed << "n81,local"
                    << "\n  options:\n    chardelay: false\n";
            }
        }
        const std::string pidFile = (m_folder / "ser2net.pid").string();
        const std::string log = (m_folder / "ser2net.log").string();
        m_pid = ::fork();
        if (m_pid == 0) {
            // Only its messages go to the log; the tests' output stays clean.
            std::freopen(log.c_str(), "w", stderr);
            std::freopen(log.c_str(), "a", stdout);
            ::execlp("ser2net", "ser2net", "-n", "-d", "-c", config.c_str(), "-P", pidFile.c_str(),
                     static_cast<char*>(nullptr));
            ::_exit(127);
        }
        const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (std::chrono::steady_clock::now() < end) {
            int status = 0;
            if (::waitpid(m_pid, &status, WNOHANG) == m_pid) {
                m_pid = -1;
                m_why = WIFEXITED(status) && WEXITSTATUS(status) == 127
                            ? "ser2net is not installed (scripts/setup installs it)"
                            : "ser2net ended at once; see " + log;
                return;
            }
            if (Listening(rawPort) && Listening(rfc2217Port)) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        m_why = "ser2net did not listen on 127.0.0.1 within 5 s";
    }
    ~Ser2net() {
        if (m_pid > 0) {
            ::kill(m_pid, SIGTERM);
            ::waitpid(m_pid, nullptr, 0);
        }
        std::error_code ignored;
        std::filesystem::remove_all(m_folder, ignored);
    }
    Ser2net(const Ser2net&) = delete;
    Ser2net& operator=(const Ser2net&) = delete;

    /// Empty when ser2net serves; else why not.
    const std::string& Why() const { return m_why; }
    std::string RawUrl() const { return "tcp://127.0.0.1:" + std::to_string(rawPort); }
    std::string Rfc2217Url() const { return "rfc2217://127.0.0.1:" + std::to_string(rfc2217Port); }

    int rawPort = 0;
    int rfc2217Port = 0;

  private:
    std::filesystem::path m_folder;
    pid_t m_pid = -1;
    std::string m_why;
};

}  // namespace rq50::test
