#include "cli/InstrumentSession.h"

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "comm/CommLog.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "session/CoreSession.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/PlatformFile.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "sim/Instrument.h"
#include "sim/SampleInstruments.h"
#include "sim/SimulatedLine.h"

#ifdef RQ50_HAVE_QT_PORT
#include "platform/LinePort.h"

#include <QCoreApplication>
#endif

#include <unistd.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iomanip>
#include <iostream>

#include <nlohmann/json.hpp>

namespace rq50::cli {

namespace {

using namespace rq50::comm;
constexpr int kExitSignalBase = 128;

/// SIGINT or SIGTERM received; the running job is ended at its next safe point.
volatile std::sig_atomic_t g_stopSignal = 0;

extern "C" void OnStopSignal(int signal) {
    if (g_stopSignal == 0) {
        g_stopSignal = signal;
        return;
    }
    // Ending the process now could leave a write sent and unanswered: the
    // stop already asked for is on its way, and the user is told so.
    static const char kNote[] =
        "\nrq50-cli: stopping after the exchange on the line (at most a few seconds)\n";
    [[maybe_unused]] const auto written = ::write(STDERR_FILENO, kNote, sizeof kNote - 1);
}

#ifdef RQ50_HAVE_QT_PORT
/// The Qt serial port expects the thread's Qt application object; without it
/// every open warns about its socket notifiers.
void EnsureQtApplication() {
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "rq50-cli";
    static char* argv[] = {name, nullptr};
    static QCoreApplication application(argc, argv);
}
#endif

/// The log of a run: --log keeps every frame of the command's jobs in one
/// file (the program folder's User/RQ50.Log unless a file is named), emptied
/// first unless --log-append. Only a new file or a log RQ50 wrote is taken:
/// a mistyped name never empties a parameter file or replaces a device.
bool SetUpLog(session::CoreSession& core) {
    core.Engine().SetLogFileOn(Link().log.has_value());
    if (!core.Engine().LogFileOn()) return true;
    LogTarget target;
    target.path = Link().log->empty() ? std::string() : *Link().log;
    target.keepAcrossJobs = true;
    core.Engine().SetLogTarget(target);
    const std::string path = core.Engine().LogFilePath();
    if (const auto problem = comm::LogTargetProblem(path); !problem.empty()) {
        core.Engine().SetLogFileOn(false);
        Note(problem + "; nothing was done");
        return false;
    }
    const auto file = shell::platform::PathFromUtf8(path);
    std::error_code ec;
    if (!file.parent_path().empty()) std::filesystem::create_directories(file.parent_path(), ec);
    if (!Link().logAppend && std::filesystem::is_regular_file(file, ec))
        std::filesystem::remove(file, ec);
    std::ofstream probe(file, std::ios::app);
    if (!probe) Note("the log " + path + " cannot be written");
    return true;
}

}  // namespace

namespace {
thread_local LinkOptions* t_runLink = nullptr;
}  // namespace

LinkOptions& Link() {
    thread_local LinkOptions outsideRun;
    return t_runLink != nullptr ? *t_runLink : outsideRun;
}

LinkScope::LinkScope(LinkOptions& options) : m_saved(t_runLink) {
    t_runLink = &options;
}

LinkScope::~LinkScope() {
    t_runLink = m_saved;
}

void ResetLink() {
    Link() = LinkOptions{};
    g_stopSignal = 0;
}

bool Stopped() {
    return g_stopSignal != 0;
}

ExitCode StoppedExit() {
    return static_cast<ExitCode>(kExitSignalBase + static_cast<int>(g_stopSignal));
}

ExitCode ExitOf(bool ok) {
    return ok ? ExitCode::Ok : ExitCode::SystemError;
}

// ------------------------------------------------------------ signals

StopSignals::StopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = 0;
    sigaction(SIGINT, &action, &m_savedInt);
    sigaction(SIGTERM, &action, &m_savedTerm);
}

StopSignals::~StopSignals() {
    sigaction(SIGINT, &m_savedInt, nullptr);
    sigaction(SIGTERM, &m_savedTerm, nullptr);
}

// ------------------------------------------------------------ built-in instrument

namespace {

std::filesystem::path BuiltInInstrumentState() {
    return shell::UserDataFolder() / "User" / "SIMULATOR" / "RQB2.json";
}

}  // namespace

void RestoreBuiltInInstrument(sim::Instrument& instrument, bool reset) {
    const auto path = BuiltInInstrumentState();
    std::error_code ec;
    if (reset) {
        std::filesystem::remove(path, ec);
        return;
    }
    std::ifstream in(path);
    if (!in) return;
    const auto held = nlohmann::json::parse(in, nullptr, false);
    if (!held.is_discarded()) instrument.RestoreHeldValues(held);
}

void SaveBuiltInInstrument(const sim::Instrument& instrument) {
    const auto path = BuiltInInstrumentState();
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    // Written beside and renamed, so a run that is cut short leaves the last
    // whole state.
    auto part = path;
    part += ".part";
    {
        std::ofstream out(part, std::ios::binary | std::ios::trunc);
        out << instrument.HeldValues().dump(1) << "\n";
        if (!out) return;
    }
    std::filesystem::rename(part, path, ec);
}

// ------------------------------------------------------------ communication host

void CliCommHost::ShowProgress(int value) {
    if (Link().quiet || !isatty(STDERR_FILENO)) return;
    std::cerr << "\r" << m_engine.JobTitle() << " " << std::setw(3) << value << "%" << std::flush;
    ProgressLineShown();
}

void CliCommHost::CloseCommDialog() {
    EndProgressLine();
}

std::optional<int> CliCommHost::AskSlot() {
    slotAsked = true;
    if (!slotAnswer) {
        std::cerr << "rq50-cli: a rack interface (ZNC) asks for the slot number; pass --slot "
                     "N (1-16)\n";
    }
    return slotAnswer;
}

// ------------------------------------------------------------ session

Session::Session(session::CoreSession& core, std::string port)
    : m_core(core),
      m_portGiven(!port.empty()),
      m_portName(port.empty() ? Link().port : std::move(port)),
      m_services(m_core.Data()),
      m_host(m_core.Engine()) {
    m_host.slotAnswer = Link().slot > 0 ? std::optional<int>(Link().slot) : std::nullopt;
    m_core.UseCommHost(&m_host);
    m_core.Engine().SetSpeed(Link().speed);
    m_core.Data().state.instrumentSpeed = Link().speed;
    m_core.Engine().SetCommPacing({Link().fast, Link().gapMs});
    m_services.Messages().rewrite = [this](const std::string& text) { return Explain(text); };
}

Session::~Session() {
    if (m_port && m_port->IsOpen()) m_port->Close();
    m_core.Engine().AttachPageModel(nullptr);
    m_core.AttachPort(nullptr);
    m_core.UseCommHost(nullptr);
    if (m_clockReplaced) m_core.UseClock(m_savedClock);
    if (m_core.Engine().LogFileOn() && !Link().quiet) Note("log: " + m_core.Engine().LogFilePath());
    m_core.Engine().SetLogTarget({});
    if (m_instrument && Link().sim.empty()) SaveBuiltInInstrument(*m_instrument);
}

bool Session::Attach() {
    if (Link().ports.size() > 1 && !m_portGiven) {
        Note("only rack takes several --port (one rack on each); give one --port");
        return false;
    }
    if (!SetUpLog(m_core)) return false;
    if (!m_portName.empty()) {
#ifdef RQ50_HAVE_QT_PORT
        EnsureQtApplication();
        const std::string& p = m_portName;
        if (p.size() == 4 && p.rfind("COM", 0) == 0 && p[3] >= '1' && p[3] <= '4') {
            m_core.Data().state.comPort = static_cast<std::int16_t>(p[3] - '0');
            m_core.Engine().SetDeviceOverride({});
        } else {
            m_core.Engine().SetDeviceOverride(p);
        }
        m_core.Engine().SetSimulated(false);
        auto line = std::make_unique<platform::LinePort>();
        line->SetConnectTimeoutMs(static_cast<int>(Link().connectTimeoutS * 1000));
        m_port = std::move(line);
        m_core.AttachPort(m_port.get());
        return true;
#else
        std::cerr << "rq50-cli: this build has no serial-port support; leave out --port\n";
        return false;
#endif
    }
    const std::string file =
        Link().sim.empty() ? sim::SampleInstrumentFile("RQB2.json") : Link().sim;
    // A pipe or a device named by mistake would hold the run forever.
    shell::platform::TargetStatus status;
    if (shell::platform::StatusOf(shell::platform::PathFromUtf8(file), status) == 0 &&
        status.exists && !status.regular) {
        std::cerr << "rq50-cli: --sim " << file
                  << " is not a regular file (a folder, device or pipe); name an instrument "
                     "file (.json)\n";
        return false;
    }
    try {
        m_instrument = std::make_unique<sim::Instrument>(sim::Instrument::FromFile(file));
    } catch (const std::exception& e) {
        std::cerr << "rq50-cli: " << e.what() << "\n";
        return false;
    }
    // The built-in instrument keeps what earlier runs wrote to it, as a real
    // one does; an instrument file named by --sim starts as written.
    if (Link().sim.empty()) RestoreBuiltInInstrument(*m_instrument, Link().simReset);
    if (!Link().quiet)
        std::cerr << "rq50-cli: no --port given: simulated instrument " << file << "\n";
    m_savedClock = m_core.Data().hosts.clock;
    m_clockReplaced = true;
    m_core.UseClock(&m_virtualClock);
    m_core.Engine().SetSimulated(true);
    m_port = std::make_unique<sim::SimulatedLine>(m_virtualClock, m_instrument.get());
    m_core.AttachPort(m_port.get());
    return true;
}

bool Session::RunJob(comm::Job job, const std::string& title, bool keepLineOpen,
                     const std::string& recordAs) {
    comm::JobRequest request{job, title};
    request.keepLineOpen = keepLineOpen;
    request.recordAs = recordAs;
    if (!m_core.Engine().StartCommJob(request)) return false;
    m_core.Engine().RunCommJob(kJobLimitMs, Stopped);
    return m_core.Engine().LastOutcome().code == comm::kErrNone;
}

bool Session::RunUntilIdle() {
    while (m_core.Engine().Busy()) {
        if (!m_core.Engine().RunCommJob(kJobLimitMs, Stopped)) return false;
    }
    return true;
}

std::string Session::Explain(const std::string& text) {
    if (explain) {
        std::string more = explain(text);
        if (!more.empty()) return more;
    }
    // The answer of a rack interface whose selected slot holds nothing.
    if (text == shell::Catalogue(kTextAddressError) && m_host.slotAsked &&
        m_core.Engine().OutcomeSoFar().addressErrorAtZero) {
        return text + "\nrq50-cli: slot " + std::to_string(m_core.Engine().SlotNumber()) +
               " of the rack interface (ZNC) holds no instrument";
    }
    return text;
}

}  // namespace rq50::cli
