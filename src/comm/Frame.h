#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>
#include "shell/Services.h"

namespace rq50::comm {

/// Line settings of the serial link (the engine's `CommSettings`). The
/// request and response variables are fields of the engine's state
/// (comm/EngineState.h) under their documented names; the engine builds and
/// decodes frames with them (comm/Engine.h).
struct PortSettings {
    std::int32_t speed = 1200;  ///< bit/s used at the next open: 1200 or 9600
    std::string parity = "N";
    int dataBits = 8;
    std::string stopBits = "1";
    /// Device path that replaces the COMn mapping (--port of the programs);
    /// empty when the port number decides.
    std::string deviceOverride;
    /// The line is a simulated instrument of the program's own (the demo,
    /// rq50-cli without --port), not a device: the register records its
    /// transfers on the port "simulated".
    bool simulated = false;
};

/// The device behind COMn: the stored setting "COMnDevice", else /dev/ttyS(n-1)
/// on Linux and COMn on Windows.
std::string DeviceForPort(const shell::Services& hosts, int portNumber);

// ---- Requests ---------------------------------------------------------------

/// Function codes of MakeFrame; the command byte is function * 8 + sub-function.
enum RequestFunction : int {
    kFnCommand = 2,      ///< 10h
    kFnWrite = 8,        ///< 40h
    kFnRead = 16,        ///< 80h-86h with sub-functions 0, 2, 4, 5, 6
    kFnWriteAlias = 99,  ///< turned into kFnWrite before use
};

/// Size of the data area of a write request (`SendData`).
constexpr int kSendDataSize = 28;

// ---- Responses --------------------------------------------------------------

constexpr int kHeaderSize = 8;

/// The status bits of a response's first item byte.
enum class ResponseStatus : int { Normal = 0, CommandError = 1, AddressError = 2 };

/// Reception states of `CommRecvStatus`.
enum RecvStatus : int { kRecvHeader = 0, kRecvBody = 1, kRecvComplete = 2 };

/// Text length L of a response from its header (bytes 4-6 of `header`).
int ResponseTextLength(const std::uint8_t* header);

/// True when the last byte of `frame` is the sum of the others modulo 256.
bool ChecksumOk(const std::vector<std::uint8_t>& frame);

/// Marks a request frame as a retransmission (byte 2 = 52h) and mends its
/// checksum: the frame the builder would make with a non-zero retry counter.
void MarkRetransmission(std::vector<std::uint8_t>& frame);

/// Hex mode: two upper-case digits and a blank per byte. ASCII mode: the byte
/// itself, control and upper-range bytes replaced by A5h.
std::string FrameToText(const std::vector<std::uint8_t>& bytes, bool asciiMode);

}  // namespace rq50::comm
