#pragma once

#include <cstdint>
#include <string>

namespace rq50::comm {

/// Run-time error numbers of the serial link, as the port reports them.
enum PortErrors : int {
    kPortErrInvalidPort = 8002,  ///< no such device
    kPortErrAlreadyOpen = 8005,  ///< held by another program
    kPortErrUnavailable = 8010,  ///< the device refused (permissions, hardware)
    kPortErrNotOpen = 8012,
    kPortErrSettings = 8015,  ///< the line settings could not be applied
};

/// The last port error, kept for `ShowPortError` (the engine's `PortError`).
struct PortErrorInfo {
    std::int32_t number = 0;
    std::string description;
    std::string source;
};

/// How long an opened line settles before the first request.
constexpr int kOpenSettleMs = 2000;

}  // namespace rq50::comm
