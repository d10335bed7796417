// Request/response exchanges of the communication engine against the
// simulated instrument on the virtual clock, at 1200 and 9600 bit/s.
//
// Printed per speed:
//   measured   virtual time from one request's build tick to the next's
//   physical   request and answer on the wire (10 bits a byte) plus the
//              instrument's latency: what the line itself needs
//   design     the same exchange when every tick does exactly one engine
//              action and no tick that could act is idle (derivation below)
//   ratios     measured / physical and measured / design
//   cpu        CPU time spent inside the engine tick per exchange
//
// Design bound. Ticks come every T = 50 ms. An exchange starting with its
// build tick at time B runs:
//   B          build the request
//   X = B + T  transmit: the last request byte reaches the instrument at
//              X + r*w (r request bytes, w = 10 bits / speed a byte), the
//              answer starts after the latency L, its 8-byte header is
//              complete at Xh = X + r*w + L + 8*w and all a bytes at
//              Xa = X + r*w + L + a*w
//   H          the first tick at or after max(X + T, Xh) reads the header
//              (the first wait tick is X + T)
//   D          the first tick at or after max(H + T, Xa) reads the body (the
//              body is taken on a later tick than the header)
//   D + T      parse
//   D + 2T     the next build tick, so the exchange lasts D + 2T - B.
// Any idle tick beyond these (a tick lost between the steps) shows as a
// ratio above 1.00 to this bound.

#include <time.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "shell/Clock.h"
#include "shell/Services.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"

namespace {

using namespace rq50;

/// Reads the head of the first DISPLAY group `count` times and notes the
/// virtual time of the first read's build tick and of the finishing tick.
struct ExchangeJob {
    comm::EngineCore& e;
    int count = 100;
    std::int64_t firstBuildMs = 0;
    std::int64_t endMs = 0;
    std::size_t requestBytes = 0;
    std::size_t answerBytes = 0;
    bool failed = false;
    int done = 0;

    void Build(comm::SerialPort& port) {
        const int step = e.AdvanceStep();
        const std::int64_t now = e.NowMs();
        if (step == 0) {
            e.BeginJob(port);
        } else if (step == 1) {
            if (done == 0) firstBuildMs = now;
            e.ReqItem(26, 0, 0);
            requestBytes = e.SendBuffer.size();
        } else if (step == comm::kStepFinish) {
            endMs = now;
            e.EndJobClosePort(port, false);
        }
    }

    /// Every answer sends the job back to step 1 until `count` are done, as
    /// an upload walks its items.
    void Parse() {
        if (e.CommStep == comm::kStepFinish) return;
        answerBytes = e.RecvBuffer.size();
        if (!e.CheckRespStatus()) {
            failed = true;
            return;
        }
        e.CommStep = ++done < count ? 1 : comm::kStepFinish;
    }
};

double ThreadCpuMs() {
    timespec ts{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &ts);
    return ts.tv_sec * 1e3 + ts.tv_nsec / 1e6;
}

/// The first tick at or after `t`.
double NextTick(double t) {
    return std::ceil(t / comm::kTickMs - 1e-9) * comm::kTickMs;
}

double DesignBoundMs(double r, double a, double latency, int speed) {
    const double T = comm::kTickMs;
    const double w = 10.0 * 1000.0 / speed;
    const double build = 0;
    const double x = build + T;
    const double headerReady = x + r * w + latency + 8 * w;
    const double answerReady = x + r * w + latency + a * w;
    const double h = NextTick(std::max(x + T, headerReady));
    const double d = NextTick(std::max(h + T, answerReady));
    return d + 2 * T - build;
}

int Run(int speed, int count) {
    shell::VirtualClock clock;
    comm::CommEngine engine;
    engine.SetClock(&clock);

    auto instrument = std::make_unique<sim::Instrument>(
        sim::Instrument::FromFile(std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/RQB2.json"));
    instrument->Faults().startSpeed = speed;
    instrument->PowerCycle();
    sim::SimulatedLine line(clock, instrument.get());
    engine.AttachPort(&line);

    ExchangeJob job{comm::CoreOf(engine)};
    job.count = count;
    rq50::comm::CoreOf(engine).RegisterCommJob(
        comm::kJobUpload, {[&](comm::SerialPort& p) { job.Build(p); }, [&] { job.Parse(); }});
    engine.SetSpeed(speed);
    if (!engine.StartCommJob({comm::kJobUpload})) return 1;

    double cpuMs = 0;
    while (engine.Busy()) {
        const double before = ThreadCpuMs();
        engine.Timer1();
        cpuMs += ThreadCpuMs() - before;
        if (!engine.Busy()) break;
        clock.Wait(engine.TickIntervalMs());
    }

    if (job.failed || engine.LastOutcome().code != comm::kErrNone || instrument->Speed() != speed ||
        line.SentFrames().size() != static_cast<std::size_t>(count)) {
        std::printf("%5d bit/s: the run failed (result %d, %zu frames sent)\n", speed,
                    comm::ErrorNumber(engine.LastOutcome().code), line.SentFrames().size());
        return 1;
    }

    const double measured = double(job.endMs - job.firstBuildMs) / count;
    const double r = job.requestBytes, a = job.answerBytes, latency = instrument->LatencyMs();
    const double physical = (r + a) * 10.0 * 1000.0 / speed + latency;
    const double design = DesignBoundMs(r, a, latency, speed);
    std::printf("%5d bit/s  %3d exchanges  request %2.0f B  answer %2.0f B  latency %3.0f ms\n",
                speed, count, r, a, latency);
    std::printf("    virtual time per exchange   %8.2f ms\n", measured);
    std::printf("    physical bound              %8.2f ms   ratio %.2f\n", physical,
                measured / physical);
    std::printf("    design bound                %8.2f ms   ratio %.2f\n", design,
                measured / design);
    std::printf("    engine CPU per exchange     %8.2f us\n", cpuMs * 1000.0 / count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    const int count = argc > 1 ? std::max(1, std::atoi(argv[1])) : 100;
    int failures = 0;
    for (int speed : {1200, 9600}) failures += Run(speed, count);
    return failures == 0 ? 0 : 1;
}
