#include "comm/EngineCore.h"

#include <algorithm>
#include <map>
#include <stdexcept>
#include <utility>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
#include "comm/SerialPort.h"
#include "comm/jobs/JobResults.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"

namespace rq50::comm {

namespace {

/// Job 3 and the jobs of the online page, which work on the line job 3
/// left open.
bool IsOnlineJob(Job job) {
    return job == kJobConnect || IsMonitoredJob(job);
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

/// Fast pacing: most actions one tick may take (a whole exchange is five).
constexpr int kFastActionsPerTick = 16;

CommHost g_silentHost;

}  // namespace

void EngineCore::StartTimer2() {
    Timer2Enabled = true;
    Timer2Deadline = NowMs() + kResponseTimeoutMs;
}

void EngineCore::StopTimer2() {
    Timer2Enabled = false;
}

/// The engine ends the job itself: the finishing step is built next, without
/// a parse of its own.
void EngineCore::EndNow(CommErrorCode code) {
    StopTimer2();
    EndJob(code);
    CommState = kStateParse;
}

/// The response timer, checked while the engine waits. An answer that has
/// arrived by the deadline is the answer, even when the ticks have not yet
/// read it; a pending "Terminate" is kept so the user's request is not turned
/// into one more retry. True when the tick has acted.
bool EngineCore::CheckTimer2() {
    if (!Timer2Enabled || NowMs() < Timer2Deadline) return false;
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
    // After "Terminate" the unanswered request is not tried again.
    const bool stopping = stopRequested || CommError == kErrTerminated;
    CommError = stopping ? kErrTerminated : kErrTimeout;
    return false;
}

/// The port went away under the job: the job ends with nothing more sent.
void EngineCore::LineLost() {
    if (LogFileOn) LogNote("The connection to " + PortNameForRecord(CommDevice()) + " was lost.");
    EndNow(kErrLineLost);
}

/// Three time-outs at one speed: try the other. A reopen that fails ends the
/// job as a failed open at step 0 does, since nothing can be sent anyway; so
/// does a line whose speed only its device server sets (raw TCP), with the
/// reason instead of tries that cannot be answered. Returns false when the
/// job has ended.
bool EngineCore::SwitchSpeed() {
    auto& port = MainPort();
    if (RefuseSpeedChange(port)) {
        EndNow(kErrPortOpen);
        return false;
    }
    CommSpeedSaved = CommSettings.speed;
    CommSettings.speed = CommSettings.speed == 1200 ? 9600 : 1200;
    CommSpeed = CommSettings.speed;
    if (CloseCommPort(port) != 0) ShowPortError();
    staleAnswers = 0;
    if (OpenCommPort(port) != 0) {
        ShowPortError();
        CommSpeed = CommSpeedSaved;
        EndNow(kErrPortOpen);
        return false;
    }
    return true;
}

/// Six tries without an answer. An instrument that stops answering after its
/// MAINT item (leaving maintenance) ends the job with result 1 and no message.
void EngineCore::AllTriesFailed() {
    CommSpeed = CommSpeedSaved;
    const bool leftMaintenance = LastRespName == "MAINT";
    if (!leftMaintenance) CommResult = kErrNoResponse;
    EndNow(leftMaintenance ? kErrTimeout : kErrNoResponse);
}

/// A retry: the kept request goes out again with the retransmission flag,
/// after the speed switch at the fourth try.
void EngineCore::Resend() {
    if (CommRetry == kTriesPerSpeed && !SwitchSpeed()) return;
    if (CommRetry >= 2 * kTriesPerSpeed) {
        AllTriesFailed();
        return;
    }
    if (CommError == kErrTimeout) CommError = kErrNone;
    SendBuffer = request;
    MarkRetransmission(SendBuffer);
    CommState = kStateTransmit;
}

void EngineCore::TickBuild() {
    CommRecvStatus = kRecvHeader;
    // "Terminate" pressed between two exchanges ends the job before the next
    // request or retry goes out, so no write is left sent but unanswered.
    // A job its last answer already ended keeps that ending.
    if ((CommError == kErrTerminated || stopRequested) && CommStep != kStepFinish) {
        StopTimer2();
        CommError = kErrTerminated;
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
        if (CommError != kErrNone) EndNow(CommError);
    } else if (CommStep == kStepDone) {
        CommState = kStateFinish;
    } else {
        request = SendBuffer;
        triesSent = 0;
        answersSeen = 0;
        badAnswer.clear();
        CommState = kStateTransmit;
    }
}

std::int64_t EngineCore::MsUntilNextAction() const {
    switch (CommState) {
        case kStateIdle:
            return -1;
        case kStateTransmit:
            return InGap() ? lastFrameAtMs + pacing.gapMs - NowMs() : 0;
        case kStateWait:
            if (!Timer2Enabled) return Timer1Interval;
            return std::max<std::int64_t>(Timer2Deadline - NowMs(), 0);
        default:
            return 0;
    }
}

/// Fast pacing: the pause after the last answer has not yet passed.
bool EngineCore::InGap() const {
    return pacing.fast && NowMs() < lastFrameAtMs + pacing.gapMs;
}

void EngineCore::TickTransmit() {
    if (InGap()) return;
    auto& port = MainPort();
    StopTimer2();
    // Whatever is left of earlier answers is no answer to this request.
    port.ClearBuffers();
    ResetReception();
    if (!port.Write(SendBuffer)) {
        // A port that closed under the job takes nothing more.
        if (!port.IsOpen()) return LineLost();
        // Anything else is left to the response time-out and its retries.
    }
    ++triesSent;
    ++requestsSent;
    StartTimer2();
    if (LogFileOn) LogFrame(SendBuffer, true);
    ShowMonitorFrame(true);
    CommState = kStateWait;
}

/// The answer is not taken: one more try of the same request, at once.
void EngineCore::RetryNow() {
    StopTimer2();
    ++CommRetry;
    CommState = kStateBuild;
}

void EngineCore::LogIfOn(const std::string& note) {
    if (LogFileOn) LogNote(note);
}

/// Judges a complete frame. A wrong checksum asks again, within the tries a
/// time-out has; the same wrong answer twice in a row is taken, for an
/// instrument whose sums differ from ours. A frame that answers another
/// request (a late answer to an earlier try) is passed over and the wait
/// goes on.
void EngineCore::JudgeAnswer(const std::string& nameBefore) {
    if (!ChecksumOk(RecvBuffer)) {
        ++answersSeen;
        if (RecvBuffer != badAnswer) {
            badAnswer = RecvBuffer;
            LastRespName = nameBefore;
            LogIfOn("Checksum error: the request is sent again.");
            RetryNow();
            return;
        }
        LogIfOn("Checksum error in the same answer twice: the answer is taken.");
    } else if (!AnswerBelongsTo(request) || (staleAnswers > 0 && RecvBuffer == lastAnswer)) {
        if (staleAnswers > 0) --staleAnswers;
        LastRespName = nameBefore;
        LogIfOn("Answer to an earlier request: passed over.");
        CommRecvStatus = kRecvHeader;
        ResetReception();
        return;
    } else {
        ++answersSeen;
    }
    lastAnswer = RecvBuffer;
    staleAnswers = std::max(0, triesSent - answersSeen);
    StopTimer2();
    CommState = kStateParse;
}

/// One step of reception; a complete frame is judged at once.
void EngineCore::ReceiveStep() {
    const std::string nameBefore = LastRespName;
    RecvFrame(MainPort(), CommRecvStatus);
    // The port closes itself when its device goes away: no answer can come,
    // so the job ends now rather than after its tries.
    if (!MainPort().IsOpen()) return LineLost();
    if (CommRecvStatus != kRecvComplete) return;
    lastFrameAtMs = NowMs();
    JudgeAnswer(nameBefore);
}

void EngineCore::TickWait() {
    switch (CommError) {
        case kErrNone:
            ReceiveStep();
            break;
        case kErrTimeout:
            ++CommRetry;
            CommState = kStateBuild;
            break;
        case kErrTerminated:
            EndNow(kErrTerminated);
            break;
        default:
            break;
    }
}

void EngineCore::TickParse() {
    StopTimer2();
    RecvDispatch(CommJob);
    CommRetry = 0;
    CommState = CommStep == kStepDone ? kStateFinish : kStateBuild;
}

void EngineCore::TickFinish() {
    CommResult = CommError;
    CommRecvStatus = kRecvHeader;
    CommStep = 0;
    CommState = kStateIdle;
    CommError = kErrNone;
    CommRetry = 0;
    LastRespName.clear();
    CommBusy = false;
    stopRequested = false;
    StopTimer2();
    Host().CloseCommDialog();
    NoteJobEnd();
    m_outcome = MakeOutcome();
    if (CommJob == kJobDownload || CommJob == kJobProgramDownload)
        Data().checkList = m_outcome.differences;
    if (m_jobObserver) m_jobObserver(m_outcome, m_recordAs);
    if (auto done = std::exchange(m_jobDone, nullptr)) done(m_outcome);
    Host().SetBusyPointer(false);
}

/// Ends the running job at once after an unexpected error: the port is
/// released and the job is reported as terminated.
void EngineCore::AbortJob() {
    StopTimer2();
    if (CommState == kStateIdle && !CommBusy) return;
    if (MainPort().IsOpen() && CloseCommPort(MainPort()) != 0) PortError = {};
    CommError = kErrTerminated;
    CommState = kStateFinish;
    try {
        TickFinish();
    } catch (const std::exception& error) {
        shell::ShowRoutineError(Data().hosts, "Timer1_ERR", error.what());
    }
}

EngineCore::EngineCore(CommEngine& owner)
    : m_ownWorkspace(std::make_unique<files::Workspace>()),
      m_workspace(m_ownWorkspace.get()),
      m_owner(owner),
      m_tables(std::make_unique<jobs::JobTables>()),
      m_results(std::make_unique<jobs::JobResults>()) {
    m_ownWorkspace->hosts.engine = &owner;
}

EngineCore::~EngineCore() = default;

JobOutcome EngineCore::MakeOutcome() const {
    JobOutcome outcome;
    outcome.job = CommJob;
    outcome.code = CommResult;
    outcome.errorText = CommErrorText(CommResult);
    outcome.facts = CommFacts;
    outcome.instrument = lastInstrument;
    const jobs::JobResults& results = *m_results;
    if (CommJob == kJobDownload || CommJob == kJobProgramDownload) {
        outcome.itemsWritten = results.itemsWritten;
        outcome.written = results.written;
        outcome.differences = results.downloadCheck;
        outcome.instrumentModel = results.instrumentModel;
    }
    // While the job ends, its error is not yet its result.
    outcome.addressErrorAtZero =
        (CommResult == kErrAddress || CommError == kErrAddress) && RespMA == 0 && RespMB == 0;
    if (CommJob == kJobSlot) outcome.slotModel = results.slotModel;
    if (CommJob == kJobProgramUpload || CommJob == kJobProgramDownload)
        outcome.refusedArea = results.refusedArea;
    return outcome;
}

void EngineCore::Reset() {
    static_cast<CommEngineState&>(*this) = CommEngineState{};
}

std::int64_t EngineCore::NowMs() const {
    return m_clock ? m_clock->NowMs() : 0;
}

void EngineCore::SetClock(shell::Clock* clock) {
    m_clock = clock;
}

void EngineCore::SetCommPacing(const CommPacing& next) {
    pacing = {next.fast, std::clamp(next.gapMs, 0, 1000)};
}

void EngineCore::SetHost(CommHost* host) {
    m_host = host;
}
CommHost& EngineCore::Host() {
    return m_host ? *m_host : g_silentHost;
}

void EngineCore::AttachPort(SerialPort* port) {
    m_port = port;
}
SerialPort& EngineCore::MainPort() {
    static NoPort none;
    return m_port ? *m_port : none;
}

void EngineCore::RegisterCommJob(Job job, CommJobRoutines routines) {
    m_jobs[job] = std::move(routines);
}
void EngineCore::UnregisterCommJob(Job job) {
    m_jobs.erase(job);
}
bool EngineCore::IsCommJobRegistered(Job job) const {
    return m_jobs.count(job) != 0;
}

void EngineCore::SendDispatch(SerialPort& port, Job job) {
    auto it = m_jobs.find(job);
    if (it != m_jobs.end() && it->second.build) it->second.build(port);
}

void EngineCore::RecvDispatch(Job job) {
    auto it = m_jobs.find(job);
    if (it != m_jobs.end() && it->second.parse) it->second.parse();
}

bool EngineCore::StartCommJob(const JobRequest& request) {
    if (CommState != kStateIdle || CommBusy) return false;
    // A code without routines would send nothing and never finish.
    if (!IsCommJobRegistered(request.code)) return false;
    // The download password closes every path that changes what an
    // instrument holds, whoever starts the job.
    if (ChangesInstrument(request.code) && !Data().state.downloadAllowed) return false;
    CommTitle = request.title;
    m_jobDone = request.done;
    m_keepLineOpen = request.keepLineOpen;
    m_recordAs = request.recordAs;
    CommFacts.category = request.category;
    CommBusy = true;
    CommJob = request.code;
    CommState = kStateBuild;
    CommStep = 0;
    CommError = kErrNone;
    CommRetry = 0;
    stopRequested = false;
    Timer1Interval = pacing.fast ? kFastPollMs : kTickMs;
    Timer2Enabled = false;
    lastFrameAtMs = 0;
    requestsSent = 0;
    CommSettings.speed = CommSpeed;
    CommSpeedSaved = CommSpeed;
    // Any other job reaches its instrument afresh, asking for the slot.
    if (!IsOnlineJob(request.code) || request.code == kJobConnect) relinkInstrument = {};
    onlineLineOpen = false;
    // Late answers of the last job end with the line; an open port (the
    // online jobs) may still bring them.
    if (!MainPort().IsOpen()) staleAnswers = 0;
    return true;
}

void EngineCore::Timer1() {
    if (inTick) return;
    struct TickGuard {
        explicit TickGuard(bool& flag) : flag(flag) { flag = true; }
        ~TickGuard() { flag = false; }
        bool& flag;
    } guard(inTick);
    try {
        // Classic pacing: one action. Fast pacing: actions until one leaves
        // the state as it was (waiting for bytes or for the gap), bounded so
        // a job that loops without the line still lets the program breathe.
        const int actions = pacing.fast ? kFastActionsPerTick : 1;
        for (int action = 0; action < actions; ++action) {
            if (CommState == kStateWait && CheckTimer2()) return;
            const CommStates before = CommState;
            const auto received = RecvBuffer.size();
            switch (CommState) {
                case kStateIdle:
                    if (onlineLineOpen && pacing.fast &&
                        NowMs() - lineIdleSinceMs >= kOnlineLineIdleMs)
                        ReleaseOnlineLine();
                    return;
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
                    return;
            }
            if (CommState == kStateIdle) return;
            if (CommState == before && RecvBuffer.size() == received && CommState != kStateBuild &&
                CommState != kStateParse)
                return;
        }
    } catch (const std::exception& error) {
        // A transaction that fails unexpectedly must not leave the engine
        // busy for good: report it, release the port and end the job.
        shell::ShowRoutineError(Data().hosts, "Timer1_ERR", error.what());
        AbortJob();
    }
}

void EngineCore::Terminate() {
    stopRequested = CommBusy;
    // A request on the line waits for its answer or its time-out; at any
    // other moment the job ends before the next request.
    if (CommState != kStateWait) CommError = kErrTerminated;
}

bool EngineCore::RunCommJob(std::int64_t maxMs, const std::function<bool()>& stopAsked) {
    auto* clock = m_clock;
    if (!clock) return false;
    const std::int64_t end = clock->NowMs() + maxMs;
    bool terminated = false;
    while (CommBusy) {
        if (!terminated && stopAsked && stopAsked()) {
            Terminate();
            terminated = true;
        }
        Timer1();
        if (!CommBusy) break;
        if (clock->NowMs() >= end) return false;
        clock->Wait(Timer1Interval);
    }
    return true;
}

void EngineCore::EndJob(CommErrorCode code) {
    CommError = code;
    CommStep = kStepFinish;
}

int EngineCore::AdvanceStep() {
    const int step = CommStep;
    CommStep = step + 1;
    return step;
}

bool EngineCore::BeginJob(SerialPort& port) {
    SetProgress(0);
    CommResult = kErrNone;
    if (LogFileOn) ResetLogFile();
    if (OpenCommPort(port) != 0) {
        ShowPortError();
        return false;
    }
    return true;
}

void EngineCore::EndJobClosePort(SerialPort& port, bool keepIfWasOpen) {
    if (CommError == kErrPortOpen) return;
    if (keepIfWasOpen && PortWasOpen) return;
    // Fast pacing keeps the line of an open page, also one a page job had to
    // open again, until the page closes or the line idles.
    if (keepIfWasOpen && pacing.fast && m_page != nullptr && IsOnlineJob(CommJob) &&
        CommError == kErrNone)
        return;
    if (m_keepLineOpen && CommError == kErrNone) return;
    if (CloseCommPort(port) != 0) ShowPortError();
}

void EngineCore::NoteJobEnd() {
    const bool online = IsOnlineJob(CommJob);
    onlineLineOpen = online && m_port != nullptr && m_port->IsOpen();
    lineIdleSinceMs = NowMs();
    if (!online || !pacing.fast) return;
    // The instrument the online work reached, to reach again on a line
    // opened anew (a job that failed may have closed it already).
    relinkInstrument = lastInstrument;
    if (CommResult != kErrNone) ReleaseOnlineLine();
}

void EngineCore::ReleaseOnlineLine() {
    if (!pacing.fast || CommBusy || !onlineLineOpen) return;
    onlineLineOpen = false;
    relinkInstrument = lastInstrument;
    CloseLine();
}

void EngineCore::CloseLine() {
    if (CommBusy || m_port == nullptr || !m_port->IsOpen()) return;
    if (CloseCommPort(*m_port) != 0) PortError = {};
}

namespace {

/// "The connection to DEV was lost…", what the job got done, and what to
/// check. It reads as a fault of the line, not of a typed port name.
}  // namespace

void EngineCore::ShowLineLost(const std::string& detail) {
    auto* messages = Data().hosts.messages;
    if (!messages) return;
    shell::MessageBoxRequest box;
    box.text = shell::Catalogue(kTextLineLost);
    if (const auto at = box.text.find("%1"); at != std::string::npos)
        box.text.replace(at, 2, CommDevice());
    if (!detail.empty()) box.text += "\r\n\r\n" + detail;
    box.text += "\r\n\r\n" + shell::Catalogue(kTextCheckTheLine);
    box.title = shell::Catalogue(kTextCommunicationError);
    box.buttons = shell::kButtonsOk;
    box.icon = shell::MsgIcon::Exclamation;
    messages->Beep();
    messages->Show(box);
}

/// Which device stayed silent and at which speeds, so that a wrong port or a
/// cable left unplugged shows in the message: the six tries run three at the
/// speed of the job and three at the other.
std::string EngineCore::NoAnswerDetail() const {
    std::string text = shell::Catalogue(kTextNoAnswerFrom);
    const std::int32_t other = CommSpeed == 9600 ? 1200 : 9600;
    for (const auto& [mark, value] : {std::pair{std::string("%1"), CommDevice()},
                                      std::pair{std::string("%2"), std::to_string(CommSpeed)},
                                      std::pair{std::string("%3"), std::to_string(other)}}) {
        if (const auto at = text.find(mark); at != std::string::npos) text.replace(at, 2, value);
    }
    return text;
}

int EngineCore::ShowCommErrorMessage(CommErrorCode code, const std::string& detail) {
    static const std::map<CommErrorCode, int> kMessageOf = {
        {kErrNoResponse, 2}, {kErrTerminated, 14}, {kErrModel, 5},       {kErrOut2Type, 6},
        {kErrSensorType, 7}, {kErrAddress, 8},     {kErrCommand, 4},     {kErrBothRefused, 40},
        {kErrRackBaud, 29},  {kErrBaudModel, 30},  {kErrCustomType, 46}, {kErrSlotZero, 3},
    };
    if (code == kErrLineLost) {
        ShowLineLost(detail);
        return 0;
    }
    auto it = kMessageOf.find(code);
    if (it == kMessageOf.end()) return 0;
    shell::ShowMsgBoxWithDetail(
        Data().hosts, it->second, shell::kButtonsOk, CommTitle,
        detail.empty() && code == kErrNoResponse ? NoAnswerDetail() : detail);
    return it->second;
}

bool EngineCore::CheckRespStatus(int flag) {
    if (RespStatus == kRespCommandError) {
        EndJob(kErrCommand);
        return false;
    }
    if (RespStatus == kRespAddressError) {
        if (CommJob == kJobProgramUpload || CommJob == kJobProgramDownload) {
            CommError = flag != 0 ? kErrConstRefused : kErrProgramRefused;
        } else {
            EndJob(kErrAddress);
        }
        return false;
    }
    return true;
}

bool EngineCore::IsSlotZeroResponse() const {
    return RespName + RespData == "SLOT NO       00";
}

bool EngineCore::CheckSlotZero() {
    if (!IsSlotZeroResponse()) return true;
    EndJob(kErrSlotZero);
    return false;
}

void EngineCore::AskSlotNumber() {
    SlotConfirmed = false;
    if (auto slot = Host().AskSlot(); slot && *slot >= 1 && *slot <= 16) {
        SlotNumber = *slot;
        SlotConfirmed = true;
        return;
    }
    EndJob(kErrTerminated);
}

void EngineCore::SetProgress(int value) {
    CommProgress = value;
    RefreshProgress();
}

void EngineCore::RefreshProgress() {
    Host().ShowProgress(std::clamp(CommProgress, 0, 100));
}

}  // namespace rq50::comm
