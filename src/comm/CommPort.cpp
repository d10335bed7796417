#include "comm/CommPort.h"

#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"

namespace rq50::comm {

void EngineCore::KeepPortError(SerialPort& port, PortErrorCode fallback, const std::string& source) {
    const PortErrorCode code = port.ErrorCode();
    PortError.number = PortErrorNumber(code != PortErrorCode::None ? code : fallback);
    PortError.description = port.ErrorDescription();
    PortError.source = source;
}

void EngineCore::SetCommPort(SerialPort& port) {
    port.SetDevice(CommDevice());
    LineSettings line;
    line.speed = CommSettings.speed;
    line.parity = CommSettings.parity.empty() ? 'N' : CommSettings.parity[0];
    line.dataBits = CommSettings.dataBits;
    line.stopBits = CommSettings.stopBits == "2" ? 2 : 1;
    port.SetLineSettings(line);
    port.SetInputLength(0);
    if (port.IsOpen()) port.ClearBuffers();
    port.SetDtr(true);
}

std::int32_t EngineCore::OpenCommPort(SerialPort& port) {
    if (port.IsOpen()) {
        PortWasOpen = true;
        Host().SetBusyPointer(true);
        return 0;
    }
    PortWasOpen = false;
    // A rack interface forgets its slot when the line closes: on a line opened
    // now no slot is selected until the SLOT No. dialog confirms one, so an
    // instrument that answers directly is never taken for the earlier slot.
    SlotConfirmed = false;
    SetCommPort(port);
    if (!port.Open()) {
        KeepPortError(port, PortErrorCode::Unavailable, "OpenCommPort");
        CommError = kErrPortOpen;
        Host().SetBusyPointer(false);
        return PortError.number;
    }
    port.SetDtr(true);
    Host().SetBusyPointer(true);
    if (m_clock) m_clock->Wait(kOpenSettleMs);
    return 0;
}

std::int32_t EngineCore::CloseCommPort(SerialPort& port) {
    std::int32_t result = 0;
    if (port.IsOpen() && !port.Close()) {
        KeepPortError(port, PortErrorCode::NotOpen, "CloseCommPort");
        result = PortError.number;
    }
    Host().SetBusyPointer(false);
    return result;
}

bool EngineCore::RefuseSpeedChange(SerialPort& port) {
    const auto address = ParsePortAddress(CommDevice());
    const std::string reason = address ? FixedSpeedReason(*address) : std::string();
    if (reason.empty()) return false;
    CloseCommPort(port);
    PortError = {PortErrorNumber(PortErrorCode::Settings), reason, "SetCommPort"};
    ShowPortError();
    CommError = kErrPortOpen;
    return true;
}

void EngineCore::ShowPortError() {
    shell::ShowAlert(Data().hosts, {std::to_string(PortError.number) + ":" + PortError.description,
                                    "Quill Error", shell::MsgButtons::Ok, shell::MsgIcon::Critical});
    PortError = {};
}

}  // namespace rq50::comm
