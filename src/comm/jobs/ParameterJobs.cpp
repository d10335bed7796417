// Jobs 1 (upload all parameters), 2 (download the data set) and 3 (connect
// for online setting).

#include "comm/CommPort.h"
#include "comm/jobs/GroupWalk.h"
#include "comm/jobs/JobSteps.h"
#include "comm/jobs/JobSupport.h"
#include "files/DataSet.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageBoxHost.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>

namespace rq50::comm::jobs {

namespace {

/// Selection items whose choice in the instrument must be one the data set
/// holds: OUT2 TYPE and SENSOR TYPE.
constexpr int kOut2TypeMa = 20;
constexpr int kOut2TypeMb = 12;
constexpr int kSensorTypeMa = 4;
constexpr int kSensorTypeMb = 7;

/// End of the progress range of each category while it is read.
constexpr std::array<int, 4> kCategoryProgressEnd = {30, 60, 90, 100};
/// Progress when each category's walk begins.
constexpr std::array<int, 4> kCategoryProgressStart = {15, 30, 60, 90};

enum Category : int { kDisplay = 0, kSet = 1, kAdjust = 2, kMaint = 3 };

// ============================================================== job 1: upload

class UploadJob : public StepJob {
  public:
    using StepJob::StepJob;

  public:
    /// The V3 access is steps 7-10, the MAINT entry steps 15-17.
    static constexpr int kV3Access = 7;
    enum Step : int { kCategoryHead = 11, kFirstItem, kNextItem, kNextGroup, kMaintEntry };

  private:
    void Begin(SerialPort& port) override {
        m_header = {};
        m_names = {};
        m_category = kDisplay;
        m_items.clear();
        e.Host().ShowStatusText({});
        e.BeginJob(port);
    }

    void BeforeRequest(int step) override {
        switch (step) {
            case kStepFirstItem:
                e.SetProgress(3);
                break;
            case kStepSlotWrite:
                e.SetProgress(6);
                break;
            case kStepModel:
                break;
            case kStepDisplayStart:
                e.SetProgress(8);
                break;
            case kStepSetStart:
                e.SetProgress(10);
                break;
            case kStepAdjustStart:
                e.SetProgress(12);
                break;
            case kCategoryHead:
                if (e.CommProgress < kCategoryProgressStart[m_category] || m_category != kMaint)
                    e.SetProgress(kCategoryProgressStart[m_category]);
                break;
            default:
                e.SetProgress(std::min(e.CommProgress + 1, kCategoryProgressEnd[m_category]));
                break;
        }
    }

    void Step(int step) override {
        if (ConnectSequence(step) || CategoryStarts(step, m_header) ||
            V3Access(step, kV3Access, m_header.starts[files::Category::Adjust]) ||
            GroupWalkSteps(step, kFirstItem, m_walk) ||
            MaintEntry(step, kMaintEntry, m_header.starts[files::Category::Adjust]))
            return;
        switch (step) {
            case kCategoryHead:
                if (Sending()) return e.ReqItem(CategoryStartOf(m_header, m_category), 0, 0);
                m_walk.Start(CategoryStartOf(m_header, m_category),
                             NextCategoryStartOf(m_header, m_category), e.RespMA, e.RespMB);
                AddGroupName();
                Store();
                break;
            default:
                break;
        }
    }

    void ModelAnswered(const std::string& model) override { m_header.model = model; }

    void CategoryStartsAnswered() override {
        if (e.Tables().isV3Model && e.Tables().isV3Model(m_header.model)) return;
        m_header.customType = 0;
        e.CommStep = kCategoryHead;
    }

    void CustomTypeAnswered(int customType) override {
        m_header.customType = static_cast<std::uint8_t>(customType);
    }

    void MaintStartAnswered() override {
        m_header.starts[files::Category::Maint] = e.RespMA;
        m_category = kMaint;
        e.CommStep = kCategoryHead;
    }

    void AddGroupName() {
        if (IsProgramOrConst(ResponseNameKey(e))) return;
        m_names[m_category].push_back(shell::Trim(e.RespName));
    }

    void Store() {
        if (!IsProgramOrConst(ResponseNameKey(e))) m_items.push_back(ResponseBlock(e));
    }

    void ItemAnswered(bool item) override {
        if (!item) {
            e.CommStep = kNextGroup;
            return;
        }
        e.Host().ShowStatusText(SkippingText(ResponseNameKey(e)));
        Store();
        e.CommStep = kNextItem;
    }

    /// PROGRAM and CONST groups are passed over.
    void GroupAnswered(bool group) override {
        if (!group) return NextCategory();
        const std::string name = ResponseNameKey(e);
        if (IsProgramOrConst(name)) {
            e.Host().ShowStatusText(SkippingText(name));
            e.CommStep = kNextGroup;
            return;
        }
        AddGroupName();
        Store();
        e.CommStep = kFirstItem;
    }

    void NextCategory() {
        switch (m_category) {
            case kDisplay:
            case kSet:
                ++m_category;
                e.CommStep = kCategoryHead;
                break;
            case kAdjust:
                m_category = kMaint;
                e.CommStep = kMaintEntry;
                break;
            default:
                e.CommStep = kStepFinish;
                break;
        }
    }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, false);
        e.Host().ShowStatusText({});
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
            m_header.slot = e.SlotConfirmed ? e.SlotNumber : 0;
            m_header.displayCount = static_cast<int>(m_names[kDisplay].size());
            m_header.setCount = static_cast<int>(m_names[kSet].size());
            m_header.adjustCount = static_cast<int>(m_names[kAdjust].size());
            m_header.maintCount = static_cast<int>(m_names[kMaint].size());
            // A failed upload leaves the data set and its header as they were.
            e.Data().items.uploadBuffer = m_items;
            e.Data().items.dataSet = m_items;
            e.Data().header = m_header;
            e.Results().categoryNames = m_names;
            return;
        }
        e.ShowCommErrorMessage(e.CommError);
    }

    files::DataSetHeader m_header;
    std::array<std::vector<std::string>, 4> m_names;
    parameter::ItemArray m_items;
    int m_category = kDisplay;
    GroupWalk m_walk;
};

// ============================================================ job 2: download

void ShowDownloadRefusal(EngineCore& e, int text) {
    shell::ShowAlert(e.Data().hosts, {shell::Catalogue(text), e.CommTitle, shell::MsgButtons::Ok,
                                      shell::MsgIcon::Exclamation});
}

class DownloadJob : public StepJob {
  public:
    using StepJob::StepJob;

  public:
    /// The V3 access is steps 4-7; steps 8-18 are never reached.
    enum Step : int { kV3Access = 4, kOut2Type = 19, kSensorType, kWrite };

  private:
    void Begin(SerialPort& port) override {
        const auto& header = e.Data().header;
        m_increment = ProgressIncrement(CountDownloadItems(e.Data().items.dataSet,
                                                           header.starts[files::Category::Set],
                                                           header.starts[files::Category::Adjust]));
        m_progress = 0;
        m_writes.Restart();
        e.Results().downloadCheck.clear();
        e.CommFacts.downloadDifferences = 0;
        // A data set whose header does not fit its items is refused before
        // the port is opened.
        if (const int refusal = DownloadRefusal(
                e.Data().items.dataSet,
                {header.starts[files::Category::Display], header.starts[files::Category::Set],
                 header.starts[files::Category::Adjust], header.starts[files::Category::Maint]})) {
            ShowDownloadRefusal(e, refusal);
            m_increment = 0;
            e.CommError = kErrDataSetRefused;
            return;
        }
        e.BeginJob(port);
    }

    void BeforeRequest(int /*step*/) override {
        m_progress += m_increment;
        e.SetProgress(m_progress);
    }

    /// OUT2 TYPE and SENSOR TYPE: an instrument without the item answers
    /// status 2, and there is nothing to compare then.
    bool AnswerChecks(int step) override {
        if (step == kOut2Type || step == kSensorType) return true;
        if (step != kWrite) return StepJob::AnswerChecks(step);
        if (Checks(e)) return true;
        m_writes.Refused();
        return false;
    }

    void Step(int step) override {
        const auto& header = e.Data().header;
        if (ConnectSequence(step) ||
            V3Access(step, kV3Access, header.starts[files::Category::Adjust]))
            return;
        switch (step) {
            case kOut2Type:
                if (Sending()) return e.ReqItem(kOut2TypeMa, kOut2TypeMb, 0);
                CompareSelection(kOut2TypeMa, kOut2TypeMb, kErrOut2Type);
                break;
            case kSensorType:
                if (Sending()) return e.ReqItem(kSensorTypeMa, kSensorTypeMb, 0);
                CompareSelection(kSensorTypeMa, kSensorTypeMb, kErrSensorType);
                if (e.CommError == kErrNone) {
                    m_writes.Restart();
                    e.Results().downloadCheck.clear();
                }
                break;
            case kWrite:
                if (Sending()) return SendNextItem();
                m_writes.Check(e.Data().items.dataSet);
                e.CommStep = kWrite;
                break;
            default:
                break;
        }
    }

    void ModelAnswered(const std::string& model) override {
        e.Results().instrumentModel = model;
        const auto& header = e.Data().header;
        if (!SameModel(model, header.model)) return e.EndJob(kErrModel);
        const bool v3 = e.Tables().isV3Model && e.Tables().isV3Model(header.model);
        e.CommStep = v3 ? kV3Access : kWrite;
    }

    void CustomTypeAnswered(int customType) override {
        if (!CustomTypesCompatible(static_cast<std::uint8_t>(customType),
                                   e.Data().header.customType))
            return e.EndJob(kErrCustomType);
        e.CommStep = kOut2Type;
    }

    /// The instrument's choice of a selection item must be one the data set
    /// holds for it.
    void CompareSelection(int ma, int mb, CommErrorCode error) {
        if (e.RespStatus == ResponseStatus::Normal &&
            !DataSetHoldsChoice(e.Data().items.dataSet, ma, mb, e.RespMC))
            return e.EndJob(error);
        e.CheckSlotZero();
    }

    void SendNextItem() {
        const auto& header = e.Data().header;
        const bool found = m_writes.Send([this, &header](std::size_t from) {
            return NextDownloadItem(e.Data().items.dataSet, from,
                                    header.starts[files::Category::Set],
                                    header.starts[files::Category::Adjust]);
        });
        if (!found) NothingToSend();
    }

    /// A download that stops while writing says how far it came, in the
    /// check list and below the message.
    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, false);
        if (e.CommError == kErrNone) {
            e.SetProgress(100);
            // How many values came back otherwise, so the check list is
            // expected (it opens only when there is something in it).
            const auto differences = e.Results().downloadCheck.size();
            e.CommFacts.downloadDifferences = static_cast<int>(differences);
            std::string detail;
            if (differences == 1) detail = shell::Catalogue(kTextOneDifference);
            if (differences > 1) {
                detail = shell::Catalogue(kTextDifferences);
                detail.replace(detail.find("%1"), 2, std::to_string(differences));
            }
            shell::ShowMsgBoxWithDetail(e.Data().hosts, kMsgDownloadCompleted, shell::MsgButtons::Ok,
                                        e.CommTitle, detail);
            return;
        }
        const auto& header = e.Data().header;
        const auto& dataSet = e.Data().items.dataSet;
        const std::string detail = m_writes.ReportStop(
            dataSet,
            [&](std::size_t from) {
                return NextDownloadItem(dataSet, from, header.starts[files::Category::Set],
                                        header.starts[files::Category::Adjust]);
            },
            e.Results().downloadCheck);
        e.ShowCommErrorMessage(e.CommError, detail);
    }

    int m_increment = 0;
    int m_progress = 0;
    ItemWrites m_writes{e};
};

// ============================================================= job 3: connect

class ConnectJob : public StepJob {
  public:
    using StepJob::StepJob;

    void Begin(SerialPort& port) override {
        m_rack = false;
        e.BeginJob(port);
    }

    void BeforeRequest(int step) override { e.SetProgress(25 * step); }

    void Step(int step) override { ConnectSequence(step); }

    void RackAnswered() override {
        m_rack = true;
        e.AskSlotNumber();
    }

    void ModelAnswered(const std::string& model) override {
        // The category menu names the connected model.
        e.Results().onlineHeader.model = model;
        e.CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        if (e.CommError == kErrNone) {
            // The port stays open for the online jobs that follow.
            e.SetProgress(100);
            e.Data().header.slot = m_rack ? e.SlotNumber : 0;
            return;
        }
        e.EndJobClosePort(port, false);
        e.ShowCommErrorMessage(e.CommError);
    }

    bool m_rack = false;
};

}  // namespace

void RegisterParameterJobs(EngineCore& e) {
    RegisterStepJob<UploadJob>(e, kJobUpload);
    RegisterStepJob<DownloadJob>(e, kJobDownload);
    // Job 3 only connects and reads the model: the online screen's first job.
    RegisterStepJob<ConnectJob>(e, kJobConnect);
}

}  // namespace rq50::comm::jobs
