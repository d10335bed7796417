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

/// The response timer fires between ticks; a pending "Terminate" is kept so the
/// user's request is not turned into one more retry.
void CheckTimer2() {
    if (!Timer2Enabled || Now() < Timer2Deadline) return;
    StopTimer2();
    if (CommError != kErrTerminated) CommError = kErrTimeout;
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

void TickBuild() {
    CommRecvStatus = kRecvHeader;
    if (CommRetry == kTriesPerSpeed && !SwitchSpeed()) return;
    if (CommRetry >= 2 * kTriesPerSpeed) {
        CommSpeed = CommSpeedSaved;
        // An instrument that stops answering after its MAINT item (leaving
        // maintenance) ends the job without the time-out message.
        if (LastRespName != "MAINT") {
            CommError = kErrNoResponse;
            CommResult = kErrNoResponse;
        }
        StopTimer2();
        CommStep = kStepFinish;
        CommState = kStateParse;
        return;
    }
    // A pending time-out is cleared before the retransmission; at the finishing
    // step it is the job's result (silence after MAINT) and stays.
    if (CommError == kErrTimeout && CommStep != kStepFinish) CommError = kErrNone;

    SendDispatch(MainPort(), CommJob);

    if (CommStep == 1) {
        if (CommError != kErrNone) {
            CommStep = kStepFinish;
            CommState = kStateParse;
        }
    } else if (CommStep == kStepDone) {
        CommState = kStateFinish;
    } else {
        CommState = kStateTransmit;
    }
}

void TickTransmit() {
    auto& port = MainPort();
    StopTimer2();
    port.ClearBuffers();
    port.Write(SendBuffer);
    StartTimer2();
    if (LogFileOn) LogFrame(SendBuffer, true);
    ShowMonitorFrame(true);
    CommState = kStateWait;
}

void TickWait() {
    switch (CommError) {
        case kErrNone:
            RecvFrame(MainPort(), CommRecvStatus);
            if (CommRecvStatus == kRecvComplete) CommState = kStateParse;
            break;
        case kErrTimeout:
            ++CommRetry;
            --CommStep;
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
        shell::SetJobStatusSource([] { return shell::JobStatus{CommResult, CommTitle}; });
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
    return true;
}

void Timer1() {
    if (g_inTick) return;
    struct TickGuard {
        TickGuard() { g_inTick = true; }
        ~TickGuard() { g_inTick = false; }
    } guard;
    try {
        CheckTimer2();
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

int ShowCommErrorMessage(int code) {
    static const std::map<int, int> kMessageOf = {
        {kErrNoResponse, 2}, {kErrTerminated, 14}, {kErrModel, 5},       {kErrOut2Type, 6},
        {kErrSensorType, 7}, {kErrAddress, 8},     {kErrCommand, 4},     {kErrBothRefused, 40},
        {kErrRackBaud, 29},  {kErrBaudModel, 30},  {kErrCustomType, 46}, {kErrSlotZero, 3},
    };
    auto it = kMessageOf.find(code);
    if (it == kMessageOf.end()) return 0;
    shell::RQ0000fnc_nShowMsgBox(it->second, shell::kButtonsOk, CommTitle);
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
