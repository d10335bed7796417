#include "shell/StartUp.h"

#include <exception>
#include <string>

#include "comm/Engine.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/ConfigTables.h"
#include "shell/GlobalState.h"
#include "shell/Menus.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/SettingsStore.h"
#include "shell/UtilityComponent.h"

namespace rq50::shell {

namespace {

constexpr int kTextAlreadyStarted = 1;
constexpr int kTextV3ModelIni = 50;
constexpr int kTextInitFailed = 1529;

void ShowBox(const std::string& text, const std::string& title, MsgIcon icon, bool beep) {
    MessageBoxHost* host = Svc().messages;
    if (host == nullptr) return;
    if (beep) host->Beep();
    host->Show(MessageBoxRequest{text, title, kButtonsOk, icon});
}

/// "Failed to initialize settings." titled with the missing file's path.
void ShowSettingsFailure(const std::string& path, MsgIcon icon) {
    ShowBox(Catalogue(kTextInitFailed), std::string(kAppTitle) + "  " + path, icon, true);
}

void WaitMs(int ms) {
    if (Svc().utility != nullptr) {
        Svc().utility->Wait(ms);
    } else if (Svc().clock != nullptr) {
        Svc().clock->Wait(ms);
    }
}

/// The configuration tables, port settings, information record and the
/// Setting.ini path: what every front end needs before the first command.
StartupResult InitSettings(StartupHost& host) {
    if (!LoadModelTable()) {
        ShowSettingsFailure(AppFilePath(Catalogue(kTextV3ModelIni)), MsgIcon::Critical);
        return StartupResult::SettingsMissing;
    }
    if (!LoadCategoryTable()) {
        ShowSettingsFailure(AppFilePath("Category.ini"), MsgIcon::Exclamation);
        return StartupResult::SettingsMissing;
    }
    if (Svc().engine != nullptr) Svc().engine->LogFileOn = false;
    G().maintMode = false;

    G().comPort = static_cast<std::int16_t>(ReadComPortSetting());
    ApplyStoredPacing();
    host.InitPortSettings();
    host.InitInformationRecord();
    G().settingFilePath = AppFilePath("Setting.ini");
    return StartupResult::Running;
}

StartupResult Run(StartupHost& host) {
    if (host.AnotherInstanceRunning()) {
        ShowBox(Catalogue(kTextAlreadyStarted), kAppTitle, MsgIcon::Exclamation, false);
        return StartupResult::AlreadyRunning;
    }
    host.ShowTitleScreen();
    if (const StartupResult settings = InitSettings(host); settings != StartupResult::Running) {
        return settings;
    }

    host.CreateMainWindow();
    WaitMs(kTitleScreenMs);
    host.LoadMainWindow();
    host.UnloadTitleScreen();
    host.ShowMainWindow();
    return StartupResult::Running;
}

}  // namespace

int ReadComPortSetting() {
    if (Svc().settings == nullptr) return 1;
    const auto stored = Svc().settings->Get("COMPORT");
    const std::string text = stored ? Trim(*stored) : std::string();
    if (text.size() != 1 || text[0] < '1' || text[0] > '4') return 1;
    return text[0] - '0';
}

StartupResult Main(StartupHost& host) {
    try {
        return Run(host);
    } catch (const std::exception& e) {
        ShowRoutineError("Main_ERR", e.what());
        return StartupResult::Failed;
    }
}

StartupResult StartWithoutWindows(StartupHost& host) {
    try {
        return InitSettings(host);
    } catch (const std::exception& e) {
        ShowRoutineError("Main_ERR", e.what());
        return StartupResult::Failed;
    }
}

}  // namespace rq50::shell
