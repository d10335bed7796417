#pragma once

#include <string>
#include <vector>

namespace rq50::platform {

/// One serial port of the machine, as the operating system names it.
struct SerialPortEntry {
    std::string name;    ///< "ttyUSB0", "COM3"
    std::string device;  ///< the path to open: "/dev/ttyUSB0", "COM3"
    std::string description;
    std::string manufacturer;
};

/// The serial ports the machine has now (USB adapters come and go).
std::vector<SerialPortEntry> AvailableSerialPorts();

}  // namespace rq50::platform
