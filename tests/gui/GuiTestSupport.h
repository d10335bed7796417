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
#include "gui/GuiApp.h"
#include "gui/ScreenBase.h"
#include "session/CoreSession.h"
#include "session/ScreenFlow.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

namespace rq50::guitest {

/// The program's time in the tests: virtual, moved on only by the engine's
/// ticks and by waits (which let pending events run and jump over the rest).
/// A busy machine slows a test down but never changes what the engine and
/// the simulated line see: the title screen and the port's settling wait
/// cost nothing, and a time-out is a count of ticks.
class SkippingClock : public shell::Clock {
  public:
    std::int64_t NowMs() const override { return m_now; }
    /// Runs the window events, then moves on by `ms` at once.
    void Wait(std::int32_t ms) override;
    /// Each tick of the engine's timer moves the clock on by its interval.
    void Ticked(std::int32_t ms) override {
        if (ms > 0) m_now += ms;
    }
    /// Lets the engine's timer fire `rate` times as often in real time from
    /// now on, so the simulated line and the engine's time-outs pass quickly.
    void SetRate(int rate);
    int Rate() const { return m_rate; }
    /// Called with the rate whenever it changes (the program's main window).
    std::function<void(int rate)> onRate;

  private:
    int m_rate = 1;
    std::int64_t m_now = 0;
};

/// Message boxes answered from a script (OK, or the last button when the
/// script is empty); every box is recorded.
class ScriptedMessages : public shell::MessageBoxHost {
  public:
    shell::MsgAnswer Show(const shell::MessageBoxRequest& box) override;
    std::optional<std::string> InputBox(const std::string& prompt,
                                        const std::string& title) override;
    std::vector<shell::MessageBoxRequest> boxes;
    std::deque<shell::MsgAnswer> answers;
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
    StandInScreen(shell::Screen id, files::Workspace& ws, session::JobCaller caller);
    session::JobCaller caller;

  protected:
    void OnBaudRate() override;
};

/// Registers stand-ins for the setting menu (caller 1) and the category menu
/// (caller 5).
void RegisterStandInScreens(gui::ScreenContext& screens);

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
    /// The started program's session: its workspace and its engine.
    files::Workspace& Ws() { return m_app->Session().Data(); }
    comm::CommEngine& Engine() { return m_app->Session().Engine(); }
    gui::MainWindow& Main();
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

/// Runs events until the program's communication job has ended.
bool Idle(Program& program, int ms = 60000);

/// Once a modal dialog of class T is up, runs `act` on it (from a timer, so
/// the caller can then open the dialog and block in it).
void WhenModal(const char* className, std::function<void(QWidget*)> act);

/// What the answered file dialog showed first: its folder and the name it offered.
struct FileDialogAnswer {
    QString folder;
    QString offered;
    bool answered = false;
};

/// Answers the next file dialog by typing `path` into its name box and
/// accepting it, again until the dialog is gone (a dialog still listing its
/// folder may stay open on the first answer).
std::shared_ptr<FileDialogAnswer> WhenFileDialog(const QString& path);

/// The screen the user can work on now: the active screen when its window
/// and the menu bar are enabled, else nullptr.
gui::ScreenBase* UsableScreen(Program& program);

/// The named child of `parent`, failing the test when it is missing.
template <typename T>
T* Child(QObject* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

/// A mouse click on the push button `button` of `screen`.
void Press(QWidget* screen, const char* button);

/// A click on the option `option` of `screen` (on its indicator: a short
/// caption leaves the middle of a wide button empty), then on its OK; false
/// without the screen.
bool ChooseAndOk(QWidget* screen, const char* option);

/// The screen is loaded and its window enabled.
bool ScreenEnabled(const QWidget* screen);

}  // namespace rq50::guitest
