// Jobs 15 (upload PROGRAM and CONST) and 16 (download them).
//
// An instrument that refuses an area answers status 2; the engine records
// that as code 7 or 8 while the job goes on. These jobs read on at once: the
// refusal is kept aside and the code cleared, so the next response is taken
// as soon as it arrives instead of after the response timer. The final
// messages and result codes are the same either way.

#include "comm/CommPort.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/JobSupport.h"
#include "program/ProgramTypes.h"
#include "shell/MessageBox.h"

#include <algorithm>

namespace rq50::comm::jobs {

namespace {

constexpr int kMsgOnlyConstUploaded = 35;
constexpr int kMsgOnlyProgramUploaded = 34;
constexpr int kMsgNothingUploaded = 36;
constexpr std::size_t kCommentLength = program::kCommentLength;

enum Phase : int {
    kPhaseNone = 0,
    kPhaseProgram = 1,
    kPhaseProgramDone = 2,
    kPhaseConst = 3,
    kPhaseConstDone = 4,
};

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

// ===================================================== job 15: program upload

class ProgramUploadJob {
  public:
    enum Step : int {
        kDisplayStart = 4,
        kSetStart = 5,
        kAdjustStart = 6,
        kCategoryHead = 7,
        kFirstItem = 8,
        kNextItem = 9,
        kNextGroup = 10,
        kAreaStart = 19,
        kAreaNext = 20,
    };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                Reset();
                BeginJob(port);
                return;
            case kStepFirstItem:
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                ReqNextMB(0, 0);
                break;
            case kDisplayStart:
                ReqItem(26, 0, 0);
                break;
            case kSetStart:
                ReqItem(25, 0, 0);
                break;
            case kAdjustStart:
                m_category = 1;
                ReqItem(24, 0, 0);
                break;
            case kCategoryHead:
                m_groups = 1;
                ReqItem(m_category == 1 ? m_setStart : m_adjustStart, 0, 0);
                break;
            case kFirstItem:
            case kNextItem:
            case kAreaNext:
                ReqNextMB(m_ma, m_mb);
                break;
            case kNextGroup:
                ReqItem82(m_ma);
                break;
            case kAreaStart:
                if (m_phase == kPhaseNone && m_areas.steps == 0) m_phase = kPhaseProgramDone;
                if (m_phase == kPhaseNone) {
                    m_phase = kPhaseProgram;
                    m_count = 0;
                    ReqItem(m_areas.program.ma, m_areas.program.mb, m_areas.program.mc);
                } else if (m_phase == kPhaseProgramDone && m_areas.constants > 0) {
                    m_phase = kPhaseConst;
                    m_count = 0;
                    ReqItem(m_areas.constant.ma, m_areas.constant.mb, m_areas.constant.mc);
                } else {
                    FinishNow([this](SerialPort& p) { Build(p); }, port);
                    return;
                }
                break;
            case kStepFinish:
                Finish(port);
                return;
            default:
                return;
        }
        SetProgress(std::min(CommProgress + 1, 99));
        ++Results().requests;
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0) return;
        if (step == kStepFirstItem) {
            if (!AcceptFirstItem()) return;
            TakeModel();
            return;
        }
        if (step == kAreaStart) {
            ParseAreaStart();
            return;
        }
        if (!ProgramChecks()) return;
        switch (step) {
            case kStepModel:
                TakeModel();
                if (CommStep != kAreaStart) CommStep = kDisplayStart;
                break;
            case kDisplayStart:
                m_displayStart = RespMA;
                break;
            case kSetStart:
                m_setStart = RespMA;
                break;
            case kAdjustStart:
                m_adjustStart = RespMA;
                break;
            case kCategoryHead:
                if (RespDataKind != 0) {
                    CommError = m_phase > kPhaseProgramDone ? kErrConstRefused : kErrProgramRefused;
                    CommStep = kStepFinish;
                    return;
                }
                m_ownStart = m_category == 1 ? m_setStart : m_adjustStart;
                m_nextStart = m_category == 1 ? m_adjustStart : m_displayStart;
                m_ma = RespMA;
                m_mb = RespMB;
                break;
            case kFirstItem:
                m_ma = RespMA;
                m_mb = RespMB;
                m_firstMb = RespMB;
                m_groupItems = 1;
                StoreProgramItem();
                if (m_phase == kPhaseConstDone) EndAfterConst();
                break;
            case kNextItem:
                ParseNextItem();
                break;
            case kNextGroup:
                m_ma = RespMA;
                m_mb = RespMB;
                if (RespMA != m_ownStart && RespMA != m_nextStart) {
                    if (++m_groups > kMaxGroups) {
                        CommError = kErrAddress;
                        CommStep = kStepFinish;
                        return;
                    }
                    CommStep = kFirstItem;
                } else if (m_category == 1) {
                    m_category = 2;
                    CommStep = kCategoryHead;
                } else {
                    CommStep = kStepFinish;
                }
                break;
            case kAreaNext:
                ParseAreaNext();
                break;
            default:
                break;
        }
    }

  private:
    void Reset() {
        m_phase = kPhaseNone;
        m_count = 0;
        m_steps = 0;
        m_constants = 0;
        m_model.clear();
        m_items.clear();
        m_areas = {};
        m_category = 1;
        Results().requests = 0;
        Results().refusedArea = kRefusedNone;
        CommFacts.programItemCount = 0;
    }

    void TakeModel() {
        m_model = RespData;
        const CategoryAreas row = LookupCategory(m_model);
        if (row.found) {
            m_areas = AreasFromCategory(row);
            CommStep = kAreaStart;
        } else {
            CommStep = kDisplayStart;
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

    void ParseNextItem() {
        const bool groupEnd = RespMB == m_firstMb || RespMB == m_mb;
        m_ma = RespMA;
        m_mb = RespMB;
        if (!groupEnd) {
            if (++m_groupItems > kMaxItemsPerGroup) {
                CommError = kErrAddress;
                CommStep = kStepFinish;
                return;
            }
            StoreProgramItem();
            if (m_phase == kPhaseConstDone) {
                EndAfterConst();
                return;
            }
            CommStep = kNextItem;
            return;
        }
        if (m_phase == kPhaseProgram) CloseProgramArea();
        if (m_phase == kPhaseConst) EndAfterConst();
    }

    void ParseAreaStart() {
        const bool constPhase = m_phase >= kPhaseConst;
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

    void ParseAreaNext() {
        if (!ProgramChecks()) return;
        StoreProgramItem();
        m_ma = RespMA;
        m_mb = RespMB;
        CommStep = kAreaNext;
        if (m_count > kMaxItemsPerGroup) {
            CommError = kErrAddress;
            CommStep = kStepFinish;
            return;
        }
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
        } else if (CommStep != kAreaNext) {
            CommStep = kAreaNext;
        }
    }

    void Finish(SerialPort& port) {
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
    int m_category = 1;
    int m_displayStart = 0;
    int m_setStart = 0;
    int m_adjustStart = 0;
    int m_ownStart = 0;
    int m_nextStart = 0;
    int m_ma = 0;
    int m_mb = 0;
    int m_firstMb = 0;
    int m_groupItems = 0;
    int m_groups = 0;
};

// =================================================== job 16: program download

class ProgramDownloadJob {
  public:
    enum Step : int { kProgramArea = 4, kConstArea = 5, kWrite = 6 };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                m_refused = kRefusedNone;
                m_writes.Reset();
                m_position = 0;
                m_progress = 0;
                m_increment = 0;
                Results().refusedArea = kRefusedNone;
                CommFacts.refusedArea = kRefusedNone;
                Results().downloadCheck.clear();
                Results().itemsWritten = 0;
                Results().requests = 0;
                BeginJob(port);
                return;
            case kStepFirstItem:
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                // The slot just confirmed in the SLOT No. dialog, as every
                // other job writes: the slot of an older data set may name
                // another module or none.
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                ReqNextMB(0, 0);
                break;
            case kProgramArea:
                ReqItem(m_areas.program.ma, m_areas.program.mb, m_areas.program.mc);
                break;
            case kConstArea: {
                const auto& records = program::Program().records;
                const int last = static_cast<int>(records.size()) - 1;
                m_increment = last > 0 ? 100 / last : 100;
                ReqItem(m_areas.constant.ma, m_areas.constant.mb, m_areas.constant.mc);
                break;
            }
            case kWrite: {
                m_item = NextProgramItem(program::Program().records, m_position, m_refused);
                if (!m_item) {
                    FinishNow([this](SerialPort& p) { Build(p); }, port);
                    return;
                }
                if (m_item->sendData.empty()) {
                    ClearSendData();
                } else {
                    SetSendDataText(m_item->sendData);
                }
                m_sendCount = static_cast<std::size_t>(SendDataCount);
                m_progress += m_increment;
                SetProgress(m_progress);
                m_writes.Sent(*m_item);
                ReqWrite(m_item->ma, m_item->mb, m_item->mc);
                break;
            }
            case kStepFinish:
                Finish(port);
                return;
            default:
                return;
        }
        ++Results().requests;
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0) return;
        switch (step) {
            case kStepFirstItem:
                if (!AcceptFirstItem()) return;
                CheckModel();
                return;
            case kStepModel:
                if (!ProgramChecks()) return;
                CheckModel();
                return;
            case kProgramArea:
                if (!AreaAnswer()) return;
                if (RespStatus == kRespAddressError) m_refused = kRefusedProgram;
                CheckSlotZero();
                return;
            case kConstArea:
                if (!AreaAnswer()) return;
                if (RespStatus == kRespAddressError) {
                    if (m_refused == kRefusedProgram) {
                        CommError = kErrBothRefused;
                        CommStep = kStepFinish;
                        return;
                    }
                    m_refused = kRefusedConst;
                }
                if (!CheckSlotZero()) return;
                m_position = 0;
                return;
            case kWrite: {
                if (!m_item) return;
                if (!ProgramChecks()) {
                    m_writes.Refused();
                    return;
                }
                m_writes.Taken();
                const auto& records = program::Program().records;
                if (auto entry = VerifyWrite(records[m_item->index], m_item->index, ResponseItem(),
                                             m_sendCount)) {
                    Results().downloadCheck.push_back(*entry);
                }
                ++Results().itemsWritten;
                m_position = m_item->index + 1;
                CommStep = m_position < records.size() ? static_cast<int>(kWrite) : kStepFinish;
                return;
            }
            default:
                ProgramChecks();
                return;
        }
    }

  private:
    /// Status 2 is a refused area and the job goes on; status 1 ends it.
    bool AreaAnswer() {
        if (CheckRespStatus()) return true;
        if (RespStatus != kRespAddressError) return false;
        CommError = kErrNone;  // read on at once (see above)
        return true;
    }

    void CheckModel() {
        const auto& header = program::Program().header;
        ProgramAreas fromHeader;
        fromHeader.program = {header.programAreaLetter, header.programStartNumber, 0};
        fromHeader.constant = {header.constAreaLetter, header.constStartNumber, 0};
        fromHeader.steps = header.stepCount;
        fromHeader.constants = header.constCount;
        const std::string instrument = TrimBlanks(RespData);
        Results().instrumentModel = RespData;
        auto areas =
            CheckProgramModel(instrument, header.modelCode, LookupCategory(instrument), fromHeader);
        if (!areas) {
            CommError = kErrModel;
            CommStep = kStepFinish;
            return;
        }
        m_areas = *areas;
        CommStep = kProgramArea;
    }

    /// A refused area is no error: the job ends with code 0 and the refused
    /// area tells the hand-back which message to show (event 383), so the
    /// message appears once, after the job.
    void Finish(SerialPort& port) {
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
    std::size_t m_position = 0;
    std::size_t m_sendCount = 0;
    WriteProgress m_writes;
    int m_progress = 0;
    int m_increment = 0;
    std::optional<WriteItem> m_item;
};

}  // namespace

void RegisterProgramJobs() {
    static ProgramUploadJob upload;
    static ProgramDownloadJob download;
    RegisterCommJob(kJobProgramUpload,
                    {[](SerialPort& p) { upload.Build(p); }, [] { upload.Parse(); }});
    RegisterCommJob(kJobProgramDownload,
                    {[](SerialPort& p) { download.Build(p); }, [] { download.Parse(); }});
}

}  // namespace rq50::comm::jobs
