// The online work on the parameter screen on the virtual clock: opening an
// item for editing (job 17), writing it with its read-back (job 18) and one
// reading of the measured items (job 14), against RQB2 connected directly,
// at 1200 and 9600 bit/s in classic and fast pacing. Each action runs once on
// the line the page keeps open and once on a line closed before it, which the
// job opens and lets settle: the difference is what keeping the line open
// saves.

#include "bench/Transfer.h"
#include "parameter/PageModel.h"
#include "shell/TextTrim.h"

#include <functional>

namespace {

using namespace rq50;
using parameter::PageCategory;
using parameter::PageModel;

/// The SET page's row of SCALE LO, a numeric item, and the value written to it.
constexpr int kNumericRow = 2;
constexpr const char* kWrittenValue = "20";

/// One action as measured: its virtual time and the requests it sent.
struct Measured {
    bool ok = false;
    bool lineWasOpen = false;
    double seconds = 0;
    int requests = 0;
};

/// The parameter screen open on one category of RQB2: the engine with every
/// job, the simulated line and the page model the online jobs fill.
class OnlineScreen {
  public:
    OnlineScreen(int speed, bool fast, PageCategory category)
        : m_instrument(sim::Instrument::FromFile(bench::AtSpeed("RQB2.json", speed))),
          m_line(m_clock, &m_instrument) {
        comm::CommPacing pacing;
        pacing.fast = fast;
        bench::WireEngine(m_engine, m_ws, m_clock, m_messages, m_host, m_line, speed, pacing);
        m_page = std::make_unique<PageModel>(category, m_ws.hosts);
        m_engine.AttachPageModel(m_page.get());
        // The category menu: connect, then the category's first page; the
        // port stays open for the jobs on the page.
        m_opened = Run(comm::kJobConnect) && Run(comm::CategoryJob(static_cast<int>(category)));
    }

    bool Opened() const { return m_opened && m_line.IsOpen(); }
    PageModel& Page() { return *m_page; }
    void CloseLine() { m_engine.CloseLine(); }

    parameter::JobStarter Start() {
        return [this](comm::Job job, const std::string& title) {
            return m_engine.StartCommJob({job, title});
        };
    }

    /// Runs what `act` starts through the page model to its end.
    Measured Time(const std::function<bool(const parameter::JobStarter&)>& act) {
        Measured m;
        m.lineWasOpen = m_line.IsOpen();
        const auto start = m_clock.NowMs();
        if (!act(Start())) return m;
        m.ok = m_engine.RunCommJob() && m_engine.LastOutcome().code == comm::kErrNone;
        m.seconds = static_cast<double>(m_clock.NowMs() - start) / 1000.0;
        m.requests = m_engine.RequestsSent();
        return m;
    }

  private:
    bool Run(comm::Job job) {
        return m_engine.StartCommJob({job, "Online"}) && m_engine.RunCommJob() &&
               m_engine.LastOutcome().code == comm::kErrNone;
    }

    shell::VirtualClock m_clock;
    sim::Instrument m_instrument;
    sim::SimulatedLine m_line;
    bench::SilentMessages m_messages;
    comm::CommHost m_host;
    files::Workspace m_ws;
    comm::CommEngine m_engine;
    std::unique_ptr<PageModel> m_page;
    bool m_opened = false;
};

/// The three actions at one speed and pacing, on an open or a closed line.
struct Actions {
    Measured open;
    Measured write;
    Measured reading;
};

Actions Measure(int speed, bool fast, bool lineOpen) {
    Actions a;
    {
        OnlineScreen set(speed, fast, PageCategory::Set);
        if (!set.Opened()) return a;
        if (!lineOpen) set.CloseLine();
        a.open =
            set.Time([&](const auto& start) { return set.Page().OpenItem(kNumericRow, start); });
        a.open.ok = a.open.ok && set.Page().Controls().entryEnabled;
        // The item stays open for the write. A job that had to open the line
        // closes it again at its end; CloseLine makes sure of that.
        if (!lineOpen) set.CloseLine();
        a.write =
            set.Time([&](const auto& start) { return set.Page().Write(kWrittenValue, 0, start); });
        // The answer to the write is the item as the instrument now holds it.
        a.write.ok = a.write.ok && set.Page().WriteNote().empty() &&
                     shell::Trim(set.Page().Cell(kNumericRow, parameter::kColData)) == "20.00";
    }
    OnlineScreen display(speed, fast, PageCategory::Display);
    if (!display.Opened()) return a;
    if (!lineOpen) display.CloseLine();
    a.reading = display.Time([&](const auto& start) { return display.Page().TimerTick(start); });
    return a;
}

void PrintRow(const char* action, int speed, bool fast, const Measured& open,
              const Measured& closed) {
    // An open-line run must have found the port open and a closed-line run
    // must have found it closed; both must send the same requests.
    const bool sound = open.ok && closed.ok && open.lineWasOpen && !closed.lineWasOpen &&
                       open.requests == closed.requests;
    std::printf("%-11s %6d %-8s %8d %11.2f %13.2f %8.2f%s\n", action, speed,
                fast ? "fast" : "classic", open.requests, open.seconds, closed.seconds,
                closed.seconds - open.seconds, sound ? "" : "  FAIL");
}

}  // namespace

int main() {
    std::printf("Online actions on the parameter screen, RQB2 connected directly, virtual clock\n");
    std::printf("%-11s %6s %-8s %8s %11s %13s %8s\n", "action", "bit/s", "pacing", "requests",
                "line open s", "line closed s", "saved s");
    Actions goal;  // 9600 bit/s, fast pacing, line open
    for (const int speed : {1200, 9600}) {
        for (const bool fast : {false, true}) {
            const Actions open = Measure(speed, fast, true);
            const Actions closed = Measure(speed, fast, false);
            PrintRow("item open", speed, fast, open.open, closed.open);
            PrintRow("write", speed, fast, open.write, closed.write);
            PrintRow("reading", speed, fast, open.reading, closed.reading);
            if (speed == 9600 && fast) goal = open;
        }
    }
    const Measured& itemOpen = goal.open;
    const Measured& write = goal.write;
    const bool met = itemOpen.ok && write.ok && itemOpen.seconds < 0.3 && write.seconds < 0.5;
    std::printf(
        "\nGoal: fast pacing at 9600 bit/s, line open: item open under 0.3 s, write under 0.5 s "
        "-- %s (item open %.2f s, write %.2f s)\n",
        met ? "met" : "NOT met", itemOpen.seconds, write.seconds);
    return 0;
}
