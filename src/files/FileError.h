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
enum FileError : int {
    kFileOk = 0,
    kErrBadFileNameOrNumber = 52,
    kErrBadFileMode = 54,  ///< the target is read-only (file or folder)
    kErrIo = 57,           ///< device I/O error
    kErrDiskFull = 61,
    kErrInputPastEnd = 62,  ///< the file ends before the record does
    kErrBadFileName = 64,
    kErrDeviceUnavailable = 68,
    kErrPermissionDenied = 70,  ///< the file may not be read
    kErrDiskNotReady = 71,
    kErrPathFileAccess = 75,
    kErrPathNotFound = 76,
    kErrInvalidFormat = 321,  ///< the bytes are not a record of the expected kind
    /// The name is that of a folder, a device or a pipe, which the file
    /// routines neither read nor replace.
    kErrNotAFile = 1001,
    /// A new file cannot be created in the folder: the folder (or its file
    /// system) is read-only, or the user may not write there.
    kErrFolderReadOnly = 1002,
};

/// The description of a run-time file error ("Disk full" ...).
std::string FileErrorDescription(int error);

/// The file error matching a C library error code (errno) of a write.
int FileErrorFromErrno(int errnoValue);

/// The file error matching errno of a read: as for a write, except that a
/// file the user may not read is kErrPermissionDenied, not the read-only
/// error of a save.
int ReadErrorFromErrno(int errnoValue);

/// Shows the message of file error `error` with an OK button and `title`:
/// message 18 for a bad or missing name or path, 19 for a read-only target, 22
/// for a full disk, 20 for a device that is not ready. Any other error (a
/// damaged or foreign file, an access error) is shown as its description, so
/// that no failed read or write goes by without a word. Returns the message
/// number shown, 0 when the description was shown instead, or -1 for kFileOk.
int ReportFileError(const shell::Services& hosts, int error, const std::string& title);

}  // namespace rq50::files
