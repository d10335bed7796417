#include "files/FileError.h"

#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"

#include <cerrno>

namespace rq50::files {

std::string FileErrorDescription(int error) {
    switch (error) {
        case kErrBadFileNameOrNumber:
            return "Bad file name or number";
        case kErrBadFileMode:
            return "Bad file mode";
        case kErrIo:
            return "Device I/O error";
        case kErrDiskFull:
            return "Disk full";
        case kErrInputPastEnd:
            return "Input past end of file";
        case kErrBadFileName:
            return "Bad file name";
        case kErrDeviceUnavailable:
            return "Device unavailable";
        case kErrPermissionDenied:
            return "Permission denied";
        case kErrDiskNotReady:
            return "Disk not ready";
        case kErrPathFileAccess:
            return "Path/File access error";
        case kErrPathNotFound:
            return "Path not found";
        case kErrInvalidFormat:
            return "Invalid file format";
        case kErrNotAFile:
            return "Not a file (a folder, a device or a pipe)";
        case kErrFolderReadOnly:
            return "The folder is read-only: no file can be created in it. Choose another folder.";
        default:
            return "Application-defined or object-defined error";
    }
}

int FileErrorFromErrno(int e) {
    switch (e) {
        case 0:
            return kFileOk;
        case ENOSPC:
#ifdef EDQUOT
        case EDQUOT:
#endif
        case EFBIG:
            return kErrDiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
        case ETXTBSY:
            return kErrBadFileMode;
        case ENOENT:
        case ENOTDIR:
            return kErrPathNotFound;
        case ENAMETOOLONG:
        case EINVAL:
        case EISDIR:
            return kErrBadFileName;
        case ENXIO:
        case ENODEV:
#ifdef ENOMEDIUM
        case ENOMEDIUM:
#endif
        case EIO:  // a removed medium
            return kErrDiskNotReady;
        default:
            return kErrPathFileAccess;
    }
}

int ReadErrorFromErrno(int e) {
    if (e == EACCES || e == EPERM) return kErrPermissionDenied;
    return FileErrorFromErrno(e);
}

int ReportFileError(const shell::Services& hosts, int error, const std::string& title) {
    int message = 0;
    switch (error) {
        case kFileOk:
            return -1;
        case kErrBadFileNameOrNumber:
        case kErrBadFileName:
        case kErrPathNotFound:
            message = kMsgFileNotFound;
            break;
        case kErrBadFileMode:
            message = kMsgReadOnlyFile;
            break;
        case kErrDiskFull:
            message = kMsgLackOfSpace;
            break;
        case kErrDeviceUnavailable:
        case kErrDiskNotReady:
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
