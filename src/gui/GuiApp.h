#pragma once

#include <QLockFile>
#include <QString>

#include <memory>
#include <string>

#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "gui/Screens.h"
#include "session/CoreSession.h"
#include "session/StartUp.h"

namespace rq50::comm {
class SerialPort;
}
namespace rq50::sim {
class Instrument;
}
namespace rq50::gui {

class GuiCommHost;
class MainWindow;
class TitleScreen;

/// How rq50 was started.
struct GuiOptions {
    std::string appDir;             ///< --app-dir
    std::string port;               ///< --port DEV: any device path, overrides COMn
    bool demo = false;              ///< --demo: the simulated instrument serves the port
    std::string demoInstrument;     ///< instrument file of --demo (RQB2 when empty)
    QString settingsFile;           ///< an INI file instead of the set-up's RQ50.ini (tests)
    QString lockFolder;             ///< folder of the instance lock (default: runtime folder)
    shell::Clock* clock = nullptr;  ///< a clock of the caller's (tests); the real one otherwise
    std::string registerName;       ///< --register: the plant register to use
    bool noRegister = false;        ///< --no-register: no transfer is recorded
};

/// The program: its services, the instance lock, the title screen, the main
/// window and the line (a serial port, or the simulated instrument).
class GuiApp : public session::StartupWindows {
  public:
    explicit GuiApp(GuiOptions options);
    ~GuiApp() override;
    GuiApp(const GuiApp&) = delete;
    GuiApp& operator=(const GuiApp&) = delete;

    /// Runs the start-up. 0 when the main window is up, else the exit code.
    int Start();

    MainWindow* Window() const { return m_main.get(); }
    /// The program's core session.
    session::CoreSession& Session() const { return *m_session; }
    /// What the program's screens share, the makers of the screens among it.
    ScreenContext& Screens() const { return *m_shared; }
    /// The printer and the PDF file dialog the program prints with.
    ReportDevices& Reports() { return m_reports; }
    /// The simulated instrument of --demo, or nullptr.
    sim::Instrument* DemoInstrument() const { return m_instrument.get(); }

    // StartupWindows
    bool AnotherInstanceRunning() override;
    void ShowTitleScreen() override;
    void CreateMainWindow() override;
    void LoadMainWindow() override;
    void UnloadTitleScreen() override;
    void ShowMainWindow() override;

  private:
    /// Loads the instrument of --demo; when it cannot be used, says which
    /// file and why and returns false.
    bool LoadDemoInstrument();
    void AttachLine();

    GuiOptions m_options;
    QtMessageBoxHost m_messages;
    std::unique_ptr<shell::Clock> m_ownClock;
    shell::Clock* m_clock;
    std::unique_ptr<GuiUtility> m_utility;
    std::unique_ptr<QtSettingsStore> m_settings;
    std::unique_ptr<plant::Recorder> m_recorder;
    bool m_registerNoticeShown = false;
    std::unique_ptr<QLockFile> m_lock;
    ReportDevices m_reports;
    std::unique_ptr<ScreenContext> m_shared;
    std::unique_ptr<TitleScreen> m_title;
    std::unique_ptr<MainWindow> m_main;
    std::unique_ptr<GuiCommHost> m_comm;
    std::unique_ptr<sim::Instrument> m_instrument;
    std::string m_demoFile;
    std::unique_ptr<comm::SerialPort> m_port;
    std::unique_ptr<session::CoreSession> m_session;
};

/// The instrument file --demo uses when none is named.
std::string DefaultDemoInstrument();

}  // namespace rq50::gui
