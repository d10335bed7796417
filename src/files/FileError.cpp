#include "files/FileError.h"

#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"

#include <cerrno>

namespace rq50::files {

std::string FileErrorDescription(FileError error) {
    switch (error) {
        case FileError::BadFileNameOrNumber:
            return "Bad file name or number";
        case FileError::BadFileMode:
            return "Bad file mode";
        case FileError::Io:
            return "Device I/O error";
        case FileError::DiskFull:
            return "Disk full";
        case FileError::InputPastEnd:
            return "Input past end of file";
        case FileError::BadFileName:
            return "Bad file name";
        case FileError::DeviceUnavailable:
            return "Device unavailable";
        case FileError::PermissionDenied:
            return "Permission denied";
        case FileError::DiskNotReady:
            return "Disk not ready";
        case FileError::PathFileAccess:
            return "Path/File access error";
        case FileError::PathNotFound:
            return "Path not found";
        case FileError::InvalidFormat:
            return "Invalid file format";
        case FileError::NotAFile:
            return "Not a file (a folder, a device or a pipe)";
        case FileError::FolderReadOnly:
            return "The folder is read-only: no file can be created in it. Choose another folder.";
        default:
            return "Application-defined or object-defined error";
    }
}

FileError FileErrorFromErrno(int e) {
    switch (e) {
        case 0:
            return FileError::Ok;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return FileError::DiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return FileError::BadFileMode;
        case ENOENT:
        case ENOTDIR:
            return FileError::PathNotFound;
        case ENAMETOOLONG:
        case EINVAL:
        case EISDIR:
            return FileError::BadFileName;
        case ENXIO:
        case ENODEV:
#ifdef ENOMEDIUM
        case ENOMEDIUM:
#endif
        case EIO:  // a removed medium
            return FileError::DiskNotReady;
        default:
            return FileError::PathFileAccess;
    }
}

FileError ReadErrorFromErrno(int e) {
    if (e == EACCES || e == EPERM) return FileError::PermissionDenied;
    return FileErrorFromErrno(e);
}

int ReportFileError(const shell::Services& hosts, FileError error, const std::string& title) {
    int message = 0;
    switch (error) {
        case FileError::Ok:
            return -1;
        case FileError::BadFileNameOrNumber:
        case FileError::BadFileName:
        case FileError::PathNotFound:
            message = kMsgFileNotFound;
            break;
        case FileError::BadFileMode:
            message = kMsgReadOnlyFile;
            break;
        case FileError::DiskFull:
            message = kMsgLackOfSpace;
            break;
        case FileError::DeviceUnavailable:
        case FileError::DiskNotReady:
            message = kMsgDiskNotReady;
            break;
        default:
            break;
    }
    if (message != 0) {
        shell::ShowMessage(hosts, message, shell::MsgButtons::Ok, title);
        return message;
    }
    shell::ShowAlert(hosts, {FileErrorDescription(error), title, shell::MsgButtons::Ok,
                             shell::MsgIcon::Exclamation});
    return 0;
}

}  // namespace rq50::files
