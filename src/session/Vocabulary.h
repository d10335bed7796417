#pragma once

// The words of the layers below that the session's presenters speak without
// a prefix: the workspace, the screens and their events, the session's state
// and its hosts.

#include "shell/MessageBoxHost.h"
#include "shell/NavigationEvents.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files
namespace rq50::shell {
class Clock;
class SettingsStore;
class UtilityComponent;
}  // namespace rq50::shell

namespace rq50::session {

using files::Workspace;
using shell::Clock;
using shell::EventCode;
using shell::MessageBoxHost;
using shell::MsgIcon;
using shell::MenuCommandCode;
using shell::NavEvent;
using shell::NavigationHost;
using shell::Screen;
using shell::Services;
using shell::SessionState;
using shell::SettingsStore;
using shell::UtilityComponent;

}  // namespace rq50::session
