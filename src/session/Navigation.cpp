#include "session/Navigation.h"

#include <exception>
#include <initializer_list>
#include <stdexcept>
#include <utility>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::session {

using namespace rq50::shell;

namespace {

struct CodeRow {
    std::initializer_list<int> codes;
    int display;
};

// Event code -> display. Codes 446-449 pick the parameter screen's tab.
const CodeRow kEventTable[] = {
    {{1, 44, 364}, kDisplayTopMenu},
    {{21, 65, 202, 247, 248}, kDisplaySettingMenu},
    {{22, 204, 385}, kDisplaySettingMenuProgram},
    {{41, 83, 102, 123, 142}, kDisplayCategoryMenu},
    {{43, 363}, kDisplayOpenFile},
    {{61, 62, 63, 64}, kDisplayCommProgress},
    {{161, 181}, kDisplayContentList},
    {{162, 182}, kDisplaySaveFile},
    {{164, 184, 255, 256, 325, 326, 341, 384}, kDisplayPrintDialog},
    {{201, 222, 243, 244, 264, 303, 443}, kDisplayDataViewUploaded},
    {{203, 272, 274}, kDisplayDataViewFile},
    {{221, 241, 242, 262, 268, 270, 281, 302, 441}, kDisplayDataView},
    {{245, 246, 253, 254, 282, 283, 304, 361, 381, 421, 444}, kDisplayProgramEditor},
    {{249, 250}, kDisplayNoAction},
    {{261, 307, 382}, kDisplayInformation},
    {{284, 301}, kDisplayPrintNow},
    {{305}, kDisplayPrintPreview},
    {{306}, kDisplayCsvFile},
    {{321, 322, 445}, kDisplayDownloadCheck},
    {{323, 324, 406}, kDisplayErrorList},
    {{446}, kDisplayParameterDisplay},
    {{447}, kDisplayParameterSet},
    {{448}, kDisplayParameterAdjust},
    {{449}, kDisplayParameterMaint},
};

constexpr int kFollowEnableSettingMenu = 2;

const CodeRow kFollowTable[] = {
    {{1, 162}, kDisplayCategoryMenu},
    {{21, 101, 121, 41, 81}, kDisplayCommProgress},
    {{102, 103, 104, 105, 106, 107, 108, 324}, kDisplaySettingMenuProgram},
    {{123, 124, 125, 126, 127, 128, 330}, kDisplayProgramEditor},
    {{241}, kDisplayParameterDisplay},
    {{242}, kDisplayParameterSet},
    {{243}, kDisplayParameterAdjust},
    {{244}, kDisplayParameterMaint},
    {{321}, kDisplaySettingMenu},
    {{322}, kDisplayDataView},
};

int Lookup(const CodeRow* begin, const CodeRow* end, int code) {
    for (const CodeRow* row = begin; row != end; ++row) {
        for (int c : row->codes) {
            if (c == code) return row->display;
        }
    }
    return 0;
}

NavigationHost& Host(Workspace& ws) {
    NavigationHost* host = ws.hosts.navigation;
    if (host == nullptr) throw std::logic_error("no navigation host installed");
    return *host;
}

void ShowAndEnable(Workspace& ws, Screen screen) {
    Host(ws).ShowScreen(screen);
    Host(ws).EnableScreen(screen);
}

int SwitchDisplay(Workspace& ws, int display) {
    NavigationHost& host = Host(ws);
    switch (display) {
        case kDisplayTopMenu:
            ShowAndEnable(ws, Screen::TopMenu);
            return 0;
        case kDisplaySettingMenu:
        case kDisplaySettingMenuProgram:
            ShowAndEnable(ws, Screen::SettingMenu);
            return 0;
        case kDisplayCategoryMenu:
            ShowAndEnable(ws, Screen::CategoryMenu);
            return 0;
        case kDisplayParameterDisplay:
        case kDisplayParameterSet:
        case kDisplayParameterAdjust:
        case kDisplayParameterMaint:
            ws.state.parameterTab = static_cast<std::int16_t>(display - kDisplayParameterDisplay);
            ShowAndEnable(ws, Screen::OnlineParameter);
            return 0;
        case kDisplayDataView:
        case kDisplayDataViewUploaded:
        case kDisplayDataViewFile:
            ShowAndEnable(ws, Screen::DataView);
            return 0;
        case kDisplayOpenFile: {
            const int result = host.RunOpenDialog();
            if (result != -1) {
                host.EnableScreen(Screen::SettingMenu);
                return result;
            }
            // A file just read is its own saved copy, whatever was left unsaved before.
            ws.state.dataChanged = false;
            if (ws.state.settingMode == shell::SettingMode::Parameter) {
                ShowAndEnable(ws, Screen::DataView);
            } else {
                ws.state.editorOpenedFromFile = true;
                ShowAndEnable(ws, Screen::ProgramEditor);
            }
            return result;
        }
        case kDisplayContentList:
            ShowAndEnable(ws, Screen::ContentList);
            return 0;
        case kDisplayInformation:
            ShowAndEnable(ws, Screen::Information);
            return 0;
        case kDisplaySaveFile: {
            const int result = host.RunSaveDialog();
            if (result != -1) return 0;
            ws.state.dataChanged = false;
            return -1;
        }
        case kDisplayDownloadCheck:
            ShowAndEnable(ws, Screen::DownloadCheck);
            return 0;
        case kDisplayPrintDialog:
            ShowAndEnable(ws, Screen::PrintDialog);
            return 0;
        case kDisplayPrintNow:
            ws.state.printingFromPrintDialog = true;
            try {
                host.PrintReport();
            } catch (...) {
                ws.state.printingFromPrintDialog = false;
                throw;
            }
            ws.state.printingFromPrintDialog = false;
            return 0;
        case kDisplayPrintPreview:
            ShowAndEnable(ws, Screen::PrintPreview);
            return 0;
        case kDisplayProgramEditor:
            ShowAndEnable(ws, Screen::ProgramEditor);
            return 0;
        case kDisplayErrorList:
            ShowAndEnable(ws, Screen::ErrorList);
            return 0;
        case kDisplayCommProgress:
            ShowAndEnable(ws, Screen::Communicating);
            return 0;
        case kDisplaySlotDialog:
            host.ShowScreenAndWait(Screen::SlotNumber);
            host.EnableScreen(Screen::SlotNumber);
            return 0;
        case kDisplayBaudRateDialog:
            ShowAndEnable(ws, Screen::BaudRate);
            return 0;
        case kDisplayVersion:
            host.ShowScreenAndWait(Screen::Version);
            return 0;
        case kDisplayCsvFile:
            return host.RunCsvDialog();
        default:
            return 0;
    }
}

/// Leaving a screen whose data may be unsaved: asks, saves or goes back.
/// Returns -1 when the save dialog completed.
/// `clearOnNo`: "No" also clears the data-changed flag (the program editor's
/// prompt); leaving the data view with "No" keeps it, as unsaved data it is.
int LeaveWithSaveQuestion(Workspace& ws, int answer, int message, int titleText,
                          shell::InfoPurpose infoPurpose, int backDisplay, Screen leaving,
                          bool clearOnNo) {
    auto goBack = [&] {
        SwitchDisplay(ws, backDisplay);
        Host(ws).UnloadScreen(leaving);
    };
    if (answer == kAnswerNoChange) {
        goBack();
        return 0;
    }
    if (answer != kAnswerDataChanged) return 0;
    const int reply = ShowMessage(ws.hosts, message, kButtonsYesNoCancel, Catalogue(titleText));
    if (reply == kAnswerYes) {
        ws.state.infoPurpose = infoPurpose;
        return SwitchDisplay(ws, kDisplaySaveFile) == -1 ? -1 : 0;
    }
    if (reply == kAnswerNo) {
        if (clearOnNo) ws.state.dataChanged = false;
        goBack();
    }
    return 0;
}

int AfterProgramDownload(Workspace& ws) {
    if (ws.state.cameFromDownloadCheck) {
        ws.state.downloadCheckMode = 2;
        SwitchDisplay(ws, kDisplayDownloadCheck);
        return 0;
    }
    // The job that just ended: its result, title and the area the instrument
    // refused. A download whose instrument refused one area ends with result
    // 0; the refused area then says which of the areas was written.
    if (const comm::CommEngine* engine = ws.hosts.engine) {
        const comm::JobOutcome& outcome = engine->LastOutcome();
        const int message = ProgramDownloadMessage(
            outcome.code != comm::kErrNone ? outcome.code : outcome.facts.refusedArea);
        if (message != 0) ShowMessage(ws.hosts, message, kButtonsOk, engine->JobTitle());
    }
    SwitchDisplay(ws, kDisplayProgramEditor);
    return 0;
}

int RunEvent(Workspace& ws, int eventCode, int answer) {
    switch (static_cast<NavEvent>(eventCode)) {
        case NavEvent::kLeaveDataView:
            return LeaveWithSaveQuestion(ws, answer, 9, 2411, shell::InfoPurpose::SaveAndLeave,
                                         kDisplaySettingMenu, Screen::DataView, false);
        case NavEvent::kDataViewToSettingMenu:
            SwitchDisplay(ws, kDisplaySettingMenu);
            Host(ws).UnloadScreen(Screen::DataView);
            return 0;
        case NavEvent::kAfterProgramDownload:
            return AfterProgramDownload(ws);
        case NavEvent::kLeaveProgramEditor:
            return LeaveWithSaveQuestion(ws, answer, 12, 3001, shell::InfoPurpose::LeaveEditor,
                                         kDisplaySettingMenuProgram, Screen::ProgramEditor, true);
        case NavEvent::kSaveProgram:
            ws.state.infoPurpose = shell::InfoPurpose::ProgramSave;
            return SwitchDisplay(ws, kDisplaySaveFile) == -1 ? -1 : 0;
        case NavEvent::kPrintErrorList:
            Host(ws).PrintErrorList();
            return 0;
        case NavEvent::kAfterDownloadCheckJob:
            if (ws.state.cameFromDownloadCheck) {
                ws.state.downloadCheckMode = 0;
                SwitchDisplay(ws, kDisplayDownloadCheck);
            } else {
                SwitchDisplay(ws, kDisplayDataView);
            }
            return 0;
        default:
            break;
    }
    if (const int display = EventDisplay(eventCode); display != 0) SwitchDisplay(ws, display);
    return 0;
}

void RunFollow(Workspace& ws, int followCode) {
    if (followCode == kFollowEnableSettingMenu) {
        Host(ws).EnableScreen(Screen::SettingMenu);
        return;
    }
    if (const int display = FollowDisplay(followCode); display != 0) SwitchDisplay(ws, display);
}

}  // namespace

int EventDisplay(int eventCode) {
    return Lookup(std::begin(kEventTable), std::end(kEventTable), eventCode);
}

int FollowDisplay(int followCode) {
    return Lookup(std::begin(kFollowTable), std::end(kFollowTable), followCode);
}

int ShowDisplay(Workspace& ws, int display) {
    try {
        return SwitchDisplay(ws, display);
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, "Pfnc_nShowDisplayMatorix_ERR", e.what());
        return 0;
    }
}

int DisplayMatrix(Workspace& ws, NavEvent event, int followCode, int answer) {
    return DisplayMatrix(ws, EventCode(event), followCode, answer);
}

int DisplayMatrix(Workspace& ws, int eventCode, int followCode, int answer) {
    try {
        const int result = RunEvent(ws, eventCode, answer);
        RunFollow(ws, followCode);
        return result;
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, "DisplayMatorix_ERR", e.what());
        return 0;
    }
}

int ProgramDownloadMessage(comm::CommErrorCode outcome) {
    switch (outcome) {
        case kProgramDownloadAll:
            return kMsgProgramAndConstDownloaded;
        case kProgramDownloadConstOnly:
            return kMsgConstDownloaded;
        case kProgramDownloadProgramOnly:
            return kMsgProgramDownloaded;
        default:
            return 0;
    }
}

}  // namespace rq50::session
