#pragma once

#include <QSerialPort>

#include <string>
#include <vector>

#include "comm/SerialPort.h"

namespace rq50::platform {

/// The serial link on Qt Serial Port: Windows COM ports, USB adapters, Linux
/// devices and pseudo-terminals alike.
///
/// Polled (the command line, no event loop): each read asks the device for
/// what it holds without waiting, and a write waits until the frame has left.
/// Event-driven (the desktop program): the thread's event loop takes received
/// bytes (readyRead, which also calls OnDataArrived's handler), writes
/// finish in the background (bytesWritten) and a removed device is noticed
/// when it happens (errorOccurred); nothing waits on the device.
class QtSerialPort : public comm::SerialPort {
  public:
    enum class Mode { Polled, EventDriven };
    explicit QtSerialPort(Mode mode = Mode::Polled);
    ~QtSerialPort() override;

    void SetDevice(const std::string& device) override;
    void SetLineSettings(const comm::LineSettings& settings) override;
    bool Open() override;
    bool Close() override;
    bool IsOpen() const override;
    int BytesWaiting() override;
    void SetInputLength(int length) override;
    std::vector<std::uint8_t> Read() override;
    bool Write(const std::vector<std::uint8_t>& bytes) override;
    void ClearBuffers() override;
    void SetDtr(bool on) override;
    void OnDataArrived(std::function<void()> handler) override;
    bool EventDriven() const override { return m_mode == Mode::EventDriven; }
    /// Bytes handed to the device and not yet written by it.
    qint64 BytesToWrite() const { return m_port.bytesToWrite(); }

    comm::PortErrorCode ErrorCode() const override { return m_errorNumber; }
    std::string ErrorDescription() const override { return m_errorText; }

  private:
    bool ApplyLineSettings();
    void Fail(comm::PortErrorCode number, const std::string& text);
    void Pump();
    void DeviceRemoved();

    Mode m_mode;
    QSerialPort m_port;
    std::function<void()> m_dataArrived;
    std::string m_device;
    comm::LineSettings m_settings;
    bool m_dtr = true;
    int m_inputLength = 0;
    comm::PortErrorCode m_errorNumber = comm::PortErrorCode::None;
    std::string m_errorText;
};

}  // namespace rq50::platform
