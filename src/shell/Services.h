#pragma once

namespace rq50::comm {
class CommEngine;
}

namespace rq50::shell {

class Clock;
class UtilityComponent;
class SettingsStore;
class MessageBoxHost;
class NavigationHost;

/// The outside world as the core sees it. The GUI, the CLI and tests install
/// their implementations here before the core runs; the core never owns them.
struct Services {
    Clock* clock = nullptr;
    UtilityComponent* utility = nullptr;
    SettingsStore* settings = nullptr;
    MessageBoxHost* messages = nullptr;
    NavigationHost* navigation = nullptr;
    /// The engine of the front end's session, for the screens and menus that
    /// start jobs; the jobs themselves get their engine by reference.
    comm::CommEngine* engine = nullptr;
};

/// The process-wide set of services.
Services& Svc();

/// The engine of the front end's session (Svc().engine); std::logic_error
/// when no session runs.
comm::CommEngine& FrontEndEngine();

}  // namespace rq50::shell
