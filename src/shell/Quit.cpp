#include "shell/Quit.h"

#include "comm/Engine.h"
#include "shell/Menus.h"
#include "shell/Services.h"

namespace rq50::shell {

void Quit::Exit(Screen from) {
    if (ExitProgram(from) == ExitOutcome::Quit && Svc().navigation != nullptr)
        Svc().navigation->EndProgram();
}

bool Quit::MayClose(bool activeExitEnabled, Screen active) {
    return MainWindowQueryUnload(FrontEndEngine().CommBusy, activeExitEnabled, active) == CloseDecision::Quit;
}

}  // namespace rq50::shell
