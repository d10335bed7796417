#pragma once

#include <cstdint>
#include <string>

namespace rq50::comm {

class SerialPort;

/// Run-time error numbers of the serial link, as the port reports them.
enum PortErrors : int {
    kPortErrInvalidPort = 8002,  ///< no such device
    kPortErrAlreadyOpen = 8005,  ///< held by another program
    kPortErrUnavailable = 8010,  ///< the device refused (permissions, hardware)
    kPortErrNotOpen = 8012,
    kPortErrSettings = 8015,  ///< the line settings could not be applied
};

/// The last port error, kept for `ShowQuillError`.
struct QuillErrorInfo {
    std::int32_t number = 0;
    std::string description;
    std::string source;
};
extern QuillErrorInfo& QuillError;

/// Applies `CommSettings` to the port without opening it: device, line
/// settings, pending input discarded, DTR on.
void SetCommPort(SerialPort& port);

/// Opens the port and waits 2000 ms for the line to settle. An open port is
/// left as it is (`PortWasOpen` true). Returns 0 or the error number; on an
/// error the error is kept for `ShowQuillError` and `CommError` becomes 20.
std::int32_t OpenCommPort(SerialPort& port);

/// Closes the port; 0 or the error number (kept for `ShowQuillError`).
std::int32_t CloseCommPort(SerialPort& port);

/// Beeps and shows the kept error as "number:description" titled
/// "Quill Error", then forgets it.
void ShowQuillError();

constexpr int kOpenSettleMs = 2000;

}  // namespace rq50::comm
