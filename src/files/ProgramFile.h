#pragma once

#include "files/BinaryRecord.h"
#include "files/FileError.h"
#include "files/InformationRecord.h"
#include "program/ProgramTypes.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace rq50::shell {
struct Services;
}  // namespace rq50::shell
namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// Everything a program file (.7pr) holds.
struct ProgramFileRecord {
    InformationRecord information;
    program::ProgramHeader header;
    std::vector<program::ProgramItemRecord> items;
};

inline constexpr std::size_t kProgramReservedText = 76;

/// The file bytes of `record`: information block, 76 spaces, program header
/// with its step comments, 9 zero bytes, item records.
Bytes EncodeProgramRecord(const ProgramFileRecord& record);

/// Decodes file bytes into `out`, with the same results and guarantees as
/// DecodeParameterRecord.
FileError DecodeProgramRecord(std::span<const std::uint8_t> bytes, ProgramFileRecord& out);

/// The current program as a record.
ProgramFileRecord CurrentProgramRecord(const files::Workspace& ws);

/// Saves the current information record, program header and item records to
/// `path`, as WriteParameterFile does for a data set.
bool WriteProgramFile(files::Workspace& ws, const std::string& path);

/// Makes `record` the current information record and program.
void UseProgramRecord(files::Workspace& ws, ProgramFileRecord record);

/// Reads the program file at `path` into the current information record,
/// program header (both copies) and item records; title of a failure "Read
/// Program Data from a File". As ReadParameterFile otherwise.
bool ReadProgramFile(files::Workspace& ws, const std::string& path,
                     const std::string& fileTitle = {});

/// ReadProgramFile into `out`, without a message. Returns 0 or a FileError.
FileError LoadProgramFile(const std::string& path, ProgramFileRecord& out);

}  // namespace rq50::files
