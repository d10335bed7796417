#pragma once

#include "files/BinaryRecord.h"
#include "files/FileError.h"

#include <cstddef>
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

/// Largest file the readers take in: far beyond any record the program writes
/// (801 item blocks take 33 KB), small enough to hold in memory.
inline constexpr std::uintmax_t kMaxRecordFileSize = 16u * 1024u * 1024u;

/// Reads the whole file at `path` into `out`. Returns 0 or a FileError; `out`
/// is untouched on failure. Only a regular file is read: a folder, device or
/// pipe gives FileError::NotAFile at once (a pipe never blocks the reader).
FileError ReadWholeFile(const std::string& path, Bytes& out);

/// Writes `bytes` as the new content of `path` without ever leaving a broken
/// file behind: the bytes go to a temporary file in the same folder, which is
/// flushed to the disk and then renamed over the target. On any failure the
/// temporary file is removed and the target is exactly as it was. A target
/// that exists but may not be written is refused (FileError::BadFileMode) even when
/// its folder would allow the rename; so is a target that is a folder, device
/// or pipe (FileError::NotAFile). Temporary files of the same target left by a
/// process that no longer runs (killed during a save) are removed first.
/// Returns 0 or a FileError.
FileError ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes);

/// Makes the file writers fail as a full disk or a removed medium would: the
/// writes of the temporary file stop after `bytesBeforeFailure` bytes with
/// error `errnoValue`. One at a time; the writers behave normally again when
/// it goes out of scope.
class ScopedWriteFault {
  public:
    ScopedWriteFault(std::size_t bytesBeforeFailure, int errnoValue);
    ~ScopedWriteFault();
    ScopedWriteFault(const ScopedWriteFault&) = delete;
    ScopedWriteFault& operator=(const ScopedWriteFault&) = delete;
};

/// Bytes a save of `itemCount` item blocks asks the disk for: (index of the
/// last block) x 40 + 750. Computed in full width, so large data sets do not
/// overflow. `itemCount` must be at least 1.
std::int64_t SpaceRequirement(std::size_t itemCount);

/// Name and extension of `path`, without its folder.
std::string FileTitleOf(const std::string& path);

/// The free-space check of a save to `path` of `itemCount` item blocks:
/// remembers the requirement as the last save requirement, and passes when the
/// drive has room. When the room is too small it shows message 22 "Lack of free
/// disk space..." and fails; when the free space cannot be told it fails
/// without a message.
bool CheckSaveSpace(files::Workspace& ws, const std::string& path, std::size_t itemCount);

/// Refuses a save of nothing: shows "There is no data to save." with the title
/// "Save to File".
void ReportNothingToSave(const shell::Services& hosts);

}  // namespace rq50::files
