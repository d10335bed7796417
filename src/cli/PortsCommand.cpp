// rq50-cli ports: the serial ports of this machine.

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"

#ifdef RQ50_HAVE_QT_PORT
#include "platform/SerialPortList.h"
#endif

#include <iostream>

namespace rq50::cli {

// ------------------------------------------------------------ ports

ExitCode RunPorts(session::CoreSession&) {
#ifdef RQ50_HAVE_QT_PORT
    const auto ports = platform::AvailableSerialPorts();
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& p : ports) {
            list.push_back({{"name", p.name},
                            {"device", p.device},
                            {"description", p.description},
                            {"manufacturer", p.manufacturer}});
        }
        PrintJson(list);
        return ExitCode::Ok;
    }
    if (ports.empty()) Note("no serial ports found");
    for (const auto& p : ports) {
        std::cout << p.device;
        if (!p.description.empty()) std::cout << "  " << p.description;
        if (!p.manufacturer.empty()) std::cout << " (" << p.manufacturer << ")";
        std::cout << "\n";
    }
    return ExitCode::Ok;
#else
    Note("this build has no serial-port support");
    return ExitCode::SystemError;
#endif
}

}  // namespace rq50::cli
