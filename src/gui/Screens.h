#pragma once

#include <QWidget>

#include <functional>
#include <map>

#include "program/CommandCheck.h"
#include "session/OnlinePage.h"
#include "shell/NavigationHost.h"

namespace rq50::gui {

class ReportDevices;
class ScreenBase;

/// How the navigation makes a screen: a sub-window screen is created by
/// `make`; a modal one (version window, SLOT No. dialog) is run by `runModal`
/// and has returned when the user closed it.
struct ScreenMaker {
    std::function<ScreenBase*()> make;
    std::function<void(QWidget* parent)> runModal;
};

/// The screens one program can show, by name (Screens.cpp fills it; a test
/// may put a stand-in in a screen's place).
class ScreenMakers {
  public:
    void Register(shell::Screen screen, std::function<ScreenBase*()> make);
    void RegisterModal(shell::Screen screen, std::function<void(QWidget* parent)> run);
    /// nullptr when no screen of that name is built into the program.
    const ScreenMaker* Find(shell::Screen screen) const;

  private:
    std::map<shell::Screen, ScreenMaker> m_makers;
};

/// What screens share, owned by the program and lent to the screens that
/// need it: one screen never reaches another.
struct ScreenContext {
    ScreenContext(files::Workspace& ws, ReportDevices& devices)
        : workspace(ws), reports(devices), onlinePage(ws) {}

    /// The session's data, state and hosts, which every screen shows.
    files::Workspace& workspace;
    /// The program's printer and PDF file dialog, for the screens that print.
    ReportDevices& reports;
    /// The category menu opens it, the parameter screen draws it.
    session::OnlinePage onlinePage;
    /// The program editor's command check fills it, the error list shows it.
    program::CommandChecker programCheck;
    /// How the navigation makes the screens, which keep references into
    /// this context.
    ScreenMakers makers;
};

/// Puts every screen of the program into `context.makers` (Screens.cpp lists
/// them); the screens keep references into `context`, which outlives them.
void RegisterAllScreens(ScreenContext& context);

}  // namespace rq50::gui
