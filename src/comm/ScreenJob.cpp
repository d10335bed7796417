#include "comm/ScreenJob.h"

#include "comm/Engine.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Navigation.h"
#include "shell/Services.h"

namespace rq50::comm {

bool StartScreenJob(CommEngine& engine, const JobRequest& request, shell::Screen screen,
                    bool prompt) {
    // Without the password no download starts, whichever screen asks.
    const int job = request.code;
    if ((job == kJobDownload || job == kJobProgramDownload) && !shell::G().downloadAllowed) {
        shell::RQ0000fnc_nShowMsgBox(kMsgWrongPasswordEntry, shell::kButtonsOk, request.title);
        return false;
    }
    if (prompt && shell::RQ0000fnc_nShowMsgBox(kMsgStartPrompt, shell::kButtonsOkCancel,
                                               request.title) != shell::kAnswerOk) {
        return false;
    }
    if (!engine.StartCommJob(request)) return false;
    if (shell::Svc().navigation != nullptr) shell::Svc().navigation->DisableScreen(screen);
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayCommProgress);
    return true;
}

}  // namespace rq50::comm
