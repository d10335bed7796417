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
#include "program/ProgramTypes.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"

#include <algorithm>

namespace rq50::comm::jobs {

namespace {

constexpr std::size_t kCommentLength = program::kCommentLength;

/// Where the walk of the areas stands.
enum Phase : int { kPhaseNone, kPhaseProgram, kPhaseProgramDone, kPhaseConst, kPhaseConstDone };

std::string UpperTrim(const std::string& text) {
    std::string key = TrimBlanks(text);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

/// The category-table row of a model, if the program installed a table.
CategoryAreas LookupCategory(const std::string& model) {
    if (!Tables().findCategory) return {};
    return Tables().findCategory(UpperTrim(model));
}

/// Both program jobs: an address error outside the area requests ends the
/// job (the engine would otherwise keep it pending and repeat the request).
class ProgramStepJob : public StepJob {
  protected:
    bool AnswerChecks(int step) override {
        return step == kStepFirstItem || AreaStep(step) || ProgramChecks();
    }
    /// The steps whose status 2 is a refused area; they check their answers.
    virtual bool AreaStep(int step) const = 0;
};

// ===================================================== job 15: program upload

class ProgramUploadJob : public ProgramStepJob {
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
        Results().refusedArea = kRefusedNone;
        CommFacts.programItemCount = 0;
        BeginJob(port);
    }

    void BeforeRequest(int /*step*/) override { SetProgress(std::min(CommProgress + 1, 99)); }

    bool AreaStep(int step) const override { return step == kAreaStart; }

    void Step(int step) override {
        if (ConnectSequence(step) || CategoryStarts(step, m_starts) ||
            GroupWalkSteps(step, kFirstItem, m_walk))
            return;
        switch (step) {
            case kCategoryHead:
                if (Sending()) return ReqItem(CategoryStart(), 0, 0);
                if (RespDataKind != 0)
                    return EndJob(m_phase > kPhaseProgramDone ? kErrConstRefused
                                                              : kErrProgramRefused);
                m_walk.Start(CategoryStart(), NextCategoryStartOf(m_starts, m_category), RespMA,
                             RespMB);
                break;
            case kAreaStart:
                if (Sending()) return RequestAreaStart();
                TakeAreaStart();
                break;
            case kAreaNext:
                if (Sending()) return ReqNextMB(m_ma, m_mb);
                TakeAreaItem();
                break;
            default:
                break;
        }
    }

    void ModelAnswered(const std::string& model) override {
        m_model = model;
        const CategoryAreas row = LookupCategory(m_model);
        if (row.found) {
            m_areas = AreasFromCategory(row);
            CommStep = kAreaStart;
        } else {
            CommStep = kStepDisplayStart;
        }
    }

    void CategoryStartsAnswered() override { m_category = 1; }

    int CategoryStart() const { return CategoryStartOf(m_starts, m_category); }

    // ---- the menu walk through SET and ADJUST (a model the table does not list)

    void ItemAnswered(bool item) override {
        if (item) {
            StoreProgramItem();
            if (m_phase == kPhaseConstDone) return EndAfterConst();
            CommStep = kNextItem;
            return;
        }
        // The group has ended, and with it an area being read.
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) return EndAfterConst();
        CommStep = kNextGroup;
    }

    /// SET, then ADJUST.
    void GroupAnswered(bool group) override {
        if (group) {
            CommStep = kFirstItem;
        } else if (m_category == 1) {
            m_category = 2;
            CommStep = kCategoryHead;
        } else {
            CommStep = kStepFinish;
        }
    }

    /// Keeps PROGRAM and CONST items; any other item ends the area being read.
    void StoreProgramItem() {
        const std::string key = ResponseNameKey();
        const bool program = key == "PROGRAM";
        if (program || key == "CONST") {
            if (m_count == 0) {
                AreaAddress& start = program ? m_areas.program : m_areas.constant;
                start = {RespMA, RespMB, RespMC};
                m_phase = program ? kPhaseProgram : kPhaseConst;
            }
            ++m_count;
            m_items.push_back(ResponseBlock());
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
        CommStep = kStepFinish;
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
        ReqItem(area->ma, area->mb, area->mc);
    }

    void TakeAreaStart() {
        // The phase moves on with the answer, so a request sent again asks
        // for the same area.
        const bool constPhase = NextArea() == &m_areas.constant;
        m_phase = constPhase ? kPhaseConst : kPhaseProgram;
        m_count = 0;
        const bool normal = CheckRespStatus(constPhase ? 1 : 0);
        if (!normal && RespStatus != kRespAddressError) return;  // command error: ends
        if (!normal) {
            CommError = kErrNone;  // read on at once (see above)
            if (!constPhase) {
                m_phase = kPhaseProgramDone;
                m_steps = 0;
                CommStep = kAreaStart;
            } else {
                m_phase = kPhaseConstDone;
                m_constants = 0;
                CommStep = kStepFinish;
            }
            return;
        }
        if (!CheckSlotZero()) return;
        StoreProgramItem();
        m_ma = RespMA;
        m_mb = RespMB;
        AfterAreaItem();
    }

    void TakeAreaItem() {
        StoreProgramItem();
        m_ma = RespMA;
        m_mb = RespMB;
        CommStep = kAreaNext;
        if (m_count > kMaxItemsPerGroup) return EndJob(kErrAddress);
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
            CommStep = kAreaStart;
        } else if (m_phase == kPhaseConstDone) {
            CommStep = kStepFinish;
        } else {
            CommStep = kAreaNext;
        }
    }

    void Finish(SerialPort& port) override {
        EndJobClosePort(port, false);
        // An area still open when the walk ended holds what was read of it.
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) m_constants = m_count;
        CommFacts.programItemCount = m_steps + m_constants;
        switch (CommError) {
            case kErrNone:
                SetProgress(100);
                if (m_steps + m_constants > 0) StoreProgram();
                ShowCountMessage();
                break;
            case kErrProgramRefused:
            case kErrConstRefused:
                ShowCountMessage();
                break;
            default:
                ShowCommErrorMessage(CommError);
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
        if (message != 0) shell::RQ0000fnc_nShowMsgBox(message, shell::kButtonsOk, CommTitle);
    }

    void StoreProgram() {
        auto& state = program::Program();
        auto& header = state.header;
        header.modelCode = TrimTrailingBlanks(m_model);
        header.slotNumber = SlotConfirmed ? SlotNumber : 0;
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
    enum Step : int { kProgramArea = 4, kConstArea = 5, kWrite = 6 };

  private:
    void Begin(SerialPort& port) override {
        m_refused = kRefusedNone;
        CommFacts.refusedArea = kRefusedNone;
        m_writes.Restart();
        m_progress = 0;
        m_increment = 0;
        Results().refusedArea = kRefusedNone;
        Results().downloadCheck.clear();
        BeginJob(port);
    }

    bool AreaStep(int step) const override { return step == kProgramArea || step == kConstArea; }

    bool AnswerChecks(int step) override {
        if (step != kWrite) return ProgramStepJob::AnswerChecks(step);
        if (ProgramChecks()) return true;
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
                if (RespStatus == kRespAddressError) m_refused = kRefusedProgram;
                CheckSlotZero();
                break;
            case kConstArea:
                if (Sending()) {
                    const int last = static_cast<int>(program::Program().records.size()) - 1;
                    m_increment = last > 0 ? 100 / last : 100;
                    return ReqArea(m_areas.constant);
                }
                if (!AreaAnswer()) return;
                if (RespStatus == kRespAddressError) {
                    if (m_refused == kRefusedProgram) return EndJob(kErrBothRefused);
                    m_refused = kRefusedConst;
                }
                if (!CheckSlotZero()) return;
                m_writes.Restart();
                break;
            case kWrite:
                if (Sending()) return WriteNextItem();
                m_writes.Check(program::Program().records);
                CommStep = m_writes.Position() < program::Program().records.size()
                               ? static_cast<int>(kWrite)
                               : kStepFinish;
                break;
            default:
                break;
        }
    }

    static void ReqArea(const AreaAddress& area) { ReqItem(area.ma, area.mb, area.mc); }

    /// Status 2 is a refused area and the job goes on; status 1 ends it.
    bool AreaAnswer() {
        if (CheckRespStatus()) return true;
        if (RespStatus != kRespAddressError) return false;
        CommError = kErrNone;  // read on at once (see above)
        return true;
    }

    void ModelAnswered(const std::string& model) override {
        Results().instrumentModel = model;
        const auto& header = program::Program().header;
        ProgramAreas fromHeader;
        fromHeader.program = {header.programAreaLetter, header.programStartNumber, 0};
        fromHeader.constant = {header.constAreaLetter, header.constStartNumber, 0};
        fromHeader.steps = header.stepCount;
        fromHeader.constants = header.constCount;
        const std::string instrument = TrimBlanks(model);
        auto areas =
            CheckProgramModel(instrument, header.modelCode, LookupCategory(instrument), fromHeader);
        if (!areas) return EndJob(kErrModel);
        m_areas = *areas;
        CommStep = kProgramArea;
    }

    void WriteNextItem() {
        const bool found = m_writes.Send([this](std::size_t from) {
            return NextProgramItem(program::Program().records, from, m_refused);
        });
        if (!found) return NothingToSend();
        m_progress += m_increment;
        SetProgress(m_progress);
    }

    /// A refused area is no error: the job ends with code 0 and the refused
    /// area tells the hand-back which message to show (event 383), so the
    /// message appears once, after the job.
    void Finish(SerialPort& port) override {
        EndJobClosePort(port, false);
        if (CommError == kErrNone) {
            SetProgress(100);
        } else {
            // A download that stops while writing says how far it came.
            const auto& records = program::Program().records;
            const int refused = m_refused;
            const std::string detail = m_writes.ReportStop(
                records, [&](std::size_t from) { return NextProgramItem(records, from, refused); },
                Results().downloadCheck);
            m_refused = CommError;
            ShowCommErrorMessage(CommError, detail);
        }
        Results().refusedArea = m_refused;
        CommFacts.refusedArea = m_refused;
    }

    ProgramAreas m_areas;
    int m_refused = kRefusedNone;
    int m_progress = 0;
    int m_increment = 0;
    ItemWrites m_writes;
};

}  // namespace

void RegisterProgramJobs() {
    RegisterStepJobs<ProgramUploadJob, ProgramDownloadJob>(kJobProgramUpload, kJobProgramDownload);
}

}  // namespace rq50::comm::jobs
