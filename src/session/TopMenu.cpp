#include "session/TopMenu.h"

#include "files/FileNameRules.h"
#include "files/SettingFile.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::files;

using namespace rq50::shell;

namespace {}

void TopMenu::Load() {
    UpdatePasswordMenu(m_ws);
    SetCurrentFile(m_ws, "", "");
}

bool TopMenu::PasswordDialogPassed(shell::PasswordMode mode) {
    // The dialog's rules clear the flag when it is passed.
    m_ws.state.passwordNotPassed = true;
    m_host.RunPasswordDialog(mode);
    return !m_ws.state.passwordNotPassed;
}

bool TopMenu::PasswordGate() {
    if (!PasswordIsStored(m_ws)) return true;
    return PasswordDialogPassed(PasswordMode::Entry);
}

void TopMenu::Confirm(bool parameterSetting) {
    if (!PasswordGate()) return;
    // New work starts: the caption no longer names a file of the work before.
    SetCurrentFile(m_ws, "", "");
    if (m_ws.hosts.navigation != nullptr) m_ws.hosts.navigation->DisableScreen(Screen::TopMenu);
    m_ws.state.settingMode =
        parameterSetting ? shell::SettingMode::Parameter : shell::SettingMode::Program;
    DisplayMatrix(m_ws, parameterSetting ? NavEvent::kParameterSetting : NavEvent::kProgramSetting);
}

void TopMenu::SetPassword() {
    m_host.RunPasswordDialog(PasswordMode::Set);
}

void TopMenu::ChangePassword() {
    if (PasswordDialogPassed(PasswordMode::Verify)) m_host.RunPasswordDialog(PasswordMode::Set);
}

void TopMenu::MousePressed(bool cancelGesture) {
    ReadSettingFile(m_ws);
    if (!m_ws.state.passwordStored || !cancelGesture) return;
    if (ShowMessage(m_ws.hosts, kMsgCancelPassword, MsgButtons::OkCancel, Catalogue(kTextPassword)) !=
        MsgAnswer::Ok)
        return;
    m_ws.state.storedPassword = kNoPassword;
    m_ws.state.passwordStored = false;
    m_ws.state.noPassword = true;
    WriteSettingFile(m_ws);
    UpdatePasswordMenu(m_ws);
}

}  // namespace rq50::session
