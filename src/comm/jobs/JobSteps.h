#pragma once

// A job as one step switch. Each case of a job's `Step` builds the step's
// request while the engine sends, and handles the answer when it has come
// back, side by side. The steps every job shares (the connect sequence, the
// category starts, the V3 access code, the MAINT entry) are blocks that a
// job opens its switch with.

#include "comm/EngineCore.h"
#include "comm/jobs/GroupWalk.h"
#include "files/DataSet.h"
#include "files/Workspace.h"

#include <array>
#include <memory>
#include <string>

namespace rq50::comm::jobs {

/// Steps of the connect sequence every job begins with.
enum ConnectStep : int { kStepFirstItem = 1, kStepSlotWrite = 2, kStepModel = 3 };
/// Steps 4-6 of the jobs that read the category starts.
enum CategoryStartStep : int { kStepDisplayStart = 4, kStepSetStart = 5, kStepAdjustStart = 6 };

/// Steps an open page's job begins with on a line the online work let go of
/// and opened again behind a rack (EngineCore::ReleaseOnlineLine): the first
/// item, which the rack answers with slot 00, and the slot written again;
/// then the job's own step 1.
enum RelinkStep : int { kStepRelinkFirst = 90, kStepRelinkSlot = 91 };

/// Reads of these MAs answer the head of the first DISPLAY, SET and ADJUST
/// group.
constexpr int kDisplayStartMa = 26;
constexpr int kSetStartMa = 25;
constexpr int kAdjustStartMa = 24;
/// The item a V3 model takes its access code at.
constexpr int kAccessCodeMa = 20;
constexpr int kAccessCodeMb = 3;

class StepJob {
  public:
    explicit StepJob(EngineCore& engine) : e(engine) {}
    virtual ~StepJob() = default;

    /// The builder and parser the engine calls.
    CommJobRoutines Routines();

  protected:
    /// The engine the job runs on.
    EngineCore& e;

    /// Step 0: prepares the job and opens the port.
    virtual void Begin(SerialPort& port) = 0;
    /// Step 98: closes or keeps the port and reports.
    virtual void Finish(SerialPort& port) = 0;
    /// One step: its request while Sending(), else the handling of its
    /// answer, which has passed AnswerChecks.
    virtual void Step(int step) = 0;

    /// The checks an answer of `step` gets before Step sees it; the connect
    /// sequence's first answer is checked by its block.
    virtual bool AnswerChecks(int step);
    /// Called before each request is built (progress).
    virtual void BeforeRequest(int /*step*/) {}

    /// The connect sequence's hooks: a rack interface answered slot 00 (the
    /// default asks for the slot), and the instrument's model text, from the
    /// first answer of a direct instrument or from step 3. The sequence goes
    /// on at step 4 unless the hook jumps.
    virtual void RackAnswered() { e.AskSlotNumber(); }
    virtual void ModelAnswered(const std::string& /*model*/) {}
    /// The category starts are known (after step 6's answer).
    virtual void CategoryStartsAnswered() {}
    /// The custom-type byte of a V3 model's access-code answer.
    virtual void CustomTypeAnswered(int /*customType*/) {}
    /// The MAINT entry reached the first MAINT head (the last answer).
    virtual void MaintStartAnswered() {}
    /// A category walk's answer to 84h: an item of the group, or the group
    /// has ended. Its answer to 82h: a group of the category, or the category
    /// is done. A walk past its bounds ends the job with an address error.
    virtual void ItemAnswered(bool /*item*/) {}
    virtual void GroupAnswered(bool /*group*/) {}

    /// The jobs of an open page (moves, reading, an item's read and write,
    /// cancelling a forced output): they have no connect sequence of their
    /// own, so a reopened line is linked again first (RelinkStep).
    virtual bool RunsOnOpenPage() const { return false; }
    /// For a connect sequence on a reopened online line: the rack slot the
    /// page was reached in is selected again without asking. False when
    /// there is none to take.
    bool TakeRelinkSlot();

    bool Sending() const { return m_sending; }
    /// A step that finds nothing to send ends the job instead.
    void NothingToSend() { e.CommStep = kStepFinish; }

    // ---- shared blocks; each is true when `step` is one of its steps

    /// Steps 1-3: first item (the SLOT No. dialog for a rack), slot write,
    /// model.
    bool ConnectSequence(int step);
    /// Steps 4-6: the first MA of DISPLAY, SET and ADJUST into `header`.
    bool CategoryStarts(int step, files::DataSetHeader& header);
    /// Four steps from `first`: ADJUST head, 10h, 82h, the access code write.
    bool V3Access(int step, int first, int adjustStart);
    /// Three steps of a category walk: `firstItem` (84h from a group's head),
    /// the next item (84h) and the next group (82h).
    bool GroupWalkSteps(int step, int firstItem, GroupWalk& walk);
    /// Three steps from `first`: ADJUST head, 10h, 82h, whose answer is the
    /// first MAINT head. When that 82h had to be sent again, its first try
    /// may have used the entry and the answer is another head: the entry is
    /// then made again, a few times at most.
    bool MaintEntry(int step, int first, int adjustStart);

  private:
    void Build(SerialPort& port);
    void Parse();
    void Relink(int step);
    /// ADJUST head, 10h, 82h from the ADJUST start: `offset` 0-2.
    void EntryRequest(int offset, int adjustStart);

    bool m_sending = false;
    bool m_relink = false;
    int m_maintEntries = 0;
};

/// Registers one job object with `engine` for the job code `job`; the engine
/// keeps the object as long as it lives.
template <class JobClass, class... Args>
void RegisterStepJob(EngineCore& engine, Job job, Args... args) {
    auto instance = std::make_shared<JobClass>(engine, args...);
    engine.RegisterCommJob(job, instance->Routines());
    engine.KeepJobObject(instance);
}

/// Registers several jobs at once: the n-th job class for the n-th code.
template <class... Jobs, class... Codes>
void RegisterStepJobs(EngineCore& engine, Codes... codes) {
    static_assert(sizeof...(Jobs) == sizeof...(Codes), "one code for each job");
    (RegisterStepJob<Jobs>(engine, codes), ...);
}

}  // namespace rq50::comm::jobs
