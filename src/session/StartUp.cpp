#include "session/StartUp.h"

#include <exception>
#include <string>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "session/Menus.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/UtilityComponent.h"

namespace rq50::session {

using namespace rq50::shell;

namespace {

/// "Failed to initialize settings." titled with the missing file's path.
void ShowSettingsFailure(Workspace& ws, const std::string& path, MsgIcon icon) {
    ShowAlert(ws.hosts, {Catalogue(kTextFailedToInitialize), std::string(kAppTitle) + "  " + path,
                         MsgButtons::Ok, icon});
}

void WaitMs(Workspace& ws, int ms) {
    if (ws.hosts.utility != nullptr) {
        ws.hosts.utility->Wait(ms);
    } else if (ws.hosts.clock != nullptr) {
        ws.hosts.clock->Wait(ms);
    }
}

/// The configuration tables, port settings, information record and the
/// Setting.ini path: what every front end needs before the first command.
StartupResult InitSettings(Workspace& ws, StartupHost& host) {
    if (!LoadModelTable(ws)) {
        ShowSettingsFailure(ws, ws.config.FilePath(Catalogue(kTextV3ModelIni)), MsgIcon::Critical);
        return StartupResult::SettingsMissing;
    }
    if (!ws.config.LoadCategories(ws.hosts.navigation)) {
        ShowSettingsFailure(ws, ws.config.FilePath("Category.ini"), MsgIcon::Exclamation);
        return StartupResult::SettingsMissing;
    }
    if (ws.hosts.engine != nullptr) ws.hosts.engine->SetLogFileOn(false);
    ws.state.maintMode = false;

    ws.state.comPort = static_cast<std::int16_t>(ReadComPortSetting(ws));
    ApplyStoredPacing(ws);
    host.InitPortSettings();
    host.InitInformationRecord();
    ws.state.settingFilePath = ws.config.FilePath("Setting.ini");
    return StartupResult::Running;
}

StartupResult Run(Workspace& ws, StartupHost& host) {
    if (host.AnotherInstanceRunning()) {
        // Said without a beep: the other instance is still running.
        if (MessageBoxHost* messages = ws.hosts.messages) {
            messages->Show(
                {Catalogue(kTextAlreadyStarted), kAppTitle, MsgButtons::Ok, MsgIcon::Exclamation});
        }
        return StartupResult::AlreadyRunning;
    }
    host.ShowTitleScreen();
    if (const StartupResult settings = InitSettings(ws, host); settings != StartupResult::Running) {
        return settings;
    }

    host.CreateMainWindow();
    WaitMs(ws, kTitleScreenMs);
    host.LoadMainWindow();
    host.UnloadTitleScreen();
    host.ShowMainWindow();
    return StartupResult::Running;
}

}  // namespace

bool LoadModelTable(Workspace& ws) {
    if (!ws.config.LoadModels(ws.hosts.navigation)) return false;
    SessionState& g = ws.state;
    g.instrumentSpeed = 1200;
    if (ws.hosts.engine != nullptr) {
        ws.hosts.engine->SetSpeed(1200);
        ws.hosts.engine->SetLogFileOn(false);
    }
    g.maintMode = false;
    g.captionOpen = Catalogue(kTextCaptionOpen);
    g.captionClose = Catalogue(kTextCaptionClose);
    return true;
}

int ReadComPortSetting(Workspace& ws) {
    if (ws.hosts.settings == nullptr) return 1;
    const auto stored = ws.hosts.settings->Get("COMPORT");
    const std::string text = stored ? Trim(*stored) : std::string();
    if (text.size() != 1 || text[0] < '1' || text[0] > '4') return 1;
    return text[0] - '0';
}

StartupResult Main(Workspace& ws, StartupHost& host) {
    try {
        return Run(ws, host);
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, "Main_ERR", e.what());
        return StartupResult::Failed;
    }
}

StartupResult StartWithoutWindows(Workspace& ws, StartupHost& host) {
    try {
        return InitSettings(ws, host);
    } catch (const std::exception& e) {
        ShowRoutineError(ws.hosts, "Main_ERR", e.what());
        return StartupResult::Failed;
    }
}

}  // namespace rq50::session
