#pragma once

#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// The windows start-up shows; the GUI implements them (through the core
/// session, shell/CoreSession.h), tests record the calls.
class StartupWindows {
  public:
    virtual ~StartupWindows() = default;
    /// True when another instance of the program is already running.
    virtual bool AnotherInstanceRunning() = 0;
    /// Shows the title screen without waiting and repaints it.
    virtual void ShowTitleScreen() = 0;
    /// Creates the main window, not yet shown.
    virtual void CreateMainWindow() = 0;
    /// Runs the main window's load step (which opens the top menu).
    virtual void LoadMainWindow() = 0;
    virtual void UnloadTitleScreen() = 0;
    /// Shows the main window without waiting.
    virtual void ShowMainWindow() = 0;
};

/// Everything start-up asks of the outside world: the windows, and the two
/// steps that belong to other subsystems (the core session fills them in).
class StartupHost : public StartupWindows {
  public:
    /// Applies the serial line defaults (ComPort has been read already).
    virtual void InitPortSettings() = 0;
    /// Puts the information record to its defaults.
    virtual void InitInformationRecord() = 0;
};

/// How start-up ended.
enum class StartupResult {
    Running,          ///< the main window is shown; the program runs from its events
    AlreadyRunning,   ///< another instance runs; this one ends
    SettingsMissing,  ///< V3Model.ini or Category.ini is missing or unreadable; the program ends
    Failed,           ///< an unexpected error, reported as "Main_ERR"
};

/// Time the title screen stays up at least.
inline constexpr int kTitleScreenMs = 3000;

/// The program's start-up, strictly in order: single-instance check, title
/// screen, V3Model.ini and Category.ini, port settings ("COMPORT", default 1),
/// information record defaults, the Setting.ini path, the main window created,
/// the 3000 ms wait through the utility component (or the Clock), the main
/// window loaded, the title screen unloaded, the main window shown.
StartupResult Main(Workspace& ws, StartupHost& host);

/// Start-up of a front end without windows (rq50-cli): the same tables with
/// the same failure messages, port settings, information record defaults and
/// Setting.ini path, with no instance check, no windows and no title wait.
StartupResult StartWithoutWindows(Workspace& ws, StartupHost& host);

/// Reads V3Model.ini of the session's application folder into its model
/// table (ws.config); on success also sets both link speeds to 1200, clears
/// the log and MAINT flags and loads the caption affixes. False when the file
/// is missing or unreadable.
bool LoadModelTable(Workspace& ws);
/// The port number stored under "COMPORT": 1..4, 1 when absent or invalid.
int ReadComPortSetting(Workspace& ws);

}  // namespace rq50::session
