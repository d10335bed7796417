#include "program/ProgramMenu.h"

#include "comm/Engine.h"
#include "comm/ScreenJob.h"
#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "shell/UndoFolder.h"

namespace rq50::program {

namespace {

constexpr int kMsgModelNotRegistered = 43;
constexpr int kTextUploadProgram = 2115;
constexpr int kTextProgramSettingMenu = 2102;

void EnableMenu() {
    if (auto* nav = shell::Svc().navigation) nav->EnableScreen(shell::Screen::frmRQ2100);
}

}  // namespace

bool ProgramMenuLoad() {
    return shell::PrepareUndoFolder();
}

void ProgramMenuUnload() {
    shell::RemoveUndoFolder();
}

bool ProgramMenuConfirm(ProgramMenuOption option) {
    if (auto* nav = shell::Svc().navigation) nav->DisableScreen(shell::Screen::frmRQ2100);
    ProgramState& state = Program();
    shell::G().editorOpenedFromFile = false;
    switch (option) {
        case ProgramMenuOption::kNew: {
            const CategoryTable categories = LoadedCategoryTable();
            switch (CreateNewProgram(categories, state)) {
                case NewProgramResult::kCreated:
                    break;
                case NewProgramResult::kNotRegistered:
                    shell::RQ0000fnc_nShowMsgBox(kMsgModelNotRegistered, shell::kButtonsOk,
                                                 shell::Catalogue(kTextProgramSettingMenu));
                    EnableMenu();
                    return false;
                case NewProgramResult::kAreaTooLarge:
                    ShowAreaTooLargeMessage(shell::Catalogue(kTextProgramSettingMenu));
                    EnableMenu();
                    return false;
            }
            state.dataPresent = true;
            state.source = kSourceNew;
            shell::DisplayMatorix(shell::NavEvent::kNewProgram);
            return true;
        }
        case ProgramMenuOption::kUpload: {
            const std::int16_t before = state.source;
            state.source = kSourceUpload;
            if (!comm::StartScreenJob(shell::FrontEndEngine(),
                                      {comm::kJobProgramUpload, shell::Catalogue(kTextUploadProgram),
                                       comm::kCallerSettingMenuProgram},
                                      shell::Screen::frmRQ2100)) {
                state.source = before;
                state.dataPresent = false;
                EnableMenu();
                return false;
            }
            state.dataPresent = true;
            return true;
        }
        case ProgramMenuOption::kReadFile:
            // The navigation re-enables the menu when the dialog is cancelled
            // or the read fails, and opens the editor on a file read.
            shell::DisplayMatorix(shell::NavEvent::kReadProgramFile);
            return shell::G().editorOpenedFromFile;
    }
    EnableMenu();
    return false;
}

}  // namespace rq50::program
