#include "session/SettingMenu.h"

#include "comm/Engine.h"
#include "files/UndoFolder.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "session/ProgramMenu.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/JobCodes.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::parameter;

namespace {

/// Data source of the data view.

constexpr shell::Screen kScreen = shell::Screen::SettingMenu;

void DisableMenu(files::Workspace& ws) {
    if (auto* nav = ws.hosts.navigation) nav->DisableScreen(kScreen);
}
}  // namespace

bool SettingMenu::ProgramMode() const {
    return m_ws.state.settingMode == shell::SettingMode::Program;
}

std::string SettingMenu::Caption() const {
    return shell::Catalogue(ProgramMode() ? kTextProgramSettingMenu : kTextParameterCaption);
}

std::string SettingMenu::OptionText(SettingMenuOption option) const {
    const int first = ProgramMode() ? kTextProgramOption : kTextSet;
    return shell::Catalogue(first + static_cast<int>(option));
}

void SettingMenu::Load() {
    if (ProgramMode()) session::ProgramMenuLoad(m_ws);
}

void SettingMenu::Unload() {
    if (ProgramMode()) session::ProgramMenuUnload(m_ws);
}

void SettingMenu::Activated() {
    m_ws.state.currentScreenId = shell::ScreenId::SettingMenu;
}

SettingMenuJob SettingMenu::JobFor(SettingMenuOption option) {
    const std::string title = shell::Catalogue(kTextSet + static_cast<int>(option));
    switch (option) {
        case SettingMenuOption::kSetOrNew:
            return {comm::kJobConnect, session::kCallerSettingMenuSet, title};
        case SettingMenuOption::kUpload:
            return {comm::kJobUpload, session::kCallerSettingMenuUpload, title};
        case SettingMenuOption::kFile:
            break;
    }
    return {};
}

void SettingMenu::Confirm(SettingMenuOption option) {
    if (ProgramMode()) {
        session::ProgramMenuConfirm(m_ws, static_cast<session::ProgramMenuOption>(option));
        return;
    }
    if (option == SettingMenuOption::kFile) {
        m_ws.state.dataSource = shell::DataSource::File;
        DisableMenu(m_ws);
        session::DisplayMatrix(m_ws, shell::NavEvent::kReadParameterFile);
        return;
    }
    const SettingMenuJob job = JobFor(option);
    if (session::StartScreenJob(m_ws.Engine(), {job.job, job.title}, job.caller, kScreen) &&
        option == SettingMenuOption::kUpload)
        m_ws.state.dataSource = shell::DataSource::Uploaded;
}

void SettingMenu::Cancel() {
    session::DisplayMatrix(m_ws, ProgramMode() ? shell::NavEvent::kSettingMenuBackProgram
                                               : shell::NavEvent::kSettingMenuBackParameter);
    if (auto* nav = m_ws.hosts.navigation) nav->UnloadScreen(kScreen);
}

void SettingMenu::BaudRate() {
    session::StartScreenJob(
        m_ws.Engine(), {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRateSetting)},
        ProgramMode() ? session::kCallerSettingMenuProgram : session::kCallerSettingMenuUpload,
        kScreen);
}

}  // namespace rq50::session
