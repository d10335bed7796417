#include "session/InfoWindow.h"

#include "files/Workspace.h"
#include "session/InfoWindowRules.h"
#include "session/Navigation.h"
#include "shell/SessionState.h"

namespace rq50::session {

using namespace rq50::files;

InfoForm InfoWindow::Form() const {
    return InfoFormFromRecord(m_ws.information);
}

bool InfoWindow::Ok(InfoForm form) {
    if (!ApplyInformationOk(m_ws.hosts, form, m_ws.information)) return false;
    const InfoPurposeRule rule = InfoPurposeFor(m_ws.state.infoPurpose);
    if (rule.okEvent != shell::NavEvent::kNone) session::DisplayMatrix(m_ws, rule.okEvent);
    Close();
    return true;
}

void InfoWindow::Cancel() {
    const InfoPurposeRule rule = InfoPurposeFor(m_ws.state.infoPurpose);
    if (rule.cancelEvent != shell::NavEvent::kNone) session::DisplayMatrix(m_ws, rule.cancelEvent);
    Close();
}

void InfoWindow::Close() {
    m_closing = true;
    InformationWindowClosed(m_ws, m_ws.state.infoPurpose);
}

}  // namespace rq50::session
