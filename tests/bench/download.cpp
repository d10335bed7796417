// Full parameter download (every item written and read back) of each sample
// instrument's own data on the virtual clock at 1200 and 9600 bit/s, in
// classic and fast pacing, against the wire time of the same frames; then
// RQB2 in real time through tavro-sim on a pseudo-terminal in each pacing.

#include "bench/Transfer.h"

namespace {

using namespace rq50;

/// Fills the data set from the instrument, as a technician's upload does.
void UploadFirst(comm::SerialPort& line, shell::Clock& clock, int speed) {
    bench::Transfer(comm::kJobUpload, {true, comm::kDefaultGapMs}, line, clock, speed);
}

}  // namespace

int main(int argc, char** argv) {
#ifdef RQ50_BENCH_REAL_LINE
    QCoreApplication app(argc, argv);
#else
    (void)argc;
    (void)argv;
#endif
    bench::PrintHeading("Download on the virtual clock (ZNC: the module in slot 1)");
    for (const char* file : {"RQB2.json", "RQG2.json", "RQK2.json", "ZNC.json"}) {
        for (const int speed : {1200, 9600}) {
            bench::Figures runs[2];
            for (const bool fast : {false, true}) {
                auto instrument = sim::Instrument::FromFile(bench::AtSpeed(file, speed));
                shell::VirtualClock clock;
                sim::SimulatedLine line(clock, &instrument);
                UploadFirst(line, clock, speed);
                runs[fast ? 1 : 0] = bench::Transfer(
                    comm::kJobDownload, {fast, comm::kDefaultGapMs}, line, clock, speed);
            }
            bench::PrintRow(file, speed, runs[0], runs[1]);
        }
    }
#ifdef RQ50_BENCH_REAL_LINE
    const auto upload = [](comm::SerialPort& line, shell::Clock& clock) {
        UploadFirst(line, clock, 9600);
    };
    if (bench::RealTimeRuns(comm::kJobDownload, argv[0], 9600, upload) != 0) return 1;
#endif
    return 0;
}
