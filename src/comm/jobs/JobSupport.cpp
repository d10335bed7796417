#include "comm/jobs/JobSupport.h"

#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <span>

namespace rq50::comm::jobs {

namespace {}  // namespace

int AnsweredStep(EngineCore& e) {
    if (e.CommStep == kStepFinish || e.CommStep == kStepDone) return -1;
    return e.CommStep - 1;
}

bool Checks(EngineCore& e, int flag) {
    return e.CheckRespStatus(flag) && e.CheckSlotZero();
}

bool ProgramChecks(EngineCore& e) {
    if (e.RespStatus == ResponseStatus::AddressError) {
        e.EndJob(kErrAddress);
        return false;
    }
    return Checks(e);
}

parameter::ItemBlock ResponseBlock(EngineCore& e) {
    return parameter::ItemBlockFromResponse(e.RecvBuffer);
}

parameter::DecodedItem ResponseItem(EngineCore& e) {
    const std::size_t withoutChecksum = e.RecvBuffer.empty() ? 0 : e.RecvBuffer.size() - 1;
    return parameter::DecodeItem(std::span(e.RecvBuffer.data(), withoutChecksum), true);
}

std::string ResponseNameKey(EngineCore& e) {
    return shell::TrimUpper(e.RespName);
}

bool IsProgramOrConst(const std::string& nameKey) {
    return nameKey == "PROGRAM" || nameKey == "CONST";
}

void BuildSlotWrite(EngineCore& e, int slot) {
    e.SetSendDataText(SlotWriteText(slot));
    e.ReqWrite(0, 0, 0);
}

void ItemWrites::Restart() {
    m_position = 0;
    m_item.reset();
    m_course.Reset();
    e.Results().itemsWritten = 0;
    e.Results().written.clear();
}

bool ItemWrites::Send(const Select& select) {
    m_item = select(m_position);
    if (!m_item) return false;
    m_course.Sent(*m_item);
    if (m_item->sendData.empty()) {
        e.ClearSendData();
    } else {
        e.SetSendDataText(m_item->sendData);
    }
    e.ReqWrite(m_item->ma, m_item->mb, m_item->mc);
    return true;
}

void ItemWrites::Check(const parameter::ItemArray& items) {
    if (!m_item || m_item->index >= items.size()) return;
    m_course.Taken();
    const std::size_t sent = std::min(m_item->sendData.size(), e.SendData.size());
    if (auto entry = VerifyWrite(items[m_item->index], m_item->index, ResponseItem(e), sent))
        e.Results().downloadCheck.push_back(*entry);
    e.Results().written.push_back({m_item->index, ResponseBlock(e)});
    ++e.Results().itemsWritten;
    m_position = m_item->index + 1;
}

int CategoryStartOf(const files::DataSetHeader& header, int category) {
    switch (category) {
        case 0:
            return header.starts[files::Category::Display];
        case 1:
            return header.starts[files::Category::Set];
        case 2:
            return header.starts[files::Category::Adjust];
        default:
            return header.starts[files::Category::Maint];
    }
}

int NextCategoryStartOf(const files::DataSetHeader& header, int category) {
    return category == 0   ? header.starts[files::Category::Set]
           : category == 1 ? header.starts[files::Category::Adjust]
                           : header.starts[files::Category::Display];
}

std::string SkippingText(const std::string& nameKey) {
    if (nameKey == "PROGRAM") return shell::Catalogue(kTextSkippingProgram);
    if (nameKey == "CONST") return shell::Catalogue(kTextSkippingConst);
    return {};
}

}  // namespace rq50::comm::jobs
