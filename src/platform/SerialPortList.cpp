#include "platform/SerialPortList.h"

#include <QSerialPortInfo>

namespace rq50::platform {

std::vector<SerialPortEntry> AvailableSerialPorts() {
    std::vector<SerialPortEntry> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        ports.push_back({info.portName().toStdString(), info.systemLocation().toStdString(),
                         info.description().toStdString(), info.manufacturer().toStdString()});
    }
    return ports;
}

}  // namespace rq50::platform
