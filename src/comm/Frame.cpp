#include "comm/Frame.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <exception>

#include "comm/CommLog.h"
#include "comm/EngineCore.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::comm {

namespace {
constexpr const char* kStatusSeparator = "  |  ";
}  // namespace

std::string DeviceForPort(const shell::Services& hosts, int portNumber) {
    const std::string number = std::to_string(portNumber);
    if (auto* settings = hosts.settings) {
        if (auto device = settings->Get("COM" + number + "Device"); device && !device->empty())
            return *device;
    }
#ifdef _WIN32
    return "COM" + number;
#else
    return "/dev/ttyS" + std::to_string(std::max(portNumber, 1) - 1);
#endif
}

std::string EngineCore::CommDevice() const {
    if (!CommSettings.deviceOverride.empty()) return CommSettings.deviceOverride;
    return DeviceForPort(Data().hosts, Data().state.comPort);
}

std::string EngineCore::LineStatusText(const std::string& demoName) const {
    auto fill = [](std::string text, const std::string& first, const std::string& second) {
        for (const auto& [mark, value] :
             {std::pair{std::string("%1"), first}, std::pair{std::string("%2"), second}}) {
            if (const auto at = text.find(mark); at != std::string::npos)
                text.replace(at, 2, value);
        }
        return text;
    };
    std::string text = demoName.empty() ? CommDevice() : demoName;
    text += kStatusSeparator + fill(shell::Catalogue(kTextSpeed), std::to_string(CommSpeed), {});
    const InstrumentFacts& last = lastInstrument;
    if (!last.model.empty()) {
        text += kStatusSeparator;
        text += last.viaRack
                    ? fill(shell::Catalogue(kTextRackSlot), std::to_string(last.slot), last.model)
                    : last.model;
    }
    return text;
}

void EngineCore::ClearSendData() {
    SendData.fill(0);
    SendDataCount = 0;
}

void EngineCore::SetSendDataText(const std::string& text) {
    ClearSendData();
    const std::size_t n = std::min(text.size(), SendData.size());
    std::copy_n(text.begin(), n, SendData.begin());
    SendDataCount = static_cast<int>(n);
}

void EngineCore::MakeFrame(int retry, int function, int subFunction, int ma, int mb, int mc) {
    const bool write = function == kFnWrite || function == kFnWriteAlias;
    if (function == kFnWriteAlias) function = kFnWrite;

    SendBuffer.assign(kHeaderSize, 0);
    int dataBytes = 0;
    if (write) {
        // Only 0, 8 and 16 data bytes exist; any other count sends none.
        if (SendDataCount == 8 || SendDataCount == 16) dataBytes = SendDataCount;
    }
    SendBuffer[2] = retry != 0 ? 0x52 : 0x12;
    SendBuffer[3] = static_cast<std::uint8_t>(4 + dataBytes);
    SendBuffer[4] = static_cast<std::uint8_t>(function * 8 + subFunction);
    SendBuffer[5] = static_cast<std::uint8_t>(ma);
    SendBuffer[6] = static_cast<std::uint8_t>(mb);
    SendBuffer[7] = static_cast<std::uint8_t>(mc);
    SendBuffer.insert(SendBuffer.end(), SendData.begin(), SendData.begin() + dataBytes);

    unsigned sum = 0;
    for (auto b : SendBuffer) sum += b;
    SendBuffer.push_back(static_cast<std::uint8_t>(sum & 0xFF));
}

void EngineCore::ReqFirstItem() {
    MakeFrame(CommRetry, kFnRead, 0, 0, 1, 0);
}
void EngineCore::ReqItem(int ma, int mb, int mc) {
    MakeFrame(CommRetry, kFnRead, 0, ma, mb, mc);
}
void EngineCore::ReqItem82(int ma) {
    MakeFrame(CommRetry, kFnRead, 2, ma, 0, 0);
}
void EngineCore::ReqNextMB(int ma, int mb) {
    MakeFrame(CommRetry, kFnRead, 4, ma, mb, 0);
}
void EngineCore::ReqPrevMB(int ma, int mb) {
    MakeFrame(CommRetry, kFnRead, 5, ma, mb, 0);
}
void EngineCore::ReqItem86(int ma, int mb, int mc) {
    MakeFrame(CommRetry, kFnRead, 6, ma, mb, mc);
}
void EngineCore::ReqCommand10(int ma, int mb, int mc) {
    MakeFrame(CommRetry, kFnCommand, 0, ma, mb, mc);
}
void EngineCore::ReqWrite(int ma, int mb, int mc) {
    MakeFrame(CommRetry, kFnWrite, 0, ma, mb, mc);
}

namespace {

int NameLengthOf(int code) {
    return code == 0 ? 8 : code == 1 ? 12 : 0;
}
int DataLengthOf(int code) {
    return code == 0 ? 8 : code == 2 ? 16 : 0;
}

}  // namespace

int ResponseTextLength(const std::uint8_t* header) {
    const int type = header[4] >> 6;
    const int nameLength = NameLengthOf(header[5] >> 6);
    const int dataLength = DataLengthOf(header[6] >> 6);
    switch (type) {
        case 1:
            return dataLength;
        case 2:
            return nameLength + dataLength;
        case 3:
            return nameLength + dataLength + 8;
        default:
            return 0;
    }
}

void EngineCore::DecodeResponse(const std::vector<std::uint8_t>& buffer, bool hasPrefix) {
    RespItem = parameter::DecodeItem(buffer, hasPrefix);
    RespItemType = RespItem.itemType;
    RespStatus = static_cast<ResponseStatus>(RespItem.status);
    RespDataKind = RespItem.kind;
    RespNameLength = RespItem.nameLength;
    RespMA = RespItem.ma;
    RespDataLength = RespItem.dataLength;
    RespMB = RespItem.mb;
    RespMC = RespItem.mc;
    RespTextLength = RespItem.textLength;
    RespName = RespItem.name;
    RespData = RespItem.data;
    RespAux = RespItem.aux;
}

namespace {

/// Offset of the first place in `bytes` where a response could begin:
/// 00h 00h then 12h or 52h, as far as the bytes go.
std::size_t FrameStart(const std::vector<std::uint8_t>& bytes) {
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        const std::size_t left = bytes.size() - i;
        if (bytes[i] != 0x00) continue;
        if (left > 1 && bytes[i + 1] != 0x00) continue;
        if (left > 2 && bytes[i + 2] != 0x12 && bytes[i + 2] != 0x52) continue;
        return i;
    }
    return bytes.size();
}

}  // namespace

void EngineCore::ResetReception() {
    RecvBuffer.clear();
    RecvTextLength = 0;
}

void EngineCore::RecvFrame(SerialPort& port, int& recvStatus) {
    if (recvStatus == kRecvHeader) {
        // RecvBuffer holds the start of a header found after passing over
        // stray bytes, or the previous response, which is done with.
        if (RecvBuffer.size() >= static_cast<std::size_t>(kHeaderSize)) RecvBuffer.clear();
        while (true) {
            const int need = kHeaderSize - static_cast<int>(RecvBuffer.size());
            if (port.BytesWaiting() < need) return;
            port.SetInputLength(need);
            const auto bytes = port.Read();
            RecvBuffer.insert(RecvBuffer.end(), bytes.begin(), bytes.end());
            if (RecvBuffer.size() < static_cast<std::size_t>(kHeaderSize)) return;
            const std::size_t start = FrameStart(RecvBuffer);
            if (start == 0) break;
            RecvBuffer.erase(RecvBuffer.begin(),
                             RecvBuffer.begin() + static_cast<std::ptrdiff_t>(start));
        }
        RecvTextLength = ResponseTextLength(RecvBuffer.data());
        recvStatus = kRecvBody;
        // The body is the texts and the checksum byte; a response without
        // texts still ends with its checksum.
        port.SetInputLength(RecvTextLength + 1);
        return;
    }
    if (recvStatus != kRecvBody) return;
    if (port.BytesWaiting() < RecvTextLength + 1) return;
    port.SetInputLength(RecvTextLength + 1);
    auto body = port.Read();
    if (body.size() < static_cast<std::size_t>(RecvTextLength + 1)) return;
    RecvBuffer.resize(kHeaderSize);
    RecvBuffer.insert(RecvBuffer.end(), body.begin(), body.begin() + RecvTextLength + 1);

    if (LogFileOn) LogFrame(RecvBuffer, false);
    ShowMonitorFrame(false);
    DecodeResponse(RecvBuffer, true);
    LastRespName = shell::TrimUpper(RespName);
    recvStatus = kRecvComplete;
}

bool ChecksumOk(const std::vector<std::uint8_t>& frame) {
    if (frame.empty()) return false;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) sum += frame[i];
    return static_cast<std::uint8_t>(sum & 0xFF) == frame.back();
}

void MarkRetransmission(std::vector<std::uint8_t>& frame) {
    if (frame.size() < static_cast<std::size_t>(kHeaderSize + 1)) return;
    frame[2] = 0x52;
    unsigned sum = 0;
    for (std::size_t i = 0; i + 1 < frame.size(); ++i) sum += frame[i];
    frame.back() = static_cast<std::uint8_t>(sum & 0xFF);
}

bool EngineCore::AnswerBelongsTo(const std::vector<std::uint8_t>& request) const {
    if (request.size() < static_cast<std::size_t>(kHeaderSize)) return true;
    if (RespName + RespData == "SLOT NO       00") return true;
    const int ma = request[5] & 0x3F;
    const int mb = request[6] & 0x3F;
    // Reads of MA 24-26 answer the head of a category's first group.
    constexpr int kAdjustStartMa = 24, kDisplayStartMa = 26;
    switch (request[4]) {
        case kFnRead * 8 + 0:  // the item asked for; MA 0 the model or the slot item
            if (ma == 0) return RespMA == 0;
            if (mb == 0 && ma >= kAdjustStartMa && ma <= kDisplayStartMa) return RespMB == 0;
            return RespMA == ma && RespMB == mb;
        case kFnRead * 8 + 2:  // the head of another group
            return RespMB == 0;
        case kFnRead * 8 + 4:  // another item of the same group
        case kFnRead * 8 + 5:
            return RespMA == ma;
        case kFnRead * 8 + 6:  // the same item with another choice
        case kFnWrite * 8:
            return RespMA == ma && RespMB == mb;
        default:
            return true;  // 10h answers whatever item is current
    }
}

std::string FrameToText(const std::vector<std::uint8_t>& bytes, bool asciiMode) {
    std::string text;
    if (!asciiMode) {
        static const char* kDigits = "0123456789ABCDEF";
        text.reserve(bytes.size() * 3);
        for (auto b : bytes) {
            text += kDigits[b >> 4];
            text += kDigits[b & 0xF];
            text += ' ';
        }
        return text;
    }
    text.reserve(bytes.size());
    for (auto b : bytes) {
        const bool replaced = b <= 31 || (b >= 127 && b <= 159) || b >= 224;
        text += static_cast<char>(replaced ? 0xA5 : b);
    }
    return text;
}

}  // namespace rq50::comm
