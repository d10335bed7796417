#pragma once

// A field of a comma-separated record that is always enclosed in double
// quotes: the communication log's records and the trend's column heads.

#include <string>
#include <string_view>

namespace rq50::shell {

/// `text` in double quotes, inner double quotes doubled.
inline std::string QuotedField(std::string_view text) {
    std::string out = "\"";
    for (char c : text) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

}  // namespace rq50::shell
