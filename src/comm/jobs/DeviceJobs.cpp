// Jobs 20 (find the baud-rate row of the connected model), 21 (change the
// instrument's baud rate) and 23 (select the slot of a rack interface).

#include "comm/CommPort.h"
#include "comm/EngineState.h"
#include "comm/jobs/JobSteps.h"
#include "comm/jobs/JobSupport.h"
#include "files/DataSet.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"

namespace rq50::comm::jobs {

namespace {

constexpr int kSlowSpeed = 1200;
constexpr int kFastSpeed = 9600;

/// After a time-out the engine may have left the port at the other speed;
/// an open port is brought back to `CommSpeed`.
void ReopenAtCommSpeed(SerialPort& port) {
    CommSettings.speed = CommSpeed;
    if (!port.IsOpen()) return;
    if (CloseCommPort(port) != 0) ShowQuillError();
    if (OpenCommPort(port) != 0) ShowQuillError();
}

/// The device jobs: the port is closed at the end unless the job found it
/// open, and the codes these jobs report get their messages.
class DeviceJob : public StepJob {
  protected:
    void Begin(SerialPort& port) override { BeginJob(port); }

    void Finish(SerialPort& port) override {
        EndJobClosePort(port, true);
        switch (CommError) {
            case kErrNoResponse:
                ShowCommErrorMessage(CommError);
                ReopenAtCommSpeed(port);
                break;
            case kErrTerminated:
            case kErrAddress:
            case kErrCommand:
            case kErrSlotZero:
                ShowCommErrorMessage(CommError);
                break;
            default:
                break;
        }
    }
};

// ================================================================ job 23: slot

class SlotJob : public DeviceJob {
    void Begin(SerialPort& port) override {
        CommFacts.rackAnswered = false;
        Results().slotModel.clear();
        DeviceJob::Begin(port);
    }

    void BeforeRequest(int step) override { SetProgress(25 * step); }

    void Step(int step) override { ConnectSequence(step); }

    void RackAnswered() override {
        CommFacts.rackAnswered = true;
        AskSlotNumber();
    }

    /// A directly connected instrument answers the first request with its
    /// model: there is no rack to set.
    void ModelAnswered(const std::string& model) override {
        if (CommFacts.rackAnswered) {
            Results().slotModel = model;
        } else {
            shell::RQ0000fnc_nShowMsgBox(kMsgConnectRack, shell::kButtonsOk, CommTitle);
        }
        CommStep = kStepFinish;
    }

    void Finish(SerialPort& port) override {
        if (CommFacts.rackAnswered) SetProgress(100);
        DeviceJob::Finish(port);
    }
};

// ===================================================== job 20: baud-rate check

class BaudCheckJob : public DeviceJob {
    void Begin(SerialPort& port) override {
        Results().baudRow.reset();
        DeviceJob::Begin(port);
    }

    void Step(int step) override {
        if (step != kStepFirstItem) return;
        if (Sending()) return ReqFirstItem();
        if (!CheckRespStatus()) return;
        CommStep = kStepFinish;
        if (IsSlotZeroResponse()) {
            CommEngine().lastInstrument.viaRack = true;
            return Refuse(kMsgRackBaud, kErrRackBaud);
        }
        CommEngine().lastInstrument.model = TrimBlanks(RespData);
        std::optional<BaudRateRow> row;
        if (Tables().findBaudRate) row = Tables().findBaudRate(TrimBlanks(RespData));
        if (!row) return Refuse(kMsgModelBaud, kErrBaudModel);
        Results().baudRow = row;
        files::CurrentDataSetHeader().model = RespData;
    }

    /// The rate of this instrument cannot be changed: said at once, and the
    /// link falls back to 1200 bit/s.
    static void Refuse(int message, int error) {
        shell::RQ0000fnc_nShowMsgBox(message, shell::kButtonsOk, CommTitle);
        CommSpeed = kSlowSpeed;
        CommError = error;
    }
};

// ==================================================== job 21: baud-rate change

class BaudChangeJob : public DeviceJob {
    enum Step : int { kCommand10 = 1, kWriteRate = 2 };

    void Begin(SerialPort& port) override {
        m_again = false;
        DeviceJob::Begin(port);
    }

    bool AnswerChecks(int step) override {
        if (step == kWriteRate && LostToTheSpeedSwitch()) {
            m_again = true;
            CommStep = kCommand10;
            return false;
        }
        return Checks();
    }

    /// The answer to the rate write was lost while the instrument took the
    /// new rate; the speed switch found it at that rate, but closing the line
    /// ended its maintenance access, so the write is refused. The 10h and
    /// the write are made once more.
    bool LostToTheSpeedSwitch() const {
        return !m_again && CommRetry >= kTriesPerSpeed && RespStatus == kRespAddressError;
    }

    void Step(int step) override {
        switch (step) {
            case kCommand10:
                if (Sending()) {
                    SetProgress(40);
                    ReqCommand10(0, 0, 0);
                }
                break;
            case kWriteRate:
                if (Sending()) return WriteRate();
                CommStep = kStepFinish;
                break;
            default:
                break;
        }
    }

    static void WriteRate() {
        SetProgress(80);
        const BaudRateRow row = Results().baudRow.value_or(BaudRateRow{});
        const bool fast = shell::G().instrumentSpeed == kFastSpeed;
        std::string text = BaudRateText(row.prefix, fast ? row.code9600 : row.code1200);
        text.resize(8, ' ');
        SetSendDataText(text);
        ReqWrite(row.ma, row.mb, row.mc);
    }

    void Finish(SerialPort& port) override {
        SetProgress(100);
        auto& g = shell::G();
        const bool ok = CommError == kErrNone;
        if (ok && g.instrumentSpeed == kFastSpeed) {
            shell::RQ0000fnc_nShowMsgBox(kMsgSpeedReminder, shell::kButtonsOk, CommTitle);
        }
        DeviceJob::Finish(port);
        if (ok) {
            CommSpeed = g.instrumentSpeed;
        } else {
            g.instrumentSpeed = Results().previousInstrumentSpeed;
            CommSpeed = Results().previousInstrumentSpeed;
        }
        g.commSpeed = CommSpeed;
        // The instrument now listens at the new rate; the port follows.
        CommSettings.speed = CommSpeed;
        if (port.IsOpen()) SetCommPort(port);
    }

    bool m_again = false;
};

}  // namespace

void RegisterDeviceJobs() {
    RegisterStepJobs<SlotJob, BaudCheckJob, BaudChangeJob>(kJobSlot, kJobBaudCheck, kJobBaudChange);
}

}  // namespace rq50::comm::jobs
