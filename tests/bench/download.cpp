// Full parameter download (every item written and read back) of each sample
// instrument's own data on the virtual clock at 1200 and 9600 bit/s, in
// classic and fast pacing, against the wire time of the same frames; then
// RQB2 in real time through tavro-sim on a pseudo-terminal in each pacing.

#include "bench/Transfer.h"

namespace {

using namespace rq50;

/// Fills the data set from the instrument, as a technician's upload does.
void UploadFirst(comm::SerialPort& line, shell::Clock& clock, int speed, files::Workspace& data) {
    bench::Transfer(comm::kJobUpload, {true, comm::kDefaultGapMs}, line, clock, speed, data);
}

}  // namespace

int main(int argc, char** argv) {
    return bench::Main(argc, argv, comm::kJobDownload,
                       "Download on the virtual clock (ZNC: the module in slot 1)", UploadFirst);
}
