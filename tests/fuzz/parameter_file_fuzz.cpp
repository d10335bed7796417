// Feeds arbitrary bytes to the parameter-file reader. A record it accepts must
// survive a write and a second read unchanged, and the reports built from it
// (content list, CSV) must not fail on any content.
#include "files/ContentList.h"
#include "files/Csv.h"
#include "files/FileError.h"
#include "files/OleDate.h"
#include "files/ParameterFile.h"

#include <cstdint>
#include <cstdlib>
#include <span>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace rq50::files;
    ParameterFileRecord record;
    if (DecodeParameterRecord(std::span(data, size), record) != FileError::Ok) return 0;

    const Bytes bytes = EncodeParameterRecord(record);
    ParameterFileRecord again;
    if (DecodeParameterRecord(bytes, again) != FileError::Ok) std::abort();
    if (EncodeParameterRecord(again) != bytes) std::abort();

    (void)FormatIsoDate(record.information.date);
    (void)BuildContentList(record.items, record.header, false);
    (void)BuildParameterCsv(record, CsvAreas{}, true);
    return 0;
}
