// Feeds arbitrary bytes to the program-file reader. A record it accepts must
// survive a write and a second read unchanged, and its CSV report must not
// fail whatever the header's counts say.
#include "files/Csv.h"
#include "files/FileError.h"
#include "files/ProgramFile.h"

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rq50::files;
    ProgramFileRecord record;
    if (DecodeProgramRecord(std::span(data, size), record) != FileError::Ok) return 0;

    const Bytes bytes = EncodeProgramRecord(record);
    ProgramFileRecord again;
    if (DecodeProgramRecord(bytes, again) != FileError::Ok) std::abort();
    if (EncodeProgramRecord(again) != bytes) std::abort();

    (void)BuildProgramCsv(record, CsvAreas{});
    return 0;
}
