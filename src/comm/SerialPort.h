#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "comm/CommPort.h"

namespace rq50::comm {

/// Line settings of the port: speed, parity, data bits, stop bits.
struct LineSettings {
    std::int32_t speed = 1200;
    char parity = 'N';
    int dataBits = 8;
    int stopBits = 1;
};

/// The transport under the engine: a real serial device, a simulated line or
/// a pseudo-terminal. The engine polls it from its tick; a port that learns of
/// arriving bytes from an event loop also says so at once (OnDataArrived),
/// so a front end can tick the engine then instead of polling.
class SerialPort {
public:
    virtual ~SerialPort() = default;

    /// Device to use at the next Open (a COM name, /dev/ttyUSB0, a pty path).
    virtual void SetDevice(const std::string& device) = 0;
    /// Takes effect at once when open, else at the next Open.
    virtual void SetLineSettings(const LineSettings& settings) = 0;
    /// Opens the device; false on failure, with ErrorNumber/ErrorDescription.
    virtual bool Open() = 0;
    /// Closes the device; false on failure, with ErrorNumber/ErrorDescription.
    virtual bool Close() = 0;
    virtual bool IsOpen() const = 0;
    /// Bytes received and not yet read.
    virtual int BytesWaiting() = 0;
    /// How many bytes the next Read takes at most; 0 takes all that wait.
    virtual void SetInputLength(int length) = 0;
    /// Takes up to the input length of the waiting bytes.
    virtual std::vector<std::uint8_t> Read() = 0;
    /// Queues bytes for sending; false on failure.
    virtual bool Write(const std::vector<std::uint8_t>& bytes) = 0;
    /// Discards pending input and output.
    virtual void ClearBuffers() = 0;
    virtual void SetDtr(bool on) = 0;
    /// Called whenever bytes have arrived, by ports that hear of them from an
    /// event loop; a polled port never calls it. Null removes it.
    virtual void OnDataArrived(std::function<void()> handler) { (void)handler; }
    /// True when the port hears of arriving bytes by itself (OnDataArrived).
    virtual bool EventDriven() const { return false; }

    /// The last failure's number (0 when none) and description.
    virtual PortErrorCode ErrorCode() const = 0;
    virtual std::string ErrorDescription() const = 0;
};

}  // namespace rq50::comm
