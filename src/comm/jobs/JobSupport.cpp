#include "comm/jobs/JobSupport.h"

#include "shell/Catalogue.h"

#include <algorithm>
#include <cctype>
#include <span>

namespace rq50::comm::jobs {

namespace {
constexpr int kTextSkippingProgram = 10;
constexpr int kTextSkippingConst = 11;
}  // namespace

int AnsweredStep() {
    if (CommStep == kStepFinish || CommStep == kStepDone) return -1;
    return CommStep - 1;
}

bool Checks(int flag) {
    return CheckRespStatus(flag) && CheckSlotZero();
}

bool ProgramChecks() {
    if (RespStatus == kRespAddressError) {
        CommError = kErrAddress;
        CommStep = kStepFinish;
        return false;
    }
    return Checks();
}

parameter::ItemBlock ResponseBlock() {
    return parameter::ItemBlockFromResponse(RecvBuffer);
}

parameter::DecodedItem ResponseItem() {
    const std::size_t withoutChecksum = RecvBuffer.empty() ? 0 : RecvBuffer.size() - 1;
    return parameter::DecodeItem(std::span(RecvBuffer.data(), withoutChecksum), true);
}

std::string ResponseNameKey() {
    std::string key = TrimBlanks(RespName);
    std::transform(key.begin(), key.end(), key.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    return key;
}

bool IsProgramOrConst(const std::string& nameKey) {
    return nameKey == "PROGRAM" || nameKey == "CONST";
}

void BuildSlotWrite(int slot) {
    SetSendDataText(SlotWriteText(slot));
    ReqWrite(0, 0, 0);
}

void FinishNow(const std::function<void(SerialPort&)>& build, SerialPort& port) {
    CommStep = kStepFinish;
    build(port);
}

bool MaintEntryNeedsRepeat(int& entries) {
    constexpr int kMaxRepeats = 3;
    if (!AnsweredAfterResend() || entries >= kMaxRepeats) return false;
    ++entries;
    return true;
}

std::string SkippingText(const std::string& nameKey) {
    if (nameKey == "PROGRAM") return shell::Catalogue(kTextSkippingProgram);
    if (nameKey == "CONST") return shell::Catalogue(kTextSkippingConst);
    return {};
}

bool AcceptFirstItem() {
    if (!CheckRespStatus()) return false;
    if (IsSlotZeroResponse()) {
        AskSlotNumber();
        return false;
    }
    return true;
}

}  // namespace rq50::comm::jobs
