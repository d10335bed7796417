#pragma once

// Every call the core makes to the operating system beyond standard C++ sits
// behind this header; PlatformFile.cpp holds the POSIX and the Windows
// versions side by side. Errors come back as errno values (ENOSPC, EACCES ...)
// on both, so that one mapping turns them into the user's messages.
//
// Path texts in the core are UTF-8. A std::filesystem::path made from a plain
// std::string takes the bytes in the system's ANSI code page on Windows, so
// every path the core builds from its texts goes through PathFromUtf8, and
// every path it shows or stores as text through Utf8FromPath.

#include <cstddef>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::shell::platform {

/// The path a UTF-8 text names.
std::filesystem::path PathFromUtf8(std::string_view utf8);

/// The UTF-8 text of a path.
std::string Utf8FromPath(const std::filesystem::path& path);

/// The value of environment variable `name` in UTF-8; empty when unset.
std::string EnvironmentValue(const char* name);

/// The full path of the running executable; empty when it cannot be told.
std::filesystem::path ExecutablePath();

/// Result of ReadRegularFile besides 0 and errno values.
inline constexpr int kNotARegularFile = -1;  ///< a folder, device or pipe
inline constexpr int kFileTooLarge = -2;     ///< more than `limit` bytes

/// Reads the regular file at `path` whole into `out`, at most `limit` bytes.
/// A pipe or device is refused without being waited on. Returns 0, an errno
/// value or one of the two constants above.
int ReadRegularFile(const std::filesystem::path& path, std::vector<std::uint8_t>& out,
                    std::size_t limit);

/// What a save needs to know of the file it replaces.
struct TargetStatus {
    bool exists = false;
    bool regular = false;     ///< a regular file (not a folder, device or pipe)
    bool writable = false;    ///< this user may write it (and it is not read-only)
    bool otherNames = false;  ///< more hard links than one
    std::uint32_t mode = 0;   ///< POSIX permission bits (0 on Windows)
    std::uint32_t owner = 0;  ///< POSIX user and group (0 on Windows)
    std::uint32_t group = 0;
};

/// The status of `path` (following symbolic links). Returns 0 or an errno
/// value; a missing file is 0 with exists == false.
int StatusOf(const std::filesystem::path& path, TargetStatus& status);

/// An open file: a POSIX descriptor or a Windows handle. Closed (without
/// error report) when it goes out of scope.
class OpenFile {
  public:
    OpenFile() = default;
    ~OpenFile();
    OpenFile(OpenFile&& other) noexcept;
    OpenFile& operator=(OpenFile&& other) noexcept;
    OpenFile(const OpenFile&) = delete;
    OpenFile& operator=(const OpenFile&) = delete;

    bool IsOpen() const;
    /// Writes all of `size` bytes. Returns 0 or an errno value.
    int Write(const std::uint8_t* data, std::size_t size);
    /// Flushes the contents to the disk. Returns 0 or an errno value.
    int Sync();
    /// Cuts the file to no bytes and goes back to its start.
    int Truncate();
    /// Gives the file the permissions and, where allowed, the owner of
    /// `like` (POSIX; Windows keeps what the folder hands down).
    int CopyAccessFrom(const TargetStatus& like);
    /// Closes the file. Returns 0 or an errno value.
    int Close();

  private:
    friend int OpenExisting(const std::filesystem::path&, OpenFile&);
    friend int CreateTemporaryFile(const std::filesystem::path&, OpenFile&);
    friend int CreatePrivateFile(const std::filesystem::path&, OpenFile&);
    friend int ReplaceWithTemporary(OpenFile&, const std::filesystem::path&,
                                    const std::filesystem::path&);
    std::intptr_t m_handle = -1;
};

/// Opens the existing file `path` for writing, cut to no bytes.
int OpenExisting(const std::filesystem::path& path, OpenFile& file);

/// Creates the new file `path` for writing; fails with EEXIST when the name is
/// taken. The file counts as in use (RemoveIfUnused leaves it) while `file`
/// stays open.
int CreateTemporaryFile(const std::filesystem::path& path, OpenFile& file);

/// Creates the new file `path` for writing, for its owner only from the
/// moment it exists (POSIX mode 0600; on Windows the per-user folder's
/// access); fails with EEXIST when the name is taken and never follows a
/// symbolic link.
int CreatePrivateFile(const std::filesystem::path& path, OpenFile& file);

/// Removes the file at `path` unless a process (this one too) has it open
/// through CreateTemporaryFile. Returns true when it was removed.
bool RemoveIfUnused(const std::filesystem::path& path);

/// Puts the temporary file `temp`, open as `file`, in the place of `target`
/// in one step (an existing target is replaced), flushes the folder entry to
/// the disk and closes `file`. On failure `temp` is removed and `target` is
/// left as it was. Returns 0 or an errno value.
int ReplaceWithTemporary(OpenFile& file, const std::filesystem::path& temp,
                         const std::filesystem::path& target);

/// `time` as the local calendar time (thread-safe).
std::tm LocalTime(std::time_t time);

/// A number that tells this process from the other running ones.
unsigned long ProcessNumber();

/// Creates and removes a file in `folder` to learn whether the folder takes a
/// new file. Returns 0 or an errno value.
int ProbeFolder(const std::filesystem::path& folder);

}  // namespace rq50::shell::platform
