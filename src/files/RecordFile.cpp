#include "files/RecordFile.h"

#include "files/FileError.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/UtilityComponent.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <system_error>

#if !defined(_WIN32)
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rq50::files {

namespace {

constexpr int kTextSaveToFile = 1553;
constexpr int kTextNothingToSave = 1580;
constexpr std::int64_t kBytesPerItem = 40;
constexpr std::int64_t kRecordOverhead = 750;
// Temporary files of a save are named "<target>.tmp<pid>_<n>".
constexpr const char* kTemporaryTag = ".tmp";

struct WriteFault {
    std::size_t bytesBeforeFailure;
    int errnoValue;
};
std::optional<WriteFault> g_writeFault;

// Writes all of `bytes` to the open file `fd`; a simulated fault stops the
// writing part-way. Returns 0 or an errno value.
int WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    std::size_t limit = bytes.size();
    if (g_writeFault) limit = std::min(limit, g_writeFault->bytesBeforeFailure);
    std::size_t done = 0;
    while (done < limit) {
        const ssize_t n = ::write(fd, bytes.data() + done, limit - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return limit < bytes.size() ? g_writeFault->errnoValue : 0;
}

// Opens a new, unused temporary file next to `target`.
int CreateTemporary(const std::filesystem::path& target, std::filesystem::path& temp) {
    const std::string base = target.string() + kTemporaryTag;
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = base + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

// The process id in the name of a temporary file of `target`
// ("<target name>.tmp<pid>_<n>"), or 0 when the name is not one.
pid_t TemporaryOwner(const std::string& name, const std::string& targetName) {
    const std::string prefix = targetName + kTemporaryTag;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return 0;
    const std::string rest = name.substr(prefix.size());
    const auto underscore = rest.find('_');
    if (underscore == 0 || underscore == std::string::npos || underscore > 9 ||
        underscore + 1 == rest.size()) {
        return 0;
    }
    const auto digits = [](const std::string& t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    if (!digits(rest.substr(0, underscore)) || !digits(rest.substr(underscore + 1))) return 0;
    return static_cast<pid_t>(std::stol(rest.substr(0, underscore)));
}

// Removes the temporary files a save of `target` left behind when its process
// was killed before it could clean up. Files of a process that still runs are
// another save in progress and stay.
void RemoveStaleTemporaries(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string targetName = target.filename().string();
    std::error_code ec;
    std::filesystem::directory_iterator it(folder, ec);
    for (; !ec && it != std::filesystem::directory_iterator(); it.increment(ec)) {
        const pid_t owner = TemporaryOwner(it->path().filename().string(), targetName);
        if (owner <= 0 || owner == ::getpid()) continue;
        if (::kill(owner, 0) == 0 || errno != ESRCH) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError)) continue;
        ::unlink(it->path().c_str());
    }
}

}  // namespace

int ReadWholeFile(const std::string& path, Bytes& out) {
    // Opened without blocking, so that a pipe given as the file cannot hang
    // the program; only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return ReadErrorFromErrno(errno);
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kErrNotAFile;
    }
    Bytes bytes;
    std::uint8_t buffer[8192];
    int error = kFileOk;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = ReadErrorFromErrno(errno);
            break;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > kMaxRecordFileSize) {
            error = kErrInvalidFormat;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    if (error == kFileOk) out = std::move(bytes);
    return error;
}

namespace {

/// The file a save of `path` writes: through symbolic links (also one whose
/// target does not exist yet) to the file they name, so that a save keeps
/// the link and updates what it points to.
std::filesystem::path FollowLinks(const std::filesystem::path& path) {
    std::filesystem::path target = path;
    std::error_code ec;
    for (int hop = 0; hop < 40 && std::filesystem::is_symlink(target, ec); ++hop) {
        const std::filesystem::path next = std::filesystem::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

/// Creating the temporary file failed: a folder that takes no new file says
/// so, rather than calling the file read-only.
int CreateError(int errnoValue) {
    if (errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS)
        return kErrFolderReadOnly;
    return FileErrorFromErrno(errnoValue);
}

void SyncFolderOf(const std::filesystem::path& target) {
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
}

/// Writes `bytes` over the file `target` in place (same inode, so its other
/// hard links see the new contents). `old` is written back when the new
/// contents cannot be written whole. Returns 0 or an errno value.
int OverwriteInPlace(const std::filesystem::path& target, std::span<const std::uint8_t> bytes,
                     const Bytes& old) {
    const int fd = ::open(target.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    int err = WriteAll(fd, bytes);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (err != 0 && ::ftruncate(fd, 0) == 0 && ::lseek(fd, 0, SEEK_SET) == 0) {
        std::size_t done = 0;
        while (done < old.size()) {
            const ssize_t n = ::write(fd, old.data() + done, old.size() - done);
            if (n <= 0 && errno != EINTR) break;
            if (n > 0) done += static_cast<std::size_t>(n);
        }
        ::fsync(fd);
    }
    if (::close(fd) != 0 && err == 0) err = errno;
    return err;
}

}  // namespace

int ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    if (std::filesystem::path(path).filename().empty()) return kErrBadFileName;
    const std::filesystem::path target = FollowLinks(path);
    struct stat st {};
    const bool exists = ::stat(target.c_str(), &st) == 0;
    if (exists) {
        // A folder, device or pipe is never replaced by a file.
        if (!S_ISREG(st.st_mode)) return kErrNotAFile;
        // A read-only file stays read-only, even when the folder would let
        // the rename replace it.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return kErrBadFileMode;
        }
    }

    RemoveStaleTemporaries(target);
    std::filesystem::path temp;
    const int fd = CreateTemporary(target, temp);
    if (fd < 0) return CreateError(errno);
    int err = WriteAll(fd, bytes);
    if (err == 0 && exists) {
        // The new file keeps the old one's permissions and, where allowed, owner.
        if (::fchmod(fd, st.st_mode & 07777) != 0) err = errno;
        if (err == 0 && ::fchown(fd, st.st_uid, st.st_gid) != 0 && errno != EPERM) err = errno;
    }
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && exists && st.st_nlink > 1) {
        // A file with other hard links is written in place, so that every
        // name keeps showing one file. The temporary file has shown that the
        // new contents fit; should the write still fail, the old contents
        // are put back.
        Bytes old;
        err = ReadWholeFile(target.string(), old) == kFileOk ? 0 : EIO;
        if (err == 0) err = OverwriteInPlace(target, bytes, old);
        ::unlink(temp.c_str());
        return err == 0 ? kFileOk : FileErrorFromErrno(err);
    }
    if (err == 0 && std::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return FileErrorFromErrno(err);
    }
    // Make the rename itself durable.
    SyncFolderOf(target);
    return kFileOk;
}

ScopedWriteFault::ScopedWriteFault(std::size_t bytesBeforeFailure, int errnoValue) {
    g_writeFault = WriteFault{bytesBeforeFailure, errnoValue};
}

ScopedWriteFault::~ScopedWriteFault() {
    g_writeFault.reset();
}

std::int64_t SpaceRequirement(std::size_t itemCount) {
    const auto lastIndex = static_cast<std::int64_t>(itemCount) - 1;
    return lastIndex * kBytesPerItem + kRecordOverhead;
}

std::string FileTitleOf(const std::string& path) {
    return std::filesystem::path(path).filename().string();
}

bool CheckSaveSpace(const std::string& path, std::size_t itemCount) {
    const std::int64_t requirement = SpaceRequirement(itemCount);
    shell::G().lastSaveRequirement = requirement;
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    auto* utility = shell::Svc().utility;
    const std::int64_t free = utility != nullptr ? utility->DriveFreeSpace(folder.string()) : -1;
    if (free >= requirement) return true;
    if (free != -1) shell::RQ0000fnc_nShowMsgBox(kMsgLackOfSpace, shell::kButtonsOk, "");
    return false;
}

void ReportNothingToSave() {
    if (auto* host = shell::Svc().messages) {
        host->Beep();
        host->Show({shell::Catalogue(kTextNothingToSave), shell::Catalogue(kTextSaveToFile),
                    shell::kButtonsOk, shell::MsgIcon::Exclamation});
    }
}

}  // namespace rq50::files
