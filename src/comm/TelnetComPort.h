#pragma once

#include <cstdint>
#include <initializer_list>
#include <map>
#include <optional>
#include <vector>

#include "comm/SerialPort.h"

namespace rq50::comm {

/// Telnet bytes and the COM-PORT-OPTION of RFC 2217 (its section numbers in
/// the comments of TelnetComPort.cpp).
namespace telnet {
constexpr std::uint8_t kIac = 255;
constexpr std::uint8_t kDont = 254;
constexpr std::uint8_t kDo = 253;
constexpr std::uint8_t kWont = 252;
constexpr std::uint8_t kWill = 251;
constexpr std::uint8_t kSb = 250;
constexpr std::uint8_t kSe = 240;

constexpr std::uint8_t kOptBinary = 0;
constexpr std::uint8_t kOptSuppressGoAhead = 3;
constexpr std::uint8_t kOptComPort = 44;

/// Commands of the client; the server answers each with the code + 100.
enum ComPortCommand : std::uint8_t {
    kSetBaudRate = 1,
    kSetDataSize = 2,
    kSetParity = 3,
    kSetStopSize = 4,
    kSetControl = 5,
};
constexpr std::uint8_t kServerOffset = 100;

constexpr std::uint8_t kParityNone = 1;
constexpr std::uint8_t kParityOdd = 2;
constexpr std::uint8_t kParityEven = 3;
constexpr std::uint8_t kStopOne = 1;
constexpr std::uint8_t kStopTwo = 2;
constexpr std::uint8_t kControlNoFlow = 1;
constexpr std::uint8_t kControlDtrOn = 8;
constexpr std::uint8_t kControlDtrOff = 9;
}  // namespace telnet

/// The client side of a Telnet connection to a device server with the
/// COM-PORT-OPTION: what goes on the TCP stream and what comes off it, no
/// socket. Everything to send collects in one output (TakeOutput): the
/// greeting, answers to the server's negotiation, the line settings and the
/// data with every FFh doubled. Received bytes give back the serial data
/// with the Telnet commands taken out, also when a command is split between
/// two reads.
///
/// The line settings go out once the server has accepted the option; data
/// written before then waits behind them, so no frame crosses the line at
/// the old speed. The server's answers are kept (ServerSpeed) but never
/// waited for: some servers leave a command unanswered (ser2net on a device
/// without modem lines never answers the control command).
class TelnetComPort {
  public:
    enum class Option { Asked, Accepted, Refused };

    /// Starts the negotiation: the client will use the COM-PORT-OPTION and
    /// binary transmission both ways, and no go-ahead.
    void Start();
    /// Speed, data size, parity, stop size and no flow control for the
    /// remote port (now, or as soon as the server accepts the option).
    void SetLine(const LineSettings& settings);
    void SetDtr(bool on);
    /// Data for the serial side.
    void Send(const std::vector<std::uint8_t>& data);
    /// Bytes from the server; returns the serial data among them.
    std::vector<std::uint8_t> Receive(const std::vector<std::uint8_t>& bytes);
    /// What is to be written to the connection, and empties it.
    std::vector<std::uint8_t> TakeOutput();

    Option ComPort() const { return m_comPort; }
    /// The speed the server last reported for its port; 0 before any answer.
    std::int32_t ServerSpeed() const { return m_serverSpeed; }
    /// The server's answer to a command (SET-DATASIZE and so on), if one came.
    const std::map<std::uint8_t, std::vector<std::uint8_t>>& Answers() const { return m_answers; }

  private:
    enum class Parse { Data, Iac, Verb, Sub, SubIac };
    void Negotiation(std::uint8_t verb, std::uint8_t option);
    void Command(std::uint8_t command, const std::vector<std::uint8_t>& value);
    void LineCommands(const LineSettings& settings);
    void Answered(Option comPort);
    void SubDone();
    void Put(std::initializer_list<std::uint8_t> bytes);

    std::vector<std::uint8_t> m_out;
    /// Held until the server has answered the option.
    std::optional<LineSettings> m_line;
    std::optional<bool> m_dtr;
    std::vector<std::uint8_t> m_heldData;
    std::map<std::uint8_t, bool> m_us;   ///< options enabled on this side
    std::map<std::uint8_t, bool> m_him;  ///< options enabled on the server's side
    std::map<std::uint8_t, bool> m_askedUs;
    std::map<std::uint8_t, bool> m_askedHim;
    Option m_comPort = Option::Asked;
    bool m_started = false;
    Parse m_parse = Parse::Data;
    std::uint8_t m_verb = 0;
    std::vector<std::uint8_t> m_sub;
    std::int32_t m_serverSpeed = 0;
    std::map<std::uint8_t, std::vector<std::uint8_t>> m_answers;
};

}  // namespace rq50::comm
