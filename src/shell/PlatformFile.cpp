#include "shell/PlatformFile.h"

#include <algorithm>
#include <cerrno>
#include <exception>
#include <system_error>

#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#endif

namespace rq50::shell::platform {

namespace fs = std::filesystem;

fs::path PathFromUtf8(std::string_view utf8) {
    try {
        return fs::path(std::u8string(reinterpret_cast<const char8_t*>(utf8.data()), utf8.size()));
    } catch (const std::exception&) {
        // Not UTF-8 (Windows converts, and refuses bad sequences): the bytes
        // are taken in the system's code page, as the older tools wrote them.
        return fs::path(std::string(utf8));
    }
}

std::string Utf8FromPath(const fs::path& path) {
    try {
        const std::u8string text = path.u8string();
        return std::string(reinterpret_cast<const char*>(text.data()), text.size());
    } catch (const std::exception&) {
        return path.string();
    }
}

OpenFile::OpenFile(OpenFile&& other) noexcept : m_handle(other.m_handle) {
    other.m_handle = -1;
}

OpenFile& OpenFile::operator=(OpenFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = other.m_handle;
        other.m_handle = -1;
    }
    return *this;
}

OpenFile::~OpenFile() {
    Close();
}

bool OpenFile::IsOpen() const {
    return m_handle != -1;
}

#ifdef _WIN32
// ---------------------------------------------------------------- Windows --

namespace {

/// The errno value of a Windows error, so that both systems share one
/// mapping to the user's messages.
int ErrnoFrom(DWORD error) {
    switch (error) {
        case ERROR_SUCCESS:
            return 0;
        case ERROR_FILE_NOT_FOUND:
        case ERROR_PATH_NOT_FOUND:
        case ERROR_INVALID_DRIVE:
        case ERROR_BAD_NETPATH:
        case ERROR_BAD_NET_NAME:
            return ENOENT;
        case ERROR_ACCESS_DENIED:
        case ERROR_PRIVILEGE_NOT_HELD:
            return EACCES;
        case ERROR_WRITE_PROTECT:
            return EROFS;
        case ERROR_DISK_FULL:
        case ERROR_HANDLE_DISK_FULL:
            return ENOSPC;
        case ERROR_FILE_EXISTS:
        case ERROR_ALREADY_EXISTS:
            return EEXIST;
        case ERROR_INVALID_NAME:
        case ERROR_BAD_PATHNAME:
        case ERROR_DIRECTORY:
            return EINVAL;
        case ERROR_FILENAME_EXCED_RANGE:
            return ENAMETOOLONG;
        case ERROR_NOT_READY:
        case ERROR_DEV_NOT_EXIST:
        case ERROR_DEVICE_NOT_CONNECTED:
            return ENODEV;
        case ERROR_CRC:
        case ERROR_SEEK:
        case ERROR_SECTOR_NOT_FOUND:
        case ERROR_WRITE_FAULT:
        case ERROR_READ_FAULT:
        case ERROR_GEN_FAILURE:
            return EIO;
        case ERROR_SHARING_VIOLATION:
        case ERROR_LOCK_VIOLATION:
            return EBUSY;
        default:
            return EIO;
    }
}

int LastErrno() {
    return ErrnoFrom(::GetLastError());
}

HANDLE AsHandle(std::intptr_t handle) {
    return reinterpret_cast<HANDLE>(handle);
}

std::intptr_t FromHandle(HANDLE handle) {
    return handle == INVALID_HANDLE_VALUE ? -1 : reinterpret_cast<std::intptr_t>(handle);
}

std::string Utf8FromWide(const wchar_t* text) {
    return Utf8FromPath(fs::path(text));
}

}  // namespace

std::string EnvironmentValue(const char* name) {
    const std::wstring wideName = fs::path(name).wstring();
    const DWORD size = ::GetEnvironmentVariableW(wideName.c_str(), nullptr, 0);
    if (size == 0) return {};
    std::wstring value(size, L'\0');
    const DWORD length = ::GetEnvironmentVariableW(wideName.c_str(), value.data(), size);
    if (length == 0 || length >= size) return {};
    value.resize(length);
    return Utf8FromWide(value.c_str());
}

fs::path ExecutablePath() {
    std::wstring buffer(MAX_PATH, L'\0');
    for (;;) {
        const DWORD length =
            ::GetModuleFileNameW(nullptr, buffer.data(), static_cast<DWORD>(buffer.size()));
        if (length == 0) return {};
        if (length < buffer.size()) {
            buffer.resize(length);
            return fs::path(buffer);
        }
        buffer.resize(buffer.size() * 2);
    }
}

int ReadRegularFile(const fs::path& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    // Backup semantics open folders too, so that they are told apart below.
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        return error == ERROR_PIPE_BUSY ? kNotARegularFile : ErrnoFrom(error);
    }
    BY_HANDLE_FILE_INFORMATION info{};
    if (::GetFileType(file) != FILE_TYPE_DISK || !::GetFileInformationByHandle(file, &info) ||
        (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        ::CloseHandle(file);
        return kNotARegularFile;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[8192];
    int result = 0;
    for (;;) {
        DWORD got = 0;
        if (!::ReadFile(file, buffer, sizeof buffer, &got, nullptr)) {
            result = LastErrno();
            break;
        }
        if (got == 0) break;
        if (bytes.size() + got > limit) {
            result = kFileTooLarge;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    ::CloseHandle(file);
    if (result == 0) out = std::move(bytes);
    return result;
}

int StatusOf(const fs::path& path, TargetStatus& status) {
    status = {};
    HANDLE file = ::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES,
                                FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = ::GetLastError();
        if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return 0;
        return ErrnoFrom(error);
    }
    status.exists = true;
    BY_HANDLE_FILE_INFORMATION info{};
    const bool disk = ::GetFileType(file) == FILE_TYPE_DISK;
    const bool known = ::GetFileInformationByHandle(file, &info) != 0;
    ::CloseHandle(file);
    status.regular = disk && known && (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
    status.otherNames = known && info.nNumberOfLinks > 1;
    if (!status.regular) return 0;
    // The read-only attribute binds administrators too.
    if ((info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0) return 0;
    // Asking for write access tells both the read-only attribute and the
    // access rights; a file another program holds open still counts as
    // writable (the save itself then says why it failed).
    HANDLE probe = ::CreateFileW(path.c_str(), FILE_WRITE_DATA,
                                 FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                 OPEN_EXISTING, 0, nullptr);
    if (probe != INVALID_HANDLE_VALUE) {
        ::CloseHandle(probe);
        status.writable = true;
    } else {
        status.writable = ::GetLastError() != ERROR_ACCESS_DENIED;
    }
    return 0;
}

int OpenFile::Write(const std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - done, 1u << 30));
        DWORD written = 0;
        if (!::WriteFile(AsHandle(m_handle), data + done, chunk, &written, nullptr))
            return LastErrno();
        done += written;
    }
    return 0;
}

int OpenFile::Sync() {
    return ::FlushFileBuffers(AsHandle(m_handle)) ? 0 : LastErrno();
}

int OpenFile::Truncate() {
    LARGE_INTEGER start{};
    if (!::SetFilePointerEx(AsHandle(m_handle), start, nullptr, FILE_BEGIN) ||
        !::SetEndOfFile(AsHandle(m_handle))) {
        return LastErrno();
    }
    return 0;
}

int OpenFile::CopyAccessFrom(const TargetStatus&) {
    return 0;
}

int OpenFile::Close() {
    if (m_handle == -1) return 0;
    const bool closed = ::CloseHandle(AsHandle(m_handle)) != 0;
    m_handle = -1;
    return closed ? 0 : LastErrno();
}

int OpenExisting(const fs::path& path, OpenFile& file) {
    file.Close();
    file.m_handle = FromHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             TRUNCATE_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() ? 0 : LastErrno();
}

int CreateTemporaryFile(const fs::path& path, OpenFile& file) {
    file.Close();
    // No FILE_SHARE_DELETE: while the file is open no one can remove it.
    file.m_handle = FromHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                                             CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() ? 0 : LastErrno();
}

int CreatePrivateFile(const fs::path& path, OpenFile& file) {
    file.Close();
    file.m_handle = FromHandle(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                             FILE_ATTRIBUTE_NORMAL, nullptr));
    return file.IsOpen() ? 0 : LastErrno();
}

bool RemoveIfUnused(const fs::path& path) {
    // A file open by a save in progress refuses removal (sharing violation).
    return ::DeleteFileW(path.c_str()) != 0;
}

int ReplaceWithTemporary(OpenFile& file, const fs::path& temp, const fs::path& target) {
    // Windows renames no open file that was opened without delete sharing;
    // the file is closed first and then moved over the target in one step.
    int error = file.Close();
    if (error == 0 && !::MoveFileExW(temp.c_str(), target.c_str(),
                                     MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
        error = LastErrno();
    }
    if (error != 0) ::DeleteFileW(temp.c_str());
    return error;
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_s(&local, &time);
    return local;
}

unsigned long ProcessNumber() {
    return ::GetCurrentProcessId();
}

int ProbeFolder(const fs::path& folder) {
    const fs::path probe = folder / (".rq50-probe-" + std::to_string(ProcessNumber()));
    HANDLE file = ::CreateFileW(probe.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) return LastErrno();
    ::CloseHandle(file);
    return 0;
}

#else
// ------------------------------------------------------------------ POSIX --

namespace {

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

}  // namespace

std::string EnvironmentValue(const char* name) {
    const char* value = std::getenv(name);
    return value != nullptr ? value : "";
}

fs::path ExecutablePath() {
    std::error_code ec;
    fs::path self = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::path() : self;
}

int ReadRegularFile(const fs::path& path, std::vector<std::uint8_t>& out, std::size_t limit) {
    // Opened without blocking, so that a pipe given as the file cannot hang
    // the reader.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return errno;
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return kNotARegularFile;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[8192];
    int result = 0;
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0) {
            if (errno == EINTR) continue;
            result = errno;
            break;
        }
        if (n == 0) break;
        if (bytes.size() + static_cast<std::size_t>(n) > limit) {
            result = kFileTooLarge;
            break;
        }
        bytes.insert(bytes.end(), buffer, buffer + n);
    }
    ::close(fd);
    if (result == 0) out = std::move(bytes);
    return result;
}

int StatusOf(const fs::path& path, TargetStatus& status) {
    status = {};
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0) return errno == ENOENT ? 0 : errno;
    status.exists = true;
    status.regular = S_ISREG(st.st_mode);
    // A file without any write bit stays read-only even for the superuser.
    status.writable =
        (st.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) != 0 && ::access(path.c_str(), W_OK) == 0;
    status.otherNames = st.st_nlink > 1;
    status.mode = st.st_mode & 07777;
    status.owner = st.st_uid;
    status.group = st.st_gid;
    return 0;
}

int OpenFile::Write(const std::uint8_t* data, std::size_t size) {
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = ::write(Fd(m_handle), data + done, size - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            return errno;
        }
        done += static_cast<std::size_t>(n);
    }
    return 0;
}

int OpenFile::Sync() {
    return ::fsync(Fd(m_handle)) == 0 ? 0 : errno;
}

int OpenFile::Truncate() {
    if (::ftruncate(Fd(m_handle), 0) != 0 || ::lseek(Fd(m_handle), 0, SEEK_SET) != 0) return errno;
    return 0;
}

int OpenFile::CopyAccessFrom(const TargetStatus& like) {
    if (::fchmod(Fd(m_handle), static_cast<mode_t>(like.mode)) != 0) return errno;
    if (::fchown(Fd(m_handle), like.owner, like.group) != 0 && errno != EPERM) return errno;
    return 0;
}

int OpenFile::Close() {
    if (m_handle == -1) return 0;
    const int result = ::close(Fd(m_handle));
    m_handle = -1;
    return result == 0 ? 0 : errno;
}

int OpenExisting(const fs::path& path, OpenFile& file) {
    file.Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_TRUNC | O_CLOEXEC);
    if (fd < 0) return errno;
    file.m_handle = fd;
    return 0;
}

int CreateTemporaryFile(const fs::path& path, OpenFile& file) {
    file.Close();
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    // The lock marks the file as in use for as long as it is open. A sweep
    // that took the lock between the open and here has removed the file:
    // the caller then tries another name.
    struct stat st {};
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0 || ::fstat(fd, &st) != 0 || st.st_nlink == 0) {
        ::close(fd);
        return EEXIST;
    }
    file.m_handle = fd;
    return 0;
}

int CreatePrivateFile(const fs::path& path, OpenFile& file) {
    file.Close();
    // The mode is given at the open: there is no moment in which another
    // user could open the file.
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    file.m_handle = fd;
    return 0;
}

bool RemoveIfUnused(const fs::path& path) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) return false;
    struct stat st {};
    bool removed = false;
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && ::flock(fd, LOCK_EX | LOCK_NB) == 0)
        removed = ::unlink(path.c_str()) == 0;
    ::close(fd);
    return removed;
}

int ReplaceWithTemporary(OpenFile& file, const fs::path& temp, const fs::path& target) {
    // Renamed while still open (and locked), so that no sweep can take it.
    int error = ::rename(temp.c_str(), target.c_str()) == 0 ? 0 : errno;
    if (error != 0) {
        ::unlink(temp.c_str());
        file.Close();
        return error;
    }
    // Make the rename itself durable.
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    if (const int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC); dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return file.Close();
}

std::tm LocalTime(std::time_t time) {
    std::tm local{};
    localtime_r(&time, &local);
    return local;
}

unsigned long ProcessNumber() {
    return static_cast<unsigned long>(::getpid());
}

int ProbeFolder(const fs::path& folder) {
    const fs::path probe = folder / (".rq50-probe-" + std::to_string(ProcessNumber()));
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0) return errno;
    ::close(fd);
    ::unlink(probe.c_str());
    return 0;
}

#endif

}  // namespace rq50::shell::platform
