#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "comm/Engine.h"
#include "comm/EngineState.h"
#include "comm/LinePacing.h"
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
namespace jobs {
struct JobTables;
struct JobResults;
}  // namespace jobs

/// Step values with a meaning to the engine.
enum CommSteps : int {
    kStepFinish = 98,  ///< finish and report
    kStepDone = 99,    ///< the job is over
};


/// The two routines of a transaction. `build` is called in the build state:
/// it advances `CommStep` (AdvanceStep) and prepares the next request, or
/// opens (step 0) and finishes (step 98). `parse` is called in the parse state
/// with `CommStep` already advanced; it reads the Resp* fields and may set
/// `CommStep`. It never sends.
struct CommJobRoutines {
    std::function<void(SerialPort& port)> build;
    std::function<void()> parse;
};

/// The engine's works: the state under the documented names
/// (CommEngineState), the tick's actions, the frames, the line and the log.
/// The jobs run on it; the engine's users see it through CommEngine.
class EngineCore : public CommEngineState {
  public:
    explicit EngineCore(CommEngine& owner);
    ~EngineCore();
    EngineCore(const EngineCore&) = delete;
    EngineCore& operator=(const EngineCore&) = delete;

    /// The engine as its users see it (the workspace's hosts name it).
    CommEngine& Owner() { return m_owner; }

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
    std::int64_t NowMs() const;
    /// The data the jobs read and fill, with the state and hosts of the
    /// session (its workspace). An engine made on its own works on a
    /// workspace it owns, with no hosts, until a session gives it one.
    void SetWorkspace(files::Workspace& workspace) { m_workspace = &workspace; }
    files::Workspace& Data() { return *m_workspace; }
    const files::Workspace& Data() const { return *m_workspace; }
    /// Told of every job's end (its code, result and JobRequest::recordAs)
    /// before the hand-back runs, while the workspace holds what the job
    /// left: the session records transfers in the plant register by it.
    void SetJobObserver(
        std::function<void(const JobOutcome& outcome, const std::string& recordAs)> observer) {
        m_jobObserver = std::move(observer);
    }
    /// The parameter screen the online jobs (4-14, 17-19) fill; nullptr when
    /// it is not open.
    void AttachPageModel(parameter::PageModel* page) { m_page = page; }
    parameter::PageModel* OnlinePage() const { return m_page; }
    /// The tables the jobs consult and the state they leave for the screens.
    jobs::JobTables& Tables() { return *m_tables; }
    jobs::JobResults& Results() { return *m_results; }
    /// The outcome of the last job that ended.
    const JobOutcome& LastOutcome() const { return m_outcome; }
    JobOutcome& LastOutcome() { return m_outcome; }
    /// The outcome as the running (or last) job leaves it now.
    JobOutcome MakeOutcome() const;

    // ---- Jobs
    /// Registers the routines of a job code (replacing earlier ones).
    void RegisterCommJob(Job job, CommJobRoutines routines);
    void UnregisterCommJob(Job job);
    bool IsCommJobRegistered(Job job) const;
    /// Keeps an object a job's routines refer to for the engine's lifetime.
    void KeepJobObject(std::shared_ptr<void> object) { m_jobObjects.push_back(std::move(object)); }

    /// Starts a job; false (and nothing changed) while another runs or when
    /// no routines are registered for its code. Title, caller and category
    /// are taken only when the job starts.
    bool StartCommJob(const JobRequest& request);

    /// The engine tick: one action according to `CommState`. Also fires
    /// Timer2 when its deadline has passed. A tick that arrives while another
    /// is still running (a modal box shown from inside it) returns at once.
    /// In fast pacing a tick goes on through the actions that need no
    /// waiting: a complete answer is parsed, the next request built and,
    /// once the gap since the answer has passed, sent.
    void Timer1();

    /// The "Terminate" button: the job ends between two exchanges. A request
    /// already on the line keeps its answer (or its time-out) first, so a
    /// write the instrument took is counted as written; no further request
    /// goes out.
    void Terminate();

    /// Drives the engine until the running job has ended: a tick, then the
    /// clock moves on by one tick interval. `maxMs` bounds the run (false
    /// when reached). When `stopAsked` returns true before a tick, the job is
    /// terminated once (Terminate) and run on to its end.
    bool RunCommJob(std::int64_t maxMs = 10 * 60 * 1000,
                    const std::function<bool()>& stopAsked = {});

    /// How long the engine can wait before its next tick finds work: 0 when
    /// it has work now, the rest of the fast pacing's gap before a request,
    /// the time to the answer's time-out while it waits (arriving bytes are
    /// work before that), -1 when no job runs. A front end whose port hears
    /// of arriving bytes ticks then and at this time instead of polling.
    std::int64_t MsUntilNextAction() const;

    /// Requests the running (or last) job has transmitted, retries included.
    int RequestsSent() const { return requestsSent; }

    /// The pacing of the next jobs (classic after a reset). A gap is kept
    /// within 0-1000 ms. A running job keeps the pacing it started with.
    void SetCommPacing(const CommPacing& pacing);
    const CommPacing& Pacing() const { return m_pacing.Chosen(); }

    // ---- Helpers for the transactions
    /// In a parser: the request just answered had to be sent more than once,
    /// so the instrument may have acted on an earlier try whose answer was
    /// lost.
    bool AnsweredAfterResend() const { return CommRetry > 0; }
    /// Ends the running job with `code`: the finishing step comes next.
    void EndJob(CommErrorCode code);
    /// Builder contract: stores `CommStep + 1` and returns the old step.
    int AdvanceStep();
    /// Step 0 of a job: progress 0, `CommResult` 0, log reset when logging is
    /// on, the port opened (`ShowPortError` when that fails, leaving
    /// `CommError` 20). True when the port is open.
    bool BeginJob(SerialPort& port);
    /// Step 98's port work: closes the port unless `CommError` is 20 or
    /// (`keepIfWasOpen` and `PortWasOpen`); `ShowPortError` when closing fails.
    void EndJobClosePort(SerialPort& port, bool keepIfWasOpen);
    /// Shows the message that belongs to `code` (2, 3, 4, 5, 6, 9, 10, 11, 12,
    /// 13, 15, 21, 23) with `CommTitle` as the caller title, and `detail` below
    /// its text; returns the message number shown, 0 for codes without a
    /// general message (0, 1, 7, 8, 20).
    int ShowCommErrorMessage(CommErrorCode code, const std::string& detail = {});
    /// Checks the status of the last response: status 1 and 2 end the job
    /// (`CommError` 10 / 9, step 98) except that jobs 15 and 16 record status
    /// 2 as 8 (`flag` non-zero) or 7 and go on. True when the status is normal.
    bool CheckRespStatus(int flag = 0);
    /// False (with `CommError` 21, step 98) when the response reads
    /// "SLOT NO       00".
    bool CheckSlotZero();
    /// True when name + data of the last response read "SLOT NO       00".
    bool IsSlotZeroResponse() const;
    /// Shows the SLOT No. dialog; without a confirmed slot the job ends as
    /// terminated (`CommError` 3, step 98).
    void AskSlotNumber();
    /// Sets `CommProgress` and shows it, clamped to 0-100.
    void SetProgress(int value);
    void RefreshProgress();

    // ---- The link
    /// The device the link opens: the override when set, else the device of
    /// the application state's port number (COM1-COM4 of the "Serial Port"
    /// menu).
    std::string CommDevice() const;
    /// The line as the status bar names it: the device (or `demoName`, the
    /// simulated instrument that serves the port), the speed, and the
    /// instrument the last job reached ("ZNC slot 3: RQB2" behind a rack
    /// interface).
    std::string LineStatusText(const std::string& demoName = {}) const;
    /// Applies `CommSettings` to the port without opening it: device, line
    /// settings, pending input discarded, DTR on.
    void SetCommPort(SerialPort& port);
    /// Opens the port and waits 2000 ms for the line to settle. An open port
    /// is left as it is (`PortWasOpen` true). Returns 0 or the error number;
    /// on an error the error is kept for `ShowPortError` and `CommError`
    /// becomes 20.
    std::int32_t OpenCommPort(SerialPort& port);
    /// Closes the port; 0 or the error number (kept for `ShowPortError`).
    std::int32_t CloseCommPort(SerialPort& port);
    /// A line whose speed the tool cannot set (raw TCP to a device server)
    /// refuses a change of speed: the reason is kept and shown as a port
    /// error, the port closed, and `CommError` becomes 20 (the job ends as
    /// after a failed open). False (nothing done) on a line that can change
    /// its speed.
    bool RefuseSpeedChange(SerialPort& port);
    /// Closes a line a job left open (JobRequest::keepLineOpen) when no job
    /// follows; nothing while a job runs.
    void CloseLine();
    /// How long the online work's line stays open without a job in fast
    /// pacing.
    static constexpr std::int64_t kOnlineLineIdleMs = 60 * 1000;
    /// Fast pacing lets go of the line the online work keeps open (job 3
    /// and the page jobs): when the page closes (this call), after a minute
    /// without a job, and when one of those jobs ends with an error. The
    /// instrument reached on it is kept: the next online job opens the line
    /// again and selects the same rack slot without asking. Classic pacing
    /// keeps the line as the jobs leave it; this call does nothing then, nor
    /// while a job runs.
    void ReleaseOnlineLine();
    /// Beeps and shows the kept error as "number:description" titled
    /// "Quill Error", then forgets it.
    void ShowPortError();

    // ---- Requests
    void ClearSendData();
    /// Clears the data area and puts `text` (8 or 16 characters) into it.
    void SetSendDataText(const std::string& text);
    /// General request builder: header, address, data of a write, checksum.
    /// A non-zero `retry` marks the frame as a retransmission.
    void MakeFrame(int retry, int function, int subFunction, int ma, int mb, int mc);
    // The request shapes the transactions use; they take the retry counter.
    void ReqFirstItem();
    void ReqItem(int ma, int mb, int mc);
    void ReqItem82(int ma);
    void ReqNextMB(int ma, int mb);
    void ReqPrevMB(int ma, int mb);
    void ReqItem86(int ma, int mb, int mc);
    void ReqCommand10(int ma, int mb, int mc);
    void ReqWrite(int ma, int mb, int mc);

    // ---- Responses
    /// Decodes a response (`hasPrefix`: the item starts at byte 4) or a
    /// stored item block (it starts at byte 0) into the Resp* fields.
    void DecodeResponse(const std::vector<std::uint8_t>& buffer, bool hasPrefix);
    /// One polling step of reception; advances `recvStatus` (RecvStatus). A
    /// header is taken only where a frame can begin (00h 00h 12h, or 52h):
    /// bytes before that, the rest of an answer cut off by the clearing
    /// before a request, are passed over.
    void RecvFrame(SerialPort& port, int& recvStatus);
    /// Forgets a reception in progress, so the next request waits for a
    /// fresh frame.
    void ResetReception();
    /// Whether the decoded response (Resp*) can be the answer to `request`:
    /// its address must be the one the request names (the MA for 84h/85h,
    /// the head MB 0 for 82h and the category starts, nothing for 10h). A
    /// rack's "SLOT NO       00" belongs to every request.
    bool AnswerBelongsTo(const std::vector<std::uint8_t>& request) const;

    // ---- The communication log and the monitor
    /// The program folder's "User\RQ50.Log", or the file SetLogTarget named.
    std::string LogFilePath() const;
    void SetLogTarget(const LogTarget& target) { m_logTarget = target; }
    /// Makes the log's folder when it is missing and tries to open the log
    /// for appending. Empty when frames can be logged; otherwise the reason,
    /// so that switching the log on can say why no log will come.
    std::string LogFileProblem() const;
    /// Deletes the log so it holds the frames of the coming job only. Nothing
    /// is deleted when the folder is missing, or when the log target keeps
    /// the frames across jobs.
    void ResetLogFile();
    /// Appends two records for `frame`: hex and ASCII rendering, each as
    /// "time stamp","label","text" CR LF. Write errors are ignored.
    void LogFrame(const std::vector<std::uint8_t>& frame, bool sent);
    /// Appends one record that explains the frame logged before it (an answer
    /// with a wrong checksum sent for again or taken, an answer to another
    /// request passed over). Write errors are ignored.
    void LogNote(const std::string& text);
    /// Time stamp of the log records, "yyyy/mm/dd hh:mm:ss" of the local time.
    std::string LogTimeStamp() const;
    /// Replaces the source of the time stamp (tests); nullptr restores the clock.
    void SetLogTimeSource(std::function<std::string()> source) { m_logTime = std::move(source); }
    /// Shows the last request (`sent`) or response in the parameter screen's
    /// monitor while the monitor is on and the job belongs to that screen
    /// (jobs 4-14 and 17-19).
    void ShowMonitorFrame(bool sent);

  private:
    // The tick's actions and what they share.
    void StartTimer2();
    void StopTimer2();
    void EndNow(CommErrorCode code);
    bool CheckTimer2();
    void LineLost();
    bool SwitchSpeed();
    void AllTriesFailed();
    void Resend();
    void TickBuild();
    bool InGap() const;
    void TickTransmit();
    void RetryNow();
    void LogIfOn(const std::string& note);
    void JudgeAnswer(const std::string& nameBefore);
    void ReceiveStep();
    void TickWait();
    void TickParse();
    void TickFinish();
    void AbortJob();
    void SendDispatch(SerialPort& port, Job job);
    void RecvDispatch(Job job);
    void KeepPortError(SerialPort& port, PortErrorCode fallback, const std::string& source);
    void ShowLineLost(const std::string& detail);
    std::string NoAnswerDetail() const;
    void AppendToLog(const std::string& records);
    void NoteJobEnd();

    CommHost* m_host = nullptr;
    SerialPort* m_port = nullptr;
    shell::Clock* m_clock = nullptr;
    std::unique_ptr<files::Workspace> m_ownWorkspace;
    files::Workspace* m_workspace;
    parameter::PageModel* m_page = nullptr;
    CommEngine& m_owner;
    std::function<void(const JobOutcome&)> m_jobDone;
    std::function<void(const JobOutcome& outcome, const std::string& recordAs)> m_jobObserver;
    JobOutcome m_outcome;
    std::string m_recordAs;
    bool m_keepLineOpen = false;
    LinePacing m_pacing;
    std::map<Job, CommJobRoutines> m_jobs;
    std::vector<std::shared_ptr<void>> m_jobObjects;
    std::unique_ptr<jobs::JobTables> m_tables;
    std::unique_ptr<jobs::JobResults> m_results;
    LogTarget m_logTarget;
    bool m_logRefused = false;  ///< the log's path holds something that is not a log
    std::function<std::string()> m_logTime;
};

/// The works of `engine`, for the jobs and the engine's own tests.
EngineCore& CoreOf(CommEngine& engine);
const EngineCore& CoreOf(const CommEngine& engine);

}  // namespace rq50::comm
