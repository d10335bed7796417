// The engine's jobs: registering them, starting one on its line, ending it
// with its outcome, and the messages a job ending in a fault shows.
#include "comm/EngineCore.h"

#include <algorithm>
#include <map>
#include <utility>

#include "comm/CommLog.h"
#include "comm/CommPort.h"
#include "comm/Frame.h"
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
    comm::PortErrorCode ErrorCode() const override { return PortErrorCode::InvalidPort; }
    std::string ErrorDescription() const override { return "No serial port is configured"; }
};

CommHost g_silentHost;

}  // namespace

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
    m_pacing = LinePacing{};
}

std::int64_t EngineCore::NowMs() const {
    return m_clock ? m_clock->NowMs() : 0;
}

void EngineCore::SetClock(shell::Clock* clock) {
    m_clock = clock;
}

void EngineCore::SetCommPacing(const CommPacing& next) {
    m_pacing.Choose(next);
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
    m_pacing.JobStarted();
    Timer1Interval = m_pacing.TickIntervalMs();
    Timer2Enabled = false;
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
    if (keepIfWasOpen && m_pacing.JobFast() && m_page != nullptr && IsOnlineJob(CommJob) &&
        CommError == kErrNone)
        return;
    if (m_keepLineOpen && CommError == kErrNone) return;
    if (CloseCommPort(port) != 0) ShowPortError();
}

void EngineCore::NoteJobEnd() {
    const bool online = IsOnlineJob(CommJob);
    onlineLineOpen = online && m_port != nullptr && m_port->IsOpen();
    lineIdleSinceMs = NowMs();
    if (!online || !m_pacing.JobFast()) return;
    // The instrument the online work reached, to reach again on a line
    // opened anew (a job that failed may have closed it already).
    relinkInstrument = lastInstrument;
    if (CommResult != kErrNone) ReleaseOnlineLine();
}

void EngineCore::ReleaseOnlineLine() {
    if (!m_pacing.Fast() || CommBusy || !onlineLineOpen) return;
    onlineLineOpen = false;
    relinkInstrument = lastInstrument;
    CloseLine();
}

void EngineCore::CloseLine() {
    if (CommBusy || m_port == nullptr || !m_port->IsOpen()) return;
    if (CloseCommPort(*m_port) != 0) PortError = {};
}

/// "The connection to DEV was lost…", what the job got done, and what to
/// check. It reads as a fault of the line, not of a typed port name.
void EngineCore::ShowLineLost(const std::string& detail) {
    if (Data().hosts.messages == nullptr) return;
    shell::MessageBoxRequest box;
    box.text = shell::Catalogue(kTextLineLost);
    if (const auto at = box.text.find("%1"); at != std::string::npos)
        box.text.replace(at, 2, CommDevice());
    if (!detail.empty()) box.text += "\r\n\r\n" + detail;
    box.text += "\r\n\r\n" + shell::Catalogue(kTextCheckTheLine);
    box.title = shell::Catalogue(kTextCommunicationError);
    box.buttons = shell::MsgButtons::Ok;
    box.icon = shell::MsgIcon::Exclamation;
    shell::ShowAlert(Data().hosts, box);
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
        Data().hosts, it->second, shell::MsgButtons::Ok, CommTitle,
        detail.empty() && code == kErrNoResponse ? NoAnswerDetail() : detail);
    return it->second;
}

bool EngineCore::CheckRespStatus(int flag) {
    if (RespStatus == ResponseStatus::CommandError) {
        EndJob(kErrCommand);
        return false;
    }
    if (RespStatus == ResponseStatus::AddressError) {
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
