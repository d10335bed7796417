// A rack run on the virtual clock: a full scan and a full upload of the
// sample rack (ZNC: three instruments in 16 slots) at 1200 and 9600 bit/s,
// in classic and fast pacing, with the share of the time spent settling
// the line after each opening (every slot is its own line opening). Then,
// in real time, rq50-cli rack upload of the sample rack at 9600 bit/s in
// fast pacing on one tavro-sim pseudo-terminal against four racks on four
// at once.

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <vector>

#include "bench/Transfer.h"
#include "session/RackRun.h"
#include "shell/FileSystemUtility.h"

namespace {

using namespace rq50;

struct RunFigures {
    double seconds = 0;
    int openings = 0;
    std::string summary;
};

RunFigures RackOnce(session::RackAction action, bool fast, int speed) {
    shell::VirtualClock clock;
    sim::Instrument rack = sim::Instrument::FromFile(bench::AtSpeed("ZNC.json", speed));
    sim::SimulatedLine line(clock, &rack);
    bench::SilentMessages messages;
    shell::FileSystemUtility utility(&clock);
    comm::CommHost host;
    comm::CommEngine engine;
    files::Workspace ws;
    ws.hosts.utility = &utility;
    comm::CommPacing pacing;
    pacing.fast = fast;
    bench::WireEngine(engine, ws, clock, messages, host, line, speed, pacing);

    session::RackOptions options;
    options.action = action;
    options.folder = (std::filesystem::temp_directory_path() / "rq50-bench-rack").string();
    RunFigures f;
    options.onEnd = [&f](const std::vector<session::SlotOutcome>& outcome, bool) {
        f.summary = session::RackSummary(outcome);
        f.openings = static_cast<int>(outcome.size());
    };
    const auto start = clock.NowMs();
    auto run = session::RackRun::Start(ws, options);
    while (run && run->Running() && engine.Busy()) engine.RunCommJob();
    f.seconds = static_cast<double>(clock.NowMs() - start) / 1000.0;
    std::filesystem::remove_all(options.folder);
    return f;
}

}  // namespace

#ifdef RQ50_BENCH_REAL_LINE
/// Wall seconds of one rq50-cli rack upload with a --port for each of
/// `ports`; false in `ok` when it did not exit 0.
double RackUploadOnPorts(const std::string& cli, const std::vector<std::string>& ports, bool& ok) {
    const auto folder =
        std::filesystem::temp_directory_path() / ("rq50-bench-racks-" + std::to_string(::getpid()));
    std::filesystem::remove_all(folder);
    std::string command = cli + " --no-register --quiet --fast --speed 9600 rack upload";
    for (const auto& port : ports) command += " --port " + port;
    command += " " + folder.string() + " >/dev/null";
    const auto start = std::chrono::steady_clock::now();
    ok = std::system(command.c_str()) == 0;
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::filesystem::remove_all(folder);
    return seconds;
}

int RealTimeRacks(const char* argv0) {
    const auto bin = std::filesystem::path(argv0).parent_path();
    const std::string file = bench::AtSpeed("ZNC.json", 9600);
    std::vector<std::unique_ptr<test::SimProcess>> sims;
    std::vector<std::string> ports;
    for (int i = 0; i < 4; ++i) {
        sims.push_back(std::make_unique<test::SimProcess>(file, (bin / "tavro-sim").string()));
        if (sims.back()->Path().empty()) {
            std::printf("tavro-sim did not start\n");
            return 1;
        }
        ports.push_back(sims.back()->Path());
    }
    const std::string cli = (bin / "rq50-cli").string();
    bool oneOk = false;
    bool fourOk = false;
    const double one = RackUploadOnPorts(cli, {ports[0]}, oneOk);
    const double four = RackUploadOnPorts(cli, ports, fourOk);
    std::printf("\nrq50-cli rack upload of the sample rack, 9600 bit/s, fast pacing, real time\n");
    std::printf("%-14s %9s\n%-14s %9.1f%s\n%-14s %9.1f%s\n%-14s %9.3f %s\n", "racks", "seconds",
                "1 on 1 port", one, oneOk ? "" : "  FAIL", "4 on 4 ports", four,
                fourOk ? "" : "  FAIL", "ratio", one > 0 ? four / one : 0.0,
                one > 0 && four / one <= 1.25 ? "(<= 1.25)" : "(over 1.25)");
    std::filesystem::remove(file);
    return oneOk && fourOk ? 0 : 1;
}
#endif

int main(int argc, char** argv) {
#ifdef RQ50_BENCH_REAL_LINE
    QCoreApplication app(argc, argv);
#else
    (void)argc;
    (void)argv;
#endif
    std::printf("Rack run of the sample rack (16 slots, 3 instruments), virtual clock\n");
    std::printf("%-7s %6s %-8s %9s %9s %s\n", "run", "bit/s", "pacing", "seconds", "settling",
                "outcome");
    for (auto [name, action] : {std::pair{"scan", session::RackAction::kScan},
                                {"upload", session::RackAction::kUpload}}) {
        for (int speed : {1200, 9600}) {
            for (bool fast : {false, true}) {
                const auto f = RackOnce(action, fast, speed);
                const double settling = f.openings * bench::kSettleSeconds;
                std::printf("%-7s %6d %-8s %9.1f %8.0f%% %s\n", name, speed,
                            fast ? "fast" : "classic", f.seconds,
                            f.seconds > 0 ? 100.0 * settling / f.seconds : 0.0, f.summary.c_str());
            }
        }
    }
#ifdef RQ50_BENCH_REAL_LINE
    return RealTimeRacks(argv[0]);
#else
    return 0;
#endif
}
