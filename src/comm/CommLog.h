#pragma once

#include <string>

namespace rq50::comm {

// The communication log and the monitor belong to the engine (comm/Engine.h);
// these are the pieces of their format that need no engine.

/// Labels of the two records of a frame (12 characters each).
inline constexpr const char* kSendHexLabel = "  SEND HEX  ";
inline constexpr const char* kSendAsciiLabel = " SEND ASCII ";
inline constexpr const char* kRecvHexLabel = " RECIVE HEX ";
inline constexpr const char* kRecvAsciiLabel = "RECIVE ASCII";
/// Label of a record that says how the engine treated the frame before it.
inline constexpr const char* kNoteLabel = "    NOTE    ";

/// One record line of the log: the three fields quoted, a double quote inside
/// a field doubled, CR LF at the end.
std::string LogRecord(const std::string& stamp, const std::string& label, const std::string& text);

/// True when `firstLine` is a record of a communication log (the start of a
/// log RQ50 wrote).
bool IsLogRecord(const std::string& firstLine);

/// Empty when the communication log may be written to `path`; otherwise the
/// reason as a sentence. A log goes only into a new file or a log RQ50 wrote
/// (its first line tells; an empty file too): never into a parameter or
/// program file, any other file, a folder, a device, a pipe or a socket.
/// Nothing is opened but a regular file, so a pipe never blocks.
std::string LogTargetProblem(const std::string& path);

}  // namespace rq50::comm
