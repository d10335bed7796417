#include "comm/jobs/JobSteps.h"

#include "comm/EngineState.h"
#include "comm/Frame.h"
#include "comm/jobs/JobSupport.h"
#include "comm/jobs/TransferRules.h"

namespace rq50::comm::jobs {

namespace {
constexpr int kMaxMaintEntries = 3;
}  // namespace

CommJobRoutines StepJob::Routines() {
    return {[this](SerialPort& port) { Build(port); }, [this] { Parse(); }};
}

bool StepJob::AnswerChecks(int step) {
    return step == kStepFirstItem || Checks();
}

void StepJob::Build(SerialPort& port) {
    const int step = AdvanceStep();
    if (step == 0) {
        m_maintEntries = 0;
        CommEngine().lastInstrument = {};
        Begin(port);
        return;
    }
    if (step == kStepFinish) {
        Finish(port);
        return;
    }
    if (step == kStepDone) return;
    SendBuffer.clear();
    m_sending = true;
    BeforeRequest(step);
    Step(step);
    m_sending = false;
    // A step that builds no request ends the job: nothing is sent twice.
    if (SendBuffer.empty()) CommStep = kStepFinish;
    if (CommStep == kStepFinish) {
        AdvanceStep();
        Finish(port);
    }
}

void StepJob::Parse() {
    const int step = AnsweredStep();
    if (step < 0 || !AnswerChecks(step)) return;
    Step(step);
}

bool StepJob::ConnectSequence(int step) {
    switch (step) {
        case kStepFirstItem:
            if (Sending()) {
                ReqFirstItem();
            } else if (CheckRespStatus()) {
                if (IsSlotZeroResponse()) {
                    CommEngine().lastInstrument.viaRack = true;
                    RackAnswered();
                } else {
                    CommStep = kStepDisplayStart;
                    CommEngine().lastInstrument.model = TrimBlanks(RespData);
                    ModelAnswered(RespData);
                }
            }
            return true;
        case kStepSlotWrite:
            if (Sending()) BuildSlotWrite(SlotNumber);
            return true;
        case kStepModel:
            if (Sending()) {
                ReqNextMB(0, 0);
            } else {
                CommEngine().lastInstrument.model = TrimBlanks(RespData);
                CommEngine().lastInstrument.slot = SlotNumber;
                ModelAnswered(RespData);
            }
            return true;
        default:
            return false;
    }
}

bool StepJob::CategoryStarts(int step, files::DataSetHeader& header) {
    static constexpr std::array<int, 3> kStartMa = {kDisplayStartMa, kSetStartMa, kAdjustStartMa};
    const int offset = step - kStepDisplayStart;
    if (offset < 0 || offset > 2) return false;
    if (Sending()) {
        ReqItem(kStartMa[static_cast<std::size_t>(offset)], 0, 0);
        return true;
    }
    const std::array<int*, 3> starts = {&header.displayStart, &header.setStart,
                                        &header.adjustStart};
    *starts[static_cast<std::size_t>(offset)] = RespMA;
    if (step == kStepAdjustStart) CategoryStartsAnswered();
    return true;
}

bool StepJob::GroupWalkSteps(int step, int firstItem, GroupWalk& walk) {
    const bool item = step == firstItem || step == firstItem + 1;
    if (!item && step != firstItem + 2) return false;
    if (Sending()) {
        if (item) {
            ReqNextMB(walk.Ma(), walk.Mb());
        } else {
            ReqItem82(walk.Ma());
        }
        return true;
    }
    const WalkStep next = item ? walk.NextItem(RespMA, RespMB) : walk.NextGroup(RespMA, RespMB);
    // An instrument whose walk never ends: stop with an address error rather
    // than ask for ever.
    if (next == WalkStep::BoundExceeded) {
        EndJob(kErrAddress);
    } else if (item) {
        ItemAnswered(next == WalkStep::Item);
    } else {
        GroupAnswered(next == WalkStep::Group);
    }
    return true;
}

void StepJob::EntryRequest(int offset, int adjustStart) {
    switch (offset) {
        case 0:
            ReqItem(adjustStart, 0, 0);
            break;
        case 1:
            ReqCommand10(0, 0, 0);
            break;
        default:
            ReqItem82(adjustStart);
            break;
    }
}

bool StepJob::V3Access(int step, int first, int adjustStart) {
    const int offset = step - first;
    if (offset < 0 || offset > 3) return false;
    if (offset < 3) {
        if (Sending()) EntryRequest(offset, adjustStart);
        return true;
    }
    if (Sending()) {
        SetSendDataText(AccessCode());
        ReqWrite(kAccessCodeMa, kAccessCodeMb, 0);
    } else {
        CustomTypeAnswered(CustomTypeFromData(RespData));
    }
    return true;
}

bool StepJob::MaintEntry(int step, int first, int adjustStart) {
    const int offset = step - first;
    if (offset < 0 || offset > 2) return false;
    if (Sending()) {
        EntryRequest(offset, adjustStart);
    } else if (offset == 2) {
        if (AnsweredAfterResend() && m_maintEntries < kMaxMaintEntries) {
            ++m_maintEntries;
            CommStep = first;
        } else {
            MaintStartAnswered();
        }
    }
    return true;
}

}  // namespace rq50::comm::jobs
