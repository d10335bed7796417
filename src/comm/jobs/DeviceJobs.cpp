// Jobs 20 (find the baud-rate row of the connected model), 21 (change the
// instrument's baud rate) and 23 (select the slot of a rack interface).

#include "comm/CommPort.h"
#include "comm/EngineState.h"
#include "comm/jobs/JobSteps.h"
#include "comm/jobs/JobSupport.h"
#include "files/DataSet.h"
#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"

namespace rq50::comm::jobs {

namespace {

constexpr int kSlowSpeed = 1200;
constexpr int kFastSpeed = 9600;

/// After a time-out the engine may have left the port at the other speed;
/// an open port is brought back to `CommSpeed`.
void ReopenAtCommSpeed(EngineCore& e, SerialPort& port) {
    e.CommSettings.speed = e.CommSpeed;
    if (!port.IsOpen()) return;
    if (e.CloseCommPort(port) != 0) e.ShowPortError();
    if (e.OpenCommPort(port) != 0) e.ShowPortError();
}

/// The device jobs: the port is closed at the end unless the job found it
/// open, and the codes these jobs report get their messages.
class DeviceJob : public StepJob {
  public:
    using StepJob::StepJob;

  protected:
    void Begin(SerialPort& port) override { e.BeginJob(port); }

    void Finish(SerialPort& port) override {
        e.EndJobClosePort(port, true);
        switch (e.CommError) {
            case kErrNoResponse:
                e.ShowCommErrorMessage(e.CommError);
                ReopenAtCommSpeed(e, port);
                break;
            case kErrTerminated:
            case kErrAddress:
            case kErrCommand:
            case kErrSlotZero:
                e.ShowCommErrorMessage(e.CommError);
                break;
            default:
                break;
        }
    }
};

// ================================================================ job 23: slot

class SlotJob : public DeviceJob {
  public:
    using DeviceJob::DeviceJob;

    void Begin(SerialPort& port) override {
        e.CommFacts.rackAnswered = false;
        e.Results().slotModel.clear();
        DeviceJob::Begin(port);
    }

    void BeforeRequest(int step) override { e.SetProgress(25 * step); }

    void Step(int step) override { ConnectSequence(step); }

    void RackAnswered() override {
        e.CommFacts.rackAnswered = true;
        e.AskSlotNumber();
    }

    /// A directly connected instrument answers the first request with its
    /// model: there is no rack to set.
    void ModelAnswered(const std::string& model) override {
        if (e.CommFacts.rackAnswered) {
            e.Results().slotModel = model;
        } else {
            shell::ShowMessage(e.Data().hosts, kMsgConnectRack, shell::MsgButtons::Ok, e.CommTitle);
        }
        e.CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        if (e.CommFacts.rackAnswered) e.SetProgress(100);
        DeviceJob::Finish(port);
    }
};

// ===================================================== job 20: baud-rate check

class BaudCheckJob : public DeviceJob {
  public:
    using DeviceJob::DeviceJob;

    void Begin(SerialPort& port) override {
        e.Results().baudRow.reset();
        DeviceJob::Begin(port);
    }

    void Step(int step) override {
        if (step != kStepFirstItem) return;
        if (Sending()) return e.ReqFirstItem();
        if (!e.CheckRespStatus()) return;
        e.CommStep = kStepFinish;
        if (e.IsSlotZeroResponse()) {
            e.lastInstrument.viaRack = true;
            return Refuse(kMsgRackBaud, kErrRackBaud);
        }
        e.lastInstrument.model = shell::Trim(e.RespData);
        std::optional<BaudRateRow> row;
        if (e.Tables().findBaudRate) row = e.Tables().findBaudRate(shell::Trim(e.RespData));
        if (!row) return Refuse(kMsgModelBaud, kErrBaudModel);
        e.Results().baudRow = row;
        e.Data().header.model = e.RespData;
    }

    /// The rate of this instrument cannot be changed: said at once, and the
    /// link falls back to 1200 bit/s.
    void Refuse(int message, CommErrorCode error) {
        shell::ShowMessage(e.Data().hosts, message, shell::MsgButtons::Ok, e.CommTitle);
        e.CommSpeed = kSlowSpeed;
        e.CommError = error;
    }
};

// ==================================================== job 21: baud-rate change

class BaudChangeJob : public DeviceJob {
  public:
    using DeviceJob::DeviceJob;

    enum Step : int { kCommand10 = 1, kWriteRate = 2 };

    void Begin(SerialPort& port) override {
        m_again = false;
        // The instrument would take a rate its line then could not follow.
        if (e.Data().state.instrumentSpeed != e.Results().previousInstrumentSpeed &&
            e.RefuseSpeedChange(port))
            return;
        DeviceJob::Begin(port);
    }

    bool AnswerChecks(int step) override {
        if (step == kWriteRate && LostToTheSpeedSwitch()) {
            m_again = true;
            e.CommStep = kCommand10;
            return false;
        }
        return Checks(e);
    }

    /// The answer to the rate write was lost while the instrument took the
    /// new rate; the speed switch found it at that rate, but closing the line
    /// ended its maintenance access, so the write is refused. The 10h and
    /// the write are made once more.
    bool LostToTheSpeedSwitch() const {
        return !m_again && e.CommRetry >= kTriesPerSpeed && e.RespStatus == ResponseStatus::AddressError;
    }

    void Step(int step) override {
        switch (step) {
            case kCommand10:
                if (Sending()) {
                    e.SetProgress(40);
                    e.ReqCommand10(0, 0, 0);
                }
                break;
            case kWriteRate:
                if (Sending()) return WriteRate();
                e.CommStep = kStepFinish;
                break;
            default:
                break;
        }
    }

    void WriteRate() {
        e.SetProgress(80);
        const BaudRateRow row = e.Results().baudRow.value_or(BaudRateRow{});
        const bool fast = e.Data().state.instrumentSpeed == kFastSpeed;
        std::string text = BaudRateText(row.prefix, fast ? row.code9600 : row.code1200);
        text.resize(8, ' ');
        e.SetSendDataText(text);
        e.ReqWrite(row.ma, row.mb, row.mc);
    }

    void Finish(SerialPort& port) override {
        e.SetProgress(100);
        auto& g = e.Data().state;
        const bool ok = e.CommError == kErrNone;
        if (ok && g.instrumentSpeed == kFastSpeed) {
            shell::ShowMessage(e.Data().hosts, kMsgSpeedReminder, shell::MsgButtons::Ok, e.CommTitle);
        }
        DeviceJob::Finish(port);
        if (ok) {
            e.CommSpeed = g.instrumentSpeed;
        } else {
            g.instrumentSpeed = e.Results().previousInstrumentSpeed;
            e.CommSpeed = e.Results().previousInstrumentSpeed;
        }
        // The instrument now listens at the new rate; the port follows.
        e.CommSettings.speed = e.CommSpeed;
        if (port.IsOpen()) e.SetCommPort(port);
    }

    bool m_again = false;
};

}  // namespace

void RegisterDeviceJobs(EngineCore& e) {
    RegisterStepJobs<SlotJob, BaudCheckJob, BaudChangeJob>(e, kJobSlot, kJobBaudCheck,
                                                           kJobBaudChange);
}

}  // namespace rq50::comm::jobs
