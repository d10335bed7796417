// Full parameter upload of each sample instrument on the virtual clock at
// 1200 and 9600 bit/s, in classic and fast pacing, against the wire time of
// the same frames (10 bits a byte); then RQB2 in real time through tavro-sim
// on a pseudo-terminal in each pacing.

#include "bench/Transfer.h"

int main(int argc, char** argv) {
    using namespace rq50;
    return bench::Main(argc, argv, comm::kJobUpload,
                       "Upload on the virtual clock (ZNC: the module in slot 1)",
                       [](comm::SerialPort&, shell::Clock&, int, files::Workspace&) {});
}
