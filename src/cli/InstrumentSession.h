#pragma once

// What the rq50-cli commands that talk to an instrument share: the link
// options, the stop signals, and the session of one run against an
// instrument (line, clock, log and communication host).
//
// With --port the commands use a serial device (a COMn name of the settings
// or any device path). Without it they run against the built-in simulated
// instrument (the sample RQB2.json unless --sim names another file) on
// virtual time, so every command can be tried without hardware.

#include "cli/CliHosts.h"
#include "cli/ExitCode.h"
#include "cli/LinkOptions.h"
#include "comm/Engine.h"
#include "shell/Clock.h"

#include <signal.h>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rq50::sim {
class Instrument;
}  // namespace rq50::sim

namespace rq50::session {
class CoreSession;
}  // namespace rq50::session

namespace rq50::cli {

/// Bound of one job of a command: an hour.
inline constexpr std::int64_t kJobLimitMs = 60 * 60 * 1000;

/// The link options of the run in progress: its CliContext's (LinkScope);
/// outside a run, a set of this thread's own.
LinkOptions& Link();

/// While it lives, Link() is `options`: a run's own, so that two runs in
/// one process share none.
class LinkScope {
  public:
    explicit LinkScope(LinkOptions& options);
    ~LinkScope();
    LinkScope(const LinkScope&) = delete;
    LinkScope& operator=(const LinkScope&) = delete;

  private:
    LinkOptions* m_saved;
};

/// Every run of the command line starts from the default link options and
/// no stop signal, also when one process runs several (the in-process tests).
void ResetLink();

/// A stop signal came. Given to the engine's job run, it presses
/// "Terminate", which lets the request on the line be answered (or time out)
/// and ends the job before the next one, in either pacing.
bool Stopped();

/// The exit code after a stop signal: 128 and the signal's number.
ExitCode StoppedExit();

/// ExitCode::Ok when `ok`, else ExitCode::SystemError.
ExitCode ExitOf(bool ok);

/// While a command talks to an instrument, Ctrl-C and SIGTERM press
/// "Terminate": the job ends between two exchanges and closes the port, and
/// the command says what was done. A further signal does not cut that short.
class StopSignals {
  public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

  private:
    struct sigaction m_savedInt {};
    struct sigaction m_savedTerm {};
};

/// Progress on stderr, the SLOT No. dialog answered by --slot.
class CliCommHost : public comm::CommHost {
  public:
    explicit CliCommHost(comm::CommEngine& engine) : m_engine(engine) {}
    std::optional<int> slotAnswer;
    bool slotAsked = false;
    void ShowProgress(int value) override;
    void CloseCommDialog() override;
    std::optional<int> AskSlot() override;

  private:
    comm::CommEngine& m_engine;
};

/// Puts back what earlier runs wrote to the built-in simulated instrument
/// (kept in User/SIMULATOR of the user data folder); with `reset`, forgets it.
void RestoreBuiltInInstrument(sim::Instrument& instrument, bool reset);
/// Keeps what the built-in simulated instrument holds for the next run.
void SaveBuiltInInstrument(const sim::Instrument& instrument);

/// One run against an instrument: the core session of the run lends it the
/// command's communication host, port and clock.
class Session {
  public:
    /// `port`: the device or URL of this run; empty takes --port.
    explicit Session(session::CoreSession& core, std::string port = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    /// Opens the line; false (with the reason on stderr) when it cannot be.
    bool Attach();

    /// Runs a job to its end. The screens ask "Starts communication. Press OK
    /// button if ready." first; on the command line the command itself is
    /// that answer, so nothing is asked.
    /// `keepLineOpen`: the line stays open for the job that follows
    /// (JobRequest::keepLineOpen). `recordAs`: how the plant register
    /// records the job (JobRequest::recordAs).
    bool RunJob(comm::Job job, const std::string& title, bool keepLineOpen = false,
                const std::string& recordAs = {});

    /// Runs the engine until no job is left: a flow of the session started
    /// its first job, and each job's end may start the next. False when a
    /// job outlived its bound.
    bool RunUntilIdle();

    CliCommHost& Host() { return m_host; }

    /// Extra words for a message the command line can say more about.
    std::function<std::string(const std::string&)> explain;

  private:
    std::string Explain(const std::string& text);

    session::CoreSession& m_core;
    bool m_portGiven;
    std::string m_portName;
    CliServices m_services;
    CliCommHost m_host;
    shell::VirtualClock m_virtualClock;
    shell::Clock* m_savedClock = nullptr;
    bool m_clockReplaced = false;
    std::unique_ptr<sim::Instrument> m_instrument;
    std::unique_ptr<comm::SerialPort> m_port;
    StopSignals m_signals;
};

}  // namespace rq50::cli
