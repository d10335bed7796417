#pragma once

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
};

/// The process-wide set of services.
Services& Svc();

}  // namespace rq50::shell
