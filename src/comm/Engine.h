#pragma once

// The communication engine as its users see it: the job codes and error
// codes, what a job is asked to do (JobRequest) and what it hands back
// (JobOutcome), and the engine of one session. How the engine works inside,
// its state, the frames and the jobs' steps, stays in src/comm.

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/CommErrors.h"
#include "comm/Frame.h"
#include "comm/jobs/JobResults.h"
#include "shell/JobCodes.h"

namespace rq50::parameter {
class PageModel;
}  // namespace rq50::parameter
namespace rq50::shell {
class Clock;
}  // namespace rq50::shell
namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::comm {

class SerialPort;
class EngineCore;

// ---- Codes ------------------------------------------------------------------

/// A job's end in words for records and summaries ("the instrument did not
/// answer (error 2)"): the code stays for whoever looks it up.
std::string CommErrorText(CommErrorCode code);

/// True for the jobs whose frames the parameter screen's monitor shows.
bool IsMonitoredJob(Job job);

/// Jobs that change what an instrument holds (its parameters, its program,
/// an item): the download password closes them. The slot and baud-rate jobs
/// are not among them.
bool ChangesInstrument(Job job);

/// Facts about a job's end that decide what follows it; the jobs keep them
/// current.
struct HandBackFacts {
    int programItemCount = 0;   ///< job 15: PROGRAM steps + CONST items uploaded
    bool rackAnswered = false;  ///< job 23: a rack interface answered
    int category = 0;           ///< parameter screen category: 0 DISPLAY .. 3 MAINT
    /// Job 16: the area the instrument refused (kErrProgramRefused,
    /// kErrConstRefused; kErrNone: neither), or the error that ended the
    /// download.
    CommErrorCode refusedArea = CommErrorCode::None;
    /// Job 2: the items whose read-back differs from what was sent.
    int downloadDifferences = 0;
};

/// The instrument the last job reached, for the status bar: its model and,
/// behind a rack interface, its slot. Cleared when a job starts.
struct InstrumentFacts {
    std::string model;     ///< trimmed model text; empty until the model answered
    bool viaRack = false;  ///< a rack interface answered the first request
    int slot = 0;          ///< the slot written to the rack interface
};

constexpr int kTickMs = 50;               ///< Timer1 interval
constexpr int kResponseTimeoutMs = 3000;  ///< Timer2 interval
constexpr int kTriesPerSpeed = 3;
constexpr int kFastPollMs = 1;     ///< the tick interval in fast pacing
constexpr int kDefaultGapMs = 20;  ///< fast pacing: pause between answer and request

/// How the engine paces its exchanges. Classic: one action per 50 ms tick,
/// as the instrument family was tested with. Fast: the engine acts as soon as
/// an answer is complete and sends the next request after `gapMs`; the settle
/// after opening, the response time-out, the tries and the speed switch are
/// the same in both.
struct CommPacing {
    bool fast = false;
    int gapMs = kDefaultGapMs;
};

// ---- Outside world ----------------------------------------------------------

/// What the engine and the jobs need from the screens. Every call has a
/// harmless default so a headless host overrides only what it shows.
class CommHost {
  public:
    virtual ~CommHost() = default;
    /// The progress bar of the "Now Communicating" dialog (already clamped).
    virtual void ShowProgress(int /*value*/) {}
    /// Unloads the "Now Communicating" dialog when a job ends; the engine runs
    /// the hand-back right after.
    virtual void CloseCommDialog() {}
    /// Shows the SLOT No. dialog modally; the confirmed slot 1-16, or nothing
    /// when the dialog was left without one.
    virtual std::optional<int> AskSlot() { return std::nullopt; }
    /// Row 1 ("COMMAND", `sent`) or row 2 ("RESPONSE") of the parameter
    /// screen's monitor.
    virtual void ShowMonitorText(bool /*sent*/, const std::string& /*text*/) {}
    /// First panel of the main window's status bar.
    virtual void ShowStatusText(const std::string& /*text*/) {}
    /// Busy or normal mouse pointer; the GUI repaints the active window.
    virtual void SetBusyPointer(bool /*busy*/) {}
};

// ---- A job and its end -----------------------------------------------------

/// What a job hands back when it ends, to whoever asked for it: its code and
/// how it ended, the facts that decide what follows, the instrument it
/// reached and, for the transfers, what was written and what the read-back
/// found. The data set or program read is in the session's workspace.
struct JobOutcome {
    Job job = Job::None;
    CommErrorCode code = kErrNone;  ///< how the job ended (kErrNone: completed)
    std::string errorText;          ///< CommErrorText(code)
    HandBackFacts facts;
    InstrumentFacts instrument;
    /// Jobs 2 and 16: items written and answered, with their answers.
    int itemsWritten = 0;
    std::vector<jobs::WrittenItem> written;
    /// Jobs 2 and 16: the items whose read-back differs from what was sent.
    files::CheckList differences;
    /// Jobs 2 and 16: the model text the instrument reported, as received.
    std::string instrumentModel;
    /// Job 23: the model text of the module in the selected slot.
    std::string slotModel;
    /// Program jobs: the area the instrument refused.
    CommErrorCode refusedArea = jobs::kRefusedNone;
    /// The job ended with an address error answered for MA 0, MB 0: behind
    /// a rack interface, the selected slot holds no instrument.
    bool addressErrorAtZero = false;

    bool Completed() const { return code == kErrNone; }
};

/// What a screen or a command asks the engine to run: the job, the title its
/// messages carry, and who hears of its end.
struct JobRequest {
    Job code = Job::None;
    std::string title = {};
    /// The category menu's choice (0 DISPLAY .. 3 MAINT) for jobs 4-7.
    int category = 0;
    /// Told the outcome when the job ends (after the "Now Communicating"
    /// dialog closed). Whoever asked decides what follows.
    std::function<void(const JobOutcome&)> done = {};
    /// The line stays open after the job when it ended well, for a job that
    /// follows at once on the same line opening (a download after its
    /// backup: no second settle, and a rack keeps its slot). The follower
    /// closes it, or CloseLine when none follows.
    bool keepLineOpen = false;
    /// How the plant register records the job's end: empty for what its
    /// code names (an upload, a download), or a record kind ("backup",
    /// "restore"), or "none" where the caller records it itself.
    std::string recordAs = {};
};

/// Where the log goes and how long it keeps its frames. By default the log is
/// the program folder's file and holds the last job only; a front end that
/// runs several jobs for one command (rq50-cli) can name its own file and keep
/// every job's frames in it.
struct LogTarget {
    std::string path;             ///< empty: the program folder's log
    bool keepAcrossJobs = false;  ///< ResetLogFile leaves the file alone
};

/// The communication engine of one session. It runs one job at a time on
/// the line it is given, ticked by its front end, and hands each job's
/// outcome to whoever asked for the job. The session owns it; nothing of it
/// is process-wide, so two sessions in one process talk to two instruments
/// independently. Its working state is its own: what a user of the engine
/// may know or set goes through the calls below.
class CommEngine {
  public:
    CommEngine();
    ~CommEngine();
    CommEngine(const CommEngine&) = delete;
    CommEngine& operator=(const CommEngine&) = delete;

    /// Back to the start-up state, the link speed to 1200 bit/s. The host,
    /// port, clock, jobs and tables stay.
    void Reset();

    // ---- What the engine works with
    /// The host (nullptr: a silent one) and the serial link (nullptr: none,
    /// and a job fails to open). The caller keeps ownership.
    void SetHost(CommHost* host);
    CommHost& Host();
    void AttachPort(SerialPort* port);
    SerialPort& MainPort();
    /// The clock the engine waits and times out by (nullptr: time stands).
    void SetClock(shell::Clock* clock);
    /// The data the jobs read and fill, with the state and hosts of the
    /// session (its workspace). An engine made on its own works on a
    /// workspace it owns, with no hosts, until a session gives it one.
    void SetWorkspace(files::Workspace& workspace);
    files::Workspace& Data();
    const files::Workspace& Data() const;
    /// Told of every job's end before whoever asked for the job, while the
    /// workspace holds what the job left: the session records transfers in
    /// the plant register by it.
    void SetJobObserver(
        std::function<void(const JobOutcome& outcome, const std::string& recordAs)> observer);
    /// The parameter screen the online jobs (4-14, 17-19) fill; nullptr when
    /// it is not open.
    void AttachPageModel(parameter::PageModel* page);
    parameter::PageModel* OnlinePage() const;
    /// The tables the jobs consult (the program installs readers of the
    /// configuration files; tests their own).
    jobs::JobTables& Tables();

    // ---- Jobs
    /// Starts a job; false (and nothing changed) while another runs, when no
    /// routines are registered for its code, or for a job that changes the
    /// instrument while downloads are not allowed (the download password).
    bool StartCommJob(const JobRequest& request);
    /// A job is running.
    bool Busy() const;
    /// The outcome of the last job that ended.
    const JobOutcome& LastOutcome() const;
    /// What the running job has found so far, for a message it shows while
    /// it ends (the read-back differences, the model the instrument named).
    JobOutcome OutcomeSoFar() const;
    /// The engine tick: one action of the running job (in fast pacing, as
    /// many as need no waiting). A tick that arrives while another is still
    /// running (a modal box shown from inside it) returns at once.
    void Timer1();
    /// How long the front end waits between two ticks.
    int TickIntervalMs() const;
    /// The "Terminate" button: the job ends between two exchanges. A request
    /// already on the line keeps its answer (or its time-out) first.
    void Terminate();
    /// Drives the engine until the running job has ended: a tick, then the
    /// clock moves on by one tick interval. `maxMs` bounds the run (false
    /// when reached). When `stopAsked` returns true before a tick, the job is
    /// terminated once (Terminate) and run on to its end.
    bool RunCommJob(std::int64_t maxMs = 10 * 60 * 1000,
                    const std::function<bool()>& stopAsked = {});
    /// How long the engine can wait before its next tick finds work: 0 when
    /// it has work now, -1 when no job runs (see EngineCore).
    std::int64_t MsUntilNextAction() const;
    /// Requests the running (or last) job has transmitted, retries included.
    int RequestsSent() const;
    /// A request of the running job is on the line, waiting for its answer.
    bool AwaitingAnswer() const;
    /// The title of the running (or last) job, as its messages carry it.
    const std::string& JobTitle() const;
    /// The progress of the running job, 0-100.
    int Progress() const;

    // ---- The line
    /// The pacing of the next jobs (classic after a reset). A gap is kept
    /// within 0-1000 ms. A running job keeps the pacing it started with.
    void SetCommPacing(const CommPacing& pacing);
    const CommPacing& Pacing() const;
    /// The link speed the tool talks at (the main window shows it).
    std::int32_t Speed() const;
    void SetSpeed(std::int32_t speed);
    /// The line settings the next job opens with.
    const PortSettings& LineSettings() const;
    /// Back to the default line settings.
    void ResetLineSettings();
    /// The device that replaces the COMn mapping (--port); empty: the port
    /// number decides.
    void SetDeviceOverride(const std::string& device);
    /// The line is a simulated instrument of the program's own.
    void SetSimulated(bool simulated);
    /// The device the link opens: the override when set, else the device of
    /// the application state's port number.
    std::string CommDevice() const;
    /// The line as the status bar names it (see EngineCore::LineStatusText).
    std::string LineStatusText(const std::string& demoName = {}) const;
    /// The instrument the last job reached (model, rack slot).
    const InstrumentFacts& LastInstrument() const;
    /// The rack slot the last connect sequence selected.
    int SlotNumber() const;
    /// Closes a line a job left open (JobRequest::keepLineOpen) when no job
    /// follows; nothing while a job runs.
    void CloseLine();
    /// Lets go of the line the online work keeps open in fast pacing.
    void ReleaseOnlineLine();

    // ---- The communication log and the monitor
    bool MonitorOn() const;
    void SetMonitorOn(bool on);
    /// The monitor's display: false hex, true ASCII.
    bool MonitorAscii() const;
    void SetMonitorAscii(bool ascii);
    bool LogFileOn() const;
    void SetLogFileOn(bool on);
    /// The program folder's "User\RQ50.Log", or the file SetLogTarget named.
    std::string LogFilePath() const;
    void SetLogTarget(const LogTarget& target);
    /// Empty when frames can be logged; otherwise the reason.
    std::string LogFileProblem() const;
    /// Replaces the source of the log's time stamp (tests); nullptr restores
    /// the clock.
    void SetLogTimeSource(std::function<std::string()> source);

  private:
    friend EngineCore& CoreOf(CommEngine& engine);
    friend const EngineCore& CoreOf(const CommEngine& engine);
    std::unique_ptr<EngineCore> m_core;
};

}  // namespace rq50::comm
