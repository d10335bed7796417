#pragma once

#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "comm/SerialPort.h"
#include "shell/Clock.h"
#include "sim/Frame.h"
#include "sim/Instrument.h"

namespace rq50::sim {

/// A serial port whose far end is an Instrument, with wire timing on a Clock.
///
/// Every byte takes 10 bits at the line speed. A request reaches the
/// instrument when its last byte has arrived; the answer starts after the
/// instrument's delay and arrives byte by byte at the instrument's speed.
/// Bytes sent at a speed the receiver is not set to are lost. Nothing moves by
/// itself: the line works out what has happened up to the clock's NowMs()
/// whenever it is asked, so polling BytesWaiting each tick is enough.
class SimulatedLine : public comm::SerialPort {
  public:
    /// `instrument` may be null: nothing is connected and nothing answers.
    SimulatedLine(const shell::Clock& clock, Instrument* instrument);

    void SetDevice(const std::string& device) override { m_device = device; }
    void SetLineSettings(const comm::LineSettings& settings) override;
    bool Open() override;
    bool Close() override;
    bool IsOpen() const override { return m_open; }
    int BytesWaiting() override;
    void SetInputLength(int length) override { m_inputLength = length; }
    std::vector<std::uint8_t> Read() override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;
    void ClearBuffers() override;
    void SetDtr(bool on) override { m_dtr = on; }
    comm::PortErrorCode ErrorCode() const override { return m_errorNumber; }
    std::string ErrorDescription() const override { return m_errorDescription; }

    /// Makes the next Open calls fail with this error until cleared with 0.
    void FailOpen(comm::PortErrorCode number, const std::string& description = "Port not available");

    /// The device goes away as a pulled USB adapter does: the open port
    /// closes itself with an error, and opening it again fails as for a
    /// device that does not exist.
    void Unplug();

    /// One write of the tool, as it went out.
    struct Sent {
        std::int64_t atMs = 0;
        int speed = 0;
        Bytes bytes;
    };
    const std::vector<Sent>& SentFrames() const { return m_sent; }

    const std::string& Device() const { return m_device; }
    const comm::LineSettings& Settings() const { return m_settings; }
    bool Dtr() const { return m_dtr; }
    Instrument* GetInstrument() { return m_instrument; }

  private:
    struct WireByte {
        std::int64_t atUs = 0;  ///< when the byte has fully arrived
        int speed = 0;          ///< speed it was sent at
        std::uint8_t value = 0;
    };

    /// Plays out everything up to the clock's time.
    void Advance();
    void Deliver(const Reply& reply, std::int64_t requestEndUs);
    std::int64_t NowUs() const { return m_clock.NowMs() * 1000; }
    void SetError(comm::PortErrorCode number, const std::string& description);

    const shell::Clock& m_clock;
    Instrument* m_instrument;
    std::string m_device;
    comm::LineSettings m_settings;
    bool m_open = false;
    bool m_dtr = false;
    int m_inputLength = 0;
    comm::PortErrorCode m_errorNumber = comm::PortErrorCode::None;
    std::string m_errorDescription;
    comm::PortErrorCode m_failOpenNumber = comm::PortErrorCode::None;
    std::string m_failOpenDescription;

    std::deque<WireByte> m_toInstrument;  ///< in arrival order
    std::deque<WireByte> m_toTool;        ///< in arrival order
    std::int64_t m_txFreeUs = 0;          ///< tool's transmitter busy until
    std::int64_t m_rxFreeUs = 0;          ///< instrument's transmitter busy until
    std::vector<std::uint8_t> m_input;
    FrameAssembler m_assembler;
    std::vector<Sent> m_sent;
};

/// Microseconds that `count` bytes take on the wire at `speed` bit/s.
std::int64_t WireTimeUs(std::int64_t count, int speed);

}  // namespace rq50::sim
