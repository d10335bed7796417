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

}  // namespace rq50::comm
