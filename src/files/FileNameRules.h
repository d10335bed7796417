#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// The name chosen in a file dialog, as the name rules see it.
struct DialogFileName {
    std::string fileTitle;    ///< name and extension, without folder
    std::string fileName;     ///< the full path; cleared when a rule refuses the name
    std::string dialogTitle;  ///< caption of the dialog, used as the message title
};

/// Longest file title (name and extension) a data file may have.
inline constexpr std::size_t kMaxFileTitleLength = 20;

/// True when every character code is 32..126; with `allowLineBreaks` also 13
/// and 10.
bool IsPrintableFileName(std::string_view text, bool allowLineBreaks);

/// Applies the file-name rules to a dialog's choice: a title of 21 characters
/// or more gives message 41, a character outside 32..126 message 42; either
/// clears the dialog's file name and fails.
bool CheckDialogFileName(Workspace& ws, DialogFileName& dialog);

/// `name` (a path or a file title) as a save dialog keeps it: `ext` (without
/// the dot) is added when the file title has no extension of its own, so that
/// "pump1" is saved as "pump1.7pa" and the open dialog lists it again; a name
/// that has an extension is kept as typed.
std::string WithDefaultExtension(const std::string& name, std::string_view ext);

/// The part of `path` whose free space counts: up to and including the first
/// backslash for a path written with backslashes ("C:\"), otherwise the
/// folder that holds the file.
std::string DrivePart(const std::string& path);

/// Bytes a file of the current data needs: (index of its last item block) x 40
/// + 750. `lastItemIndex` is -1 for no items.
std::int64_t SpaceRequirement(std::int64_t lastItemIndex);

/// True when the drive of `path` has room for the current data. When the free
/// space cannot be told the check fails silently; otherwise a lack of space
/// shows message 22.
bool CheckDiskSpace(Workspace& ws, const std::string& path, std::int64_t lastItemIndex);

/// Records the current file: CurrentFileTitle (title, or "NewFile" when
/// empty), CurrentFilePath, the information record's file name (title padded
/// or cut to 40 characters) and the main window caption
/// "MODEL:RQ50 - [title]".
void SetCurrentFile(Workspace& ws, const std::string& title, const std::string& path);

}  // namespace rq50::files
