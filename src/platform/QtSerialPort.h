#pragma once

#include <QSerialPort>

#include <string>
#include <vector>

#include "comm/SerialPort.h"

namespace rq50::platform {

/// The serial link on Qt Serial Port: Windows COM ports, USB adapters, Linux
/// devices and pseudo-terminals alike. Reception is polled from the engine's
/// tick, so the port works with or without a running event loop.
class QtSerialPort : public comm::SerialPort {
  public:
    QtSerialPort();
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

    int ErrorNumber() const override { return m_errorNumber; }
    std::string ErrorDescription() const override { return m_errorText; }

  private:
    bool ApplyLineSettings();
    void Fail(int number, const std::string& text);
    void Pump();

    QSerialPort m_port;
    std::string m_device;
    comm::LineSettings m_settings;
    bool m_dtr = true;
    int m_inputLength = 0;
    int m_errorNumber = 0;
    std::string m_errorText;
};

}  // namespace rq50::platform
