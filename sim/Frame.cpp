#include "sim/Frame.h"

#include <algorithm>

namespace rq50::sim {

namespace {

bool ValidLengthByte(std::uint8_t length) {
    return length == 4 || length == 12 || length == 20;
}

}  // namespace

Bytes AssembleFrame(const std::array<std::uint8_t, 8>& header, const std::string& text) {
    Bytes frame(header.size() + text.size() + 1);
    std::copy(header.begin(), header.end(), frame.begin());
    std::copy(text.begin(), text.end(), frame.begin() + header.size());
    frame.back() = Checksum(frame, frame.size() - 1);
    return frame;
}

std::uint8_t Checksum(const Bytes& bytes, std::size_t count) {
    unsigned sum = 0;
    for (std::size_t i = 0; i < count && i < bytes.size(); ++i) sum += bytes[i];
    return static_cast<std::uint8_t>(sum & 0xFF);
}

std::optional<Request> ParseRequest(const Bytes& frame) {
    if (frame.size() < 9) return std::nullopt;
    if (static_cast<std::size_t>(frame[3]) + 5 != frame.size()) return std::nullopt;
    if (Checksum(frame, frame.size() - 1) != frame.back()) return std::nullopt;
    Request request;
    request.retry = (frame[2] & 0x40) != 0;
    request.command = frame[4];
    request.ma = frame[5];
    request.mb = frame[6];
    request.mc = frame[7];
    request.data.assign(frame.begin() + 8, frame.end() - 1);
    return request;
}

Bytes MakeRequest(std::uint8_t command, int ma, int mb, int mc, const Bytes& data, bool retry) {
    return AssembleFrame(
        {0x00, 0x00, static_cast<std::uint8_t>(retry ? 0x52 : 0x12),
         static_cast<std::uint8_t>(4 + data.size()), command, static_cast<std::uint8_t>(ma),
         static_cast<std::uint8_t>(mb), static_cast<std::uint8_t>(mc)},
        std::string(data.begin(), data.end()));
}

Bytes StatusFrame(int status, const Request& request) {
    return AssembleFrame(
        {0x00, 0x00, 0x12, 0x04, static_cast<std::uint8_t>((status & 7) << 3),
         static_cast<std::uint8_t>(request.ma & 0x3F), static_cast<std::uint8_t>(request.mb & 0x3F),
         static_cast<std::uint8_t>(request.mc & 0x3F)},
        {});
}

std::optional<Bytes> FrameAssembler::Push(std::uint8_t byte, std::int64_t atUs) {
    if (!m_buffer.empty() && atUs - m_lastUs > kGapLimitUs) m_buffer.clear();
    m_lastUs = atUs;
    m_buffer.push_back(byte);
    Resync();
    if (m_buffer.size() >= 4 && m_buffer.size() == static_cast<std::size_t>(m_buffer[3]) + 5) {
        Bytes frame;
        frame.swap(m_buffer);
        return frame;
    }
    return std::nullopt;
}

// Drops leading bytes until the buffer could be the start of a request:
// 00 00, then 12h or 52h, then a length of 4, 12 or 20.
void FrameAssembler::Resync() {
    auto plausible = [this] {
        const std::size_t n = m_buffer.size();
        if (n > 0 && m_buffer[0] != 0x00) return false;
        if (n > 1 && m_buffer[1] != 0x00) return false;
        if (n > 2 && m_buffer[2] != 0x12 && m_buffer[2] != 0x52) return false;
        if (n > 3 && !ValidLengthByte(m_buffer[3])) return false;
        return true;
    };
    while (!m_buffer.empty() && !plausible()) m_buffer.erase(m_buffer.begin());
}

}  // namespace rq50::sim
