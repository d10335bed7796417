#include "platform/QtSerialPort.h"

#include <QFileInfo>

#include "comm/CommPort.h"
#include "platform/SerialPortList.h"

namespace rq50::platform {

QtSerialPort::QtSerialPort(Mode mode) : m_mode(mode) {
    if (m_mode != Mode::EventDriven) return;
    QObject::connect(&m_port, &QSerialPort::readyRead, [this] {
        if (m_dataArrived) m_dataArrived();
    });
    QObject::connect(&m_port, &QSerialPort::errorOccurred, [this](QSerialPort::SerialPortError e) {
        if (e == QSerialPort::ResourceError && m_port.isOpen()) DeviceRemoved();
    });
    // A write finishes in the background; an error on the way shows as
    // errorOccurred, what is still to go as BytesToWrite.
    QObject::connect(&m_port, &QSerialPort::bytesWritten, [this](qint64) {
        if (m_port.error() == QSerialPort::WriteError) m_port.clearError();
    });
}

QtSerialPort::~QtSerialPort() {
    if (m_port.isOpen()) m_port.close();
}

void QtSerialPort::SetDevice(const std::string& device) {
    m_device = device;
}

void QtSerialPort::SetLineSettings(const comm::LineSettings& settings) {
    m_settings = settings;
    if (m_port.isOpen() && !ApplyLineSettings())
        Fail(comm::PortErrorCode::Settings, "Could not set the line settings of " + m_device);
}

bool QtSerialPort::ApplyLineSettings() {
    const auto parity = m_settings.parity == 'E'   ? QSerialPort::EvenParity
                        : m_settings.parity == 'O' ? QSerialPort::OddParity
                                                   : QSerialPort::NoParity;
    const auto dataBits = m_settings.dataBits == 7 ? QSerialPort::Data7 : QSerialPort::Data8;
    const auto stopBits = m_settings.stopBits == 2 ? QSerialPort::TwoStop : QSerialPort::OneStop;
    return m_port.setBaudRate(m_settings.speed) && m_port.setParity(parity) &&
           m_port.setDataBits(dataBits) && m_port.setStopBits(stopBits) &&
           m_port.setFlowControl(QSerialPort::NoFlowControl);
}

namespace {

/// What to do about a device that is not there: the ports the machine has
/// now (a USB adapter may have come back under another name) and where to
/// choose one.
std::string PortsFoundNow() {
    std::string found;
    for (const auto& entry : AvailableSerialPorts())
        found += (found.empty() ? "" : ", ") + entry.device;
    return "\n\nSerial ports found now: " + (found.empty() ? std::string("none") : found) +
           ". Choose one under Communication Settings > Serial Port > Port Device... "
           "(rq50-cli: --port DEVICE; rq50-cli ports lists them).";
}

}  // namespace

void QtSerialPort::Fail(comm::PortErrorCode number, const std::string& text) {
    m_errorNumber = number;
    m_errorText = text;
}

bool QtSerialPort::Open() {
    m_errorNumber = comm::PortErrorCode::None;
    m_errorText.clear();
    if (m_device.empty()) {
        Fail(comm::PortErrorCode::InvalidPort, "Invalid port number: no device is configured");
        return false;
    }
    m_port.setPortName(QString::fromStdString(m_device));
    if (!m_port.open(QIODevice::ReadWrite)) {
        const auto error = m_port.error();
        const std::string detail = m_port.errorString().toStdString();
        m_port.clearError();
        if (error == QSerialPort::DeviceNotFoundError) {
            Fail(comm::PortErrorCode::InvalidPort,
                 "Invalid port number: " + m_device + " does not exist" + PortsFoundNow());
        } else if (error == QSerialPort::PermissionError) {
            // Qt reports a lock held by another program and missing access
            // rights alike; the device's own permissions tell them apart.
            const QFileInfo info(QString::fromStdString(m_device));
            if (info.isReadable() && info.isWritable())
                Fail(comm::PortErrorCode::AlreadyOpen,
                     "Port already open: " + m_device + " is in use by another program");
            else
                Fail(comm::PortErrorCode::Unavailable,
                     "Permission denied: cannot open " + m_device + " (" + detail + ")");
        } else {
            Fail(comm::PortErrorCode::Unavailable, "Cannot open " + m_device + " (" + detail + ")");
        }
        return false;
    }
    if (!ApplyLineSettings()) {
        const std::string detail = m_port.errorString().toStdString();
        m_port.close();
        m_port.clearError();
        Fail(comm::PortErrorCode::Settings,
             "Could not set the line settings of " + m_device + " (" + detail + ")");
        return false;
    }
    // A pseudo-terminal has no modem lines: DTR fails there ("Inappropriate
    // ioctl for device") and the port still works.
    m_port.setDataTerminalReady(m_dtr);
    m_port.clearError();
    m_port.clear(QSerialPort::AllDirections);
    m_port.clearError();
    return true;
}

bool QtSerialPort::Close() {
    m_errorNumber = comm::PortErrorCode::None;
    m_errorText.clear();
    if (m_port.isOpen()) m_port.close();
    m_port.clearError();
    return true;
}

bool QtSerialPort::IsOpen() const {
    return m_port.isOpen();
}

void QtSerialPort::OnDataArrived(std::function<void()> handler) {
    m_dataArrived = std::move(handler);
}

void QtSerialPort::DeviceRemoved() {
    Fail(comm::PortErrorCode::Unavailable, "The device " + m_device + " was removed");
    m_port.close();
    m_port.clearError();
}

void QtSerialPort::Pump() {
    // The event loop moves received bytes into Qt's buffer by itself.
    // Without one Qt does so only when asked; a zero wait takes what the
    // device holds and never blocks.
    if (!m_port.isOpen() || m_mode == Mode::EventDriven) return;
    m_port.waitForReadyRead(0);
    if (m_port.error() == QSerialPort::TimeoutError) m_port.clearError();
    if (m_port.error() == QSerialPort::ResourceError) DeviceRemoved();
}

int QtSerialPort::BytesWaiting() {
    Pump();
    return m_port.isOpen() ? static_cast<int>(m_port.bytesAvailable()) : 0;
}

void QtSerialPort::SetInputLength(int length) {
    m_inputLength = length < 0 ? 0 : length;
}

std::vector<std::uint8_t> QtSerialPort::Read() {
    Pump();
    if (!m_port.isOpen()) return {};
    const QByteArray data =
        m_inputLength == 0 ? m_port.readAll() : m_port.read(static_cast<qint64>(m_inputLength));
    return std::vector<std::uint8_t>(data.begin(), data.end());
}

bool QtSerialPort::Write(const std::vector<std::uint8_t>& bytes) {
    if (!m_port.isOpen()) {
        Fail(comm::PortErrorCode::NotOpen, "The device " + m_device + " is not open");
        return false;
    }
    const QByteArray data(reinterpret_cast<const char*>(bytes.data()),
                          static_cast<qsizetype>(bytes.size()));
    if (m_port.write(data) != data.size()) {
        Fail(comm::PortErrorCode::Unavailable, "Cannot write to " + m_device);
        m_port.clearError();
        return false;
    }
    // Hand the frame to the device now. Without an event loop nothing would
    // write the rest, so the polled port waits for it; the event loop writes
    // it in the background.
    m_port.flush();
    if (m_mode == Mode::Polled && m_port.bytesToWrite() > 0) m_port.waitForBytesWritten(1000);
    m_port.clearError();
    return true;
}

void QtSerialPort::ClearBuffers() {
    if (!m_port.isOpen()) return;
    Pump();
    m_port.clear(QSerialPort::AllDirections);
    m_port.readAll();
    m_port.clearError();
}

void QtSerialPort::SetDtr(bool on) {
    m_dtr = on;
    if (!m_port.isOpen()) return;
    m_port.setDataTerminalReady(on);
    m_port.clearError();
}

}  // namespace rq50::platform
