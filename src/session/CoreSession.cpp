#include "session/CoreSession.h"

#include "files/SettingFile.h"
#include "session/TransferRecords.h"

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "files/FileNameRules.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/SessionState.h"

namespace rq50::session {

using namespace rq50::shell;

/// Start-up's own steps around the front end's windows: the port settings and
/// the information record belong to the core, the windows to the front end.
class CoreSession::Steps : public StartupHost {
  public:
    Steps(StartupWindows* windows, comm::CommEngine& engine, Workspace& workspace)
        : m_windows(windows), m_engine(engine), m_workspace(workspace) {}

    bool AnotherInstanceRunning() override {
        return m_windows != nullptr && m_windows->AnotherInstanceRunning();
    }
    void ShowTitleScreen() override {
        if (m_windows != nullptr) m_windows->ShowTitleScreen();
    }
    void InitPortSettings() override {
        // The line defaults; the port number was read from "COMPORT" already.
        m_engine.ResetLineSettings();
    }
    void InitInformationRecord() override {
        m_workspace.information = files::DefaultInformation(files::OleDateNow());
    }
    void CreateMainWindow() override {
        if (m_windows != nullptr) m_windows->CreateMainWindow();
    }
    void LoadMainWindow() override {
        if (m_windows != nullptr) m_windows->LoadMainWindow();
    }
    void UnloadTitleScreen() override {
        if (m_windows != nullptr) m_windows->UnloadTitleScreen();
    }
    void ShowMainWindow() override {
        if (m_windows != nullptr) m_windows->ShowMainWindow();
    }

  private:
    StartupWindows* m_windows;
    comm::CommEngine& m_engine;
    Workspace& m_workspace;
};

CoreSession::CoreSession(const FrontEnd& frontEnd) {
    Services& hosts = m_workspace.hosts;
    hosts.clock = frontEnd.clock;
    hosts.utility = frontEnd.utility;
    hosts.settings = frontEnd.settings;
    hosts.messages = frontEnd.messages;
    hosts.navigation = frontEnd.navigation;
    hosts.engine = &m_engine;
    hosts.recorder = frontEnd.recorder;
    hosts.menuCommand = frontEnd.menuCommand;
    if (frontEnd.appFolders) m_workspace.config.SetFolders(*frontEnd.appFolders);

    m_engine.SetClock(frontEnd.clock);
    m_engine.SetWorkspace(m_workspace);
    m_engine.SetHost(frontEnd.comm);
    m_engine.AttachPort(frontEnd.port);
    comm::jobs::UseConfigurationFiles(m_engine);
    comm::jobs::RegisterAllJobs(m_engine);
    RecordTransfersOf(m_workspace);
}

CoreSession::~CoreSession() = default;

StartupResult CoreSession::Run(StartupWindows* windows) {
    // The tables are read over their rows; a session starts from empty ones
    // as the program does.
    m_workspace.config.Clear();
    Steps steps(windows, m_engine, m_workspace);
    const StartupResult result =
        windows != nullptr ? Main(m_workspace, steps) : StartWithoutWindows(m_workspace, steps);
    // With a download password stored, nothing is written to an instrument
    // until it has been entered, whichever window or command asks.
    if (result == StartupResult::Running)
        m_workspace.state.downloadAllowed = !PasswordIsStored(m_workspace);
    return result;
}

StartupResult CoreSession::Start(StartupWindows& windows) {
    return Run(&windows);
}

StartupResult CoreSession::Start() {
    return Run(nullptr);
}

void CoreSession::AttachPort(comm::SerialPort* port) {
    m_engine.AttachPort(port);
}

void CoreSession::UseCommHost(comm::CommHost* host) {
    m_engine.SetHost(host);
}

void CoreSession::UseClock(Clock* clock) {
    m_workspace.hosts.clock = clock;
    m_engine.SetClock(clock);
}

}  // namespace rq50::session
