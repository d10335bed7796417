#pragma once

#include <functional>
#include <string>

#include "comm/Engine.h"
#include "shell/NavigationHost.h"

namespace rq50::shell {
struct Workspace;
}  // namespace rq50::shell

namespace rq50::comm {

/// How control returns to the screens when a job ends.
enum class HandBackKind {
    None,         ///< nothing happens
    Event,        ///< DisplayMatrix(ws, code, follow)
    Display,      ///< ShowDisplay(ws, code)
    MenuCommand,  ///< MenuCommand(code)
    Enable,       ///< the screen is enabled again
    Unload,       ///< the screen is closed
};

struct HandBackAction {
    HandBackKind kind = HandBackKind::None;
    int code = 0;
    int follow = 0;
    shell::Screen screen = shell::Screen::TopMenu;

    bool operator==(const HandBackAction&) const = default;
};

/// The hand-back of a job started by `caller` (CommCaller) as `job` that ended
/// with `result` (CommResult).
HandBackAction HandBackFor(CommCallers caller, int job, int result, const HandBackFacts& facts);

/// Carries out `action` through the navigation routines; a MenuCommand goes
/// to `menuCommand` (the main window's shared menu handler).
void RunHandBack(shell::Workspace& ws, const HandBackAction& action,
                 const std::function<void(int code)>& menuCommand);

/// Menu command that opens the baud-rate dialog after job 20.
constexpr int kMenuBaudRateDialog = 101;
/// Menu command after job 23 when a rack interface answered.
constexpr int kMenuAfterSlotJob = 181;

}  // namespace rq50::comm
