#include "comm/jobs/JobSteps.h"

#include <utility>

#include "comm/EngineState.h"
#include "comm/Frame.h"
#include "comm/jobs/JobSupport.h"
#include "comm/jobs/TransferRules.h"
#include "shell/TextTrim.h"

namespace rq50::comm::jobs {

namespace {
constexpr int kMaxMaintEntries = 3;
}  // namespace

CommJobRoutines StepJob::Routines() {
    return {[this](SerialPort& port) { Build(port); }, [this] { Parse(); }};
}

bool StepJob::AnswerChecks(int step) {
    return step == kStepFirstItem || Checks(e);
}

void StepJob::Build(SerialPort& port) {
    int step = e.AdvanceStep();
    if (step == 0) {
        m_maintEntries = 0;
        // On a line left open by the job before, the instrument is the one
        // that job reached (behind a rack, in the slot still selected). An
        // open page's instrument stays the one the page was opened on.
        const bool reopened = !port.IsOpen();
        if (reopened) e.lastInstrument = RunsOnOpenPage() ? e.relinkInstrument : InstrumentFacts{};
        Begin(port);
        m_relink = reopened && RunsOnOpenPage() && e.relinkInstrument.viaRack && port.IsOpen();
        return;
    }
    if (step == kStepFinish) {
        Finish(port);
        return;
    }
    if (step == kStepDone) return;
    // A reopened line is linked again before the job's own first step.
    if (step == 1 && std::exchange(m_relink, false)) {
        step = kStepRelinkFirst;
        e.CommStep = kStepRelinkFirst + 1;
    }
    e.SendBuffer.clear();
    m_sending = true;
    if (step == kStepRelinkFirst || step == kStepRelinkSlot) {
        Relink(step);
    } else {
        BeforeRequest(step);
        Step(step);
    }
    m_sending = false;
    // A step that builds no request ends the job: nothing is sent twice.
    if (e.SendBuffer.empty()) e.CommStep = kStepFinish;
    if (e.CommStep == kStepFinish) {
        e.AdvanceStep();
        Finish(port);
    }
}

void StepJob::Parse() {
    const int step = AnsweredStep(e);
    if (step == kStepRelinkFirst || step == kStepRelinkSlot) return Relink(step);
    if (step < 0 || !AnswerChecks(step)) return;
    Step(step);
}

void StepJob::Relink(int step) {
    if (Sending()) {
        if (step == kStepRelinkFirst) return e.ReqFirstItem();
        return BuildSlotWrite(e, e.relinkInstrument.slot);
    }
    if (!e.CheckRespStatus()) return;
    if (step == kStepRelinkFirst && e.IsSlotZeroResponse()) return;  // on to the slot write
    if (step == kStepRelinkSlot) TakeRelinkSlot();
    e.CommStep = 1;
}

bool StepJob::TakeRelinkSlot() {
    const InstrumentFacts& was = e.relinkInstrument;
    if (!was.viaRack || was.slot < 1 || was.slot > 16) return false;
    e.SlotNumber = was.slot;
    e.SlotConfirmed = true;
    e.lastInstrument = was;
    return true;
}

bool StepJob::ConnectSequence(int step) {
    switch (step) {
        case kStepFirstItem:
            if (Sending()) {
                e.ReqFirstItem();
            } else if (e.CheckRespStatus()) {
                if (e.IsSlotZeroResponse()) {
                    e.lastInstrument.viaRack = true;
                    RackAnswered();
                } else {
                    e.CommStep = kStepDisplayStart;
                    e.lastInstrument.model = shell::Trim(e.RespData);
                    ModelAnswered(e.RespData);
                }
            }
            return true;
        case kStepSlotWrite:
            if (Sending()) BuildSlotWrite(e, e.SlotNumber);
            return true;
        case kStepModel:
            if (Sending()) {
                e.ReqNextMB(0, 0);
            } else {
                e.lastInstrument.model = shell::Trim(e.RespData);
                e.lastInstrument.slot = e.SlotNumber;
                ModelAnswered(e.RespData);
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
        e.ReqItem(kStartMa[static_cast<std::size_t>(offset)], 0, 0);
        return true;
    }
    const std::array<int*, 3> starts = {&header.starts[files::Category::Display],
                                        &header.starts[files::Category::Set],
                                        &header.starts[files::Category::Adjust]};
    *starts[static_cast<std::size_t>(offset)] = e.RespMA;
    if (step == kStepAdjustStart) CategoryStartsAnswered();
    return true;
}

bool StepJob::GroupWalkSteps(int step, int firstItem, GroupWalk& walk) {
    const bool item = step == firstItem || step == firstItem + 1;
    if (!item && step != firstItem + 2) return false;
    if (Sending()) {
        if (item) {
            e.ReqNextMB(walk.Ma(), walk.Mb());
        } else {
            e.ReqItem82(walk.Ma());
        }
        return true;
    }
    const WalkStep next = item ? walk.NextItem(e.RespMA, e.RespMB) : walk.NextGroup(e.RespMA, e.RespMB);
    // An instrument whose walk never ends: stop with an address error rather
    // than ask for ever.
    if (next == WalkStep::BoundExceeded) {
        e.EndJob(kErrAddress);
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
            e.ReqItem(adjustStart, 0, 0);
            break;
        case 1:
            e.ReqCommand10(0, 0, 0);
            break;
        default:
            e.ReqItem82(adjustStart);
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
        e.SetSendDataText(AccessCode());
        e.ReqWrite(kAccessCodeMa, kAccessCodeMb, 0);
    } else {
        CustomTypeAnswered(CustomTypeFromData(e.RespData));
    }
    return true;
}

bool StepJob::MaintEntry(int step, int first, int adjustStart) {
    const int offset = step - first;
    if (offset < 0 || offset > 2) return false;
    if (Sending()) {
        EntryRequest(offset, adjustStart);
    } else if (offset == 2) {
        if (e.AnsweredAfterResend() && m_maintEntries < kMaxMaintEntries) {
            ++m_maintEntries;
            e.CommStep = first;
        } else {
            MaintStartAnswered();
        }
    }
    return true;
}

}  // namespace rq50::comm::jobs
