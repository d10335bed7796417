// Jobs 1 (upload all parameters), 2 (download the data set) and 3 (connect
// for online setting).

#include "comm/CommPort.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/JobSupport.h"
#include "files/DataSet.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"

#include <algorithm>

namespace rq50::comm::jobs {

namespace {

constexpr int kMsgDownloadCompleted = 15;

/// End of the progress range of each category while it is read.
constexpr std::array<int, 4> kCategoryProgressEnd = {30, 60, 90, 100};
/// Progress when each category's walk begins.
constexpr std::array<int, 4> kCategoryProgressStart = {15, 30, 60, 90};

enum Category : int { kDisplay = 0, kSet = 1, kAdjust = 2, kMaint = 3 };

// ============================================================== job 1: upload

class UploadJob {
  public:
    enum Step : int {
        kDisplayStart = 4,
        kSetStart = 5,
        kAdjustStart = 6,
        kV3Adjust = 7,
        kV3Command10 = 8,
        kV3Item82 = 9,
        kV3AccessCode = 10,
        kCategoryHead = 11,
        kFirstItem = 12,
        kNextItem = 13,
        kNextGroup = 14,
        kMaintAdjust = 15,
        kMaintCommand10 = 16,
        kMaintItem82 = 17,
    };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                m_header = {};
                m_names = {};
                m_category = kDisplay;
                m_items.clear();
                m_maintEntries = 0;
                Results().requests = 0;
                Host().ShowStatusText({});
                BeginJob(port);
                return;
            case kStepFirstItem:
                SetProgress(3);
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                SetProgress(6);
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                ReqNextMB(0, 0);
                break;
            case kDisplayStart:
                SetProgress(8);
                ReqItem(26, 0, 0);
                break;
            case kSetStart:
                SetProgress(10);
                ReqItem(25, 0, 0);
                break;
            case kAdjustStart:
                SetProgress(12);
                m_category = kDisplay;
                ReqItem(24, 0, 0);
                break;
            case kV3Adjust:
            case kMaintAdjust:
                Raise();
                ReqItem(m_header.adjustStart, 0, 0);
                break;
            case kV3Command10:
            case kMaintCommand10:
                Raise();
                ReqCommand10(0, 0, 0);
                break;
            case kV3Item82:
            case kMaintItem82:
                Raise();
                ReqItem82(m_header.adjustStart);
                break;
            case kV3AccessCode:
                Raise();
                SetSendDataText(AccessCode());
                ReqWrite(20, 3, 0);
                break;
            case kCategoryHead:
                if (CommProgress < kCategoryProgressStart[m_category] || m_category != kMaint) {
                    SetProgress(kCategoryProgressStart[m_category]);
                }
                m_groups = 1;
                ReqItem(CategoryStart(m_category), 0, 0);
                break;
            case kFirstItem:
            case kNextItem:
                Raise();
                ReqNextMB(m_ma, m_mb);
                break;
            case kNextGroup:
                Raise();
                ReqItem82(m_ma);
                break;
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
        if (step == kStepFirstItem) {
            if (!AcceptFirstItem()) return;
            m_header.model = RespData;
            CommStep = kDisplayStart;
            return;
        }
        if (!Checks()) return;
        switch (step) {
            case kStepModel:
                m_header.model = RespData;
                break;
            case kDisplayStart:
                m_header.displayStart = RespMA;
                break;
            case kSetStart:
                m_header.setStart = RespMA;
                break;
            case kAdjustStart:
                m_header.adjustStart = RespMA;
                if (!Tables().isV3Model || !Tables().isV3Model(m_header.model)) {
                    m_header.customType = 0;
                    CommStep = kCategoryHead;
                }
                break;
            case kV3AccessCode:
                m_header.customType = CustomTypeFromData(RespData);
                break;
            case kCategoryHead:
                NoteCategoryBounds();
                AddGroupName();
                Store();
                m_ma = RespMA;
                m_mb = RespMB;
                break;
            case kFirstItem:
                ParseFirstItem();
                break;
            case kNextItem:
                ParseNextItem();
                break;
            case kNextGroup:
                ParseNextGroup();
                break;
            case kMaintItem82:
                if (MaintEntryNeedsRepeat(m_maintEntries)) {
                    CommStep = kMaintAdjust;
                    break;
                }
                m_ma = RespMA;
                m_mb = RespMB;
                m_header.maintStart = RespMA;
                m_category = kMaint;
                CommStep = kCategoryHead;
                break;
            default:
                break;
        }
    }

  private:
    int CategoryStart(int category) const {
        switch (category) {
            case kDisplay:
                return m_header.displayStart;
            case kSet:
                return m_header.setStart;
            case kAdjust:
                return m_header.adjustStart;
            default:
                return m_header.maintStart;
        }
    }

    /// The group after the category's last one: SET after DISPLAY, ADJUST
    /// after SET; ADJUST and MAINT wrap around to DISPLAY.
    void NoteCategoryBounds() {
        m_ownStart = CategoryStart(m_category);
        m_nextStart = m_category == kDisplay ? m_header.setStart
                      : m_category == kSet   ? m_header.adjustStart
                                             : m_header.displayStart;
    }

    void Raise() { SetProgress(std::min(CommProgress + 1, kCategoryProgressEnd[m_category])); }

    void AddGroupName() {
        const std::string key = ResponseNameKey();
        if (IsProgramOrConst(key)) return;
        m_names[m_category].push_back(TrimBlanks(RespName));
    }

    void Store() {
        if (!IsProgramOrConst(ResponseNameKey())) m_items.push_back(ResponseBlock());
    }

    void ParseFirstItem() {
        m_ma = RespMA;
        m_firstMb = RespMB;
        m_askedMb = m_mb;
        m_mb = RespMB;
        m_groupItems = 1;
        Host().ShowStatusText(SkippingText(ResponseNameKey()));
        Store();
        // A group that answers with its head again has no items to walk.
        if (RespMB == m_askedMb) CommStep = kNextGroup;
    }

    void ParseNextItem() {
        // The group ends when the instrument wraps around to the group's first
        // item or keeps answering the item asked from.
        if (RespMB == m_firstMb || RespMB == m_mb) {
            CommStep = kNextGroup;
            return;
        }
        if (++m_groupItems > kMaxItemsPerGroup) {
            WalkError();
            return;
        }
        m_ma = RespMA;
        m_mb = RespMB;
        Host().ShowStatusText(SkippingText(ResponseNameKey()));
        Store();
        CommStep = kNextItem;
    }

    void ParseNextGroup() {
        m_ma = RespMA;
        m_mb = RespMB;
        if (RespMA != m_ownStart && RespMA != m_nextStart) {
            if (++m_groups > kMaxGroups) {
                WalkError();
                return;
            }
            if (IsProgramOrConst(ResponseNameKey())) {
                Host().ShowStatusText(SkippingText(ResponseNameKey()));
                CommStep = kNextGroup;
                return;
            }
            AddGroupName();
            Store();
            CommStep = kFirstItem;
            return;
        }
        // The category is complete.
        switch (m_category) {
            case kDisplay:
            case kSet:
                ++m_category;
                CommStep = kCategoryHead;
                break;
            case kAdjust:
                m_category = kMaint;
                CommStep = kMaintAdjust;
                break;
            default:
                CommStep = kStepFinish;
                break;
        }
    }

    /// An instrument whose walk never closes: stop with an address error
    /// rather than ask for ever.
    void WalkError() {
        CommError = kErrAddress;
        CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) {
        EndJobClosePort(port, false);
        Host().ShowStatusText({});
        if (CommError == kErrNone) {
            SetProgress(100);
            m_header.slot = SlotConfirmed ? SlotNumber : 0;
            m_header.displayCount = static_cast<int>(m_names[kDisplay].size());
            m_header.setCount = static_cast<int>(m_names[kSet].size());
            m_header.adjustCount = static_cast<int>(m_names[kAdjust].size());
            m_header.maintCount = static_cast<int>(m_names[kMaint].size());
            // A failed upload leaves the data set and its header as they were.
            parameter::Items().uploadBuffer = m_items;
            parameter::Items().dataSet = m_items;
            files::CurrentDataSetHeader() = m_header;
            Results().categoryNames = m_names;
            return;
        }
        ShowCommErrorMessage(CommError);
    }

    files::DataSetHeader m_header;
    std::array<std::vector<std::string>, 4> m_names;
    parameter::ItemArray m_items;
    int m_category = kDisplay;
    int m_ownStart = 0;
    int m_nextStart = 0;
    int m_ma = 0;
    int m_mb = 0;
    int m_askedMb = 0;
    int m_firstMb = 0;
    int m_groupItems = 0;
    int m_groups = 0;
    int m_maintEntries = 0;
};

// ============================================================ job 2: download

void ShowDownloadRefusal(int text) {
    if (auto* host = shell::Svc().messages) {
        host->Beep();
        host->Show(
            {shell::Catalogue(text), CommTitle, shell::kButtonsOk, shell::MsgIcon::Exclamation});
    }
}

class DownloadJob {
  public:
    enum Step : int {
        kV3Adjust = 4,
        kV3Command10 = 5,
        kV3Item82 = 6,
        kV3AccessCode = 7,
        kOut2Type = 19,
        kSensorType = 20,
        kWrite = 21,
    };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        if (step == 0) {
            const auto& header = files::CurrentDataSetHeader();
            m_increment = ProgressIncrement(CountDownloadItems(
                parameter::Items().dataSet, header.setStart, header.adjustStart));
            m_progress = 0;
            m_position = 0;
            m_writes.Reset();
            Results().downloadCheck.clear();
            Results().itemsWritten = 0;
            Results().requests = 0;
            // A data set whose header does not fit its items is refused before
            // the port is opened.
            if (const int refusal = DownloadRefusal(parameter::Items().dataSet,
                                                    {header.displayStart, header.setStart,
                                                     header.adjustStart, header.maintStart})) {
                ShowDownloadRefusal(refusal);
                m_increment = 0;
                CommError = kErrDataSetRefused;
                FinishNow([this](SerialPort& p) { Build(p); }, port);
                return;
            }
            BeginJob(port);
            return;
        }
        m_progress += m_increment;
        SetProgress(m_progress);
        const auto& header = files::CurrentDataSetHeader();
        switch (step) {
            case kStepFirstItem:
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                ReqNextMB(0, 0);
                break;
            case kV3Adjust:
                ReqItem(header.adjustStart, 0, 0);
                break;
            case kV3Command10:
                ReqCommand10(0, 0, 0);
                break;
            case kV3Item82:
                ReqItem82(header.adjustStart);
                break;
            case kV3AccessCode:
                SetSendDataText(AccessCode());
                ReqWrite(20, 3, 0);
                break;
            case kOut2Type:
                ReqItem(20, 12, 0);
                break;
            case kSensorType:
                ReqItem(4, 7, 0);
                break;
            case kWrite: {
                m_item = NextDownloadItem(parameter::Items().dataSet, m_position, header.setStart,
                                          header.adjustStart);
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
        const auto& header = files::CurrentDataSetHeader();
        const auto& dataSet = parameter::Items().dataSet;
        switch (step) {
            case kStepFirstItem:
                if (!AcceptFirstItem()) return;
                CheckModel();
                return;
            case kStepModel:
                if (!Checks()) return;
                CheckModel();
                return;
            case kV3AccessCode:
                if (!Checks()) return;
                if (!CustomTypesCompatible(CustomTypeFromData(RespData), header.customType)) {
                    CommError = kErrCustomType;
                    CommStep = kStepFinish;
                    return;
                }
                CommStep = kOut2Type;
                return;
            case kOut2Type:
            case kSensorType:
                // An instrument without the item answers status 2: nothing to
                // compare then.
                if (RespStatus == kRespNormal &&
                    !DataSetHoldsChoice(dataSet, step == kOut2Type ? 20 : 4,
                                        step == kOut2Type ? 12 : 7, RespMC)) {
                    CommError = step == kOut2Type ? kErrOut2Type : kErrSensorType;
                    CommStep = kStepFinish;
                    return;
                }
                if (!CheckSlotZero()) return;
                if (step == kSensorType) {
                    m_position = 0;
                    Results().downloadCheck.clear();
                }
                return;
            case kWrite:
                if (!m_item) return;
                if (!Checks()) {
                    m_writes.Refused();
                    return;
                }
                m_writes.Taken();
                if (auto entry = VerifyWrite(dataSet[m_item->index], m_item->index, ResponseItem(),
                                             m_sendCount)) {
                    Results().downloadCheck.push_back(*entry);
                }
                ++Results().itemsWritten;
                m_position = m_item->index + 1;
                CommStep = kWrite;
                return;
            default:
                Checks();
                return;
        }
    }

  private:
    /// A download that stops while writing says how far it came, in the
    /// check list and below the message.
    void Finish(SerialPort& port) {
        EndJobClosePort(port, false);
        if (CommError == kErrNone) {
            SetProgress(100);
            shell::RQ0000fnc_nShowMsgBox(kMsgDownloadCompleted, shell::kButtonsOk, CommTitle);
            return;
        }
        const auto& header = files::CurrentDataSetHeader();
        const auto& dataSet = parameter::Items().dataSet;
        const std::string detail = m_writes.ReportStop(
            dataSet,
            [&](std::size_t from) {
                return NextDownloadItem(dataSet, from, header.setStart, header.adjustStart);
            },
            Results().downloadCheck);
        ShowCommErrorMessage(CommError, detail);
    }

    void CheckModel() {
        const auto& header = files::CurrentDataSetHeader();
        Results().instrumentModel = RespData;
        if (!SameModel(RespData, header.model)) {
            CommError = kErrModel;
            CommStep = kStepFinish;
            return;
        }
        const bool v3 = Tables().isV3Model && Tables().isV3Model(header.model);
        CommStep = v3 ? kV3Adjust : kWrite;
    }

    int m_increment = 0;
    int m_progress = 0;
    std::size_t m_position = 0;
    std::size_t m_sendCount = 0;
    std::optional<WriteItem> m_item;
    WriteProgress m_writes;
};

// ============================================================= job 3: connect

class ConnectJob {
  public:
    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                Results().requests = 0;
                BeginJob(port);
                return;
            case kStepFirstItem:
                SetProgress(25);
                ReqFirstItem();
                break;
            case kStepSlotWrite:
                SetProgress(50);
                BuildSlotWrite(SlotNumber);
                break;
            case kStepModel:
                SetProgress(75);
                ReqNextMB(0, 0);
                break;
            case kStepFinish:
                if (CommError == kErrNone) {
                    // The port stays open for the online jobs that follow.
                    SetProgress(100);
                    files::CurrentDataSetHeader().slot = m_rack ? SlotNumber : 0;
                    return;
                }
                EndJobClosePort(port, false);
                ShowCommErrorMessage(CommError);
                return;
            default:
                return;
        }
        ++Results().requests;
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step < 0) return;
        if (step == kStepFirstItem) {
            if (!CheckRespStatus()) return;
            m_rack = IsSlotZeroResponse();
            if (m_rack) {
                AskSlotNumber();
                return;
            }
            CommStep = kStepFinish;
            return;
        }
        if (!Checks()) return;
        if (step == kStepModel) CommStep = kStepFinish;
    }

  private:
    bool m_rack = false;
};

}  // namespace

void RegisterParameterJobs() {
    static UploadJob upload;
    static DownloadJob download;
    static ConnectJob connect;
    RegisterCommJob(kJobUpload, {[](SerialPort& p) { upload.Build(p); }, [] { upload.Parse(); }});
    RegisterCommJob(kJobDownload,
                    {[](SerialPort& p) { download.Build(p); }, [] { download.Parse(); }});
    RegisterCommJob(kJobConnect,
                    {[](SerialPort& p) { connect.Build(p); }, [] { connect.Parse(); }});
}

}  // namespace rq50::comm::jobs
