#include "session/ScreenFlow.h"

#include <algorithm>

#include "files/Workspace.h"
#include "session/Navigation.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::session {

using namespace rq50::shell;

using namespace comm;

namespace {

using shell::Screen;

HandBackAction Event(int code, int follow = 0) {
    return {HandBackKind::Event, code, follow, Screen::TopMenu};
}
HandBackAction Show(Display display) {
    HandBackAction action{HandBackKind::Display};
    action.display = display;
    return action;
}
HandBackAction Menu(MenuCommandCode code) {
    HandBackAction action{HandBackKind::MenuCommand};
    action.menu = code;
    return action;
}
HandBackAction Enable(Screen screen) {
    return {HandBackKind::Enable, 0, 0, screen};
}
HandBackAction Unload(Screen screen) {
    return {HandBackKind::Unload, 0, 0, screen};
}
HandBackAction Nothing() {
    return {};
}

// On the return to the setting menu (kEventBackToSettingMenu) the follow
// code says what the menu shows about the failure.

int ProgramUploadFollow(comm::CommErrorCode result) {
    switch (result) {
        case kErrTerminated:
            return 324;
        case kErrProgramRefused:
            return 106;
        case kErrConstRefused:
            return 107;
        default:
            return 103;
    }
}

int ProgramDownloadFollow(comm::CommErrorCode result) {
    switch (result) {
        case kErrTerminated:
            return 330;
        case kErrModel:
            return 126;
        case kErrProgramRefused:
            return 127;
        case kErrConstRefused:
            return 128;
        default:
            return 123;
    }
}

HandBackAction Failed(JobCaller caller, comm::Job job, comm::CommErrorCode result) {
    switch (caller) {
        case kCallerDataViewDownload:
            // The data view stays in use after a download that failed.
            return Enable(Screen::DataView);
        case kCallerSettingMenuUpload:
        case kCallerSettingMenuSet:
            return Event(session::kEventBackToSettingMenu, 321);
        case kCallerSettingMenuProgram:
            if (job == kJobProgramUpload)
                return Event(session::kEventBackToSettingMenu, ProgramUploadFollow(result));
            if (job == kJobProgramDownload)
                return Event(session::kEventBackToSettingMenu, ProgramDownloadFollow(result));
            if (job == kJobBaudCheck) return Event(session::kEventBackToSettingMenu, 321);
            return Nothing();
        case kCallerDataView3:
        case kCallerDataView4:
            return Event(session::kEventBackToSettingMenu, 322);
        case kCallerCategoryMenu:
            return Show(Display::CategoryMenu);
        case kCallerProgramEditor:
            return Event(383);
        case kCallerBaudDialog:
            if (job == kJobBaudChange) return Enable(Screen::BaudRate);
            if (job == kJobSlot) return Enable(Screen::SlotNumber);
            return Nothing();
        case kCallerSlotDialog:
            return Enable(Screen::CategoryMenu);
        default:
            return Nothing();
    }
}

HandBackAction Succeeded(JobCaller caller, comm::Job job, const HandBackFacts& facts) {
    if (job == kJobBaudCheck && caller >= kCallerSettingMenuUpload &&
        caller <= kCallerProgramEditor)
        return Menu(kMenuBaudRateDialog);
    switch (caller) {
        case kCallerDataViewDownload:
            // The check list only when a value came back otherwise.
            return facts.downloadDifferences > 0 ? Event(445) : Enable(Screen::DataView);
        case kCallerSettingMenuUpload:
            return Event(441);
        case kCallerSettingMenuProgram:
            if (job == kJobProgramUpload)
                return facts.programItemCount >= 1 ? Event(381)
                                                   : Event(session::kEventBackToSettingMenu, 108);
            if (job == kJobProgramDownload) return Event(383);
            return Nothing();
        case kCallerDataView3:
            return Event(443);
        case kCallerDataView4:
            return Event(442);
        case kCallerCategoryMenu:
            if (job == kJobSlot)
                return facts.rackAnswered ? Menu(kMenuAfterSlotJob) : Enable(Screen::CategoryMenu);
            return Event(446 + std::clamp(facts.category, 0, 3));
        case kCallerSettingMenuSet:
            return Event(41);
        case kCallerProgramEditor:
            return job == kJobProgramDownload ? Event(383) : Nothing();
        case kCallerBaudDialog:
            return Unload(Screen::BaudRate);
        default:
            return Nothing();
    }
}

}  // namespace

HandBackAction HandBackFor(JobCaller caller, comm::Job job, comm::CommErrorCode result,
                           const HandBackFacts& facts) {
    return result != kErrNone ? Failed(caller, job, result) : Succeeded(caller, job, facts);
}

void RunHandBack(Workspace& ws, const HandBackAction& action) {
    const auto& menuCommand = ws.hosts.menuCommand;
    auto* navigation = ws.hosts.navigation;
    // A host without screens (the command line) has nowhere to hand back to.
    if (navigation == nullptr && action.kind != HandBackKind::MenuCommand) return;
    switch (action.kind) {
        case HandBackKind::None:
            break;
        case HandBackKind::Event:
            DisplayMatrix(ws, action.code, action.follow, 0);
            break;
        case HandBackKind::Display:
            ShowDisplay(ws, action.display);
            break;
        case HandBackKind::MenuCommand:
            if (menuCommand) menuCommand(action.menu);
            break;
        case HandBackKind::Enable:
            navigation->EnableScreen(action.screen);
            break;
        case HandBackKind::Unload:
            navigation->UnloadScreen(action.screen);
            break;
    }
}

std::function<void(const JobOutcome&)> HandBackTo(Workspace& ws, JobCaller caller) {
    if (caller == JobCaller::None) return {};
    return
        [&ws, caller](const JobOutcome& outcome) { RunHandBack(ws, HandBackFor(caller, outcome)); };
}

bool StartCallerJob(CommEngine& engine, JobRequest request, JobCaller caller) {
    if (!request.done) request.done = HandBackTo(engine.Data(), caller);
    return engine.StartCommJob(request);
}

bool StartScreenJob(CommEngine& engine, JobRequest request, JobCaller caller, Screen screen,
                    bool prompt) {
    Workspace& ws = engine.Data();
    // Without the password no download starts, whichever screen asks.
    const comm::Job job = request.code;
    if (ChangesInstrument(job) && !ws.state.downloadAllowed) {
        ShowMessage(ws.hosts, kMsgWrongPasswordEntry, MsgButtons::Ok, request.title);
        return false;
    }
    if (prompt &&
        ShowMessage(ws.hosts, kMsgStartPrompt, MsgButtons::OkCancel, request.title) != MsgAnswer::Ok) {
        return false;
    }
    if (!StartCallerJob(engine, std::move(request), caller)) return false;
    // A host without screens (the command line) shows its own progress.
    if (ws.hosts.navigation == nullptr) return true;
    ws.hosts.navigation->DisableScreen(screen);
    ShowDisplay(ws, Display::CommProgress);
    return true;
}

}  // namespace rq50::session
