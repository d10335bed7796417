#include "session/ProgramMenu.h"
#include "program/ProgramEditor.h"
#include "session/SafeDownload.h"

#include "comm/Engine.h"
#include "files/UndoFolder.h"
#include "files/Workspace.h"
#include "program/ProgramModel.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::program;

namespace {

void EnableMenu(files::Workspace& ws) {
    if (auto* nav = ws.hosts.navigation) nav->EnableScreen(shell::Screen::SettingMenu);
}

}  // namespace

bool ProgramMenuLoad(files::Workspace& ws) {
    return files::PrepareUndoFolder(ws);
}

void ProgramMenuUnload(files::Workspace& ws) {
    files::RemoveUndoFolder(ws);
}

bool ProgramMenuConfirm(files::Workspace& ws, ProgramMenuOption option) {
    if (auto* nav = ws.hosts.navigation) nav->DisableScreen(shell::Screen::SettingMenu);
    ProgramState& state = ws.program;
    ws.state.editorOpenedFromFile = false;
    switch (option) {
        case ProgramMenuOption::kNew: {
            const CategoryTable categories = LoadedCategoryTable(ws.config);
            switch (CreateNewProgram(categories, state)) {
                case NewProgramResult::kCreated:
                    break;
                case NewProgramResult::kNotRegistered:
                    shell::ShowMessage(ws.hosts, kMsgModelNotRegistered, shell::MsgButtons::Ok,
                                       shell::Catalogue(kTextProgramSettingMenu));
                    EnableMenu(ws);
                    return false;
                case NewProgramResult::kAreaTooLarge:
                    ShowAreaTooLargeMessage(ws.hosts, shell::Catalogue(kTextProgramSettingMenu));
                    EnableMenu(ws);
                    return false;
            }
            state.dataPresent = true;
            state.source = ProgramSource::New;
            state.fileName.clear();
            state.sourceRecords.clear();
            session::DisplayMatrix(ws, shell::NavEvent::kNewProgram);
            return true;
        }
        case ProgramMenuOption::kUpload: {
            const ProgramSource before = state.source;
            state.source = ProgramSource::Upload;
            if (!session::StartScreenJob(
                    ws.Engine(), {comm::kJobProgramUpload, shell::Catalogue(kTextUploadProgram)},
                    session::kCallerSettingMenuProgram, shell::Screen::SettingMenu)) {
                state.source = before;
                state.dataPresent = false;
                EnableMenu(ws);
                return false;
            }
            state.dataPresent = true;
            return true;
        }
        case ProgramMenuOption::kReadFile:
            // The navigation re-enables the menu when the dialog is cancelled
            // or the read fails, and opens the editor on a file read.
            session::DisplayMatrix(ws, shell::NavEvent::kReadProgramFile);
            return ws.state.editorOpenedFromFile;
    }
    EnableMenu(ws);
    return false;
}

ProgramDownloadStart DownloadProgram(files::Workspace& ws, program::ProgramEditor& editor,
                                     Screen screen, std::unique_ptr<DownloadQuestions> questions) {
    if (editor.CheckBeforeDownload() != 0 &&
        shell::ShowMessage(ws.hosts, kMsgSeeCheckErrors, shell::MsgButtons::YesNo,
                           shell::Catalogue(kTextProgramEditor)) == shell::MsgAnswer::Yes)
        return ProgramDownloadStart::ErrorListWanted;
    const bool started =
        StartSafeDownload(ws,
                          {{comm::kJobProgramDownload, shell::Catalogue(kTextProgramDownload)},
                           kCallerProgramEditor,
                           files::DataFileKind::kProgram,
                           screen,
                           DownloadSourceName(ws, files::DataFileKind::kProgram),
                 std::nullopt,
                 true,
                 {}},
                          std::move(questions));
    return started ? ProgramDownloadStart::Started : ProgramDownloadStart::NotStarted;
}

}  // namespace rq50::session
