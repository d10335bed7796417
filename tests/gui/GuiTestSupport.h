#pragma once

// What the GUI tests share: a program started on a scratch application
// folder, settings file and lock folder, with message boxes answered from a
// script and a clock that skips the long waits.

#include <QApplication>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QWidget>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/Engine.h"
#include "shell/Services.h"
#include "gui/GuiApp.h"
#include "gui/ScreenBase.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"

namespace rq50::guitest {

/// Real time, except that Wait() lets pending events run and jumps over the
/// rest: the title screen and the port's settling wait cost nothing, while
/// timers and the simulated line keep their order.
class SkippingClock : public shell::Clock {
  public:
    SkippingClock() { m_timer.start(); }
    std::int64_t NowMs() const override { return m_timer.elapsed() * m_rate + m_skipped; }
    void Wait(std::int32_t ms) override;
    /// Lets the clock run `rate` times faster than real time from now on, so
    /// the simulated line and the engine's time-outs pass quickly.
    void SetRate(int rate);

  private:
    int m_rate = 1;
    QElapsedTimer m_timer;
    std::int64_t m_skipped = 0;
};

/// Message boxes answered from a script (OK, or the last button when the
/// script is empty); every box is recorded.
class ScriptedMessages : public shell::MessageBoxHost {
  public:
    int Show(const shell::MessageBoxRequest& box) override;
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::vector<shell::MessageBoxRequest> boxes;
    std::deque<int> answers;
    std::deque<std::optional<std::string>> inputs;
    std::vector<std::string> prompts;
    /// Texts of the boxes shown so far.
    std::vector<std::string> Texts() const;
};

/// A screen of the chain that the tests stand in for the screens other
/// parts of the program provide: standard menus, the unlock gesture, and a
/// caller code for the jobs it starts.
class StandInScreen : public gui::ScreenBase {
    Q_OBJECT
  public:
    StandInScreen(shell::Screen id, comm::CommCallers caller);
    comm::CommCallers caller;

  protected:
    void OnBaudRate() override;
};

/// Registers stand-ins for the setting menu (caller 1) and the category menu
/// (caller 5).
void RegisterStandInScreens();

/// One started program on scratch folders.
class Program {
  public:
    /// `keep` shares the folders (settings, lock, application folder) of an
    /// earlier program, so a restart sees what it left.
    explicit Program(const Program* keep = nullptr);
    ~Program();

    gui::GuiOptions options;
    ScriptedMessages messages;
    /// Stand-ins for the setting and category menus (false: the real ones).
    bool standIns = true;
    SkippingClock& Clock() { return m_clock; }
    /// Runs the start-up; 0 when the main window is up.
    int Start();
    gui::GuiApp& App() { return *m_app; }
    shell::frmRQ0000& Main();
    /// Closes the program the way the main window does when it ends.
    void Close();

    QString appDir;
    QString settingsFile;
    QString lockFolder;

  private:
    std::shared_ptr<QTemporaryDir> m_dir;
    SkippingClock m_clock;
    std::unique_ptr<gui::GuiApp> m_app;
};

/// Runs events until `done` holds or `ms` of real time have passed.
bool WaitFor(const std::function<bool()>& done, int ms = 15000);

/// The engine of the running program's session.
inline comm::CommEngine& Engine() {
    return shell::FrontEndEngine();
}

/// Once a modal dialog of class T is up, runs `act` on it (from a timer, so
/// the caller can then open the dialog and block in it).
void WhenModal(const char* className, std::function<void(QWidget*)> act);

/// Answers the next file dialog by typing `path` into its name box and
/// accepting it, again until the dialog is gone (a dialog still listing its
/// folder may stay open on the first answer).
void WhenFileDialog(const QString& path);

/// The screen the user can work on now: the active screen when its window
/// and the menu bar are enabled, else nullptr.
gui::ScreenBase* UsableScreen(Program& program);

/// The named child of `parent`, failing the test when it is missing.
template <typename T>
T* Child(QObject* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

}  // namespace rq50::guitest
