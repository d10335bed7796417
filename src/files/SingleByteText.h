#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace rq50::files {

// File texts are single-byte (one byte a character, Latin-1 when shown);
// the windows and the command line hand over UTF-8. These helpers cross
// between the two.

/// UTF-8 form of a single-byte text.
std::string SingleByteToUtf8(std::string_view text);

/// Single-byte form of a UTF-8 text. A character outside the single-byte range
/// becomes "?"; a byte that is not valid UTF-8 is taken as it stands.
std::string Utf8ToSingleByte(std::string_view text);

/// Length of a UTF-8 text in single-byte units: 1 for each character with a
/// code up to 255, 2 for any other.
std::size_t SingleByteUnits(std::string_view utf8);

/// `text` padded on the right with spaces, or cut, to exactly `length` bytes.
std::string FixedLength(std::string_view text, std::size_t length);

}  // namespace rq50::files
