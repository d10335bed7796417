#pragma once

#include <memory>
#include <string>

#include "comm/SerialPort.h"
#include "platform/NetworkPort.h"
#include "platform/QtSerialPort.h"

namespace rq50::platform {

/// The port the programs open: a local serial device through QtSerialPort, a
/// tcp:// or rfc2217:// URL through NetworkPort, chosen by the device name
/// at each open, so one setting or --port reaches either.
class LinePort : public comm::SerialPort {
  public:
    enum class Mode { Polled, EventDriven };
    explicit LinePort(Mode mode = Mode::Polled);

    /// How long opening a network line may take to connect.
    void SetConnectTimeoutMs(int ms) { m_network.SetConnectTimeoutMs(ms); }

    void SetDevice(const std::string& device) override;
    void SetLineSettings(const comm::LineSettings& settings) override;
    bool Open() override { return Active().Open(); }
    bool Close() override { return Active().Close(); }
    bool IsOpen() const override { return Active().IsOpen(); }
    int BytesWaiting() override { return Active().BytesWaiting(); }
    void SetInputLength(int length) override;
    std::vector<std::uint8_t> Read() override { return Active().Read(); }
    bool Write(const std::vector<std::uint8_t>& bytes) override { return Active().Write(bytes); }
    void ClearBuffers() override { Active().ClearBuffers(); }
    void SetDtr(bool on) override;
    void OnDataArrived(std::function<void()> handler) override;
    bool EventDriven() const override { return Active().EventDriven(); }
    comm::PortErrorCode ErrorCode() const override { return Active().ErrorCode(); }
    std::string ErrorDescription() const override { return Active().ErrorDescription(); }

  private:
    comm::SerialPort& Active() {
        return m_useNetwork ? static_cast<comm::SerialPort&>(m_network) : m_serial;
    }
    const comm::SerialPort& Active() const {
        return m_useNetwork ? static_cast<const comm::SerialPort&>(m_network) : m_serial;
    }

    QtSerialPort m_serial;
    NetworkPort m_network;
    bool m_useNetwork = false;
};

}  // namespace rq50::platform
