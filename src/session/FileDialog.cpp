#include "session/FileDialog.h"
#include "shell/PlatformFile.h"

#include <cctype>
#include <exception>
#include <filesystem>

#include "files/Csv.h"
#include "files/FileNameRules.h"
#include "files/SaveTarget.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::files;

using namespace rq50::shell;

namespace {

bool ProgramMode(Workspace& ws) {
    return ws.state.settingMode == shell::SettingMode::Program;
}

std::string DataFilter(Workspace& ws) {
    return ProgramMode(ws) ? Catalogue(kTextProgramFile) + "(*.7pr)|*.7pr"
                           : Catalogue(kTextParameterFile) + "(*.7pa)|*.7pa";
}

std::string DataExtension(Workspace& ws) {
    return ProgramMode(ws) ? "7pr" : "7pa";
}

/// The user's folder of the current kind of data, made when it is missing so
/// that the dialog opens in it rather than one folder up.
std::string DataFolder(Workspace& ws) {
    const std::string folder =
        ws.config.FilePath(ProgramMode(ws) ? "User\\PROGRAM" : "User\\PARAMETER");
    std::error_code ec;
    std::filesystem::create_directories(shell::platform::PathFromUtf8(folder), ec);
    return folder;
}

/// Save starts where the data's own file is, under its name; data that has
/// no file yet starts in the user's folder with an empty name.
void StartAtCurrentFile(Workspace& ws, FileDialogSpec& dialog) {
    const std::filesystem::path current = shell::platform::PathFromUtf8(ws.state.currentFilePath);
    std::error_code ec;
    if (current.empty() || !std::filesystem::is_directory(current.parent_path(), ec)) return;
    dialog.startFolder = shell::platform::Utf8FromPath(current.parent_path());
    dialog.initialName = shell::platform::Utf8FromPath(current.filename());
}

/// Case-insensitive: a file system that keeps "A.7PA" still names a .7pa file.
bool HasExtension(const std::string& title, const std::string& ext) {
    const auto dot = title.rfind('.');
    const std::string actual = dot == std::string::npos ? std::string() : title.substr(dot + 1);
    if (actual.size() != ext.size()) return false;
    for (std::size_t i = 0; i < ext.size(); ++i) {
        if (std::tolower(static_cast<unsigned char>(actual[i])) !=
            std::tolower(static_cast<unsigned char>(ext[i]))) {
            return false;
        }
    }
    return true;
}

struct CurrentFile {
    std::string title;
    std::string path;
};

CurrentFile RememberCurrentFile(Workspace& ws) {
    return {ws.state.currentFileTitle, ws.state.currentFilePath};
}

int RunOpen(Workspace& ws, FileDialogHost& host, const FileDialogActions& actions) {
    const FileDialogSpec dialog = FileDialogFor(ws, FileDialogMode::Open);
    std::optional<DialogChoice> choice;
    do {
        choice = host.Show(dialog);
        if (!choice) return 0;
    } while (!choice->fileName.empty() && !HasExtension(choice->fileTitle, dialog.defaultExt));
    if (choice->fileName.empty()) return 0;
    const CurrentFile before = RememberCurrentFile(ws);
    SetCurrentFile(ws, choice->fileTitle, choice->fileName);
    const bool read = actions.readFile && actions.readFile(choice->fileName, choice->fileTitle);
    // A file that could not be read is not the current file: the caption
    // keeps naming the data still in memory.
    if (!read) SetCurrentFile(ws, before.title, before.path);
    return read ? -1 : 1;
}

/// Shows a save-style dialog until the name rules (and `accept`) pass.
/// Returns the accepted choice, or nullopt when cancelled or left empty.
template <typename Accept>
std::optional<DialogChoice> ChooseName(Workspace& ws, FileDialogMode mode, FileDialogHost& host,
                                       Accept accept) {
    const FileDialogSpec dialog = FileDialogFor(ws, mode);
    for (;;) {
        std::optional<DialogChoice> choice = host.Show(dialog);
        if (!choice) return std::nullopt;
        if (!choice->fileName.empty()) {
            choice->fileName = WithDefaultExtension(choice->fileName, dialog.defaultExt);
            choice->fileTitle = WithDefaultExtension(choice->fileTitle, dialog.defaultExt);
        }
        DialogFileName name{choice->fileTitle, choice->fileName, dialog.title};
        if (!CheckDialogFileName(ws, name)) continue;
        // A program saved as .7pa (or a parameter set as .7pr) could never be
        // opened again as what it is: the other kind's extension is refused.
        if (mode == FileDialogMode::Save && !HasExtension(choice->fileTitle, dialog.defaultExt) &&
            files::DataFileKindOf(choice->fileName)) {
            if (ws.hosts.messages != nullptr) {
                MessageBoxRequest box;
                box.text = choice->fileTitle + ": a " +
                           std::string(ProgramMode(ws) ? "program" : "parameter") +
                           " file is saved with the extension ." + dialog.defaultExt;
                box.title = dialog.title;
                box.icon = MsgIcon::Exclamation;
                ws.hosts.messages->Show(box);
            }
            continue;
        }
        if (choice->fileName.empty()) return std::nullopt;
        if (!accept(*choice)) continue;
        return choice;
    }
}

int RunSave(Workspace& ws, FileDialogHost& host, const FileDialogActions& actions) {
    const auto choice = ChooseName(ws, FileDialogMode::Save, host, [&](const DialogChoice& c) {
        SaveTargetPath(ws) = c.fileName;
        const std::int64_t last = actions.lastItemIndex ? actions.lastItemIndex() : -1;
        return CheckDiskSpace(ws, c.fileName, last);
    });
    if (!choice) return 0;
    ws.state.fileBeforeSave = ws.state.currentFileTitle;
    ws.state.pathBeforeSave = ws.state.currentFilePath;
    SetCurrentFile(ws, choice->fileTitle, choice->fileName);
    if (ws.hosts.navigation != nullptr) {
        ws.hosts.navigation->DisableScreen(ProgramMode(ws) ? Screen::ProgramEditor
                                                           : Screen::DataView);
    }
    DisplayMatrix(ws, NavEvent::kSaveNameAccepted);
    return -1;
}

int RunCsv(Workspace& ws, FileDialogHost& host, const FileDialogActions& actions) {
    const auto choice = ChooseName(ws, FileDialogMode::Csv, host, [](const DialogChoice&) { return true; });
    if (!choice) return 0;
    const bool written =
        actions.writeCsv && actions.writeCsv(choice->fileName, choice->filterIndex == 1);
    return written ? -1 : 1;
}

}  // namespace

FileDialogSpec FileDialogFor(Workspace& ws, FileDialogMode mode) {
    FileDialogSpec dialog;
    switch (mode) {
        case FileDialogMode::Open:
            dialog.title = Catalogue(kTextSelectFile);
            dialog.filter = DataFilter(ws);
            dialog.defaultExt = DataExtension(ws);
            dialog.startFolder = DataFolder(ws);
            dialog.fileMustExist = true;
            break;
        case FileDialogMode::Save:
            dialog.save = true;
            dialog.title = Catalogue(kTextSaveAs);
            dialog.filter = DataFilter(ws);
            dialog.defaultExt = DataExtension(ws);
            dialog.startFolder = DataFolder(ws);
            StartAtCurrentFile(ws, dialog);
            dialog.overwritePrompt = true;
            dialog.pathMustExist = true;
            dialog.refuseReadOnly = true;
            break;
        case FileDialogMode::Csv:
            dialog.save = true;
            dialog.title = Catalogue(kTextSaveAs);
            dialog.filter = Catalogue(kTextCsvFile) + "(*.csv)|*.csv|" +
                            Catalogue(kTextPlainCsvFile) + "(*.csv)|*.csv";
            dialog.defaultExt = "csv";
            dialog.startFolder = DataFolder(ws);
            dialog.overwritePrompt = true;
            // A CSV report is usually a new file, so only its folder must exist.
            dialog.pathMustExist = true;
            dialog.refuseReadOnly = true;
            break;
        default:
            break;
    }
    return dialog;
}

std::string& SaveTargetPath(Workspace& ws) {
    return ws.state.saveTargetPath;
}

void SaveTargetNotWritten(Workspace& ws) {
    SetCurrentFile(ws, ws.state.fileBeforeSave, ws.state.pathBeforeSave);
}

int ShowFileDialog(Workspace& ws, FileDialogMode mode, FileDialogHost& host,
                   const FileDialogActions& actions) {
    try {
        switch (mode) {
            case FileDialogMode::Open:
                return RunOpen(ws, host, actions);
            case FileDialogMode::Print:
                return -1;
            case FileDialogMode::Save:
                return RunSave(ws, host, actions);
            case FileDialogMode::Csv:
                return RunCsv(ws, host, actions);
            default:
                return 0;
        }
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, "RQ0000fnc_nShowDiaLog", e.what());
        return 1;
    }
}

int RunCsvFileDialog(Workspace& ws, FileDialogHost& host) {
    FileDialogActions actions;
    actions.writeCsv = [&ws](const std::string& path, bool plain) {
        const auto form = plain ? files::CsvForm::kPlain : files::CsvForm::kReport;
        return ProgramMode(ws) ? files::WriteProgramCsv(ws, path, ws.printAreas, form)
                               : files::WriteParameterCsv(ws, path, ws.printAreas, form);
    };
    return ShowFileDialog(ws, FileDialogMode::Csv, host, actions);
}

}  // namespace rq50::session
