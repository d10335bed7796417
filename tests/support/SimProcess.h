#pragma once

// tavro-sim serving an instrument on a pseudo-terminal while it lives.

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

namespace rq50::test {

class SimProcess {
  public:
    /// Starts `exe` (tavro-sim) with the instrument file `instrument` (a path,
    /// or a name under sim/instruments) and reads the pseudo-terminal's path
    /// from its first line.
    explicit SimProcess(std::string instrument, std::string exe = DefaultExe()) {
        if (instrument.find('/') == std::string::npos)
            instrument = std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/" + instrument;
        int out[2];
        if (::pipe(out) != 0) return;
        m_pid = ::fork();
        if (m_pid == 0) {
            ::dup2(out[1], STDOUT_FILENO);
            ::close(out[0]);
            ::close(out[1]);
            ::execl(exe.c_str(), exe.c_str(), "--instrument", instrument.c_str(),
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
    SimProcess(const SimProcess&) = delete;
    SimProcess& operator=(const SimProcess&) = delete;

    /// The pseudo-terminal's path; empty when tavro-sim did not start.
    const std::string& Path() const { return m_path; }

  private:
    static std::string DefaultExe() {
#ifdef RQ50_BIN_DIR
        return std::string(RQ50_BIN_DIR) + "/tavro-sim";
#else
        return "tavro-sim";
#endif
    }
    pid_t m_pid = -1;
    int m_out = -1;
    std::string m_path;
};

}  // namespace rq50::test
