#pragma once

#include <QByteArray>
#include <QTcpSocket>

#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "comm/PortAddress.h"
#include "comm/SerialPort.h"
#include "comm/TelnetComPort.h"

namespace rq50::platform {

/// The serial line of an instrument behind a serial device server, on Qt
/// Network: tcp://HOST:PORT passes the bytes unchanged at the server's own
/// speed; rfc2217://HOST:PORT speaks Telnet with the COM-PORT-OPTION
/// (comm::TelnetComPort), so the tool sets speed and framing of the remote
/// port as it does a local one.
///
/// Opening connects within the connect time-out (separate from the settling
/// wait the engine adds after every open) and, for rfc2217://, waits for the
/// server to accept the option. A connection the server closes is a line
/// that went away: the port closes itself and says so.
///
/// Polled (the command line, no event loop) and event-driven (the desktop
/// program) as QtSerialPort: the event-driven port waits in a local event
/// loop, never blocking the window.
class NetworkPort : public comm::SerialPort {
  public:
    enum class Mode { Polled, EventDriven };
    static constexpr int kDefaultConnectTimeoutMs = 5000;
    /// How long closing waits for the server to close its side.
    static constexpr int kCloseWaitMs = 1000;

    explicit NetworkPort(Mode mode = Mode::Polled);
    ~NetworkPort() override;

    void SetConnectTimeoutMs(int ms) {
        m_connectTimeoutMs = ms > 0 ? ms : kDefaultConnectTimeoutMs;
    }

    void SetDevice(const std::string& device) override;
    void SetLineSettings(const comm::LineSettings& settings) override;
    bool Open() override;
    bool Close() override;
    bool IsOpen() const override { return m_open; }
    int BytesWaiting() override;
    void SetInputLength(int length) override;
    std::vector<std::uint8_t> Read() override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;
    void ClearBuffers() override;
    void SetDtr(bool on) override;
    void OnDataArrived(std::function<void()> handler) override;
    bool EventDriven() const override { return m_mode == Mode::EventDriven; }

    comm::PortErrorCode ErrorCode() const override { return m_errorNumber; }
    std::string ErrorDescription() const override { return m_errorText; }

    /// rfc2217://: the speed the server last reported for its port (0 before
    /// an answer, and on tcp://).
    std::int32_t ServerSpeed() const { return m_telnet ? m_telnet->ServerSpeed() : 0; }

  private:
    enum class Attempt { Up, HungUp, Failed };
    static constexpr int kRetryPauseMs = 100;

    bool Establish(bool pauseFirst);
    bool Connect();
    Attempt Negotiate();
    void Pause(int ms);
    bool WaitUntil(const std::function<bool()>& done, int timeoutMs);
    void Pump();
    void Drain();
    void AcknowledgeAtOnce();
    void SendTelnetOutput();
    void PeerClosed();
    void Fail(comm::PortErrorCode number, const std::string& text);
    std::string Where() const;

    Mode m_mode;
    QTcpSocket m_socket;
    std::function<void()> m_dataArrived;
    std::string m_device;
    std::optional<comm::PortAddress> m_address;
    std::optional<comm::TelnetComPort> m_telnet;
    comm::LineSettings m_settings;
    bool m_dtr = true;
    bool m_open = false;
    bool m_written = false;  ///< something was sent on this connection
    bool m_hungUp = false;   ///< the server hung up before anything was sent
    int m_connectTimeoutMs = kDefaultConnectTimeoutMs;
    int m_inputLength = 0;
    QByteArray m_input;
    comm::PortErrorCode m_errorNumber = comm::PortErrorCode::None;
    std::string m_errorText;
};

}  // namespace rq50::platform
