#include "session/Menus.h"

#include <algorithm>
#include <cctype>
#include <exception>
#include <optional>
#include <string>

#include "comm/CommLog.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
#include "files/UndoFolder.h"
#include "files/Workspace.h"
#include "program/ProgramTypes.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::session {

using namespace rq50::shell;

namespace {
constexpr std::int32_t kFastRate = 9600;
/// InfoPurpose of the save before quitting: first the save dialog's, then
/// the information window's, which asks to quit once the file is written.

/// Runs `body` under the routine's error trap; `fallback` is its default result.
template <typename T, typename Body>
T Trapped(Workspace& ws, const char* label, T fallback, Body body) {
    try {
        return body();
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, std::string(label) + "_ERR", e.what());
        return fallback;
    }
}

/// Message 24 asked when `rate` is 9600: true when the user keeps the program.
bool KeepForBaudRate(Workspace& ws, std::int32_t rate) {
    if (rate != kFastRate) return false;
    return ShowMessage(ws.hosts, kMsgResetBaudRate, MsgButtons::YesNo, "") != MsgAnswer::No;
}

/// The screen that CurrentScreenId names, disabled before the baud-rate dialog.
Screen ScreenOfId(shell::ScreenId id) {
    switch (id) {
        case shell::ScreenId::SettingMenu:
            return Screen::SettingMenu;
        case shell::ScreenId::CategoryMenu:
            return Screen::CategoryMenu;
        case shell::ScreenId::ProgramEditor:
            return Screen::ProgramEditor;
        case shell::ScreenId::DataView:
            break;
    }
    return Screen::DataView;
}

/// The question that offers to save the work an exit would throw away, with
/// its title; none when nothing is unsaved. Parameter data counts while the
/// data view holds it (leaving that view with "No" lets it go); a program
/// while the editor holds it.
struct SaveQuestion {
    int message;
    std::string title;
};

std::optional<SaveQuestion> UnsavedWork(Workspace& ws) {
    const NavigationHost* nav = ws.hosts.navigation;
    if (nav == nullptr) return std::nullopt;
    const SessionState& g = ws.state;
    if (g.settingMode == shell::SettingMode::Parameter) {
        if (!g.dataChanged || !nav->IsLoaded(Screen::DataView)) return std::nullopt;
        return SaveQuestion{kMsgSaveParameterData,
                            Catalogue(kTextDataUploaded + shell::DataSourceIndex(g.dataSource))};
    }
    if (!ws.program.modified || !nav->IsLoaded(Screen::ProgramEditor)) return std::nullopt;
    return SaveQuestion{kMsgSaveProgramData, Catalogue(kTextProgramEditor)};
}

/// Save, then quit: the save dialog, and when a name was accepted the
/// information window, whose closing writes the file and asks to quit. True
/// when the information window is up; `from` waits disabled until then.
bool SaveBeforeQuitting(Workspace& ws, Screen from) {
    SessionState& g = ws.state;
    g.exitFrom = from;
    g.infoPurpose = shell::InfoPurpose::SaveAndLeave;
    if (ShowDisplay(ws, Display::SaveFile) != -1) return false;
    g.infoPurpose = shell::InfoPurpose::SaveAndQuit;
    if (ws.hosts.navigation != nullptr) ws.hosts.navigation->DisableScreen(from);
    ShowDisplay(ws, Display::Information);
    return true;
}

/// A log switched on that cannot be written is said at once, not found
/// empty after the job; the mark stays, so the log starts once the folder
/// takes it.
void ReportLogFileProblem(Workspace& ws) {
    const std::string problem = ws.Engine().LogFileProblem();
    if (problem.empty() || ws.hosts.messages == nullptr) return;
    std::string text = Catalogue(kTextLogNotWritten);
    for (const auto& [mark, value] : {std::pair{std::string("%1"), ws.Engine().LogFilePath()},
                                      std::pair{std::string("%2"), problem}}) {
        if (const auto at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    }
    ShowAlert(ws.hosts, {text, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation});
}

}  // namespace

Screen ScreenOfCurrentId(Workspace& ws) {
    return ScreenOfId(ws.state.currentScreenId);
}

std::int16_t UnlockCommandMenu(Workspace& ws, int button, int shift) {
    return Trapped<std::int16_t>(ws, "COMfnc_nUnlockCommandMenu", -1, [&]() -> std::int16_t {
        if (button != kRightButton || shift != kShiftCtrlAlt) return -1;
        if (ws.hosts.messages == nullptr) return -1;
        const auto answer = ws.hosts.messages->InputBox(Catalogue(kTextEnterPassword),
                                                        Catalogue(kTextPassWordTitle));
        if (!answer || answer->size() != 1) return -1;
        if (std::toupper(static_cast<unsigned char>((*answer)[0])) != kCommandMenuCode) return -1;
        ws.state.commandMenuUnlocked = true;
        return 0;
    });
}

std::int16_t ShowCommandMenuMarks(Workspace& ws, MenuScreen& screen) {
    return Trapped<std::int16_t>(ws, "COMfnc_nCheckMenu", -1, [&]() -> std::int16_t {
        const SessionState& g = ws.state;
        if (!g.commandMenuUnlocked) return 0;
        screen.SetCommandMenuVisible(true);
        if (g.maintMode) screen.SetCommandMark(CommandMenuItem::MaintMode, true);
        const comm::CommEngine& engine = ws.Engine();
        if (engine.MonitorOn()) screen.SetCommandMark(CommandMenuItem::Monitor, true);
        if (engine.LogFileOn()) screen.SetCommandMark(CommandMenuItem::LogFile, true);
        return 0;
    });
}

void MarkPortInUse(Workspace& ws, MenuScreen& screen) {
    Trapped<int>(ws, "COMsub_CheckMarkPortMenu", 0, [&] {
        for (PortMenuItem item : kPortMenuItems) screen.SetPortMark(item, false);
        const std::string& session = ws.Engine().LineSettings().deviceOverride;
        screen.SetSessionPortItem(session);
        if (!session.empty()) return 0;
        const int port = ws.state.comPort;
        if (port >= 1 && port <= 4) screen.SetPortMark(kPortMenuItems[port - 1], true);
        return 0;
    });
}

std::vector<PortChoice> PortChoices(const std::vector<PortInfo>& available,
                                    const std::string& inUse, int& current,
                                    const std::vector<std::string>& recent) {
    std::vector<PortInfo> ports = available;
    const auto listed = [&ports](const std::string& device) {
        return std::any_of(ports.begin(), ports.end(),
                           [&](const PortInfo& p) { return p.device == device; });
    };
    if (!listed(inUse) && !inUse.empty()) ports.insert(ports.begin(), PortInfo{inUse, {}});
    for (const std::string& device : recent) {
        if (!device.empty() && !listed(device)) ports.push_back({device, {}});
    }
    std::vector<PortChoice> choices;
    current = -1;
    for (const PortInfo& port : ports) {
        std::string label = port.device;
        if (!port.description.empty()) label += "  " + port.description;
        if (port.device == inUse) {
            label += Catalogue(kTextPortInUse);
            current = static_cast<int>(choices.size());
        }
        choices.push_back({port.device, label});
    }
    return choices;
}

namespace {

constexpr std::size_t kRecentPortsKept = 8;
constexpr char kRecentPortsSeparator = '|';

}  // namespace

std::vector<std::string> RecentPorts(const Workspace& ws) {
    std::vector<std::string> ports;
    if (ws.hosts.settings == nullptr) return ports;
    const std::string stored = ws.hosts.settings->Get("RecentPorts").value_or("");
    std::size_t at = 0;
    while (at < stored.size()) {
        auto end = stored.find(kRecentPortsSeparator, at);
        if (end == std::string::npos) end = stored.size();
        if (end > at) ports.push_back(stored.substr(at, end - at));
        at = end + 1;
    }
    return ports;
}

std::string DeviceOfChoice(const std::vector<PortChoice>& choices, const std::string& text) {
    for (const PortChoice& choice : choices) {
        if (choice.label == text) return choice.device;
    }
    return Trim(text);
}

bool UsePortDevice(Workspace& ws, const std::string& typed) {
    if (typed.empty()) return false;
    std::string why;
    if (!comm::ParsePortAddress(typed, &why)) {
        if (ws.hosts.messages != nullptr)
            ws.hosts.messages->Show({why, kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation});
        return false;
    }
    // A user and password in a URL are never used; they are not kept either.
    const std::string device = comm::PortNameForRecord(typed);
    if (ws.hosts.settings != nullptr) {
        std::vector<std::string> recent = RecentPorts(ws);
        recent.erase(std::remove(recent.begin(), recent.end(), device), recent.end());
        recent.insert(recent.begin(), device);
        if (recent.size() > kRecentPortsKept) recent.resize(kRecentPortsKept);
        std::string stored;
        for (const auto& port : recent) {
            if (port.find(kRecentPortsSeparator) != std::string::npos) continue;
            stored += (stored.empty() ? "" : std::string(1, kRecentPortsSeparator)) + port;
        }
        ws.hosts.settings->Set("RecentPorts", stored);
    }
    if (!ws.Engine().LineSettings().deviceOverride.empty()) {
        ws.Engine().SetDeviceOverride(device);
        return true;
    }
    if (ws.hosts.settings != nullptr)
        ws.hosts.settings->Set("COM" + std::to_string(ws.state.comPort) + "Device", device);
    return true;
}

std::int16_t ChoosePortItem(Workspace& ws, MenuScreen& screen, PortMenuItem item) {
    return Trapped<std::int16_t>(ws, "COMfnc_nCheckMarkMenuCommPort", -1, [&]() -> std::int16_t {
        for (PortMenuItem i : kPortMenuItems) screen.SetPortMark(i, false);
        screen.SetPortMark(item, true);
        ws.Engine().SetDeviceOverride({});
        screen.SetSessionPortItem({});
        ws.state.comPort = static_cast<std::int16_t>(ComPortOf(item));
        if (ws.hosts.settings != nullptr)
            ws.hosts.settings->Set("COMPORT", std::to_string(ws.state.comPort));
        return 0;
    });
}

std::int16_t ToggleCommandItem(Workspace& ws, MenuScreen& screen, CommandMenuItem item) {
    return Trapped<std::int16_t>(ws, "COMfnc_nCheckMarkMenuCommand", -1, [&]() -> std::int16_t {
        SessionState& g = ws.state;
        switch (item) {
            case CommandMenuItem::MaintMode:
                g.maintMode = !g.maintMode;
                screen.SetCommandMark(item, g.maintMode);
                screen.OnMaintModeChanged(g.maintMode);
                return 0;
            case CommandMenuItem::Monitor: {
                const bool on = !ws.Engine().MonitorOn();
                ws.Engine().SetMonitorOn(on);
                screen.SetCommandMark(item, on);
                screen.OnMonitorChanged(on);
                return 0;
            }
            case CommandMenuItem::LogFile: {
                const bool on = !ws.Engine().LogFileOn();
                ws.Engine().SetLogFileOn(on);
                screen.SetCommandMark(item, on);
                if (on) ReportLogFileProblem(ws);
                return 0;
            }
            default:
                return 0;
        }
    });
}

bool ToggleFastCommunication(Workspace& ws) {
    comm::CommPacing pacing = ws.Engine().Pacing();
    pacing.fast = !pacing.fast;
    ws.Engine().SetCommPacing(pacing);
    if (ws.hosts.settings != nullptr) ws.hosts.settings->Set("FASTCOMM", pacing.fast ? "1" : "0");
    return pacing.fast;
}

bool FastCommunicationOn(Workspace& ws) {
    return ws.Engine().Pacing().fast;
}

void ApplyStoredPacing(Workspace& ws) {
    if (ws.hosts.engine == nullptr) return;
    comm::CommPacing pacing;
    if (ws.hosts.settings != nullptr) {
        const auto fast = ws.hosts.settings->Get("FASTCOMM");
        pacing.fast = fast && Trim(*fast) == "1";
        if (const auto gap = ws.hosts.settings->Get("FASTCOMMGAP")) {
            try {
                pacing.gapMs = std::stoi(Trim(*gap));
            } catch (const std::exception&) {
                // A gap that is no number leaves the default.
            }
        }
    }
    ws.Engine().SetCommPacing(pacing);
}

bool FileExit(Workspace& ws) {
    return Trapped<bool>(ws, "COMsub_FileItemsExit", false, [&] {
        if (KeepForBaudRate(ws, ws.state.instrumentSpeed)) return false;
        if (ShowMessage(ws.hosts, kMsgQuitQuestion, MsgButtons::YesNo, "") != MsgAnswer::Yes) return false;
        RemoveUndoFolder(ws);
        return true;
    });
}

ExitOutcome ExitProgram(Workspace& ws, Screen from) {
    return Trapped<ExitOutcome>(ws, "COMsub_FileItemsExit", ExitOutcome::Stay, [&] {
        if (ws.Engine().Busy()) return ExitOutcome::Stay;
        if (KeepForBaudRate(ws, ws.state.instrumentSpeed)) return ExitOutcome::Stay;
        if (ws.hosts.navigation != nullptr) ws.hosts.navigation->CommitEdits();
        if (const auto question = UnsavedWork(ws)) {
            const MsgAnswer reply =
                ShowMessage(ws.hosts, question->message, MsgButtons::YesNoCancel, question->title);
            if (reply == MsgAnswer::Yes)
                return SaveBeforeQuitting(ws, from) ? ExitOutcome::Saving : ExitOutcome::Stay;
            if (reply != MsgAnswer::No) return ExitOutcome::Stay;
        }
        if (ShowMessage(ws.hosts, kMsgQuitQuestion, MsgButtons::YesNo, "") != MsgAnswer::Yes)
            return ExitOutcome::Stay;
        RemoveUndoFolder(ws);
        return ExitOutcome::Quit;
    });
}

CloseDecision MainWindowQueryUnload(Workspace& ws, bool busy, bool activeExitEnabled,
                                    Screen active) {
    return Trapped<CloseDecision>(ws, "frmRQ0000_QueryUnload", CloseDecision::Cancel, [&] {
        if (busy || !activeExitEnabled) return CloseDecision::Cancel;
        return ExitProgram(ws, active) == ExitOutcome::Quit ? CloseDecision::Quit
                                                            : CloseDecision::Cancel;
    });
}

void MenuCommand(Workspace& ws, MenuCommandCode code) {
    Trapped<int>(ws, "MenuCommand", 0, [&] {
        SessionState& g = ws.state;
        switch (code) {
            case MenuCommandCode::Save:
                SaveBeforeQuitting(ws, ScreenOfId(g.currentScreenId));
                break;
            case MenuCommandCode::Information:
                g.infoPurpose = shell::InfoPurpose::LeaveEditor;
                ShowDisplay(ws, Display::Information);
                break;
            case MenuCommandCode::ExitAt9600:
                if (KeepForBaudRate(ws, ws.Engine().Speed())) break;
                if (ws.hosts.navigation != nullptr) ws.hosts.navigation->EndProgram();
                break;
            case MenuCommandCode::BaudRate:
                try {
                    if (ws.hosts.navigation != nullptr)
                        ws.hosts.navigation->DisableScreen(ScreenOfId(g.currentScreenId));
                } catch (const std::exception&) {
                    // The dialog opens even when the screen could not be disabled.
                }
                ShowDisplay(ws, Display::BaudRateDialog);
                break;
            case MenuCommandCode::SlotNo:
                ShowDisplay(ws, Display::SlotDialog);
                break;
            case MenuCommandCode::Category:
                ShowDisplay(ws, Display::CategoryMenu);
                break;
            case MenuCommandCode::Version:
                ShowDisplay(ws, Display::Version);
                break;
            default:
                break;
        }
        return 0;
    });
}

}  // namespace rq50::session
