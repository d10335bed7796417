#include "sim/Instrument.h"

#include <string>

namespace rq50::sim {

namespace {

Bytes SlotFrame(int slot) {
    const std::string text = std::string("SLOT NO       ") + static_cast<char>('0' + slot / 10) +
                             static_cast<char>('0' + slot % 10);
    return AssembleFrame({0x00, 0x00, 0x12, static_cast<std::uint8_t>(4 + text.size()),
                          static_cast<std::uint8_t>((2 << 6) | kKindFixed), 0x00, 0x00, 0x00},
                         text);
}

}  // namespace

Device* Instrument::DeviceAt(int slot) {
    if (!m_rack) return slot == 0 ? &m_device : nullptr;
    if (slot < 1 || slot > kRackSlots || !m_slots[slot]) return nullptr;
    return &*m_slots[slot];
}

Device* Instrument::Active() {
    if (!m_rack) return &m_device;
    return m_slot == 0 ? nullptr : &*m_slots[m_slot];
}

std::optional<Bytes> Instrument::Handle(const Bytes& request) {
    auto reply = Respond(request);
    if (!reply) return std::nullopt;
    return std::move(reply->bytes);
}

std::optional<Reply> Instrument::Respond(const Bytes& frame) {
    const auto request = ParseRequest(frame);
    if (!request) return std::nullopt;
    const int number = ++m_requests;

    Reply reply;
    reply.speed = m_speed;
    reply.delayMs = m_latencyMs;
    if (m_rack) {
        reply.bytes = RackAnswer(*request);
    } else {
        reply.bytes = m_device.Answer(*request);
        // The answer still goes out at the old speed; the next request is
        // expected at the new one.
        if (const int speed = m_device.TakeRequestedSpeed(); speed != 0) m_speed = speed;
    }

    if (m_faults.drop.Applies(number)) return std::nullopt;
    if (m_faults.corrupt.Applies(number) && m_faults.corruptByte >= 0 &&
        m_faults.corruptByte < static_cast<int>(reply.bytes.size()))
        reply.bytes[m_faults.corruptByte] ^= static_cast<std::uint8_t>(m_faults.corruptXor);
    if (m_faults.late.Applies(number)) reply.delayMs += m_faults.lateMs;
    if (m_faults.split.Applies(number) && m_faults.splitAfter > 0 &&
        m_faults.splitAfter < static_cast<int>(reply.bytes.size())) {
        reply.splitAfter = m_faults.splitAfter;
        reply.splitPauseMs = m_faults.splitPauseMs;
    }
    return reply;
}

Bytes Instrument::RackAnswer(const Request& request) {
    // The slot number belongs to the rack itself, whatever slot is selected.
    if (request.command == kCmdWrite && request.ma == 0 && request.mb == 0 && request.mc == 0) {
        const std::string text(request.data.begin(), request.data.end());
        if (text.size() != 8 || text.substr(0, 6) != "      " || text[6] < '0' || text[6] > '9' ||
            text[7] < '0' || text[7] > '9')
            return StatusFrame(kStatusCommandError, request);
        const int slot = (text[6] - '0') * 10 + (text[7] - '0');
        if (slot < 1 || slot > kRackSlots || !m_slots[slot])
            return StatusFrame(kStatusAddressError, request);
        m_slot = slot;
        return SlotFrame(slot);
    }
    if (m_slot == 0) return SlotFrame(0);
    Device& device = *m_slots[m_slot];
    Bytes answer = device.Answer(request);
    device.TakeRequestedSpeed();  // the rack's own speed does not change
    return answer;
}

void Instrument::LineClosed() {
    m_slot = 0;
    m_device.LineClosed();
    for (auto& slot : m_slots)
        if (slot) slot->LineClosed();
}

void Instrument::PowerCycle() {
    m_device = m_initialDevice;
    m_slots = m_initialSlots;
    m_slot = 0;
    m_requests = 0;
    if (!m_keepSpeed) m_speed = m_faults.startSpeed != 0 ? m_faults.startSpeed : m_configuredSpeed;
}

}  // namespace rq50::sim
