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
        EndJob(kErrAddress);
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

void ItemWrites::Restart() {
    m_position = 0;
    m_item.reset();
    m_course.Reset();
    Results().itemsWritten = 0;
}

bool ItemWrites::Send(const Select& select) {
    m_item = select(m_position);
    if (!m_item) return false;
    m_course.Sent(*m_item);
    if (m_item->sendData.empty()) {
        ClearSendData();
    } else {
        SetSendDataText(m_item->sendData);
    }
    ReqWrite(m_item->ma, m_item->mb, m_item->mc);
    return true;
}

void ItemWrites::Check(const parameter::ItemArray& items) {
    if (!m_item || m_item->index >= items.size()) return;
    m_course.Taken();
    const std::size_t sent = std::min(m_item->sendData.size(), SendData.size());
    if (auto entry = VerifyWrite(items[m_item->index], m_item->index, ResponseItem(), sent))
        Results().downloadCheck.push_back(*entry);
    ++Results().itemsWritten;
    m_position = m_item->index + 1;
}

int CategoryStartOf(const files::DataSetHeader& header, int category) {
    switch (category) {
        case 0:
            return header.displayStart;
        case 1:
            return header.setStart;
        case 2:
            return header.adjustStart;
        default:
            return header.maintStart;
    }
}

int NextCategoryStartOf(const files::DataSetHeader& header, int category) {
    return category == 0   ? header.setStart
           : category == 1 ? header.adjustStart
                           : header.displayStart;
}

std::string SkippingText(const std::string& nameKey) {
    if (nameKey == "PROGRAM") return shell::Catalogue(kTextSkippingProgram);
    if (nameKey == "CONST") return shell::Catalogue(kTextSkippingConst);
    return {};
}

}  // namespace rq50::comm::jobs
