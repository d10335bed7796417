#include "comm/TelnetComPort.h"

namespace rq50::comm {

using namespace telnet;

namespace {

/// The options this side uses (RFC 856 binary, RFC 858 no go-ahead, RFC 2217
/// COM-PORT-OPTION) and those it lets the server use.
bool WeUse(std::uint8_t option) {
    return option == kOptBinary || option == kOptSuppressGoAhead || option == kOptComPort;
}
bool ServerMayUse(std::uint8_t option) {
    return option == kOptBinary || option == kOptSuppressGoAhead;
}

void AppendData(std::vector<std::uint8_t>& out, const std::vector<std::uint8_t>& data) {
    for (std::uint8_t b : data) {
        out.push_back(b);
        if (b == kIac) out.push_back(kIac);
    }
}

}  // namespace

void TelnetComPort::Put(std::initializer_list<std::uint8_t> bytes) {
    m_out.insert(m_out.end(), bytes);
}

void TelnetComPort::Start() {
    m_started = true;
    for (std::uint8_t option : {kOptComPort, kOptBinary, kOptSuppressGoAhead}) {
        m_askedUs[option] = true;
        Put({kIac, kWill, option});
    }
    for (std::uint8_t option : {kOptBinary, kOptSuppressGoAhead}) {
        m_askedHim[option] = true;
        Put({kIac, kDo, option});
    }
}

// RFC 2217: IAC SB COM-PORT-OPTION command value IAC SE, an FFh in the value
// doubled as in data.
void TelnetComPort::Command(std::uint8_t command, const std::vector<std::uint8_t>& value) {
    Put({kIac, kSb, kOptComPort, command});
    AppendData(m_out, value);
    Put({kIac, kSe});
}

void TelnetComPort::LineCommands(const LineSettings& s) {
    const auto speed = static_cast<std::uint32_t>(s.speed);
    Command(kSetBaudRate,
            {static_cast<std::uint8_t>(speed >> 24), static_cast<std::uint8_t>(speed >> 16),
             static_cast<std::uint8_t>(speed >> 8), static_cast<std::uint8_t>(speed)});
    Command(kSetDataSize, {static_cast<std::uint8_t>(s.dataBits)});
    Command(kSetParity, {s.parity == 'O'   ? kParityOdd
                         : s.parity == 'E' ? kParityEven
                                           : kParityNone});
    Command(kSetStopSize, {s.stopBits == 2 ? kStopTwo : kStopOne});
    Command(kSetControl, {kControlNoFlow});
}

void TelnetComPort::SetLine(const LineSettings& settings) {
    switch (m_comPort) {
        case Option::Accepted:
            LineCommands(settings);
            break;
        case Option::Asked:
            m_line = settings;
            break;
        case Option::Refused:
            break;
    }
}

void TelnetComPort::SetDtr(bool on) {
    switch (m_comPort) {
        case Option::Accepted:
            Command(kSetControl, {on ? kControlDtrOn : kControlDtrOff});
            break;
        case Option::Asked:
            m_dtr = on;
            break;
        case Option::Refused:
            break;
    }
}

void TelnetComPort::Send(const std::vector<std::uint8_t>& data) {
    AppendData(m_started && m_comPort == Option::Asked ? m_heldData : m_out, data);
}

std::vector<std::uint8_t> TelnetComPort::TakeOutput() {
    std::vector<std::uint8_t> out;
    out.swap(m_out);
    return out;
}

/// The server has answered the option: what waited for it goes out, the line
/// settings first, then the data that was written meanwhile.
void TelnetComPort::Answered(Option comPort) {
    if (m_comPort != Option::Asked) {
        m_comPort = comPort;
        return;
    }
    m_comPort = comPort;
    if (comPort == Option::Accepted) {
        if (m_line) LineCommands(*m_line);
        if (m_dtr) Command(kSetControl, {*m_dtr ? kControlDtrOn : kControlDtrOff});
    }
    m_line.reset();
    m_dtr.reset();
    m_out.insert(m_out.end(), m_heldData.begin(), m_heldData.end());
    m_heldData.clear();
}

// Option negotiation after RFC 854/1143: a request that changes nothing is
// not answered, and an answer to one of our own requests is not answered
// again, so neither side can loop.
void TelnetComPort::Negotiation(std::uint8_t verb, std::uint8_t option) {
    switch (verb) {
        case kDo:
            if (!WeUse(option)) {
                Put({kIac, kWont, option});
                break;
            }
            if (!m_us[option] && !m_askedUs[option]) Put({kIac, kWill, option});
            m_us[option] = true;
            m_askedUs[option] = false;
            if (option == kOptComPort) Answered(Option::Accepted);
            break;
        case kDont:
            if (m_us[option] && !m_askedUs[option]) Put({kIac, kWont, option});
            m_us[option] = false;
            m_askedUs[option] = false;
            if (option == kOptComPort) Answered(Option::Refused);
            break;
        case kWill:
            if (!ServerMayUse(option)) {
                Put({kIac, kDont, option});
                break;
            }
            if (!m_him[option] && !m_askedHim[option]) Put({kIac, kDo, option});
            m_him[option] = true;
            m_askedHim[option] = false;
            break;
        case kWont:
            if (m_him[option] && !m_askedHim[option]) Put({kIac, kDont, option});
            m_him[option] = false;
            m_askedHim[option] = false;
            break;
        default:
            break;
    }
}

void TelnetComPort::SubDone() {
    if (m_sub.size() < 2 || m_sub[0] != kOptComPort || m_sub[1] < kServerOffset) return;
    const auto command = static_cast<std::uint8_t>(m_sub[1] - kServerOffset);
    const std::vector<std::uint8_t> value(m_sub.begin() + 2, m_sub.end());
    m_answers[command] = value;
    if (command == kSetBaudRate && value.size() == 4) {
        m_serverSpeed = static_cast<std::int32_t>((std::uint32_t{value[0]} << 24) |
                                                  (std::uint32_t{value[1]} << 16) |
                                                  (std::uint32_t{value[2]} << 8) | value[3]);
    }
}

std::vector<std::uint8_t> TelnetComPort::Receive(const std::vector<std::uint8_t>& bytes) {
    std::vector<std::uint8_t> data;
    for (std::uint8_t b : bytes) {
        switch (m_parse) {
            case Parse::Data:
                if (b == kIac) {
                    m_parse = Parse::Iac;
                } else {
                    data.push_back(b);
                }
                break;
            case Parse::Iac:
                m_parse = Parse::Data;
                if (b == kIac) {
                    data.push_back(b);
                } else if (b >= kWill && b <= kDont) {
                    m_verb = b;
                    m_parse = Parse::Verb;
                } else if (b == kSb) {
                    m_sub.clear();
                    m_parse = Parse::Sub;
                }  // NOP, data mark, go-ahead and the like carry nothing
                break;
            case Parse::Verb:
                Negotiation(m_verb, b);
                m_parse = Parse::Data;
                break;
            case Parse::Sub:
                if (b == kIac) {
                    m_parse = Parse::SubIac;
                } else {
                    m_sub.push_back(b);
                }
                break;
            case Parse::SubIac:
                if (b == kIac) {
                    m_sub.push_back(b);
                    m_parse = Parse::Sub;
                } else {
                    // IAC SE, or a server that left the subnegotiation
                    // unterminated: either way it has ended.
                    SubDone();
                    m_parse = Parse::Data;
                }
                break;
        }
    }
    return data;
}

}  // namespace rq50::comm
