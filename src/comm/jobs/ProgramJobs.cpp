// Jobs 15 (upload PROGRAM and CONST) and 16 (download them).
//
// An instrument that refuses an area answers status 2; the engine records
// that as code 7 or 8 while the job goes on. These jobs read on at once: the
// refusal is kept aside and the code cleared, so the next response is taken
// as soon as it arrives instead of after the response timer. The final
// messages and result codes are the same either way.

#include "comm/CommPort.h"
#include "comm/jobs/GroupWalk.h"
#include "comm/jobs/JobSteps.h"
#include "comm/jobs/JobSupport.h"
#include "files/Workspace.h"
#include "program/ProgramTypes.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>

namespace rq50::comm::jobs {

namespace {

constexpr std::size_t kCommentLength = program::kCommentLength;

/// Where the walk of the areas stands.
enum Phase : int { kPhaseNone, kPhaseProgram, kPhaseProgramDone, kPhaseConst, kPhaseConstDone };

/// The category-table row of a model, if the program installed a table.
CategoryAreas LookupCategory(EngineCore& e, const std::string& model) {
    if (!e.Tables().findCategory) return {};
    return e.Tables().findCategory(shell::TrimUpper(model));
}

/// Both program jobs: an address error outside the area requests ends the
/// job (the engine would otherwise keep it pending and repeat the request).
class ProgramStepJob : public StepJob {
  public:
    using StepJob::StepJob;

  protected:
    bool AnswerChecks(int step) override {
        return step == kStepFirstItem || AreaStep(step) || ProgramChecks(e);
    }
    /// The steps whose status 2 is a refused area; they check their answers.
    virtual bool AreaStep(int step) const = 0;
};

// ===================================================== job 15: program upload

class ProgramUploadJob : public ProgramStepJob {
  public:
    using ProgramStepJob::ProgramStepJob;

  public:
    enum Step : int { kCategoryHead = 7, kFirstItem, kNextItem, kNextGroup };
    enum AreaReadStep : int { kAreaStart = 19, kAreaNext };

  private:
    void Begin(SerialPort& port) override {
        m_phase = kPhaseNone;
        m_count = 0;
        m_steps = 0;
        m_constants = 0;
        m_model.clear();
        m_items.clear();
        m_areas = {};
        m_starts = {};
        m_category = 1;
        e.Results().refusedArea = kRefusedNone;
        e.CommFacts.programItemCount = 0;
        e.BeginJob(port);
    }

    void BeforeRequest(int /*step*/) override { e.SetProgress(std::min(e.CommProgress + 1, 99)); }

    bool AreaStep(int step) const override { return step == kAreaStart; }

    void Step(int step) override {
        if (ConnectSequence(step) || CategoryStarts(step, m_starts) ||
            GroupWalkSteps(step, kFirstItem, m_walk))
            return;
        switch (step) {
            case kCategoryHead:
                if (Sending()) return e.ReqItem(CategoryStart(), 0, 0);
                if (e.RespDataKind != 0)
                    return e.EndJob(m_phase > kPhaseProgramDone ? kErrConstRefused
                                                                : kErrProgramRefused);
                m_walk.Start(CategoryStart(), NextCategoryStartOf(m_starts, m_category), e.RespMA,
                             e.RespMB);
                break;
            case kAreaStart:
                if (Sending()) return RequestAreaStart();
                TakeAreaStart();
                break;
            case kAreaNext:
                if (Sending()) return e.ReqNextMB(m_ma, m_mb);
                TakeAreaItem();
                break;
            default:
                break;
        }
    }

    void ModelAnswered(const std::string& model) override {
        m_model = model;
        const CategoryAreas row = LookupCategory(e, m_model);
        if (row.found) {
            m_areas = AreasFromCategory(row);
            e.CommStep = kAreaStart;
        } else {
            e.CommStep = kStepDisplayStart;
        }
    }

    void CategoryStartsAnswered() override { m_category = 1; }

    int CategoryStart() const { return CategoryStartOf(m_starts, m_category); }

    // ---- the menu walk through SET and ADJUST (a model the table does not list)

    void ItemAnswered(bool item) override {
        if (item) {
            StoreProgramItem();
            if (m_phase == kPhaseConstDone) return EndAfterConst();
            e.CommStep = kNextItem;
            return;
        }
        // The group has ended, and with it an area being read.
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) return EndAfterConst();
        e.CommStep = kNextGroup;
    }

    /// SET, then ADJUST.
    void GroupAnswered(bool group) override {
        if (group) {
            e.CommStep = kFirstItem;
        } else if (m_category == 1) {
            m_category = 2;
            e.CommStep = kCategoryHead;
        } else {
            e.CommStep = kStepFinish;
        }
    }

    /// Keeps PROGRAM and CONST items; any other item ends the area being read.
    void StoreProgramItem() {
        const std::string key = ResponseNameKey(e);
        const bool program = key == "PROGRAM";
        if (program || key == "CONST") {
            if (m_count == 0) {
                AreaAddress& start = program ? m_areas.program : m_areas.constant;
                start = {e.RespMA, e.RespMB, e.RespMC};
                m_phase = program ? kPhaseProgram : kPhaseConst;
            }
            ++m_count;
            m_items.push_back(ResponseBlock(e));
            return;
        }
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) {
            m_constants = m_count;
            m_phase = kPhaseConstDone;
        }
    }

    void CloseProgramArea() {
        m_steps = m_count;
        m_count = 0;
        m_phase = kPhaseProgramDone;
    }

    void EndAfterConst() {
        m_constants = m_count;
        m_phase = kPhaseNone;
        e.CommStep = kStepFinish;
    }

    // ---- the areas the category table gives

    /// The area the next start request asks for: PROGRAM first, then CONST;
    /// an area of no items is not asked for.
    const AreaAddress* NextArea() const {
        if (m_phase == kPhaseNone && m_areas.steps > 0) return &m_areas.program;
        if (m_phase <= kPhaseProgramDone && m_areas.constants > 0) return &m_areas.constant;
        return nullptr;
    }

    void RequestAreaStart() {
        const AreaAddress* area = NextArea();
        if (!area) return NothingToSend();
        e.ReqItem(area->ma, area->mb, area->mc);
    }

    void TakeAreaStart() {
        // The phase moves on with the answer, so a request sent again asks
        // for the same area.
        const bool constPhase = NextArea() == &m_areas.constant;
        m_phase = constPhase ? kPhaseConst : kPhaseProgram;
        m_count = 0;
        const bool normal = e.CheckRespStatus(constPhase ? 1 : 0);
        if (!normal && e.RespStatus != ResponseStatus::AddressError) return;  // command error: ends
        if (!normal) {
            e.CommError = kErrNone;  // read on at once (see above)
            if (!constPhase) {
                m_phase = kPhaseProgramDone;
                m_steps = 0;
                e.CommStep = kAreaStart;
            } else {
                m_phase = kPhaseConstDone;
                m_constants = 0;
                e.CommStep = kStepFinish;
            }
            return;
        }
        if (!e.CheckSlotZero()) return;
        StoreProgramItem();
        m_ma = e.RespMA;
        m_mb = e.RespMB;
        AfterAreaItem();
    }

    void TakeAreaItem() {
        StoreProgramItem();
        m_ma = e.RespMA;
        m_mb = e.RespMB;
        e.CommStep = kAreaNext;
        if (m_count > kMaxItemsPerGroup) return e.EndJob(kErrAddress);
        AfterAreaItem();
    }

    /// The table gives each area's length: an area ends after that many
    /// items, or earlier when the instrument answers with another item.
    void AfterAreaItem() {
        if (m_phase == kPhaseProgram && m_count >= m_areas.steps) {
            CloseProgramArea();
            m_steps = m_areas.steps;
        }
        if (m_phase == kPhaseConst && m_count >= m_areas.constants) {
            m_constants = m_count;
            m_phase = kPhaseConstDone;
        }
        if (m_phase == kPhaseProgramDone) {
            e.CommStep = kAreaStart;
        } else if (m_phase == kPhaseConstDone) {
            e.CommStep = kStepFinish;
        } else {
            e.CommStep = kAreaNext;
        }
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, false);
        // An area still open when the walk ended holds what was read of it.
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) m_constants = m_count;
        e.CommFacts.programItemCount = m_steps + m_constants;
        switch (e.CommError) {
            case kErrNone:
                e.SetProgress(100);
                if (m_steps + m_constants > 0) StoreProgram();
                ShowCountMessage();
                break;
            case kErrProgramRefused:
            case kErrConstRefused:
                ShowCountMessage();
                break;
            default:
                e.ShowCommErrorMessage(e.CommError);
                break;
        }
    }

    void ShowCountMessage() const {
        int message = 0;
        if (m_steps == 0 && m_constants == 0) {
            message = kMsgNothingUploaded;
        } else if (m_steps == 0) {
            message = kMsgOnlyConstUploaded;
        } else if (m_constants == 0) {
            message = kMsgOnlyProgramUploaded;
        }
        if (message != 0)
            shell::ShowMessage(e.Data().hosts, message, shell::MsgButtons::Ok, e.CommTitle);
    }

    void StoreProgram() {
        auto& state = e.Data().program;
        auto& header = state.header;
        header.modelCode = shell::TrimRight(m_model);
        header.slotNumber = e.SlotConfirmed ? e.SlotNumber : 0;
        header.programAreaLetter = m_steps > 0 ? m_areas.program.ma : 0;
        header.programStartNumber = m_steps > 0 ? m_areas.program.mb : 0;
        header.constAreaLetter = m_constants > 0 ? m_areas.constant.ma : 0;
        header.constStartNumber = m_constants > 0 ? m_areas.constant.mb : 0;
        header.stepCount = m_steps;
        header.constCount = m_constants;
        header.stepComments.assign(static_cast<std::size_t>(m_steps),
                                   std::string(kCommentLength, ' '));
        state.records = m_items;
        state.headerCopy = header;
        state.fileName.clear();
        state.sourceRecords = m_items;
    }

    int m_phase = kPhaseNone;
    int m_count = 0;
    int m_steps = 0;
    int m_constants = 0;
    ProgramAreas m_areas;
    std::string m_model;
    parameter::ItemArray m_items;
    files::DataSetHeader m_starts;  ///< the category starts of the menu walk
    int m_category = 1;             ///< 1 SET, 2 ADJUST
    GroupWalk m_walk;
    int m_ma = 0;  ///< the area item asked from
    int m_mb = 0;
};

// =================================================== job 16: program download

class ProgramDownloadJob : public ProgramStepJob {
  public:
    using ProgramStepJob::ProgramStepJob;

  public:
    enum Step : int { kProgramArea = 4, kConstArea = 5, kWrite = 6 };

  private:
    void Begin(SerialPort& port) override {
        m_refused = kRefusedNone;
        e.CommFacts.refusedArea = kRefusedNone;
        m_writes.Restart();
        m_progress = 0;
        m_increment = 0;
        e.Results().refusedArea = kRefusedNone;
        e.Results().downloadCheck.clear();
        e.BeginJob(port);
    }

    bool AreaStep(int step) const override { return step == kProgramArea || step == kConstArea; }

    bool AnswerChecks(int step) override {
        if (step != kWrite) return ProgramStepJob::AnswerChecks(step);
        if (ProgramChecks(e)) return true;
        m_writes.Refused();
        return false;
    }

    void Step(int step) override {
        // Step 2 writes the slot just confirmed in the SLOT No. dialog, as every
        // other job does: the slot of an older data set may name another
        // module or none.
        if (ConnectSequence(step)) return;
        switch (step) {
            case kProgramArea:
                if (Sending()) return ReqArea(m_areas.program);
                if (!AreaAnswer()) return;
                if (e.RespStatus == ResponseStatus::AddressError) m_refused = kRefusedProgram;
                e.CheckSlotZero();
                break;
            case kConstArea:
                if (Sending()) {
                    const int last = static_cast<int>(e.Data().program.records.size()) - 1;
                    m_increment = last > 0 ? 100 / last : 100;
                    return ReqArea(m_areas.constant);
                }
                if (!AreaAnswer()) return;
                if (e.RespStatus == ResponseStatus::AddressError) {
                    if (m_refused == kRefusedProgram) return e.EndJob(kErrBothRefused);
                    m_refused = kRefusedConst;
                }
                if (!e.CheckSlotZero()) return;
                m_writes.Restart();
                break;
            case kWrite:
                if (Sending()) return WriteNextItem();
                m_writes.Check(e.Data().program.records);
                e.CommStep = m_writes.Position() < e.Data().program.records.size()
                                 ? static_cast<int>(kWrite)
                                 : kStepFinish;
                break;
            default:
                break;
        }
    }

    void ReqArea(const AreaAddress& area) { e.ReqItem(area.ma, area.mb, area.mc); }

    /// Status 2 is a refused area and the job goes on; status 1 ends it.
    bool AreaAnswer() {
        if (e.CheckRespStatus()) return true;
        if (e.RespStatus != ResponseStatus::AddressError) return false;
        e.CommError = kErrNone;  // read on at once (see above)
        return true;
    }

    void ModelAnswered(const std::string& model) override {
        e.Results().instrumentModel = model;
        const auto& header = e.Data().program.header;
        ProgramAreas fromHeader;
        fromHeader.program = {header.programAreaLetter, header.programStartNumber, 0};
        fromHeader.constant = {header.constAreaLetter, header.constStartNumber, 0};
        fromHeader.steps = header.stepCount;
        fromHeader.constants = header.constCount;
        const std::string instrument = shell::Trim(model);
        auto areas = CheckProgramModel(instrument, header.modelCode, LookupCategory(e, instrument),
                                       fromHeader);
        if (!areas) return e.EndJob(kErrModel);
        m_areas = *areas;
        e.CommStep = kProgramArea;
    }

    void WriteNextItem() {
        const bool found = m_writes.Send([this](std::size_t from) {
            return NextProgramItem(e.Data().program.records, from, m_refused);
        });
        if (!found) return NothingToSend();
        m_progress += m_increment;
        e.SetProgress(m_progress);
    }

    /// A refused area is no error: the job ends with code 0 and the refused
    /// area tells the hand-back which message to show (event 383), so the
    /// message appears once, after the job.
    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, false);
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
        } else {
            // A download that stops while writing says how far it came.
            const auto& records = e.Data().program.records;
            const CommErrorCode refused = m_refused;
            const std::string detail = m_writes.ReportStop(
                records, [&](std::size_t from) { return NextProgramItem(records, from, refused); },
                e.Results().downloadCheck);
            m_refused = e.CommError;
            e.ShowCommErrorMessage(e.CommError, detail);
        }
        e.Results().refusedArea = m_refused;
        e.CommFacts.refusedArea = m_refused;
    }

    ProgramAreas m_areas;
    CommErrorCode m_refused = kRefusedNone;
    int m_progress = 0;
    int m_increment = 0;
    ItemWrites m_writes{e};
};

}  // namespace

void RegisterProgramJobs(EngineCore& e) {
    RegisterStepJobs<ProgramUploadJob, ProgramDownloadJob>(e, kJobProgramUpload,
                                                           kJobProgramDownload);
}

}  // namespace rq50::comm::jobs
