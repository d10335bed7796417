#pragma once

// The way out of the program as the windows present it: File/Exit of every
// screen and the main window's close box. ExitProgram (shell/Menus.h) holds
// the questions; this decides when the program ends and ends it through the
// navigation.

#include "session/Vocabulary.h"
#include "shell/NavigationHost.h"

namespace rq50::session {

struct Workspace;

class Quit {
  public:
    explicit Quit(Workspace& ws) : m_ws(ws) {}

    /// File/Exit on screen `from`: the program ends when the exit comes to
    /// Quit; a save before quitting asks the quit question itself.
    void Exit(Screen from);
    /// The main window's close box: true when the window may close now.
    /// Refused while a job runs and when the active screen (`active`) has no
    /// enabled File/Exit (`activeExitEnabled` false); otherwise as Exit.
    bool MayClose(bool activeExitEnabled, Screen active);

  private:
    Workspace& m_ws;
};

}  // namespace rq50::session
