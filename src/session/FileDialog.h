#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// Modes of the file dialog routine.
enum class FileDialogMode : int {
    Open = 0,   ///< open a data file
    Print = 1,  ///< no dialog; the print action
    Save = 2,   ///< save a data file
    Csv = 6,    ///< choose the CSV file
};

/// How the common file dialog is set up for one mode. The read-only box is
/// always hidden.
struct FileDialogSpec {
    bool save = false;  ///< a save dialog (else an open dialog)
    std::string title;  ///< caption
    /// "description|pattern", or several such pairs joined by "|"; the
    /// choice says which pair the user picked.
    std::string filter;
    /// Without the dot; empty for none. Open lists only files with it; a save
    /// adds it to a name typed without an extension.
    std::string defaultExt;
    std::string startFolder;  ///< exists when the dialog is shown
    std::string initialName;  ///< the file name the dialog starts with (often empty)
    bool fileMustExist = false;
    bool overwritePrompt = false;
    bool pathMustExist = false;
    bool refuseReadOnly = false;
};

/// The dialog set-up of `mode` for the current SettingMode (parameter or
/// program files). Mode 1 and unknown modes give an empty set of settings.
/// Every dialog starts in the user's PARAMETER or PROGRAM folder (made when
/// missing) with an empty name; Save of data that came from a file starts in
/// that file's folder with its name.
FileDialogSpec FileDialogFor(Workspace& ws, FileDialogMode mode);

/// What the user chose in the dialog.
struct DialogChoice {
    std::string fileName;   ///< full path
    std::string fileTitle;  ///< name and extension without folder
    int filterIndex = 0;    ///< the filter pair chosen, from 0
};

/// The widget: shows one dialog and returns the choice, or nullopt when the
/// user cancelled.
class FileDialogHost {
  public:
    virtual ~FileDialogHost() = default;
    virtual std::optional<DialogChoice> Show(const FileDialogSpec& dialog) = 0;
};

/// The file work the dialog starts. Each reports whether it succeeded and has
/// shown its own message when it did not.
struct FileDialogActions {
    /// Reads the chosen data file (parameter or program by SettingMode).
    std::function<bool(const std::string& path, const std::string& title)> readFile;
    /// Writes the CSV report of the current data to the chosen path, in the
    /// plain form for spreadsheets when `plain`.
    std::function<bool(const std::string& path, bool plain)> writeCsv;
    /// Index of the last item block of the current data (-1 for none).
    std::function<std::int64_t()> lastItemIndex;
};

/// Path chosen by the last accepted save dialog; the file is written there
/// when the information window closes.
std::string& SaveTargetPath(Workspace& ws);
/// The save to SaveTargetPath(ws) failed: the current file (caption,
/// information record) is again the one before the save dialog.
void SaveTargetNotWritten(Workspace& ws);

/// Runs the file dialog of `mode`: -1 done, 0 cancelled or no name, 1 failed
/// (a read or CSV write that failed, or an unexpected error, which shows
/// "RQ0000fnc_nShowDiaLog" and its description).
///
/// Open: the dialog comes back while the chosen file's extension is not the
/// default one; the file becomes the current file and is read. Save: the
/// filter's extension is added to a name typed without one; the dialog comes
/// back while the name rules or the disk-space check refuse the name; an
/// accepted name becomes the current file and the save target, the data view
/// or program editor is disabled and the information window opens. CSV: as
/// save without the disk-space check, then the CSV file is written.
int ShowFileDialog(Workspace& ws, FileDialogMode mode, FileDialogHost& host, const FileDialogActions& actions);

/// The CSV file dialog (mode 6): asks for the name, then writes the
/// parameter or program CSV report (by SettingMode) of the selected areas,
/// or the plain table when the user picked the "Plain CSV (UTF-8)" filter.
/// -1 written, 0 cancelled, 1 failed (the failure has shown its message).
int RunCsvFileDialog(Workspace& ws, FileDialogHost& host);

}  // namespace rq50::session
