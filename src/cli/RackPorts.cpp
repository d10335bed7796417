// rq50-cli rack with several --port: one rack run on each line at the same
// time, each in a core session of its own, on one thread. The runs share the
// clock: while one run waits (the settling after each opening) the others
// take their ticks, as in the desktop program's nested event loop.
#include "cli/RackPorts.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <memory>
#include <set>

#include "cli/Cli.h"
#include "cli/InstrumentSession.h"
#include "files/Workspace.h"
#include "session/CoreSession.h"
#include "shell/Clock.h"
#include "shell/PlatformFile.h"

namespace rq50::cli {

namespace {

/// Real time whose waits give the other runs their ticks; an engine takes
/// no tick inside its own, so the run that waits is left alone.
class SharedClock : public shell::Clock {
  public:
    std::function<void()> tickOthers;
    std::int64_t NowMs() const override { return m_steady.NowMs(); }
    void Wait(std::int32_t ms) override {
        const auto end = NowMs() + ms;
        while (NowMs() < end) {
            if (tickOthers) tickOthers();
            m_steady.Wait(1);
        }
    }

  private:
    shell::SteadyClock m_steady;
};

/// One port's rack run and the session it owns.
struct PortRun {
    std::string port;
    session::CoreSession* core = nullptr;
    std::unique_ptr<session::CoreSession> own;
    std::unique_ptr<Session> session;
    session::RackOptions options;
    std::shared_ptr<session::RackRun> run;
    std::vector<session::SlotOutcome> outcome;
    bool direct = false;
    std::int64_t nextTick = 0;

    bool Busy() const { return run && run->Running() && core->Engine().Busy(); }
};

}  // namespace

std::string RackFolderOfPort(const std::string& folder, const std::string& port) {
    std::string name = port;
    if (name.rfind("/dev/", 0) == 0) name = name.substr(5);
    if (const auto mark = name.find("://"); mark != std::string::npos)
        name = name.substr(0, mark) + "_" + name.substr(mark + 3);
    for (char& c : name) {
        const auto u = static_cast<unsigned char>(c);
        if (!std::isalnum(u) && c != '.' && c != '-') c = '_';
    }
    const auto path = shell::platform::PathFromUtf8(folder) / shell::platform::PathFromUtf8(name);
    return shell::platform::Utf8FromPath(path);
}

ExitCode RunRackOnPorts(session::CoreSession& core, const RackCliOptions& o, session::RackOptions base) {
    const auto& ports = Link().ports;
    if (std::set<std::string>(ports.begin(), ports.end()).size() != ports.size()) {
        Note("rack: each --port once; a rack is reached through one port");
        return ExitCode::Usage;
    }
    if (Link().log) {
        Note("rack on several ports: --log writes one line's frames; give one --port with it");
        return ExitCode::Usage;
    }

    SharedClock clock;
    session::FrontEnd front;
    front.clock = &clock;
    front.utility = core.Data().hosts.utility;
    front.settings = core.Data().hosts.settings;
    front.messages = core.Data().hosts.messages;
    front.recorder = core.Data().hosts.recorder;
    shell::Clock* savedClock = core.Data().hosts.clock;
    core.UseClock(&clock);

    std::vector<std::unique_ptr<PortRun>> runs;
    bool attached = true;
    for (const std::string& port : ports) {
        auto r = std::make_unique<PortRun>();
        r->port = port;
        if (runs.empty()) {
            r->core = &core;
        } else {
            r->own = std::make_unique<session::CoreSession>(front);
            if (r->own->Start() != session::StartupResult::Running) {
                attached = false;
                break;
            }
            r->core = r->own.get();
            // The download password given for the command holds for every rack.
            r->core->Data().state.downloadAllowed = core.Data().state.downloadAllowed;
        }
        r->session = std::make_unique<Session>(*r->core, port);
        r->session->explain = [port](const std::string& text) { return port + ": " + text; };
        if (!r->session->Attach()) {
            attached = false;
            break;
        }
        session::RackOptions& options = r->options;
        options = base;
        if (!base.folder.empty()) options.folder = RackFolderOfPort(base.folder, port);
        options.onSlot = nullptr;
        if (!Link().json)
            options.onSlot = [port](const session::SlotOutcome& s) { PrintRackSlot(s, port); };
        if (base.confirm) {
            options.confirm = [port, yes = o.yes](const session::SlotOutcome& slot,
                                                  const session::DownloadPreview& p) {
                if (!Link().json)
                    std::cout << port << "  slot " << slot.slot << ": backup: " << p.backup << "\n";
                return ConfirmDownloadPreview(p, yes);
            };
        }
        options.onEnd = [raw = r.get()](const std::vector<session::SlotOutcome>& slots, bool d) {
            raw->outcome = slots;
            raw->direct = d;
        };
        runs.push_back(std::move(r));
    }

    // Every session is attached before any run begins.
    if (attached) {
        for (auto& r : runs) r->run = session::RackRun::Start(r->core->Data(), r->options);
    }

    const auto tickDue = [&runs, &clock] {
        const auto now = clock.NowMs();
        for (auto& r : runs) {
            if (!r->Busy() || now < r->nextTick) continue;
            r->nextTick = now + r->core->Engine().TickIntervalMs();
            r->core->Engine().Timer1();
        }
    };
    clock.tickOthers = tickDue;
    const auto anyBusy = [&runs] {
        return std::any_of(runs.begin(), runs.end(), [](const auto& r) { return r->Busy(); });
    };
    bool terminated = false;
    while (attached && anyBusy()) {
        if (!terminated && Stopped()) {
            for (auto& r : runs) {
                if (r->Busy()) r->core->Engine().Terminate();
            }
            terminated = true;
        }
        tickDue();
        shell::SteadyClock().Wait(1);
    }
    clock.tickOthers = nullptr;
    for (auto& r : runs) {
        if (r->run && r->run->Running()) r->run->Stop();
    }

    bool failed = !attached;
    std::string combined;
    ordered_json racks = ordered_json::array();
    ordered_json slots = ordered_json::array();
    for (const auto& r : runs) {
        const std::string summary =
            r->direct ? "no rack interface: " + (r->outcome.empty() ? "" : r->outcome[0].model) +
                            " is connected directly"
                      : session::RackSummary(r->outcome);
        failed = failed || !r->run || RackRunFailed(r->outcome);
        combined += (combined.empty() ? "" : "; ") + r->port + ": " + summary;
        racks.push_back({{"port", r->port}, {"direct", r->direct}, {"summary", summary}});
        for (const auto& s : r->outcome) slots.push_back(RackSlotJson(s, r->port));
    }
    if (Link().json) {
        PrintJson({{"racks", racks}, {"slots", slots}, {"summary", combined}});
    } else {
        for (const auto& r : racks)
            std::cout << r["port"].get<std::string>() << ": " << r["summary"].get<std::string>()
                      << (Stopped() ? " (stopped)" : "") << "\n";
    }
    // The sessions let go of their lines before the shared clock goes.
    runs.clear();
    core.UseClock(savedClock);
    if (Stopped()) return StoppedExit();
    return failed ? ExitCode::SystemError : ExitCode::Ok;
}

}  // namespace rq50::cli
