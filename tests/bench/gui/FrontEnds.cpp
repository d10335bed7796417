// A parameter and a program upload from one simulated instrument through the
// two front ends at one speed and pacing, and on the virtual clock (the
// engine's design time). First on the simulated line inside the process: the
// desktop program offscreen on the real clock with its demo line, against the
// command line's loop (the engine ticked and the real clock waited, as
// rq50-cli runs a job). Then through tavro-sim on a pseudo-terminal: the
// desktop program on its serial port against the rq50-cli binary. Prints the
// seconds of each and the ratios.
#include <QApplication>
#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <map>
#include <string>
#include <utility>

#include "GuiTestSupport.h"
#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Clock.h"
#include "sim/Instrument.h"
#include "sim/SampleInstruments.h"
#include "sim/SimulatedLine.h"
#include "support/SimProcess.h"

namespace {

using namespace rq50;

/// The job on an engine of its own over the simulated instrument; seconds
/// on `clock`.
double EngineRun(shell::Clock& clock, comm::Job job, const comm::CommPacing& pacing,
                 const std::string& file) {
    auto instrument = sim::Instrument::FromFile(file);
    sim::SimulatedLine line(clock, &instrument);
    files::Workspace workspace;
    comm::CommEngine engine;
    engine.SetClock(&clock);
    engine.SetWorkspace(workspace);
    engine.SetCommPacing(pacing);
    engine.AttachPort(&line);
    comm::jobs::UseConfigurationFiles(engine);
    comm::jobs::RegisterAllJobs(engine);
    const std::int64_t start = clock.NowMs();
    if (!engine.StartCommJob({job, "bench"}) || !engine.RunCommJob()) return -1;
    if (engine.LastOutcome().code != comm::kErrNone) return -1;
    return static_cast<double>(clock.NowMs() - start) / 1000.0;
}

/// The same job started from the desktop program's top menu, as a screen
/// starts it: the "Now Communicating" dialog up, Timer1 ticking the engine.
double GuiRun(guitest::Program& program, comm::Job job, const comm::CommPacing& pacing) {
    comm::CommEngine& engine = program.Engine();
    files::Workspace& ws = program.Ws();
    engine.SetCommPacing(pacing);
    QElapsedTimer timer;
    timer.start();
    if (!session::StartScreenJob(engine, {job, "bench"}, session::kCallerNone,
                                 shell::Screen::TopMenu, false))
        return -1;
    if (!guitest::WaitFor([&] { return !engine.Busy(); }, 10 * 60 * 1000)) return -1;
    const double seconds = static_cast<double>(timer.elapsed()) / 1000.0;
    if (ws.hosts.navigation) ws.hosts.navigation->EnableScreen(shell::Screen::TopMenu);
    return engine.LastOutcome().code == comm::kErrNone ? seconds : -1;
}

/// rq50-cli running the job against `port`; wall seconds, or -1.
double CliProcessRun(comm::Job job, bool fast, const std::string& port, const QString& folder) {
    QStringList args = {QStringLiteral("--quiet"), QStringLiteral("--port"),
                        QString::fromStdString(port)};
    if (fast) args << QStringLiteral("--fast");
    if (job == comm::kJobUpload)
        args << QStringLiteral("upload") << QStringLiteral("--force") << QStringLiteral("-o")
             << folder + "/bench.7pa";  // the file of the run before is replaced
    else
        args << QStringLiteral("program-upload") << QStringLiteral("-o") << folder + "/bench.7pr";
    QProcess cli;
    QElapsedTimer timer;
    timer.start();
    cli.start(QStringLiteral(RQ50_BIN_DIR "/rq50-cli"), args);
    if (!cli.waitForFinished(10 * 60 * 1000) || cli.exitCode() != 0) return -1;
    return static_cast<double>(timer.elapsed()) / 1000.0;
}

void PrintHeading(const char* title) {
    std::printf("%s\n%-16s %-8s %9s %9s %9s %9s %9s\n", title, "job", "pacing", "design", "cli",
                "gui", "gui/cli", "gui/dsgn");
}

void PrintRow(const char* job, bool fast, double design, double cli, double gui) {
    std::printf("%-16s %-8s %9.2f %9.2f %9.2f %9.3f %9.3f\n", job, fast ? "fast" : "classic",
                design, cli, gui, gui / cli, gui / design);
    std::fflush(stdout);
}

constexpr std::pair<comm::Job, const char*> kJobs[] = {{comm::kJobUpload, "parameter upload"},
                                                       {comm::kJobProgramUpload, "program upload"}};

}  // namespace

int main(int argc, char** argv) {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::string name = argc > 1 ? argv[1] : "RQK2.json";
    const std::string file = sim::SampleInstrumentFile(name);

    guitest::Program program;
    program.options.clock = nullptr;  // the program's own real clock
    program.options.demoInstrument = file;
    if (program.Start() != 0) {
        std::fprintf(stderr, "the program did not start\n");
        return 1;
    }
    std::printf("%s at %d bit/s: seconds per job\n", name.c_str(), program.Engine().Speed());
    PrintHeading("on the simulated line in the process");
    std::map<std::pair<comm::Job, bool>, double> designs;
    for (const auto& [job, jobName] : kJobs) {
        for (const bool fast : {false, true}) {
            const comm::CommPacing pacing{fast, comm::kDefaultGapMs};
            shell::VirtualClock virtualClock;
            shell::SteadyClock steadyClock;
            const double design = EngineRun(virtualClock, job, pacing, file);
            designs[{job, fast}] = design;
            const double cli = EngineRun(steadyClock, job, pacing, file);
            PrintRow(jobName, fast, design, cli, GuiRun(program, job, pacing));
        }
    }
    program.Close();

    // The same jobs through tavro-sim: the desktop program on the serial port.
    test::SimProcess sim(file);
    if (sim.Path().empty()) {
        std::fprintf(stderr, "tavro-sim did not start\n");
        return 1;
    }
    guitest::Program onPort;
    onPort.options.clock = nullptr;
    onPort.options.demo = false;
    onPort.options.port = sim.Path();
    if (onPort.Start() != 0) {
        std::fprintf(stderr, "the program did not start on %s\n", sim.Path().c_str());
        return 1;
    }
    QTemporaryDir folder;
    PrintHeading("through tavro-sim on a pseudo-terminal (cli: the rq50-cli binary)");
    for (const auto& [job, jobName] : kJobs) {
        for (const bool fast : {false, true}) {
            const double cli = CliProcessRun(job, fast, sim.Path(), folder.path());
            const double gui = GuiRun(onPort, job, {fast, comm::kDefaultGapMs});
            PrintRow(jobName, fast, designs[{job, fast}], cli, gui);
        }
    }
    onPort.Close();
    return 0;
}
