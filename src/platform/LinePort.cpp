#include "platform/LinePort.h"

#include "comm/PortAddress.h"

namespace rq50::platform {

LinePort::LinePort(Mode mode)
    : m_serial(mode == Mode::EventDriven ? QtSerialPort::Mode::EventDriven
                                         : QtSerialPort::Mode::Polled),
      m_network(mode == Mode::EventDriven ? NetworkPort::Mode::EventDriven
                                          : NetworkPort::Mode::Polled) {}

// The engine names the device before every open; an open line keeps its
// transport until it closes. A name that is no valid URL goes to the network
// port too, whose open then says what is wrong with it.
void LinePort::SetDevice(const std::string& device) {
    if (!Active().IsOpen()) m_useNetwork = device.find("://") != std::string::npos;
    m_serial.SetDevice(device);
    m_network.SetDevice(device);
}

void LinePort::SetLineSettings(const comm::LineSettings& settings) {
    m_serial.SetLineSettings(settings);
    m_network.SetLineSettings(settings);
}

void LinePort::SetInputLength(int length) {
    m_serial.SetInputLength(length);
    m_network.SetInputLength(length);
}

void LinePort::SetDtr(bool on) {
    m_serial.SetDtr(on);
    m_network.SetDtr(on);
}

void LinePort::OnDataArrived(std::function<void()> handler) {
    m_serial.OnDataArrived(handler);
    m_network.OnDataArrived(std::move(handler));
}

}  // namespace rq50::platform
