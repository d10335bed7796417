#include "comm/ScreenJob.h"

#include "comm/Engine.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Navigation.h"
#include "shell/Services.h"

namespace rq50::comm {

bool StartScreenJob(int job, const std::string& title, int caller, shell::Screen screen,
                    bool prompt) {
    // Without the password no download starts, whichever screen asks.
    if ((job == kJobDownload || job == kJobProgramDownload) && !shell::G().downloadAllowed) {
        shell::RQ0000fnc_nShowMsgBox(kMsgWrongPasswordEntry, shell::kButtonsOk, title);
        return false;
    }
    if (prompt && shell::RQ0000fnc_nShowMsgBox(kMsgStartPrompt, shell::kButtonsOkCancel, title) !=
                      shell::kAnswerOk) {
        return false;
    }
    CommTitle = title;
    if (!StartCommJob(job)) return false;
    if (shell::Svc().navigation != nullptr) shell::Svc().navigation->DisableScreen(screen);
    CommCaller = caller;
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayCommProgress);
    return true;
}

}  // namespace rq50::comm
