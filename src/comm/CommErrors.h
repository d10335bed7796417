#pragma once

// The engine's error codes, each declared once: a job ends with one, and the
// screens, the records and rq50-cli decide by it what follows.

namespace rq50::comm {

/// Error codes (`CommError`, `CommResult`). The numbers never change: the
/// records, the log and the messages show them.
enum class CommErrorCode : int {
    None = 0,
    Timeout = 1,     ///< transient: the response timer fired
    NoResponse = 2,  ///< no response after all retries
    Terminated = 3,  ///< "Terminate" or the SLOT No. dialog cancelled
    Model = 4,
    Out2Type = 5,
    SensorType = 6,
    ProgramRefused = 7,  ///< jobs 15 and 16 go on
    ConstRefused = 8,    ///< jobs 15 and 16 go on
    Address = 9,         ///< response status 2
    Command = 10,        ///< response status 1
    BothRefused = 11,
    RackBaud = 12,
    BaudModel = 13,
    CustomType = 15,
    PortOpen = 20,  ///< opening the port failed; the port is not closed
    SlotZero = 21,
    DataSetRefused = 22,  ///< the data set cannot be downloaded; nothing was sent
    /// The open port went away during the job (a USB adapter pulled out, the
    /// device closed under the program): nothing more can be sent.
    LineLost = 23,
};

/// The error's number, as the records, the log and the messages show it.
constexpr int ErrorNumber(CommErrorCode code) { return static_cast<int>(code); }

inline constexpr CommErrorCode kErrNone = CommErrorCode::None;
inline constexpr CommErrorCode kErrTimeout = CommErrorCode::Timeout;
inline constexpr CommErrorCode kErrNoResponse = CommErrorCode::NoResponse;
inline constexpr CommErrorCode kErrTerminated = CommErrorCode::Terminated;
inline constexpr CommErrorCode kErrModel = CommErrorCode::Model;
inline constexpr CommErrorCode kErrOut2Type = CommErrorCode::Out2Type;
inline constexpr CommErrorCode kErrSensorType = CommErrorCode::SensorType;
inline constexpr CommErrorCode kErrProgramRefused = CommErrorCode::ProgramRefused;
inline constexpr CommErrorCode kErrConstRefused = CommErrorCode::ConstRefused;
inline constexpr CommErrorCode kErrAddress = CommErrorCode::Address;
inline constexpr CommErrorCode kErrCommand = CommErrorCode::Command;
inline constexpr CommErrorCode kErrBothRefused = CommErrorCode::BothRefused;
inline constexpr CommErrorCode kErrRackBaud = CommErrorCode::RackBaud;
inline constexpr CommErrorCode kErrBaudModel = CommErrorCode::BaudModel;
inline constexpr CommErrorCode kErrCustomType = CommErrorCode::CustomType;
inline constexpr CommErrorCode kErrPortOpen = CommErrorCode::PortOpen;
inline constexpr CommErrorCode kErrSlotZero = CommErrorCode::SlotZero;
inline constexpr CommErrorCode kErrDataSetRefused = CommErrorCode::DataSetRefused;
inline constexpr CommErrorCode kErrLineLost = CommErrorCode::LineLost;

}  // namespace rq50::comm
