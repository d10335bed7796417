#pragma once

// What the transfer benchmarks share: a port that counts the bytes crossing
// it, silent hosts, one measured run of a job in either pacing, instrument
// files at a chosen speed, and tavro-sim started on a pseudo-terminal.

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"

#if __has_include(<QSerialPort>)
#include <QCoreApplication>

#include "platform/QtSerialPort.h"
#include "support/SimProcess.h"
#define RQ50_BENCH_REAL_LINE 1
#endif

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

namespace rq50::bench {

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
    comm::PortErrorCode ErrorCode() const override { return m_inner.ErrorCode(); }
    std::string ErrorDescription() const override { return m_inner.ErrorDescription(); }

  private:
    comm::SerialPort& m_inner;
};

class SilentMessages : public shell::MessageBoxHost {
  public:
    shell::MsgAnswer Show(const shell::MessageBoxRequest& /*box*/) override { return shell::MsgAnswer::Ok; }
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

/// Wires an engine with every job to `ws` (its clock, messages and engine
/// hosts set), `host` and `port`, at `speed` in the pacing asked for.
inline void WireEngine(comm::CommEngine& engine, files::Workspace& ws, shell::Clock& clock,
                       shell::MessageBoxHost& messages, comm::CommHost& host,
                       comm::SerialPort& port, int speed, const comm::CommPacing& pacing) {
    engine.SetWorkspace(ws);
    ws.hosts.clock = &clock;
    ws.hosts.messages = &messages;
    ws.hosts.engine = &engine;
    engine.SetClock(&clock);
    engine.SetCommPacing(pacing);
    comm::jobs::RegisterAllJobs(engine);
    engine.SetHost(&host);
    engine.AttachPort(&port);
    engine.SetSpeed(speed);
}

/// Runs `job` (upload or download) once on `data` and measures it: an upload
/// fills the data set, a download sends the one an upload left there.
inline Figures Transfer(comm::Job job, const comm::CommPacing& pacing, comm::SerialPort& port,
                        shell::Clock& clock, int speed, files::Workspace& data,
                        const std::string& device = {}) {
    SilentMessages messages;
    SlotHost host;
    comm::CommEngine engine;
    data.hosts = {};
    CountingPort counting(port);
    WireEngine(engine, data, clock, messages, host, counting, speed, pacing);
    engine.SetDeviceOverride(device);
    if (job == comm::kJobUpload) data.items = {};
    Figures f;
    const auto start = clock.NowMs();
    if (!engine.StartCommJob({job, "Transfer"})) return f;
    engine.RunCommJob();
    f.ok = engine.LastOutcome().code == comm::kErrNone;
    f.seconds = static_cast<double>(clock.NowMs() - start) / 1000.0;
    f.items = job == comm::kJobUpload ? engine.Data().items.dataSet.size()
                                      : static_cast<std::size_t>(engine.LastOutcome().itemsWritten);
    f.requests = engine.RequestsSent();
    f.wireSeconds = static_cast<double>(counting.written + counting.read) * 10.0 / speed;
    data.hosts = {};
    return f;
}

inline std::string InstrumentsFolder() {
    return RQ50_SIM_INSTRUMENTS_DIR;
}

/// A copy of an instrument file that listens at `speed`.
inline std::string AtSpeed(const std::string& file, int speed) {
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

/// Seconds the port settles after opening before the first request.
constexpr double kSettleSeconds = 2.0;

/// One table row per instrument and speed: both pacings on the virtual
/// clock, the wire time, the ratios to it, the fast time against the bound
/// of settle + wire, and fast pacing's time per request beyond that bound.
inline void PrintHeading(const char* title) {
    std::printf("%s\n", title);
    std::printf("%-10s %5s %5s %8s %10s %10s %8s %8s %8s %10s %10s\n", "instrument", "bit/s",
                "items", "requests", "classic s", "fast s", "wire s", "classic", "fast",
                "fast/bound", "ms/request");
}

inline void PrintRow(const std::string& name, int speed, const Figures& classic,
                     const Figures& fast) {
    const double wire = classic.wireSeconds;
    const double bound = kSettleSeconds + wire;
    // What fast pacing spends per request beyond settle and wire: the
    // instrument's answer delay and the gap, nothing of the engine's own.
    const double extraMs =
        fast.requests > 0 ? (fast.seconds - bound) * 1000.0 / fast.requests : 0.0;
    std::printf("%-10s %5d %5zu %8d %10.2f %10.2f %8.2f %8.2f %8.2f %10.2f %10.1f%s\n",
                name.c_str(), speed, classic.items, classic.requests, classic.seconds, fast.seconds,
                wire, wire > 0 ? classic.seconds / wire : 0.0, wire > 0 ? fast.seconds / wire : 0.0,
                bound > 0 ? fast.seconds / bound : 0.0, extraMs,
                classic.ok && fast.ok && classic.requests == fast.requests ? "" : "  FAIL");
}

/// The table of every sample instrument at both speeds in both pacings on
/// the virtual clock; `prepare` runs on the line before each measured job.
template <class Prepare>
void VirtualTable(comm::Job job, const char* title, Prepare prepare) {
    PrintHeading(title);
    for (const char* file : {"RQB2.json", "RQG2.json", "RQK2.json", "ZNC.json"}) {
        for (const int speed : {1200, 9600}) {
            Figures runs[2];
            for (const bool fast : {false, true}) {
                auto instrument = sim::Instrument::FromFile(AtSpeed(file, speed));
                shell::VirtualClock clock;
                sim::SimulatedLine line(clock, &instrument);
                files::Workspace data;
                prepare(line, clock, speed, data);
                runs[fast ? 1 : 0] =
                    Transfer(job, {fast, comm::kDefaultGapMs}, line, clock, speed, data);
            }
            PrintRow(file, speed, runs[0], runs[1]);
        }
    }
}

#ifdef RQ50_BENCH_REAL_LINE
/// RQB2 at `speed` in real time through tavro-sim, in both pacings, against
/// the same run on the virtual clock. `prepare` runs first on the virtual
/// clock (a download needs the data set of an upload).
template <class Prepare>
int RealTimeRuns(comm::Job job, const char* argv0, int speed, Prepare prepare) {
    std::printf("\nRQB2 at %d bit/s in real time through tavro-sim on a pseudo-terminal\n", speed);
    std::printf("%-8s %10s %5s %8s %10s %10s %8s\n", "pacing", "", "items", "requests", "virtual s",
                "wall s", "wall/virt");
    const std::string file = AtSpeed("RQB2.json", speed);
    const std::string simExe = (std::filesystem::path(argv0).parent_path() / "tavro-sim").string();
    for (const bool fast : {false, true}) {
        const comm::CommPacing pacing{fast, comm::kDefaultGapMs};
        Figures virtualRun;
        files::Workspace data;
        {
            auto instrument = sim::Instrument::FromFile(file);
            shell::VirtualClock clock;
            sim::SimulatedLine line(clock, &instrument);
            prepare(line, clock, data);
            virtualRun = Transfer(job, pacing, line, clock, speed, data);
        }
        auto sim = std::make_unique<test::SimProcess>(file, simExe);
        const std::string path = sim->Path();
        if (path.empty()) {
            std::printf("tavro-sim did not start\n");
            return 1;
        }
        platform::QtSerialPort port;
        shell::SteadyClock clock;
        const auto wallStart = std::chrono::steady_clock::now();
        const Figures real = Transfer(job, pacing, port, clock, speed, data, path);
        const double wall =
            std::chrono::duration<double>(std::chrono::steady_clock::now() - wallStart).count();
        sim.reset();
        std::printf("%-8s %10s %5zu %8d %10.2f %10.2f %8.3f%s\n", fast ? "fast" : "classic", "",
                    real.items, real.requests, virtualRun.seconds, wall,
                    virtualRun.seconds > 0 ? wall / virtualRun.seconds : 0.0,
                    real.ok && virtualRun.ok ? "" : "  FAIL");
    }
    return 0;
}
#endif

/// A benchmark's main: the virtual-clock table, then (with Qt) RQB2 at
/// 9600 bit/s in real time. `prepare(line, clock, speed, data)` runs before
/// each measured job.
template <class Prepare>
int Main(int argc, char** argv, comm::Job job, const char* title, Prepare prepare) {
#ifdef RQ50_BENCH_REAL_LINE
    QCoreApplication app(argc, argv);
#else
    (void)argc;
    (void)argv;
#endif
    VirtualTable(job, title, prepare);
#ifdef RQ50_BENCH_REAL_LINE
    const auto atSpeed = [&](comm::SerialPort& line, shell::Clock& clock, files::Workspace& data) {
        prepare(line, clock, 9600, data);
    };
    if (RealTimeRuns(job, argv[0], 9600, atSpeed) != 0) return 1;
#endif
    return 0;
}

}  // namespace rq50::bench
