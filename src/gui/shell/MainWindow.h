#pragma once

#include <QLabel>
#include <QMainWindow>
#include <QMdiSubWindow>
#include <QPointer>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>

#include "comm/Engine.h"
#include "gui/BusyPointer.h"
#include "gui/QtHosts.h"
#include "session/Quit.h"
#include "shell/NavigationHost.h"

namespace rq50::comm {
class CommEngine;
}

namespace Ui {
class frmRQ0000;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class ReportDevices;
class ScreenBase;
class ScreenMakers;

/// The main window: every screen of the chain is a sub-window of its MDI
/// area, the active screen's menus are the menu bar, and it owns the status
/// bar and the engine's tick timer. It is also the navigation host: it shows,
/// enables, disables and unloads the screens the navigation names.
class MainWindow : public QMainWindow, public shell::NavigationHost {
    Q_OBJECT
  public:
    /// `makers`: how the navigation makes the program's screens.
    /// `devices`: the program's printer, for the Print command.
    MainWindow(files::Workspace& ws, const ScreenMakers& makers, ReportDevices& devices,
               QWidget* parent = nullptr);
    ~MainWindow() override;

    /// The load step: restores the position and opens the top menu.
    void Load();
    /// Shows the window where Load placed it: maximised on the first start
    /// and whenever the user left it so.
    void ShowAsLeft();

    /// The screen when it is loaded, else nullptr.
    ScreenBase* FindScreen(shell::Screen screen) const;
    /// The active screen, or nullptr.
    ScreenBase* ActiveScreen() const;
    QMdiArea* MdiArea() const;
    /// The program's hourglass pointer.
    BusyPointer& Busy() { return m_busy; }

    /// First panel of the status bar; the second names the line (device,
    /// speed, the instrument of the last job), kept current by Timer1.
    void SetStatusText(const QString& text);
    void SetStatusText(const std::string& text) override;
    /// The simulated instrument that serves the line ("Demo: ..."), named in
    /// the line panel instead of the device.
    void SetDemoName(const std::string& name);
    /// Tests: the engine's timer fires `speedUp` times as often as its
    /// interval says (1: as it says), the clock told of each tick.
    void SetTickSpeedUp(int speedUp);
    /// Bytes arrived on the line: the engine ticks as soon as the window's
    /// events allow, not at the next timer tick.
    void TickNow();
    QString LineText() const;

    // NavigationHost
    void ShowScreen(shell::Screen screen) override;
    void ShowScreenAndWait(shell::Screen screen) override;
    void EnableScreen(shell::Screen screen) override;
    void DisableScreen(shell::Screen screen) override;
    void UnloadScreen(shell::Screen screen) override;
    bool IsLoaded(shell::Screen screen) const override;
    void CommitEdits() override;
    int RunOpenDialog() override;
    int RunSaveDialog() override;
    int RunCsvDialog() override;
    void PrintReport() override;
    void PrintErrorList() override;
    void SetMainCaption(const std::string& caption) override;
    void SetPasswordMenu(bool setEnabled, bool changeEnabled) override;
    void SetBusyPointer(bool busy) override;
    void ProcessEvents() override;
    void EndProgram() override;

  protected:
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    files::Workspace& Ws() const { return m_ws; }

    QMdiSubWindow* SubWindowOf(shell::Screen screen) const;
    ScreenBase* Load(shell::Screen screen);
    void UpdateMenuBar();
    void UpdateLineText();
    /// Keeps every shown sub-window inside the MDI area.
    void FitSubWindows();
    /// One engine tick, `sinceLastMs` after the one before (the clock is told).
    void Tick(int sinceLastMs);
    /// When the next timer tick comes: the engine's interval, or in fast
    /// pacing on a line that reports its bytes, when the engine has work.
    void ScheduleTick(comm::CommEngine& engine);
    int RunFileDialog(session::FileDialogMode mode);

    files::Workspace& m_ws;
    const ScreenMakers& m_makers;
    ReportDevices& m_devices;
    std::unique_ptr<Ui::frmRQ0000> m_ui;
    std::map<shell::Screen, QPointer<QMdiSubWindow>> m_screens;
    QTimer m_timer1;
    int m_tickSpeedUp = 1;
    int m_nextTickMs = comm::kTickMs;
    bool m_tickQueued = false;
    QLabel* m_statusText = nullptr;
    QLabel* m_lineText = nullptr;
    std::string m_demoName;
    QtFileDialogHost m_fileDialog;
    session::Quit m_quit;
    bool m_ending = false;
    bool m_showMaximized = false;
    BusyPointer m_busy;
};

}  // namespace rq50::gui
