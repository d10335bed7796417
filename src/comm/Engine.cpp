#include "comm/Engine.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Frame.h"
#include "comm/HandBack.h"
#include "comm/SerialPort.h"
#include "shell/Clock.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/Navigation.h"
#include "shell/Services.h"

namespace rq50::comm {

int CommState = kStateIdle;
int CommJob = 0;
int CommStep = 0;
int CommError = kErrNone;
int CommRetry = 0;
int CommRecvStatus = kRecvHeader;
bool CommBusy = false;
int CommResult = kErrNone;
std::int32_t& CommSpeed = shell::G().commSpeed;
std::int32_t CommSpeedSaved = 1200;
int CommProgress = 0;
std::string CommTitle;
int CommCaller = 0;
bool PortWasOpen = false;
int Timer1Interval = kTickMs;
bool Timer2Enabled = false;
std::int64_t Timer2Deadline = 0;
int SlotNumber = 0;
bool SlotConfirmed = false;
HandBackFacts CommFacts;

namespace {

CommHost g_silentHost;
CommHost* g_host = nullptr;
SerialPort* g_port = nullptr;
bool g_inTick = false;

/// The request of the current step as its builder made it. A retry sends
/// these bytes again, so a time-out can never turn into another request.
std::vector<std::uint8_t> g_request;
int g_triesSent = 0;    ///< transmissions of g_request
int g_answersSeen = 0;  ///< answers to it, taken or not
/// The last answer to g_request whose checksum failed.
std::vector<std::uint8_t> g_badAnswer;
/// The answer taken for the previous request, and how many answers to its
/// earlier tries may still be on their way.
std::vector<std::uint8_t> g_lastAnswer;
int g_staleAnswers = 0;

std::map<int, CommJobRoutines>& Jobs() {
    static std::map<int, CommJobRoutines> jobs;
    return jobs;
}

/// Stands in for the main window's port when none is attached: it never opens.
class NoPort : public SerialPort {
  public:
    void SetDevice(const std::string&) override {}
    void SetLineSettings(const LineSettings&) override {}
    bool Open() override { return false; }
    bool Close() override { return true; }
    bool IsOpen() const override { return false; }
    int BytesWaiting() override { return 0; }
    void SetInputLength(int) override {}
    std::vector<std::uint8_t> Read() override { return {}; }
    bool Write(const std::vector<std::uint8_t>&) override { return false; }
    void ClearBuffers() override {}
    void SetDtr(bool) override {}
    int ErrorNumber() const override { return kPortErrInvalidPort; }
    std::string ErrorDescription() const override { return "No serial port is configured"; }
};

std::int64_t Now() {
    auto* clock = shell::Svc().clock;
    return clock ? clock->NowMs() : 0;
}

void StartTimer2() {
    Timer2Enabled = true;
    Timer2Deadline = Now() + kResponseTimeoutMs;
}

void StopTimer2() {
    Timer2Enabled = false;
}

void ReceiveStep();

/// The response timer, checked while the engine waits. An answer that has
/// arrived by the deadline is the answer, even when the ticks have not yet
/// read it; a pending "Terminate" is kept so the user's request is not turned
/// into one more retry. True when the tick has acted.
bool CheckTimer2() {
    if (!Timer2Enabled || Now() < Timer2Deadline) return false;
    if (CommError == kErrNone) {
        for (int step = 0; step < 4 && CommState == kStateWait; ++step) {
            const int before = CommRecvStatus;
            const auto received = RecvBuffer.size();
            ReceiveStep();
            if (CommRecvStatus == before && RecvBuffer.size() == received) break;
        }
        if (CommState != kStateWait) return true;
    }
    StopTimer2();
    if (CommError != kErrTerminated) CommError = kErrTimeout;
    return false;
}

/// Three time-outs at one speed: try the other. A reopen that fails ends the
/// job as a failed open at step 0 does, since nothing can be sent anyway.
/// Returns false when the job has ended.
bool SwitchSpeed() {
    auto& port = MainPort();
    CommSpeedSaved = CommSettings.speed;
    CommSettings.speed = CommSettings.speed == 1200 ? 9600 : 1200;
    CommSpeed = CommSettings.speed;
    if (CloseCommPort(port) != 0) ShowQuillError();
    g_staleAnswers = 0;
    if (OpenCommPort(port) != 0) {
        ShowQuillError();
        CommSpeed = CommSpeedSaved;
        CommError = kErrPortOpen;
        StopTimer2();
        CommStep = kStepFinish;
        CommState = kStateParse;
        return false;
    }
    return true;
}

/// Six tries without an answer. An instrument that stops answering after its
/// MAINT item (leaving maintenance) ends the job with result 1 and no message.
void AllTriesFailed() {
    CommSpeed = CommSpeedSaved;
    if (LastRespName != "MAINT") {
        CommError = kErrNoResponse;
        CommResult = kErrNoResponse;
    } else {
        CommError = kErrTimeout;
    }
    StopTimer2();
    CommStep = kStepFinish;
    CommState = kStateParse;
}

/// A retry: the kept request goes out again with the retransmission flag,
/// after the speed switch at the fourth try.
void Resend() {
    if (CommRetry == kTriesPerSpeed && !SwitchSpeed()) return;
    if (CommRetry >= 2 * kTriesPerSpeed) {
        AllTriesFailed();
        return;
    }
    if (CommError == kErrTimeout) CommError = kErrNone;
    SendBuffer = g_request;
    MarkRetransmission(SendBuffer);
    CommState = kStateTransmit;
}

void TickBuild() {
    CommRecvStatus = kRecvHeader;
    // "Terminate" pressed between two exchanges ends the job before the next
    // request or retry goes out, so no write is left sent but unanswered.
    if (CommError == kErrTerminated && CommStep != kStepFinish) {
        StopTimer2();
        CommStep = kStepFinish;
        CommState = kStateParse;
        return;
    }
    if (CommRetry > 0) {
        Resend();
        return;
    }

    SendDispatch(MainPort(), CommJob);

    if (CommStep == 1) {
        if (CommError != kErrNone) {
            CommStep = kStepFinish;
            CommState = kStateParse;
        }
    } else if (CommStep == kStepDone) {
        CommState = kStateFinish;
    } else {
        g_request = SendBuffer;
        g_triesSent = 0;
        g_answersSeen = 0;
        g_badAnswer.clear();
        CommState = kStateTransmit;
    }
}

void TickTransmit() {
    auto& port = MainPort();
    StopTimer2();
    // Whatever is left of earlier answers is no answer to this request.
    port.ClearBuffers();
    ResetReception();
    port.Write(SendBuffer);
    ++g_triesSent;
    StartTimer2();
    if (LogFileOn) LogFrame(SendBuffer, true);
    ShowMonitorFrame(true);
    CommState = kStateWait;
}

/// The answer is not taken: one more try of the same request, at once.
void RetryNow() {
    StopTimer2();
    ++CommRetry;
    CommState = kStateBuild;
}

void LogIfOn(const std::string& note) {
    if (LogFileOn) LogNote(note);
}

/// Judges a complete frame. A wrong checksum asks again, within the tries a
/// time-out has; the same wrong answer twice in a row is taken, for an
/// instrument whose sums differ from ours. A frame that answers another
/// request (a late answer to an earlier try) is passed over and the wait
/// goes on.
void JudgeAnswer(const std::string& nameBefore) {
    if (!ChecksumOk(RecvBuffer)) {
        ++g_answersSeen;
        if (RecvBuffer != g_badAnswer) {
            g_badAnswer = RecvBuffer;
            LastRespName = nameBefore;
            LogIfOn("Checksum error: the request is sent again.");
            RetryNow();
            return;
        }
        LogIfOn("Checksum error in the same answer twice: the answer is taken.");
    } else if (!AnswerBelongsTo(g_request) || (g_staleAnswers > 0 && RecvBuffer == g_lastAnswer)) {
        if (g_staleAnswers > 0) --g_staleAnswers;
        LastRespName = nameBefore;
        LogIfOn("Answer to an earlier request: passed over.");
        CommRecvStatus = kRecvHeader;
        ResetReception();
        return;
    } else {
        ++g_answersSeen;
    }
    g_lastAnswer = RecvBuffer;
    g_staleAnswers = std::max(0, g_triesSent - g_answersSeen);
    StopTimer2();
    CommState = kStateParse;
}

/// One step of reception; a complete frame is judged at once.
void ReceiveStep() {
    const std::string nameBefore = LastRespName;
    RecvFrame(MainPort(), CommRecvStatus);
    if (CommRecvStatus == kRecvComplete) JudgeAnswer(nameBefore);
}

void TickWait() {
    switch (CommError) {
        case kErrNone:
            ReceiveStep();
            break;
        case kErrTimeout:
            ++CommRetry;
            CommState = kStateBuild;
            break;
        case kErrTerminated:
            CommStep = kStepFinish;
            CommState = kStateParse;
            break;
        default:
            break;
    }
}

void TickParse() {
    StopTimer2();
    RecvDispatch(CommJob);
    CommRetry = 0;
    CommState = CommStep == kStepDone ? kStateFinish : kStateBuild;
}

void TickFinish() {
    CommResult = CommError;
    CommRecvStatus = kRecvHeader;
    CommStep = 0;
    CommState = kStateIdle;
    CommError = kErrNone;
    CommRetry = 0;
    LastRespName.clear();
    CommBusy = false;
    StopTimer2();
    Host().CloseCommDialog();
    RunHandBack(HandBackFor(CommCaller, CommJob, CommResult, CommFacts));
    Host().SetBusyPointer(false);
}

/// Ends the running job at once after an unexpected error: the port is
/// released and the job is reported as terminated.
void AbortJob() {
    StopTimer2();
    if (CommState == kStateIdle && !CommBusy) return;
    if (MainPort().IsOpen() && CloseCommPort(MainPort()) != 0) QuillError = {};
    CommError = kErrTerminated;
    CommState = kStateFinish;
    try {
        TickFinish();
    } catch (const std::exception& error) {
        shell::ShowRoutineError("Timer1_ERR", error.what());
    }
}

}  // namespace

void ResetCommEngine() {
    CommState = kStateIdle;
    CommJob = 0;
    CommStep = 0;
    CommError = kErrNone;
    CommRetry = 0;
    CommRecvStatus = kRecvHeader;
    CommBusy = false;
    CommResult = kErrNone;
    CommSpeed = 1200;
    CommSpeedSaved = 1200;
    CommProgress = 0;
    CommTitle.clear();
    CommCaller = 0;
    PortWasOpen = false;
    Timer1Interval = kTickMs;
    Timer2Enabled = false;
    Timer2Deadline = 0;
    SlotNumber = 0;
    SlotConfirmed = false;
    CommFacts = {};
    CommSettings = {};
    QuillError = {};
    LastRespName.clear();
    SendBuffer.clear();
    RecvBuffer.clear();
    ClearSendData();
    g_inTick = false;
    g_request.clear();
    g_triesSent = 0;
    g_answersSeen = 0;
    g_badAnswer.clear();
    g_lastAnswer.clear();
    g_staleAnswers = 0;
}

void SetCommHost(CommHost* host) {
    g_host = host;
}
CommHost& Host() {
    return g_host ? *g_host : g_silentHost;
}

void AttachCommPort(SerialPort* port) {
    g_port = port;
}
SerialPort& MainPort() {
    static NoPort none;
    return g_port ? *g_port : none;
}

void RegisterCommJob(int job, CommJobRoutines routines) {
    Jobs()[job] = std::move(routines);
}
void UnregisterCommJob(int job) {
    Jobs().erase(job);
}
bool IsCommJobRegistered(int job) {
    return Jobs().count(job) != 0;
}

void SendDispatch(SerialPort& port, int job) {
    auto it = Jobs().find(job);
    if (it != Jobs().end() && it->second.build) it->second.build(port);
}

void RecvDispatch(int job) {
    auto it = Jobs().find(job);
    if (it != Jobs().end() && it->second.parse) it->second.parse();
}

bool StartCommJob(int job) {
    if (CommState != kStateIdle || CommBusy) return false;
    // A code without routines would send nothing and never finish.
    if (!IsCommJobRegistered(job)) return false;
    static const bool statusInstalled = [] {
        shell::SetJobStatusSource([] {
            return shell::JobStatus{CommResult, CommTitle, CommFacts.refusedArea};
        });
        return true;
    }();
    (void)statusInstalled;
    CommBusy = true;
    CommJob = job;
    CommState = kStateBuild;
    CommStep = 0;
    CommError = kErrNone;
    CommRetry = 0;
    Timer1Interval = kTickMs;
    Timer2Enabled = false;
    CommSettings.speed = CommSpeed;
    CommSpeedSaved = CommSpeed;
    // Late answers of the last job end with the line; an open port (the
    // online jobs) may still bring them.
    if (!MainPort().IsOpen()) g_staleAnswers = 0;
    return true;
}

void Timer1() {
    if (g_inTick) return;
    struct TickGuard {
        TickGuard() { g_inTick = true; }
        ~TickGuard() { g_inTick = false; }
    } guard;
    try {
        if (CommState == kStateWait && CheckTimer2()) return;
        switch (CommState) {
            case kStateBuild:
                TickBuild();
                break;
            case kStateTransmit:
                TickTransmit();
                break;
            case kStateWait:
                TickWait();
                break;
            case kStateParse:
                TickParse();
                break;
            case kStateFinish:
                TickFinish();
                break;
            default:
                break;
        }
    } catch (const std::exception& error) {
        // A transaction that fails unexpectedly must not leave the engine
        // busy for good: report it, release the port and end the job.
        shell::ShowRoutineError("Timer1_ERR", error.what());
        AbortJob();
    }
}

void Terminate() {
    CommError = kErrTerminated;
}

bool RunCommJob(std::int64_t maxMs) {
    auto* clock = shell::Svc().clock;
    if (!clock) return false;
    const std::int64_t end = clock->NowMs() + maxMs;
    while (CommBusy) {
        Timer1();
        if (!CommBusy) break;
        if (clock->NowMs() >= end) return false;
        clock->Wait(Timer1Interval);
    }
    return true;
}

bool AnsweredAfterResend() {
    return CommRetry > 0;
}

int AdvanceStep() {
    const int step = CommStep;
    CommStep = step + 1;
    return step;
}

bool BeginJob(SerialPort& port) {
    SetProgress(0);
    CommResult = kErrNone;
    if (LogFileOn) ResetLogFile();
    if (OpenCommPort(port) != 0) {
        ShowQuillError();
        return false;
    }
    return true;
}

void EndJobClosePort(SerialPort& port, bool keepIfWasOpen) {
    if (CommError == kErrPortOpen) return;
    if (keepIfWasOpen && PortWasOpen) return;
    if (CloseCommPort(port) != 0) ShowQuillError();
}

int ShowCommErrorMessage(int code, const std::string& detail) {
    static const std::map<int, int> kMessageOf = {
        {kErrNoResponse, 2}, {kErrTerminated, 14}, {kErrModel, 5},       {kErrOut2Type, 6},
        {kErrSensorType, 7}, {kErrAddress, 8},     {kErrCommand, 4},     {kErrBothRefused, 40},
        {kErrRackBaud, 29},  {kErrBaudModel, 30},  {kErrCustomType, 46}, {kErrSlotZero, 3},
    };
    auto it = kMessageOf.find(code);
    if (it == kMessageOf.end()) return 0;
    shell::ShowMsgBoxWithDetail(it->second, shell::kButtonsOk, CommTitle, detail);
    return it->second;
}

bool CheckRespStatus(int flag) {
    if (RespStatus == kRespCommandError) {
        CommError = kErrCommand;
        CommStep = kStepFinish;
        return false;
    }
    if (RespStatus == kRespAddressError) {
        if (CommJob == kJobProgramUpload || CommJob == kJobProgramDownload) {
            CommError = flag != 0 ? kErrConstRefused : kErrProgramRefused;
        } else {
            CommError = kErrAddress;
            CommStep = kStepFinish;
        }
        return false;
    }
    return true;
}

bool IsSlotZeroResponse() {
    return RespName + RespData == "SLOT NO       00";
}

bool CheckSlotZero() {
    if (!IsSlotZeroResponse()) return true;
    CommError = kErrSlotZero;
    CommStep = kStepFinish;
    return false;
}

void AskSlotNumber() {
    SlotConfirmed = false;
    if (auto slot = Host().AskSlot(); slot && *slot >= 1 && *slot <= 16) {
        SlotNumber = *slot;
        SlotConfirmed = true;
        return;
    }
    CommError = kErrTerminated;
    CommStep = kStepFinish;
}

void SetProgress(int value) {
    CommProgress = value;
    RefreshProgress();
}

void RefreshProgress() {
    Host().ShowProgress(std::clamp(CommProgress, 0, 100));
}

}  // namespace rq50::comm
