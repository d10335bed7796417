// Jobs 20 (find the baud-rate row of the connected model), 21 (change the
// instrument's baud rate) and 23 (select the slot of a rack interface).

#include "comm/CommPort.h"
#include "comm/jobs/JobSupport.h"
#include "files/DataSet.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"

namespace rq50::comm::jobs {

namespace {

constexpr int kMsgRackBaud = 29;
constexpr int kMsgModelBaud = 30;
constexpr int kMsgConnectRack = 33;
constexpr int kMsgSpeedReminder = 16;
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

/// The finishing step of the device jobs: the port is closed unless the job
/// found it open, and the codes these jobs report get their messages.
void FinishDeviceJob(SerialPort& port) {
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

// ================================================================ job 23: slot

class SlotJob {
  public:
    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                CommFacts.rackAnswered = false;
                Results().slotModel.clear();
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
                if (CommFacts.rackAnswered) SetProgress(100);
                FinishDeviceJob(port);
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
            if (!IsSlotZeroResponse()) {
                CommFacts.rackAnswered = false;
                shell::RQ0000fnc_nShowMsgBox(kMsgConnectRack, shell::kButtonsOk, CommTitle);
                CommStep = kStepFinish;
                return;
            }
            CommFacts.rackAnswered = true;
            AskSlotNumber();
            return;
        }
        if (!Checks()) return;
        if (step == kStepModel) {
            Results().slotModel = RespData;
            CommStep = kStepFinish;
        }
    }
};

// ===================================================== job 20: baud-rate check

class BaudCheckJob {
  public:
    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                Results().baudRow.reset();
                Results().requests = 0;
                BeginJob(port);
                return;
            case kStepFirstItem:
                ReqFirstItem();
                ++Results().requests;
                return;
            case kStepFinish:
                FinishDeviceJob(port);
                return;
            default:
                return;
        }
    }

    void Parse() {
        const int step = AnsweredStep();
        if (step != kStepFirstItem || !CheckRespStatus()) return;
        CommStep = kStepFinish;
        if (IsSlotZeroResponse()) {
            shell::RQ0000fnc_nShowMsgBox(kMsgRackBaud, shell::kButtonsOk, CommTitle);
            CommSpeed = kSlowSpeed;
            CommError = kErrRackBaud;
            return;
        }
        const std::string model = TrimBlanks(RespData);
        std::optional<BaudRateRow> row;
        if (Tables().findBaudRate) row = Tables().findBaudRate(model);
        if (!row) {
            shell::RQ0000fnc_nShowMsgBox(kMsgModelBaud, shell::kButtonsOk, CommTitle);
            CommSpeed = kSlowSpeed;
            CommError = kErrBaudModel;
            return;
        }
        Results().baudRow = row;
        files::CurrentDataSetHeader().model = RespData;
    }
};

// ==================================================== job 21: baud-rate change

class BaudChangeJob {
  public:
    enum Step : int { kCommand10 = 1, kWriteRate = 2 };

    void Build(SerialPort& port) {
        const int step = AdvanceStep();
        switch (step) {
            case 0:
                Results().requests = 0;
                m_again = false;
                BeginJob(port);
                return;
            case kCommand10:
                SetProgress(40);
                ReqCommand10(0, 0, 0);
                break;
            case kWriteRate: {
                SetProgress(80);
                const BaudRateRow row = Results().baudRow.value_or(BaudRateRow{});
                const bool fast = shell::G().instrumentSpeed == kFastSpeed;
                std::string text = BaudRateText(row.prefix, fast ? row.code9600 : row.code1200);
                text.resize(8, ' ');
                SetSendDataText(text);
                ReqWrite(row.ma, row.mb, row.mc);
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
        if (step == kWriteRate && LostToTheSpeedSwitch()) {
            m_again = true;
            CommStep = kCommand10;
            return;
        }
        if (step < 0 || !Checks()) return;
        if (step == kWriteRate) CommStep = kStepFinish;
    }

  private:
    /// The answer to the rate write was lost while the instrument took the
    /// new rate; the speed switch found it at that rate, but closing the line
    /// ended its maintenance access, so the write is refused. The 10h and
    /// the write are made once more.
    bool LostToTheSpeedSwitch() const {
        return !m_again && CommRetry >= kTriesPerSpeed && RespStatus == kRespAddressError;
    }

    void Finish(SerialPort& port) {
        SetProgress(100);
        auto& g = shell::G();
        const bool ok = CommError == kErrNone;
        if (ok && g.instrumentSpeed == kFastSpeed) {
            shell::RQ0000fnc_nShowMsgBox(kMsgSpeedReminder, shell::kButtonsOk, CommTitle);
        }
        FinishDeviceJob(port);
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
    static SlotJob slot;
    static BaudCheckJob baudCheck;
    static BaudChangeJob baudChange;
    RegisterCommJob(kJobSlot, {[](SerialPort& p) { slot.Build(p); }, [] { slot.Parse(); }});
    RegisterCommJob(kJobBaudCheck,
                    {[](SerialPort& p) { baudCheck.Build(p); }, [] { baudCheck.Parse(); }});
    RegisterCommJob(kJobBaudChange,
                    {[](SerialPort& p) { baudChange.Build(p); }, [] { baudChange.Parse(); }});
}

}  // namespace rq50::comm::jobs
