#include "files/RecordFile.h"

#include "files/FileError.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
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
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace rq50::files {

namespace {

constexpr int kMsgLackOfSpace = 22;
constexpr int kTextSaveToFile = 1553;
constexpr int kTextNothingToSave = 1580;
constexpr std::int64_t kBytesPerItem = 40;
constexpr std::int64_t kRecordOverhead = 750;

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
    const std::string base = target.string() + ".tmp";
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = base + std::to_string(::getpid()) + "_" + std::to_string(attempt);
        const int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    errno = EEXIST;
    return -1;
}

}  // namespace

int ReadWholeFile(const std::string& path, Bytes& out) {
    std::error_code ec;
    const auto status = std::filesystem::status(path, ec);
    if (ec || !std::filesystem::exists(status)) {
        return FileErrorFromErrno(ec ? ec.value() : ENOENT);
    }
    if (std::filesystem::is_directory(status)) return kErrBadFileName;
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return FileErrorFromErrno(errno);
    Bytes bytes;
    std::uint8_t buffer[8192];
    int error = kFileOk;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            error = FileErrorFromErrno(errno);
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

int ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    const std::filesystem::path target(path);
    if (target.filename().empty()) return kErrBadFileName;
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) return kErrBadFileName;
        // A read-only file stays read-only, even when the folder would let
        // the rename replace it.
        if ((st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0 ||
            ::access(target.c_str(), W_OK) != 0) {
            return kErrBadFileMode;
        }
    }

    std::filesystem::path temp;
    const int fd = CreateTemporary(target, temp);
    if (fd < 0) return FileErrorFromErrno(errno);
    int err = WriteAll(fd, bytes);
    if (err == 0 && ::fsync(fd) != 0) err = errno;
    if (::close(fd) != 0 && err == 0) err = errno;
    if (err == 0 && std::rename(temp.c_str(), target.c_str()) != 0) err = errno;
    if (err != 0) {
        ::unlink(temp.c_str());
        return FileErrorFromErrno(err);
    }
    // Make the rename itself durable.
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
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
