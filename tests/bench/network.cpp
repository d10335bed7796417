// The RQB2 upload at 9600 bit/s in real time over a serial device server
// against the same upload on tavro-sim's pseudo-terminal directly, in one
// run and the same pacing: rfc2217:// through ser2net on the loopback
// address, then, in fast pacing, through a proxy that holds every byte
// 20 ms each way, against direct time + requests x 40 ms.

#include <cstdio>
#include <filesystem>
#include <memory>

#include "bench/Transfer.h"
#include "platform/LinePort.h"
#include "support/Ser2net.h"
#include "support/TcpProxy.h"

namespace {

using namespace rq50;

bench::Figures Upload(const comm::CommPacing& pacing, const std::string& device) {
    platform::LinePort port;
    shell::SteadyClock clock;
    files::Workspace data;
    return bench::Transfer(comm::kJobUpload, pacing, port, clock, 9600, data, device);
}

const char* Verdict(bool ok, double ratio, double limit) {
    if (!ok) return "FAIL";
    return ratio <= limit ? "ok" : "over";
}

}  // namespace

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    const std::string file = bench::AtSpeed("RQB2.json", 9600);
    const std::string simExe =
        (std::filesystem::path(argv[0]).parent_path() / "tavro-sim").string();
    test::SimProcess sim(file, simExe);
    if (sim.Path().empty()) {
        std::printf("tavro-sim did not start\n");
        return 1;
    }
    test::Ser2net server(sim.Path(), 9600);
    if (!server.Why().empty()) {
        std::printf("no device server: %s\n", server.Why().c_str());
        return 1;
    }

    std::printf(
        "RQB2 upload at 9600 bit/s in real time: rfc2217:// through ser2net against the "
        "pseudo-terminal\n");
    std::printf("%-8s %8s %10s %10s %8s %6s\n", "pacing", "requests", "direct s", "rfc2217 s",
                "ratio", "<=1.05");
    double directFast = 0;
    for (const bool fast : {false, true}) {
        const comm::CommPacing pacing{fast, comm::kDefaultGapMs};
        const auto direct = Upload(pacing, sim.Path());
        const auto network = Upload(pacing, server.Rfc2217Url());
        const double ratio = direct.seconds > 0 ? network.seconds / direct.seconds : 0;
        std::printf(
            "%-8s %8d %10.2f %10.2f %8.3f %6s\n", fast ? "fast" : "classic", network.requests,
            direct.seconds, network.seconds, ratio,
            Verdict(direct.ok && network.ok && direct.requests == network.requests, ratio, 1.05));
        if (fast) directFast = direct.seconds;
    }

    test::TcpProxy slow(server.rfc2217Port, {.latencyMs = 20});
    const auto delayed =
        Upload({true, comm::kDefaultGapMs}, "rfc2217://127.0.0.1:" + std::to_string(slow.port));
    const double bound = (directFast + delayed.requests * 0.040) * 1.05;
    std::printf("\nfast pacing through a proxy adding 20 ms each way\n");
    std::printf("%8s %10s %12s %8s %6s\n", "requests", "seconds", "bound s", "ratio", "<=1");
    std::printf("%8d %10.2f %12.2f %8.3f %6s\n", delayed.requests, delayed.seconds, bound,
                delayed.seconds / bound, Verdict(delayed.ok, delayed.seconds / bound, 1.0));
    std::filesystem::remove(file);
    return 0;
}
