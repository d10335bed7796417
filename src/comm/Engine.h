#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "comm/EngineState.h"
#include "comm/JobCodes.h"

namespace rq50::comm {

class SerialPort;

// ---- Codes ------------------------------------------------------------------

/// Engine states (`CommState`): one action per tick according to the state.
enum CommStates : int {
    kStateIdle = 0,
    kStateBuild = 1,
    kStateTransmit = 2,
    kStateWait = 3,
    kStateParse = 4,
    kStateFinish = 5,
};

/// Step values with a meaning to the engine.
enum CommSteps : int {
    kStepFinish = 98,  ///< finish and report
    kStepDone = 99,    ///< the job is over
};

/// Error codes (`CommError`, `CommResult`).
enum CommErrors : int {
    kErrNone = 0,
    kErrTimeout = 1,     ///< transient: the response timer fired
    kErrNoResponse = 2,  ///< no response after all retries
    kErrTerminated = 3,  ///< "Terminate" or the SLOT No. dialog cancelled
    kErrModel = 4,
    kErrOut2Type = 5,
    kErrSensorType = 6,
    kErrProgramRefused = 7,  ///< jobs 15 and 16 go on
    kErrConstRefused = 8,    ///< jobs 15 and 16 go on
    kErrAddress = 9,         ///< response status 2
    kErrCommand = 10,        ///< response status 1
    kErrBothRefused = 11,
    kErrRackBaud = 12,
    kErrBaudModel = 13,
    kErrCustomType = 15,
    kErrPortOpen = 20,  ///< opening the port failed; the port is not closed
    kErrSlotZero = 21,
    /// The open port went away during the job (a USB adapter pulled out, the
    /// device closed under the program): nothing more can be sent.
    kErrLineLost = 23,
    kErrDataSetRefused = 22,  ///< the data set cannot be downloaded; nothing was sent
};

/// Caller codes (`CommCaller`): the screen that started the job.
enum CommCallers : int {
    kCallerDataViewDownload = 0,
    kCallerSettingMenuUpload = 1,
    kCallerSettingMenuProgram = 2,
    kCallerDataView3 = 3,
    kCallerDataView4 = 4,
    kCallerCategoryMenu = 5,
    kCallerSettingMenuSet = 6,
    kCallerProgramEditor = 7,
    kCallerBaudDialog = 8,
    kCallerSlotDialog = 9,
    /// The parameter screen's own jobs (tabs, moves, reads, writes): they end
    /// on that screen, with no hand-back.
    kCallerParameterScreen = 10,
};

/// Status field of a response.
enum RespStatuses : int { kRespNormal = 0, kRespCommandError = 1, kRespAddressError = 2 };

// ---- Engine variables -------------------------------------------------------
// The fields of CommEngine() under their documented names.

extern int& CommState;
extern int& CommJob;
extern int& CommStep;
extern int& CommError;
extern int& CommRetry;
extern int& CommRecvStatus;
extern bool& CommBusy;
extern int& CommResult;
/// The link speed of the application state (shared with the main window).
extern std::int32_t& CommSpeed;
extern std::int32_t& CommSpeedSaved;
extern int& CommProgress;
extern std::string& CommTitle;
extern int& CommCaller;
extern bool& PortWasOpen;
/// Timer1 interval in ms; the GUI's tick timer follows it.
extern int& Timer1Interval;
/// Timer2: enabled while the engine waits for a response; fires at the deadline.
extern bool& Timer2Enabled;
extern std::int64_t& Timer2Deadline;

/// Slot of a rack interface chosen in the SLOT No. dialog (1-16), and whether
/// the dialog was left with a valid number.
extern int& SlotNumber;
extern bool& SlotConfirmed;

extern HandBackFacts& CommFacts;

/// Puts the engine back to its start-up state, and the shared link speed to
/// 1200 bit/s (tests; the program starts this way).
void ResetCommEngine();

/// Requests the running (or last) job has transmitted, retries included.
int RequestsSent();

/// The pacing of the next jobs (classic after a reset). A gap is kept within
/// 0-1000 ms. A running job keeps the pacing it started with.
void SetCommPacing(const CommPacing& pacing);
const CommPacing& Pacing();

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

/// Installs the host (nullptr: a silent one). The caller keeps ownership.
void SetCommHost(CommHost* host);
CommHost& Host();

/// The serial link the engine drives (the main window's port). The caller
/// keeps ownership; a job started without a port fails to open.
void AttachCommPort(SerialPort* port);
SerialPort& MainPort();

// ---- Jobs -------------------------------------------------------------------

/// The two routines of a transaction. `build` is called in the build state:
/// it advances `CommStep` (AdvanceStep) and prepares the next request, or
/// opens (step 0) and finishes (step 98). `parse` is called in the parse state
/// with `CommStep` already advanced; it reads the Resp* variables and may set
/// `CommStep`. It never sends.
struct CommJobRoutines {
    std::function<void(SerialPort& port)> build;
    std::function<void()> parse;
};

/// Registers the routines of a job code (replacing earlier ones).
void RegisterCommJob(int job, CommJobRoutines routines);
void UnregisterCommJob(int job);
bool IsCommJobRegistered(int job);

/// Builder of `job`; nothing for a code without routines.
void SendDispatch(SerialPort& port, int job);
/// Parser of `job`; nothing for a code without routines.
void RecvDispatch(int job);

// ---- Engine -----------------------------------------------------------------

/// Starts a job; false (and nothing changed) while another runs or when no
/// routines are registered for `job`.
bool StartCommJob(int job);

/// The engine tick: one action according to `CommState`. Also fires Timer2
/// when its deadline has passed. A tick that arrives while another is still
/// running (a modal box shown from inside it) returns at once. In fast
/// pacing a tick goes on through the actions that need no waiting: a
/// complete answer is parsed, the next request built and, once the gap since
/// the answer has passed, sent.
void Timer1();

/// The "Terminate" button: the job ends between two exchanges. A request
/// already on the line keeps its answer (or its time-out) first, so a write
/// the instrument took is counted as written; no further request goes out.
void Terminate();

/// Drives the engine until the running job has ended: a tick, then the clock
/// moves on by one tick interval. `maxMs` bounds the run (false when reached).
bool RunCommJob(std::int64_t maxMs = 10 * 60 * 1000);

// ---- Helpers for the transactions -------------------------------------------

/// In a parser: the request just answered had to be sent more than once, so
/// the instrument may have acted on an earlier try whose answer was lost.
bool AnsweredAfterResend();

/// Ends the running job with `code`: the finishing step comes next.
void EndJob(int code);

/// Builder contract: stores `CommStep + 1` and returns the old step.
int AdvanceStep();

/// Step 0 of a job: progress 0, `CommResult` 0, log reset when logging is on,
/// the port opened (`ShowQuillError` when that fails, leaving `CommError` 20).
/// True when the port is open.
bool BeginJob(SerialPort& port);

/// Step 98's port work: closes the port unless `CommError` is 20 or
/// (`keepIfWasOpen` and `PortWasOpen`); `ShowQuillError` when closing fails.
void EndJobClosePort(SerialPort& port, bool keepIfWasOpen);

/// Shows the message that belongs to `code` (2, 3, 4, 5, 6, 9, 10, 11, 12, 13,
/// 15, 21, 23) with `CommTitle` as the caller title, and `detail` below its text;
/// returns the message number shown, 0 for codes without a general message
/// (0, 1, 7, 8, 20).
int ShowCommErrorMessage(int code, const std::string& detail = {});

/// Checks the status of the last response: status 1 and 2 end the job
/// (`CommError` 10 / 9, step 98) except that jobs 15 and 16 record status 2
/// as 8 (`flag` non-zero) or 7 and go on. True when the status is normal.
bool CheckRespStatus(int flag = 0);

/// False (with `CommError` 21, step 98) when the response reads
/// "SLOT NO       00".
bool CheckSlotZero();

/// True when name + data of the last response read "SLOT NO       00".
bool IsSlotZeroResponse();

/// Shows the SLOT No. dialog; without a confirmed slot the job ends as
/// terminated (`CommError` 3, step 98).
void AskSlotNumber();

/// Sets `CommProgress` and shows it, clamped to 0-100.
void SetProgress(int value);
void RefreshProgress();

}  // namespace rq50::comm
