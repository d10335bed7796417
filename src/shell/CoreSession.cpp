#include "shell/CoreSession.h"

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/HandBack.h"
#include "comm/jobs/Jobs.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "shell/ConfigTables.h"
#include "shell/FileNameRules.h"
#include "shell/GlobalState.h"
#include "shell/Workspace.h"
#include "shell/Navigation.h"

namespace rq50::shell {

/// Start-up's own steps around the front end's windows: the port settings and
/// the information record belong to the core, the windows to the front end.
class CoreSession::Steps : public StartupHost {
  public:
    Steps(StartupWindows* windows, comm::CommEngine& engine)
        : m_windows(windows), m_engine(engine) {}

    bool AnotherInstanceRunning() override {
        return m_windows != nullptr && m_windows->AnotherInstanceRunning();
    }
    void ShowTitleScreen() override {
        if (m_windows != nullptr) m_windows->ShowTitleScreen();
    }
    void InitPortSettings() override {
        // The line defaults; the port number was read from "COMPORT" already.
        m_engine.CommSettings = comm::PortSettings{};
    }
    void InitInformationRecord() override { files::InitInformationRecord(files::OleDateNow()); }
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
};

CoreSession::CoreSession(const FrontEnd& frontEnd) : m_saved(Svc()) {
    Services& svc = Svc();
    svc.clock = frontEnd.clock;
    svc.utility = frontEnd.utility;
    svc.settings = frontEnd.settings;
    svc.messages = frontEnd.messages;
    svc.navigation = frontEnd.navigation;
    svc.engine = &m_engine;

    m_engine.SetClock(frontEnd.clock);
    m_engine.SetWorkspace(frontEnd.workspace ? *frontEnd.workspace : FrontEndWorkspace());
    m_engine.SetHost(frontEnd.comm);
    m_engine.AttachPort(frontEnd.port);
    m_engine.SetMenuCommandHandler(frontEnd.menuCommand);
    comm::jobs::UseConfigurationFiles(m_engine);
    comm::jobs::RegisterAllJobs(m_engine);

    // The file a save or an open names is the one the information record
    // names ("NewFile" while there is none, as the caption shows).
    SetInformationFileNameSink([](const std::string&) {
        files::SetInformationFileName(files::CurrentInformation(), G().currentFileTitle);
    });
}

CoreSession::~CoreSession() {
    SetInformationFileNameSink(nullptr);
    Svc() = m_saved;
}

StartupResult CoreSession::Run(StartupWindows* windows) {
    // The tables are read over their rows; a session starts from empty ones
    // as the program does.
    ModelTable().clear();
    CategoryTable().clear();
    Steps steps(windows, m_engine);
    return windows != nullptr ? Main(steps) : StartWithoutWindows(steps);
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
    Svc().clock = clock;
    m_engine.SetClock(clock);
}

}  // namespace rq50::shell
