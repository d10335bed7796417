#pragma once

#include <functional>

#include "shell/NavigationEvents.h"

namespace rq50::comm {
class CommEngine;
}
namespace rq50::plant {
class Recorder;
}

namespace rq50::shell {

class Clock;
class UtilityComponent;
class SettingsStore;
class MessageBoxHost;
class NavigationHost;

/// The outside world as the core sees it: what the GUI, the CLI or a test
/// lends a session. The session keeps them in its workspace and never owns
/// them.
struct Services {
    Clock* clock = nullptr;
    UtilityComponent* utility = nullptr;
    SettingsStore* settings = nullptr;
    MessageBoxHost* messages = nullptr;
    NavigationHost* navigation = nullptr;
    /// The engine of the session, for the screens and menus that start jobs.
    comm::CommEngine* engine = nullptr;
    /// Where transfers are recorded (the plant register); none: not recorded.
    plant::Recorder* recorder = nullptr;
    /// The main window's menu handler, for the hand-backs that run a menu
    /// command; none where there is no main window.
    std::function<void(MenuCommandCode code)> menuCommand;
};

}  // namespace rq50::shell
