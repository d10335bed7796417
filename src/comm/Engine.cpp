// The engine's tick: each 50 ms (or at once under fast pacing) it builds,
// sends, waits for, judges and parses one exchange of the running job, with
// the response timer, the retries and the speed switch.
#include "comm/EngineCore.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"

namespace rq50::comm {

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
            return InGap() ? m_pacing.GapLeftMs(NowMs()) : 0;
        case kStateWait:
            if (!Timer2Enabled) return Timer1Interval;
            return std::max<std::int64_t>(Timer2Deadline - NowMs(), 0);
        default:
            return 0;
    }
}

/// Fast pacing: the pause after the last answer has not yet passed.
bool EngineCore::InGap() const {
    return m_pacing.InGap(NowMs());
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
    m_pacing.AnswerArrived(NowMs());
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
        const int actions = m_pacing.ActionsPerTick();
        for (int action = 0; action < actions; ++action) {
            if (CommState == kStateWait && CheckTimer2()) return;
            const CommStates before = CommState;
            const auto received = RecvBuffer.size();
            switch (CommState) {
                case kStateIdle:
                    if (onlineLineOpen && m_pacing.Fast() &&
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

}  // namespace rq50::comm
