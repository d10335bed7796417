#include "shell/TopMenu.h"

#include "shell/Catalogue.h"
#include "shell/FileNameRules.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "shell/SettingFile.h"

namespace rq50::shell {

namespace {
constexpr int kTextPasswordTitle = 4305;
}

void TopMenu::Load() {
    UpdatePasswordMenu();
    SetCurrentFile("", "");
}

bool TopMenu::PasswordDialogPassed(int mode) {
    // The dialog's rules clear the flag when it is passed.
    G().passwordNotPassed = true;
    m_host.RunPasswordDialog(mode);
    return !G().passwordNotPassed;
}

bool TopMenu::PasswordGate() {
    if (!PasswordIsStored()) return true;
    return PasswordDialogPassed(kPasswordEntry);
}

void TopMenu::Confirm(bool parameterSetting) {
    if (!PasswordGate()) return;
    if (Svc().navigation != nullptr) Svc().navigation->DisableScreen(Screen::frmRQ2000);
    G().settingMode = parameterSetting ? 0 : 1;
    DisplayMatorix(parameterSetting ? NavEvent::kParameterSetting : NavEvent::kProgramSetting);
}

void TopMenu::SetPassword() {
    m_host.RunPasswordDialog(kPasswordSet);
}

void TopMenu::ChangePassword() {
    if (PasswordDialogPassed(kPasswordVerify)) m_host.RunPasswordDialog(kPasswordSet);
}

void TopMenu::MousePressed(bool cancelGesture) {
    ReadSettingFile();
    if (!G().passwordStored || !cancelGesture) return;
    if (RQ0000fnc_nShowMsgBox(kMsgCancelPassword, kButtonsOkCancel,
                              Catalogue(kTextPasswordTitle)) != kAnswerOk)
        return;
    G().storedPassword = kNoPassword;
    G().passwordStored = false;
    G().noPassword = true;
    WriteSettingFile();
    UpdatePasswordMenu();
}

}  // namespace rq50::shell
