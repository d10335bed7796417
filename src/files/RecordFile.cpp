#include "files/RecordFile.h"

#include "files/FileError.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/UtilityComponent.h"

#include "files/Workspace.h"
#include "shell/PlatformFile.h"
#include "shell/TextNumbers.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>
#include <optional>
#include <system_error>

namespace rq50::files {

namespace {

namespace fs = std::filesystem;
namespace platform = shell::platform;
constexpr std::int64_t kBytesPerItem = 40;
constexpr std::int64_t kRecordOverhead = 750;
// Temporary files of a save are named "<target>.tmp<process>_<n>".
constexpr const char* kTemporaryTag = ".tmp";

struct WriteFault {
    std::size_t bytesBeforeFailure;
    int errnoValue;
};
std::optional<WriteFault> g_writeFault;

// Writes all of `bytes` to `file`; a simulated fault stops the writing
// part-way. Returns 0 or an errno value.
int WriteAll(platform::OpenFile& file, std::span<const std::uint8_t> bytes) {
    std::size_t limit = bytes.size();
    if (g_writeFault) limit = std::min(limit, g_writeFault->bytesBeforeFailure);
    if (const int error = file.Write(bytes.data(), limit); error != 0) return error;
    return limit < bytes.size() ? g_writeFault->errnoValue : 0;
}

// Creates a new, unused temporary file next to `target`.
int CreateTemporary(const fs::path& target, platform::OpenFile& file, fs::path& temp) {
    const fs::path::string_type base =
        target.native() +
        fs::path(kTemporaryTag + std::to_string(platform::ProcessNumber()) + "_").native();
    for (int attempt = 0; attempt < 100; ++attempt) {
        temp = base + fs::path(std::to_string(attempt)).native();
        const int error = platform::CreateTemporaryFile(temp, file);
        if (error != EEXIST) return error;
    }
    return EEXIST;
}

// True when `name` is that of a temporary file of a save to `targetName`
// ("<target name>.tmp<process>_<n>").
bool IsTemporaryOf(const std::string& name, const std::string& targetName) {
    const std::string prefix = targetName + kTemporaryTag;
    if (name.size() <= prefix.size() || name.compare(0, prefix.size(), prefix) != 0) return false;
    const std::string rest = name.substr(prefix.size());
    const auto underscore = rest.find('_');
    if (underscore == 0 || underscore == std::string::npos || underscore > 10 ||
        underscore + 1 == rest.size()) {
        return false;
    }
    const auto digits = [](const std::string& t) {
        return std::all_of(t.begin(), t.end(), [](char c) { return c >= '0' && c <= '9'; });
    };
    return digits(rest.substr(0, underscore)) && digits(rest.substr(underscore + 1));
}

// Removes the temporary files a save of `target` left behind when its process
// was killed before it could clean up. A save in progress keeps its file open,
// and an open temporary file is never removed, whatever process holds it.
void RemoveStaleTemporaries(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : ".";
    const std::string targetName = platform::Utf8FromPath(target.filename());
    std::error_code ec;
    fs::directory_iterator it(folder, ec);
    for (; !ec && it != fs::directory_iterator(); it.increment(ec)) {
        if (!IsTemporaryOf(platform::Utf8FromPath(it->path().filename()), targetName)) continue;
        std::error_code typeError;
        if (!it->is_regular_file(typeError) || it->is_symlink(typeError)) continue;
        platform::RemoveIfUnused(it->path());
    }
}

}  // namespace

FileError ReadWholeFile(const std::string& path, Bytes& out) {
    const int result =
        platform::ReadRegularFile(platform::PathFromUtf8(path), out, kMaxRecordFileSize);
    if (result == platform::kNotARegularFile) return FileError::NotAFile;
    if (result == platform::kFileTooLarge) return FileError::InvalidFormat;
    return result == 0 ? FileError::Ok : ReadErrorFromErrno(result);
}

namespace {

/// The file a save of `path` writes: through symbolic links (also one whose
/// target does not exist yet) to the file they name, so that a save keeps
/// the link and updates what it points to.
fs::path FollowLinks(const fs::path& path) {
    fs::path target = path;
    std::error_code ec;
    for (int hop = 0; hop < 40 && fs::is_symlink(target, ec); ++hop) {
        const fs::path next = fs::read_symlink(target, ec);
        if (ec) break;
        target = next.is_absolute() ? next : target.parent_path() / next;
    }
    return target;
}

/// Creating the temporary file failed: a folder that takes no new file says
/// so, rather than calling the file read-only.
FileError CreateError(int errnoValue) {
    if (errnoValue == EACCES || errnoValue == EPERM || errnoValue == EROFS)
        return FileError::FolderReadOnly;
    return FileErrorFromErrno(errnoValue);
}

/// Writes `bytes` over the file `target` in place (same file, so its other
/// hard links see the new contents). `old` is written back when the new
/// contents cannot be written whole. Returns 0 or an errno value.
int OverwriteInPlace(const fs::path& target, std::span<const std::uint8_t> bytes,
                     const Bytes& old) {
    platform::OpenFile file;
    if (const int error = platform::OpenExisting(target, file); error != 0) return error;
    int err = WriteAll(file, bytes);
    if (err == 0) err = file.Sync();
    if (err != 0 && file.Truncate() == 0) {
        file.Write(old.data(), old.size());
        file.Sync();
    }
    const int closeError = file.Close();
    return err != 0 ? err : closeError;
}

}  // namespace

FileError ReplaceFileContents(const std::string& path, std::span<const std::uint8_t> bytes) {
    const fs::path given = platform::PathFromUtf8(path);
    if (given.filename().empty()) return FileError::BadFileName;
    const fs::path target = FollowLinks(given);
    platform::TargetStatus st;
    if (const int error = platform::StatusOf(target, st); error != 0)
        return FileErrorFromErrno(error);
    if (st.exists) {
        // A folder, device or pipe is never replaced by a file.
        if (!st.regular) return FileError::NotAFile;
        // A read-only file stays read-only, even when the folder would let
        // the rename replace it.
        if (!st.writable) return FileError::BadFileMode;
    }

    RemoveStaleTemporaries(target);
    platform::OpenFile file;
    fs::path temp;
    if (const int error = CreateTemporary(target, file, temp); error != 0)
        return CreateError(error);
    int err = WriteAll(file, bytes);
    // The new file keeps the old one's permissions and, where allowed, owner.
    if (err == 0 && st.exists) err = file.CopyAccessFrom(st);
    if (err == 0) err = file.Sync();
    if (err == 0 && st.exists && st.otherNames) {
        // A file with other hard links is written in place, so that every
        // name keeps showing one file. The temporary file has shown that the
        // new contents fit; should the write still fail, the old contents
        // are put back.
        file.Close();
        Bytes old;
        err = ReadWholeFile(platform::Utf8FromPath(target), old) == FileError::Ok ? 0 : EIO;
        if (err == 0) err = OverwriteInPlace(target, bytes, old);
        std::error_code ec;
        fs::remove(temp, ec);
        return err == 0 ? FileError::Ok : FileErrorFromErrno(err);
    }
    if (err == 0) return FileErrorFromErrno(platform::ReplaceWithTemporary(file, temp, target));
    file.Close();
    std::error_code ec;
    fs::remove(temp, ec);
    return FileErrorFromErrno(err);
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
    return platform::Utf8FromPath(platform::PathFromUtf8(path).filename());
}

bool CheckSaveSpace(files::Workspace& ws, const std::string& path, std::size_t itemCount) {
    const std::int64_t requirement = SpaceRequirement(itemCount);
    ws.state.lastSaveRequirement = requirement;
    fs::path folder = platform::PathFromUtf8(path).parent_path();
    if (folder.empty()) folder = ".";
    auto* utility = ws.hosts.utility;
    const std::int64_t free =
        utility != nullptr ? utility->DriveFreeSpace(platform::Utf8FromPath(folder)) : -1;
    if (free >= requirement) return true;
    if (free != -1) shell::ShowMessage(ws.hosts, kMsgLackOfSpace, shell::MsgButtons::Ok, "");
    return false;
}

void ReportNothingToSave(const shell::Services& hosts) {
    shell::ShowAlert(hosts,
                     {shell::Catalogue(kTextNothingToSave), shell::Catalogue(kTextSaveToFile),
                      shell::MsgButtons::Ok, shell::MsgIcon::Exclamation});
}

}  // namespace rq50::files
