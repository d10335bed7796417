#include "files/InfoWindow.h"

#include "files/InfoWindowRules.h"
#include "shell/GlobalState.h"
#include "shell/Navigation.h"

namespace rq50::files {

InfoForm InfoWindow::Form() const {
    return InfoFormFromRecord(CurrentInformation());
}

bool InfoWindow::Ok(InfoForm form) {
    if (!ApplyInformationOk(form, CurrentInformation())) return false;
    const InfoPurposeRule rule = InfoPurposeFor(shell::G().infoPurpose);
    if (rule.okEvent != shell::NavEvent::kNone) shell::DisplayMatorix(rule.okEvent);
    Close();
    return true;
}

void InfoWindow::Cancel() {
    const InfoPurposeRule rule = InfoPurposeFor(shell::G().infoPurpose);
    if (rule.cancelEvent != shell::NavEvent::kNone) shell::DisplayMatorix(rule.cancelEvent);
    Close();
}

void InfoWindow::Close() {
    m_closing = true;
    InformationWindowClosed(shell::G().infoPurpose);
}

}  // namespace rq50::files
