#include "sim/SimulatedLine.h"

#include "comm/CommPort.h"

#include <algorithm>

namespace rq50::sim {

std::int64_t WireTimeUs(std::int64_t count, int speed) {
    return speed > 0 ? count * 10 * 1'000'000 / speed : 0;
}

SimulatedLine::SimulatedLine(const shell::Clock& clock, Instrument* instrument)
    : m_clock(clock), m_instrument(instrument) {}

void SimulatedLine::SetError(comm::PortErrorCode number, const std::string& description) {
    m_errorNumber = number;
    m_errorDescription = description;
}

void SimulatedLine::FailOpen(comm::PortErrorCode number, const std::string& description) {
    m_failOpenNumber = number;
    m_failOpenDescription = description;
}

void SimulatedLine::SetLineSettings(const comm::LineSettings& settings) {
    Advance();  // what is on the wire so far was sent at the old speed
    m_settings = settings;
}

void SimulatedLine::Unplug() {
    m_open = false;
    m_input.clear();
    SetError(comm::PortErrorCode::Unavailable, "The device " + m_device + " was removed");
    FailOpen(comm::PortErrorCode::InvalidPort, "Invalid port number: " + m_device + " does not exist");
}

bool SimulatedLine::Open() {
    if (m_open) return true;
    if (m_failOpenNumber != comm::PortErrorCode::None) {
        SetError(m_failOpenNumber, m_failOpenDescription);
        return false;
    }
    SetError(comm::PortErrorCode::None, {});
    m_open = true;
    m_input.clear();
    m_txFreeUs = m_rxFreeUs = NowUs();
    return true;
}

bool SimulatedLine::Close() {
    if (!m_open) return true;
    Advance();
    m_open = false;
    m_toInstrument.clear();
    m_toTool.clear();
    m_input.clear();
    m_assembler.Reset();
    if (m_instrument != nullptr) m_instrument->LineClosed();
    SetError(comm::PortErrorCode::None, {});
    return true;
}

int SimulatedLine::BytesWaiting() {
    Advance();
    return static_cast<int>(m_input.size());
}

std::vector<std::uint8_t> SimulatedLine::Read() {
    Advance();
    std::size_t count = m_input.size();
    if (m_inputLength > 0) count = std::min(count, static_cast<std::size_t>(m_inputLength));
    std::vector<std::uint8_t> bytes(m_input.begin(), m_input.begin() + count);
    m_input.erase(m_input.begin(), m_input.begin() + count);
    return bytes;
}

bool SimulatedLine::Write(const std::vector<std::uint8_t>& bytes) {
    if (!m_open) {
        SetError(comm::PortErrorCode::NotOpen, "Port is not open");
        return false;
    }
    Advance();
    const std::int64_t now = NowUs();
    const std::int64_t start = std::max(now, m_txFreeUs);
    const int speed = m_settings.speed;
    for (std::size_t i = 0; i < bytes.size(); ++i)
        m_toInstrument.push_back({start + WireTimeUs(i + 1, speed), speed, bytes[i]});
    m_txFreeUs = start + WireTimeUs(bytes.size(), speed);
    m_sent.push_back({m_clock.NowMs(), speed, bytes});
    return true;
}

void SimulatedLine::ClearBuffers() {
    Advance();
    m_input.clear();
}

void SimulatedLine::Deliver(const Reply& reply, std::int64_t requestEndUs) {
    std::int64_t start = std::max(requestEndUs + std::int64_t{reply.delayMs} * 1000, m_rxFreeUs);
    std::int64_t partStart = start;
    std::size_t partFirst = 0;
    for (std::size_t i = 0; i < reply.bytes.size(); ++i) {
        if (reply.splitAfter > 0 && i == static_cast<std::size_t>(reply.splitAfter)) {
            partStart = partStart + WireTimeUs(i - partFirst, reply.speed) +
                        std::int64_t{reply.splitPauseMs} * 1000;
            partFirst = i;
        }
        const std::int64_t at = partStart + WireTimeUs(i - partFirst + 1, reply.speed);
        m_toTool.push_back({at, reply.speed, reply.bytes[i]});
        m_rxFreeUs = at;
    }
}

void SimulatedLine::Advance() {
    if (!m_open) return;
    const std::int64_t now = NowUs();
    // Answers are produced only from requests that have arrived, so taking
    // the two directions in turn keeps everything in time order.
    while (true) {
        const bool requestByte = !m_toInstrument.empty() && m_toInstrument.front().atUs <= now;
        const bool answerByte = !m_toTool.empty() && m_toTool.front().atUs <= now;
        if (!requestByte && !answerByte) break;
        if (requestByte && (!answerByte || m_toInstrument.front().atUs <= m_toTool.front().atUs)) {
            const WireByte byte = m_toInstrument.front();
            m_toInstrument.pop_front();
            if (m_instrument == nullptr || byte.speed != m_instrument->Speed()) continue;
            if (auto frame = m_assembler.Push(byte.value, byte.atUs)) {
                if (auto reply = m_instrument->Respond(*frame)) Deliver(*reply, byte.atUs);
            }
        } else {
            const WireByte byte = m_toTool.front();
            m_toTool.pop_front();
            if (byte.speed == m_settings.speed) m_input.push_back(byte.value);
        }
    }
}

}  // namespace rq50::sim
