#pragma once

#include <functional>
#include <optional>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "session/StartUp.h"
#include "session/Vocabulary.h"
#include "shell/Services.h"

namespace rq50::session {

/// What a front end lends the core. The front end owns every object and keeps
/// it alive for the session; a null entry leaves that part out (no message
/// boxes, no settings store, a silent communication host, no port).
struct FrontEnd {
    Clock* clock = nullptr;
    UtilityComponent* utility = nullptr;
    SettingsStore* settings = nullptr;
    MessageBoxHost* messages = nullptr;
    NavigationHost* navigation = nullptr;
    /// The "Now Communicating" dialog, the SLOT No. dialog, the parameter
    /// screen's monitor rows, the status bar.
    comm::CommHost* comm = nullptr;
    /// The main window's serial port.
    comm::SerialPort* port = nullptr;
    /// The main window's shared menu handler, which job hand-backs call
    /// (the baud-rate dialog after job 20, the slot menu after job 23).
    std::function<void(shell::MenuCommandCode code)> menuCommand;
    /// The plant register's recorder; none: transfers are not recorded.
    plant::Recorder* recorder = nullptr;
    /// The session's own application folder and user's data folder, whose
    /// configuration files it reads; none: the process's (InitAppFolder).
    std::optional<shell::AppFolders> appFolders;
};

/// The core as one front end runs it, from start-up to the end of the program.
///
/// The session owns its communication engine, with every job registered on
/// it and the jobs' tables reading V3Model.ini, Category.ini and Baudrate.ini
/// of the session's application folder; it lends the engine to the front
/// end, which starts jobs and ticks it. It also owns the workspace (data,
/// state, configuration tables and the front end's hosts) that its jobs,
/// presenters, screens and commands are given by reference; two sessions in
/// one process share nothing, their tables included. Start() then runs the
/// program's start-up.
///
/// Without folders of its own (FrontEnd::appFolders) the session reads the
/// process's application folder, which must be set (InitAppFolder) before
/// Start().
class CoreSession {
  public:
    explicit CoreSession(const FrontEnd& frontEnd);
    ~CoreSession();
    CoreSession(const CoreSession&) = delete;
    CoreSession& operator=(const CoreSession&) = delete;

    /// The program's start-up with its windows (the GUI): the instance check,
    /// the title screen, the configuration tables ("Failed to initialize
    /// settings." when V3Model.ini or Category.ini is missing or unreadable),
    /// port settings, information record defaults, the title wait and the
    /// main window. The program runs on only when this returns Running.
    StartupResult Start(StartupWindows& windows);
    /// The same start-up for a front end without windows (rq50-cli): the
    /// tables with the same failure messages, port settings and record
    /// defaults; no instance check and no wait.
    StartupResult Start();

    /// Later changes of what the front end lent (a command line picks its
    /// port and its clock per command). Null detaches.
    void AttachPort(comm::SerialPort* port);
    void UseCommHost(comm::CommHost* host);
    void UseClock(Clock* clock);

    /// The session's engine.
    comm::CommEngine& Engine() { return m_engine; }
    /// The session's data, state and hosts.
    Workspace& Data() { return m_workspace; }

  private:
    class Steps;
    StartupResult Run(StartupWindows* windows);

    Workspace m_workspace;
    comm::CommEngine m_engine;
};

}  // namespace rq50::session
