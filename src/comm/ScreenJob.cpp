#include "comm/ScreenJob.h"

#include "comm/Engine.h"
#include "comm/Navigation.h"
#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::comm {

bool StartScreenJob(CommEngine& engine, const JobRequest& request, shell::Screen screen,
                    bool prompt) {
    shell::Workspace& ws = engine.Data();
    // Without the password no download starts, whichever screen asks.
    const int job = request.code;
    if (ChangesInstrument(job) && !ws.state.downloadAllowed) {
        shell::ShowMessage(ws.hosts, kMsgWrongPasswordEntry, shell::kButtonsOk, request.title);
        return false;
    }
    if (prompt && shell::ShowMessage(ws.hosts, kMsgStartPrompt, shell::kButtonsOkCancel,
                                     request.title) != shell::kAnswerOk) {
        return false;
    }
    if (!engine.StartCommJob(request)) return false;
    if (ws.hosts.navigation != nullptr) ws.hosts.navigation->DisableScreen(screen);
    shell::ShowDisplay(ws, shell::kDisplayCommProgress);
    return true;
}

}  // namespace rq50::comm
