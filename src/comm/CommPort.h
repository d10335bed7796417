#pragma once

#include <cstdint>
#include <string>

namespace rq50::comm {

/// Run-time error numbers of the serial link, as the port reports them.
enum class PortErrorCode : int {
    None = 0,
    InvalidPort = 8002,  ///< no such device
    AlreadyOpen = 8005,  ///< held by another program
    Unavailable = 8010,  ///< the device refused (permissions, hardware)
    NotOpen = 8012,
    Settings = 8015,  ///< the line settings could not be applied
};

/// The number a message or the log shows for `code`.
constexpr int PortErrorNumber(PortErrorCode code) { return static_cast<int>(code); }

/// The last port error, kept for `ShowPortError` (the engine's `PortError`).
struct PortErrorInfo {
    std::int32_t number = 0;
    std::string description;
    std::string source;
};

/// How long an opened line settles before the first request.
constexpr int kOpenSettleMs = 2000;

}  // namespace rq50::comm
