#pragma once

#include <string>

namespace rq50::shell {
struct Services;
}  // namespace rq50::shell
namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// Run-time error numbers of the file routines. ReportFileError turns them into
/// the messages the user sees; the numbers themselves appear in the CSV
/// writer's error box ("ErrorNumber = " + number).
enum class FileError : int {
    Ok = 0,
    BadFileNameOrNumber = 52,
    BadFileMode = 54,  ///< the target is read-only (file or folder)
    Io = 57,           ///< device I/O error
    DiskFull = 61,
    InputPastEnd = 62,  ///< the file ends before the record does
    BadFileName = 64,
    DeviceUnavailable = 68,
    PermissionDenied = 70,  ///< the file may not be read
    DiskNotReady = 71,
    PathFileAccess = 75,
    PathNotFound = 76,
    InvalidFormat = 321,  ///< the bytes are not a record of the expected kind
    /// The name is that of a folder, a device or a pipe, which the file
    /// routines neither read nor replace.
    NotAFile = 1001,
    /// A new file cannot be created in the folder: the folder (or its file
    /// system) is read-only, or the user may not write there.
    FolderReadOnly = 1002,
};

/// The description of a run-time file error ("Disk full" ...).
/// The number a message or the CSV writer's error box shows for `error`.
constexpr int FileErrorNumber(FileError error) { return static_cast<int>(error); }

std::string FileErrorDescription(FileError error);

/// The file error matching a C library error code (errno) of a write.
FileError FileErrorFromErrno(int errnoValue);

/// The file error matching errno of a read: as for a write, except that a
/// file the user may not read is FileError::PermissionDenied, not the read-only
/// error of a save.
FileError ReadErrorFromErrno(int errnoValue);

/// Shows the message of file error `error` with an OK button and `title`:
/// message 18 for a bad or missing name or path, 19 for a read-only target, 22
/// for a full disk, 20 for a device that is not ready. Any other error (a
/// damaged or foreign file, an access error) is shown as its description, so
/// that no failed read or write goes by without a word. Returns the message
/// number shown, 0 when the description was shown instead, or -1 for FileError::Ok.
int ReportFileError(const shell::Services& hosts, FileError error, const std::string& title);

}  // namespace rq50::files
