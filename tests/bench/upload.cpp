// Full parameter upload of each sample instrument: on the virtual clock at
// 1200 and 9600 bit/s, and in real time through tavro-sim on a pseudo-terminal
// at 9600 bit/s. Prints items, requests, virtual seconds, the wire time of the
// same frames (10 bits a byte) and the ratio between them.

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "parameter/ItemBlock.h"
#include "shell/Clock.h"
#include "shell/GlobalState.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"

#if __has_include(<QSerialPort>)
#include <QCoreApplication>

#include "platform/QtSerialPort.h"
#define RQ50_BENCH_REAL_LINE 1
#endif

#include <poll.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#include <nlohmann/json.hpp>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace {

using namespace rq50;

/// Forwards to a port and counts the bytes that cross it.
class CountingPort : public comm::SerialPort {
  public:
    explicit CountingPort(comm::SerialPort& inner) : m_inner(inner) {}
    long long written = 0;
    long long read = 0;
    void SetDevice(const std::string& d) override { m_inner.SetDevice(d); }
    void SetLineSettings(const comm::LineSettings& s) override { m_inner.SetLineSettings(s); }
    bool Open() override { return m_inner.Open(); }
    bool Close() override { return m_inner.Close(); }
    bool IsOpen() const override { return m_inner.IsOpen(); }
    int BytesWaiting() override { return m_inner.BytesWaiting(); }
    void SetInputLength(int n) override { m_inner.SetInputLength(n); }
    std::vector<std::uint8_t> Read() override {
        auto bytes = m_inner.Read();
        read += static_cast<long long>(bytes.size());
        return bytes;
    }
    bool Write(const std::vector<std::uint8_t>& bytes) override {
        written += static_cast<long long>(bytes.size());
        return m_inner.Write(bytes);
    }
    void ClearBuffers() override { m_inner.ClearBuffers(); }
    void SetDtr(bool on) override { m_inner.SetDtr(on); }
    int ErrorNumber() const override { return m_inner.ErrorNumber(); }
    std::string ErrorDescription() const override { return m_inner.ErrorDescription(); }

  private:
    comm::SerialPort& m_inner;
};

class SilentMessages : public shell::MessageBoxHost {
  public:
    int Show(const shell::MessageBoxRequest& box) override {
        std::cerr << "message: " << box.text << "\n";
        return shell::kAnswerOk;
    }
};

class SlotHost : public comm::CommHost {
  public:
    std::optional<int> AskSlot() override { return 1; }
};

struct Figures {
    bool ok = false;
    std::size_t items = 0;
    int requests = 0;
    double seconds = 0;
    double wireSeconds = 0;
};

Figures Upload(comm::SerialPort& port, shell::Clock& clock, int speed,
               const std::string& device = {}) {
    SilentMessages messages;
    SlotHost host;
    shell::Svc().clock = &clock;
    shell::Svc().messages = &messages;
    shell::ResetGlobalState();
    comm::ResetCommEngine();
    comm::jobs::RegisterAllJobs();
    comm::SetCommHost(&host);
    CountingPort counting(port);
    comm::AttachCommPort(&counting);
    comm::CommSpeed = speed;
    comm::CommSettings.deviceOverride = device;
    comm::CommTitle = "Upload";
    parameter::Items() = {};
    Figures f;
    const auto start = clock.NowMs();
    if (!comm::StartCommJob(comm::kJobUpload)) return f;
    comm::RunCommJob();
    f.ok = comm::CommResult == comm::kErrNone;
    f.seconds = static_cast<double>(clock.NowMs() - start) / 1000.0;
    f.items = parameter::Items().dataSet.size();
    f.requests = comm::RequestsSent();
    f.wireSeconds = static_cast<double>(counting.written + counting.read) * 10.0 / speed;
    comm::AttachCommPort(nullptr);
    comm::SetCommHost(nullptr);
    return f;
}

std::string InstrumentsFolder() {
    return RQ50_SIM_INSTRUMENTS_DIR;
}

/// A copy of an instrument file that listens at `speed`.
std::string AtSpeed(const std::string& file, int speed) {
    std::ifstream in(InstrumentsFolder() + "/" + file);
    nlohmann::json j = nlohmann::json::parse(in);
    j["speed"] = speed;
    // Slot files of a rack are named relative to the rack's own file.
    if (j.contains("rack")) {
        for (auto& [slot, value] : j["rack"]["slots"].items()) {
            if (value.is_string()) value = InstrumentsFolder() + "/" + value.get<std::string>();
        }
    }
    const auto path = std::filesystem::temp_directory_path() /
                      ("bench-" + std::to_string(::getpid()) + "-" + file);
    std::ofstream(path) << j.dump(2);
    return path.string();
}

void PrintRow(const std::string& name, int speed, const Figures& f) {
    std::printf("%-10s %5d  %-4s %5zu %8d %10.2f %10.2f %7.2f\n", name.c_str(), speed,
                f.ok ? "ok" : "FAIL", f.items, f.requests, f.seconds, f.wireSeconds,
                f.wireSeconds > 0 ? f.seconds / f.wireSeconds : 0.0);
}

#ifdef RQ50_BENCH_REAL_LINE
std::string StartSim(const std::string& exe, const std::string& file, pid_t& pid, int& out) {
    int fds[2];
    if (::pipe(fds) != 0) return {};
    pid = ::fork();
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        ::execl(exe.c_str(), exe.c_str(), "--instrument", file.c_str(),
                static_cast<char*>(nullptr));
        ::_exit(127);
    }
    ::close(fds[1]);
    out = fds[0];
    std::string line;
    while (true) {
        pollfd p{out, POLLIN, 0};
        if (::poll(&p, 1, 5000) <= 0) break;
        char c = 0;
        if (::read(out, &c, 1) != 1 || c == '\n') break;
        line += c;
    }
    return line.rfind("PTY ", 0) == 0 ? line.substr(4) : std::string();
}
#endif

}  // namespace

int main(int argc, char** argv) {
#ifdef RQ50_BENCH_REAL_LINE
    QCoreApplication app(argc, argv);
#else
    (void)argc;
#endif
    const char* files[] = {"RQB2.json", "RQG2.json", "RQK2.json", "ZNC.json"};
    std::printf("Upload on the virtual clock (ZNC: the module in slot 1)\n");
    std::printf("%-10s %5s  %-4s %5s %8s %10s %10s %7s\n", "instrument", "bit/s", "", "items",
                "requests", "virtual s", "wire s", "ratio");
    for (const char* file : files) {
        for (int speed : {1200, 9600}) {
            auto instrument = sim::Instrument::FromFile(AtSpeed(file, speed));
            shell::VirtualClock clock;
            sim::SimulatedLine line(clock, &instrument);
            PrintRow(file, speed, Upload(line, clock, speed));
        }
    }

#ifdef RQ50_BENCH_REAL_LINE
    std::printf("\nRQB2 at 9600 bit/s in real time through tavro-sim on a pseudo-terminal\n");
    const std::string file = AtSpeed("RQB2.json", 9600);
    Figures virtualRun;
    {
        auto instrument = sim::Instrument::FromFile(file);
        shell::VirtualClock clock;
        sim::SimulatedLine line(clock, &instrument);
        virtualRun = Upload(line, clock, 9600);
    }
    pid_t pid = -1;
    int out = -1;
    const std::string simExe =
        (std::filesystem::path(argv[0]).parent_path() / "tavro-sim").string();
    const std::string path = StartSim(simExe, file, pid, out);
    if (path.empty()) {
        std::printf("tavro-sim did not start\n");
        return 1;
    }
    platform::QtSerialPort port;
    shell::SteadyClock clock;
    const auto wallStart = std::chrono::steady_clock::now();
    Figures real = Upload(port, clock, 9600, path);
    const double wall =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
    ::kill(pid, SIGTERM);
    ::waitpid(pid, nullptr, 0);
    std::printf("%-10s %5s  %-4s %5s %8s %10s %10s %7s\n", "run", "bit/s", "", "items", "requests",
                "seconds", "wire s", "ratio");
    PrintRow("virtual", 9600, virtualRun);
    real.seconds = wall;
    PrintRow("wall", 9600, real);
    std::printf("wall time / virtual time: %.3f\n",
                virtualRun.seconds > 0 ? wall / virtualRun.seconds : 0.0);
#endif
    return 0;
}
