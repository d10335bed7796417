// The engine as its users see it: each call reaches the engine's works.

#include "comm/Engine.h"

#include <algorithm>

#include "comm/EngineCore.h"
#include "files/Workspace.h"

namespace rq50::comm {

std::string CommErrorText(CommErrorCode code) {
    const char* text = nullptr;
    switch (code) {
        case kErrNone:
            return "completed";
        case kErrTimeout:
            text = "the answer did not come in time";
            break;
        case kErrNoResponse:
            text = "the instrument did not answer";
            break;
        case kErrTerminated:
            text = "stopped";
            break;
        case kErrModel:
            text = "the instrument is another model than the data";
            break;
        case kErrOut2Type:
            text = "the instrument has another output 2 type";
            break;
        case kErrSensorType:
            text = "the instrument has another sensor type";
            break;
        case kErrProgramRefused:
            text = "the instrument refused the PROGRAM area";
            break;
        case kErrConstRefused:
            text = "the instrument refused the CONST area";
            break;
        case kErrAddress:
            text = "the instrument has no such item (address error)";
            break;
        case kErrCommand:
            text = "the instrument refused the request (command error)";
            break;
        case kErrBothRefused:
            text = "the instrument refused the PROGRAM and CONST areas";
            break;
        case kErrRackBaud:
            text = "a rack interface's baud rate cannot be changed";
            break;
        case kErrBaudModel:
            text = "this model's baud rate cannot be changed";
            break;
        case kErrCustomType:
            text = "the instrument has another custom type";
            break;
        case kErrPortOpen:
            text = "the port could not be opened";
            break;
        case kErrSlotZero:
            text = "the rack interface answered for no slot";
            break;
        case kErrDataSetRefused:
            text = "the data set cannot be downloaded";
            break;
        case kErrLineLost:
            text = "the line was lost";
            break;
        default:
            text = "the job failed";
            break;
    }
    return std::string(text) + " (error " + std::to_string(ErrorNumber(code)) + ")";
}

bool ChangesInstrument(Job job) {
    return job == kJobDownload || job == kJobProgramDownload || job == kJobWriteItem;
}

EngineCore& CoreOf(CommEngine& engine) {
    return *engine.m_core;
}
const EngineCore& CoreOf(const CommEngine& engine) {
    return *engine.m_core;
}

CommEngine::CommEngine() : m_core(std::make_unique<EngineCore>(*this)) {}
CommEngine::~CommEngine() = default;

void CommEngine::Reset() {
    m_core->Reset();
}
void CommEngine::SetHost(CommHost* host) {
    m_core->SetHost(host);
}
CommHost& CommEngine::Host() {
    return m_core->Host();
}
void CommEngine::AttachPort(SerialPort* port) {
    m_core->AttachPort(port);
}
SerialPort& CommEngine::MainPort() {
    return m_core->MainPort();
}
void CommEngine::SetClock(shell::Clock* clock) {
    m_core->SetClock(clock);
}
void CommEngine::SetWorkspace(files::Workspace& workspace) {
    m_core->SetWorkspace(workspace);
}
files::Workspace& CommEngine::Data() {
    return m_core->Data();
}
const files::Workspace& CommEngine::Data() const {
    return m_core->Data();
}
void CommEngine::SetJobObserver(
    std::function<void(const JobOutcome& outcome, const std::string& recordAs)> observer) {
    m_core->SetJobObserver(std::move(observer));
}
void CommEngine::AttachPageModel(parameter::PageModel* page) {
    m_core->AttachPageModel(page);
}
parameter::PageModel* CommEngine::OnlinePage() const {
    return m_core->OnlinePage();
}
jobs::JobTables& CommEngine::Tables() {
    return m_core->Tables();
}

bool CommEngine::StartCommJob(const JobRequest& request) {
    return m_core->StartCommJob(request);
}
bool CommEngine::Busy() const {
    return m_core->CommBusy;
}
const JobOutcome& CommEngine::LastOutcome() const {
    return m_core->LastOutcome();
}
JobOutcome CommEngine::OutcomeSoFar() const {
    return m_core->MakeOutcome();
}
void CommEngine::Timer1() {
    m_core->Timer1();
}
int CommEngine::TickIntervalMs() const {
    return m_core->Timer1Interval > 0 ? m_core->Timer1Interval : kTickMs;
}
void CommEngine::Terminate() {
    m_core->Terminate();
}
bool CommEngine::RunCommJob(std::int64_t maxMs, const std::function<bool()>& stopAsked) {
    return m_core->RunCommJob(maxMs, stopAsked);
}
std::int64_t CommEngine::MsUntilNextAction() const {
    return m_core->MsUntilNextAction();
}
int CommEngine::RequestsSent() const {
    return m_core->RequestsSent();
}
bool CommEngine::AwaitingAnswer() const {
    return m_core->CommState == kStateWait;
}
const std::string& CommEngine::JobTitle() const {
    return m_core->CommTitle;
}
int CommEngine::Progress() const {
    return std::clamp(m_core->CommProgress, 0, 100);
}

void CommEngine::SetCommPacing(const CommPacing& pacing) {
    m_core->SetCommPacing(pacing);
}
const CommPacing& CommEngine::Pacing() const {
    return m_core->Pacing();
}
std::int32_t CommEngine::Speed() const {
    return m_core->CommSpeed;
}
void CommEngine::SetSpeed(std::int32_t speed) {
    m_core->CommSpeed = speed;
}
const PortSettings& CommEngine::LineSettings() const {
    return m_core->CommSettings;
}
void CommEngine::ResetLineSettings() {
    m_core->CommSettings = PortSettings{};
}
void CommEngine::SetDeviceOverride(const std::string& device) {
    m_core->CommSettings.deviceOverride = device;
}
void CommEngine::SetSimulated(bool simulated) {
    m_core->CommSettings.simulated = simulated;
}
std::string CommEngine::CommDevice() const {
    return m_core->CommDevice();
}
std::string CommEngine::LineStatusText(const std::string& demoName) const {
    return m_core->LineStatusText(demoName);
}
const InstrumentFacts& CommEngine::LastInstrument() const {
    return m_core->lastInstrument;
}
int CommEngine::SlotNumber() const {
    return m_core->SlotNumber;
}
void CommEngine::CloseLine() {
    m_core->CloseLine();
}
void CommEngine::ReleaseOnlineLine() {
    m_core->ReleaseOnlineLine();
}

bool CommEngine::MonitorOn() const {
    return m_core->MonitorOn;
}
void CommEngine::SetMonitorOn(bool on) {
    m_core->MonitorOn = on;
}
bool CommEngine::MonitorAscii() const {
    return m_core->MonitorAscii;
}
void CommEngine::SetMonitorAscii(bool ascii) {
    m_core->MonitorAscii = ascii;
}
bool CommEngine::LogFileOn() const {
    return m_core->LogFileOn;
}
void CommEngine::SetLogFileOn(bool on) {
    m_core->LogFileOn = on;
}
std::string CommEngine::LogFilePath() const {
    return m_core->LogFilePath();
}
void CommEngine::SetLogTarget(const LogTarget& target) {
    m_core->SetLogTarget(target);
}
std::string CommEngine::LogFileProblem() const {
    return m_core->LogFileProblem();
}
void CommEngine::SetLogTimeSource(std::function<std::string()> source) {
    m_core->SetLogTimeSource(std::move(source));
}

}  // namespace rq50::comm
