#include "session/Quit.h"

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "session/Menus.h"
#include "shell/Services.h"

namespace rq50::session {

using namespace rq50::shell;

void Quit::Exit(Screen from) {
    if (ExitProgram(m_ws, from) == ExitOutcome::Quit && m_ws.hosts.navigation != nullptr)
        m_ws.hosts.navigation->EndProgram();
}

bool Quit::MayClose(bool activeExitEnabled, Screen active) {
    return MainWindowQueryUnload(m_ws, m_ws.Engine().Busy(), activeExitEnabled, active) ==
           CloseDecision::Quit;
}

}  // namespace rq50::session
