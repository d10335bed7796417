// A rack run on the virtual clock: a full scan and a full upload of the
// sample rack (ZNC: three instruments in 16 slots) at 1200 and 9600 bit/s,
// in classic and fast pacing, with the share of the time spent settling
// the line after each opening (every slot is its own line opening).

#include <filesystem>

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

RunFigures RackOnce(shell::RackAction action, bool fast, int speed) {
    shell::VirtualClock clock;
    sim::Instrument rack = sim::Instrument::FromFile(bench::AtSpeed("ZNC.json", speed));
    sim::SimulatedLine line(clock, &rack);
    bench::SilentMessages messages;
    shell::FileSystemUtility utility(&clock);
    comm::CommHost host;
    comm::CommEngine engine;
    shell::Workspace ws;
    ws.hosts.utility = &utility;
    comm::CommPacing pacing;
    pacing.fast = fast;
    bench::WireEngine(engine, ws, clock, messages, host, line, speed, pacing);

    shell::RackOptions options;
    options.action = action;
    options.folder = (std::filesystem::temp_directory_path() / "rq50-bench-rack").string();
    RunFigures f;
    options.onEnd = [&f](const std::vector<shell::SlotOutcome>& outcome, bool) {
        f.summary = shell::RackSummary(outcome);
        f.openings = static_cast<int>(outcome.size());
    };
    const auto start = clock.NowMs();
    auto run = shell::RackRun::Start(ws, options);
    while (run && run->Running() && engine.CommBusy) engine.RunCommJob();
    f.seconds = static_cast<double>(clock.NowMs() - start) / 1000.0;
    std::filesystem::remove_all(options.folder);
    return f;
}

}  // namespace

int main() {
    std::printf("Rack run of the sample rack (16 slots, 3 instruments), virtual clock\n");
    std::printf("%-7s %6s %-8s %9s %9s %s\n", "run", "bit/s", "pacing", "seconds", "settling",
                "outcome");
    for (auto [name, action] :
         {std::pair{"scan", shell::RackAction::kScan}, {"upload", shell::RackAction::kUpload}}) {
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
    return 0;
}
