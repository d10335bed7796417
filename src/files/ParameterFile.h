#pragma once

#include "files/BinaryRecord.h"
#include "files/FileError.h"
#include "files/DataSet.h"
#include "files/InformationRecord.h"
#include "parameter/ItemBlock.h"

#include <cstdint>
#include <span>
#include <string>

namespace rq50::shell {
struct Services;
}  // namespace rq50::shell
namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// Everything a parameter file (.7pa) holds.
struct ParameterFileRecord {
    InformationRecord information;
    DataSetHeader header;
    parameter::ItemArray items;
    friend bool operator==(const ParameterFileRecord&, const ParameterFileRecord&) = default;
};

/// Bytes of the reserved members that separate the information block from the
/// header and the header from the item blocks.
inline constexpr std::size_t kParameterReservedText = 26;
inline constexpr std::size_t kReservedZeroBytes = 9;

/// The file bytes of `record`: information block, 26 spaces, header, 9 zero
/// bytes, item blocks.
Bytes EncodeParameterRecord(const ParameterFileRecord& record);

/// Decodes file bytes into `out`. Returns 0, FileError::InputPastEnd when the bytes
/// end before the record does, or FileError::InvalidFormat when they are not a
/// parameter record (reserved members that are not blank, an impossible array
/// descriptor). `out` is changed only on success. Bytes after the record are
/// ignored.
FileError DecodeParameterRecord(std::span<const std::uint8_t> bytes, ParameterFileRecord& out);

/// The current data as a record.
ParameterFileRecord CurrentParameterRecord(const files::Workspace& ws);

/// Saves the current information record, data-set header and data set to
/// `path`. Refuses an empty data set with a message, checks the free space,
/// and replaces the file only once the whole record is on the disk. Reports a
/// failure with its message (title "Save to File") and returns false.
bool WriteParameterFile(files::Workspace& ws, const std::string& path);

/// Reads the parameter file at `path` into the current information record,
/// header and data set; the file-name field takes `fileTitle` (the name the
/// file was opened under; the name part of `path` when empty). On failure
/// reports the error (title "Read Parameter Data from a File"), leaves the
/// current data untouched and returns false.
bool ReadParameterFile(files::Workspace& ws, const std::string& path,
                       const std::string& fileTitle = {});

/// Makes `record` the current information record, header and data set.
void UseParameterRecord(files::Workspace& ws, ParameterFileRecord record);

/// The same as ReadParameterFile, into `out` instead of the current data, and
/// without a message. Returns 0 or a FileError.
FileError LoadParameterFile(const std::string& path, ParameterFileRecord& out);

}  // namespace rq50::files
