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
    Display display;
};

// Event code -> display. Codes 446-449 pick the parameter screen's tab.
const CodeRow kEventTable[] = {
    {{1, 44, 364}, Display::TopMenu},
    {{21, 65, 202, 247, 248}, Display::SettingMenu},
    {{22, 204, 385}, Display::SettingMenuProgram},
    {{41, 83, 102, 123, 142}, Display::CategoryMenu},
    {{43, 363}, Display::OpenFile},
    {{61, 62, 63, 64}, Display::CommProgress},
    {{161, 181}, Display::ContentList},
    {{162, 182}, Display::SaveFile},
    {{164, 184, 255, 256, 325, 326, 341, 384}, Display::PrintDialog},
    {{201, 222, 243, 244, 264, 303, 443}, Display::DataViewUploaded},
    {{203, 272, 274}, Display::DataViewFile},
    {{221, 241, 242, 262, 268, 270, 281, 302, 441}, Display::DataView},
    {{245, 246, 253, 254, 282, 283, 304, 361, 381, 421, 444}, Display::ProgramEditor},
    {{249, 250}, Display::NoAction},
    {{261, 307, 382}, Display::Information},
    {{284, 301}, Display::PrintNow},
    {{305}, Display::PrintPreview},
    {{306}, Display::CsvFile},
    {{321, 322, 445}, Display::DownloadCheck},
    {{323, 324, 406}, Display::ErrorList},
    {{446}, Display::ParameterDisplay},
    {{447}, Display::ParameterSet},
    {{448}, Display::ParameterAdjust},
    {{449}, Display::ParameterMaint},
};

constexpr int kFollowEnableSettingMenu = 2;

const CodeRow kFollowTable[] = {
    {{1, 162}, Display::CategoryMenu},
    {{21, 101, 121, 41, 81}, Display::CommProgress},
    {{102, 103, 104, 105, 106, 107, 108, 324}, Display::SettingMenuProgram},
    {{123, 124, 125, 126, 127, 128, 330}, Display::ProgramEditor},
    {{241}, Display::ParameterDisplay},
    {{242}, Display::ParameterSet},
    {{243}, Display::ParameterAdjust},
    {{244}, Display::ParameterMaint},
    {{321}, Display::SettingMenu},
    {{322}, Display::DataView},
};

Display Lookup(const CodeRow* begin, const CodeRow* end, int code) {
    for (const CodeRow* row = begin; row != end; ++row) {
        for (int c : row->codes) {
            if (c == code) return row->display;
        }
    }
    return Display::None;
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

int SwitchDisplay(Workspace& ws, Display display) {
    NavigationHost& host = Host(ws);
    switch (display) {
        case Display::TopMenu:
            ShowAndEnable(ws, Screen::TopMenu);
            return 0;
        case Display::SettingMenu:
        case Display::SettingMenuProgram:
            ShowAndEnable(ws, Screen::SettingMenu);
            return 0;
        case Display::CategoryMenu:
            ShowAndEnable(ws, Screen::CategoryMenu);
            return 0;
        case Display::ParameterDisplay:
        case Display::ParameterSet:
        case Display::ParameterAdjust:
        case Display::ParameterMaint:
            ws.state.parameterTab = static_cast<std::int16_t>(static_cast<int>(display) - static_cast<int>(Display::ParameterDisplay));
            ShowAndEnable(ws, Screen::OnlineParameter);
            return 0;
        case Display::DataView:
        case Display::DataViewUploaded:
        case Display::DataViewFile:
            ShowAndEnable(ws, Screen::DataView);
            return 0;
        case Display::OpenFile: {
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
        case Display::ContentList:
            ShowAndEnable(ws, Screen::ContentList);
            return 0;
        case Display::Information:
            ShowAndEnable(ws, Screen::Information);
            return 0;
        case Display::SaveFile: {
            const int result = host.RunSaveDialog();
            if (result != -1) return 0;
            ws.state.dataChanged = false;
            return -1;
        }
        case Display::DownloadCheck:
            ShowAndEnable(ws, Screen::DownloadCheck);
            return 0;
        case Display::PrintDialog:
            ShowAndEnable(ws, Screen::PrintDialog);
            return 0;
        case Display::PrintNow:
            ws.state.printingFromPrintDialog = true;
            try {
                host.PrintReport();
            } catch (...) {
                ws.state.printingFromPrintDialog = false;
                throw;
            }
            ws.state.printingFromPrintDialog = false;
            return 0;
        case Display::PrintPreview:
            ShowAndEnable(ws, Screen::PrintPreview);
            return 0;
        case Display::ProgramEditor:
            ShowAndEnable(ws, Screen::ProgramEditor);
            return 0;
        case Display::ErrorList:
            ShowAndEnable(ws, Screen::ErrorList);
            return 0;
        case Display::CommProgress:
            ShowAndEnable(ws, Screen::Communicating);
            return 0;
        case Display::SlotDialog:
            host.ShowScreenAndWait(Screen::SlotNumber);
            host.EnableScreen(Screen::SlotNumber);
            return 0;
        case Display::BaudRateDialog:
            ShowAndEnable(ws, Screen::BaudRate);
            return 0;
        case Display::Version:
            host.ShowScreenAndWait(Screen::Version);
            return 0;
        case Display::CsvFile:
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
                          shell::InfoPurpose infoPurpose, Display backDisplay, Screen leaving,
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
    const MsgAnswer reply = ShowMessage(ws.hosts, message, MsgButtons::YesNoCancel, Catalogue(titleText));
    if (reply == MsgAnswer::Yes) {
        ws.state.infoPurpose = infoPurpose;
        return SwitchDisplay(ws, Display::SaveFile) == -1 ? -1 : 0;
    }
    if (reply == MsgAnswer::No) {
        if (clearOnNo) ws.state.dataChanged = false;
        goBack();
    }
    return 0;
}

int AfterProgramDownload(Workspace& ws) {
    if (ws.state.cameFromDownloadCheck) {
        ws.state.downloadCheckMode = 2;
        SwitchDisplay(ws, Display::DownloadCheck);
        return 0;
    }
    // The job that just ended: its result, title and the area the instrument
    // refused. A download whose instrument refused one area ends with result
    // 0; the refused area then says which of the areas was written.
    if (const comm::CommEngine* engine = ws.hosts.engine) {
        const comm::JobOutcome& outcome = engine->LastOutcome();
        const int message = ProgramDownloadMessage(
            outcome.code != comm::kErrNone ? outcome.code : outcome.facts.refusedArea);
        if (message != 0) ShowMessage(ws.hosts, message, MsgButtons::Ok, engine->JobTitle());
    }
    SwitchDisplay(ws, Display::ProgramEditor);
    return 0;
}

int RunEvent(Workspace& ws, int eventCode, int answer) {
    switch (static_cast<NavEvent>(eventCode)) {
        case NavEvent::kLeaveDataView:
            return LeaveWithSaveQuestion(ws, answer, 9, 2411, shell::InfoPurpose::SaveAndLeave,
                                         Display::SettingMenu, Screen::DataView, false);
        case NavEvent::kDataViewToSettingMenu:
            SwitchDisplay(ws, Display::SettingMenu);
            Host(ws).UnloadScreen(Screen::DataView);
            return 0;
        case NavEvent::kAfterProgramDownload:
            return AfterProgramDownload(ws);
        case NavEvent::kLeaveProgramEditor:
            return LeaveWithSaveQuestion(ws, answer, 12, 3001, shell::InfoPurpose::LeaveEditor,
                                         Display::SettingMenuProgram, Screen::ProgramEditor, true);
        case NavEvent::kSaveProgram:
            ws.state.infoPurpose = shell::InfoPurpose::ProgramSave;
            return SwitchDisplay(ws, Display::SaveFile) == -1 ? -1 : 0;
        case NavEvent::kPrintErrorList:
            Host(ws).PrintErrorList();
            return 0;
        case NavEvent::kAfterDownloadCheckJob:
            if (ws.state.cameFromDownloadCheck) {
                ws.state.downloadCheckMode = 0;
                SwitchDisplay(ws, Display::DownloadCheck);
            } else {
                SwitchDisplay(ws, Display::DataView);
            }
            return 0;
        default:
            break;
    }
    if (const Display display = EventDisplay(eventCode); display != Display::None)
        SwitchDisplay(ws, display);
    return 0;
}

void RunFollow(Workspace& ws, int followCode) {
    if (followCode == kFollowEnableSettingMenu) {
        Host(ws).EnableScreen(Screen::SettingMenu);
        return;
    }
    if (const Display display = FollowDisplay(followCode); display != Display::None)
        SwitchDisplay(ws, display);
}

}  // namespace

Display EventDisplay(int eventCode) {
    return Lookup(std::begin(kEventTable), std::end(kEventTable), eventCode);
}

Display FollowDisplay(int followCode) {
    return Lookup(std::begin(kFollowTable), std::end(kFollowTable), followCode);
}

Display ParameterDisplayOf(int category) {
    return static_cast<Display>(static_cast<int>(Display::ParameterDisplay) + category);
}

int ShowDisplay(Workspace& ws, Display display) {
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
