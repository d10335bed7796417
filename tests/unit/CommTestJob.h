#pragma once

#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "comm/CommPort.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"

namespace rq50::comm::testing {

/// A small transaction in the shape every real one has: connect (with the
/// slot of a rack interface), then `reads` reads of the first DISPLAY head,
/// then finish with the message of the error code.
struct TestReadJob {
    static constexpr Job kCode = kJobCategoryDisplay;  // a monitored job code
    explicit TestReadJob(CommEngine& engine) : e(CoreOf(engine)) {}
    EngineCore& e;
    int reads = 1;
    /// The request of every read step; the head of the first DISPLAY group
    /// unless a test asks for something else.
    std::function<void()> request = [this] { e.ReqItem(26, 0, 0); };
    std::vector<std::string> names;  ///< name text of every response
    std::string model;

    enum Step { kFirst = 1, kSlot = 2, kModel = 3, kRead = 4 };

    void Register() {
        e.RegisterCommJob(kCode, {[this](SerialPort& port) { Build(port); }, [this] { Parse(); }});
    }

    void Build(SerialPort& port) {
        const int step = e.AdvanceStep();
        if (step == 0) {
            names.clear();
            e.BeginJob(port);
        } else if (step == kFirst) {
            e.ReqFirstItem();
        } else if (step == kSlot) {
            char digits[3];
            std::snprintf(digits, sizeof digits, "%02d", e.SlotNumber);
            e.SetSendDataText(std::string("      ") + digits);
            e.ReqWrite(0, 0, 0);
        } else if (step == kModel) {
            e.ReqNextMB(0, 0);
        } else if (step >= kRead && step < kRead + reads) {
            e.SetProgress(100 * (step - kRead + 1) / reads);
            request();
        } else if (step == kStepFinish) {
            e.EndJobClosePort(port, false);
            e.ShowCommErrorMessage(e.CommError);
        }
    }

    void Parse() {
        const int step = e.CommStep - 1;  // the step whose request was answered
        if (step == kStepFinish || step + 1 == kStepFinish) return;
        names.push_back(e.RespName);
        if (!e.CheckRespStatus()) return;
        if (step == kFirst) {
            if (e.IsSlotZeroResponse()) {
                e.AskSlotNumber();
                return;
            }
            model = e.RespData;
            e.CommStep = kRead;
            return;
        }
        if (!e.CheckSlotZero()) return;
        if (step == kModel) model = e.RespData;
        if (step == kRead + reads - 1) e.CommStep = kStepFinish;
    }
};

}  // namespace rq50::comm::testing
