#pragma once

// Removing the blanks that pad the fixed-width texts of the instrument, the
// data files and the configuration tables.

#include <cctype>
#include <string>
#include <string_view>

namespace rq50::shell {

/// What a trim removes unless told otherwise: the space the texts are padded
/// with.
inline constexpr std::string_view kSpace = " ";
/// Spaces and tabs: the blanks of the program grids' cells and of a typed
/// date.
inline constexpr std::string_view kSpaceOrTab = " \t";

/// `text` without the characters of `blanks` at either end.
inline std::string Trim(std::string_view text, std::string_view blanks = kSpace) {
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos) return {};
    return std::string(text.substr(first, text.find_last_not_of(blanks) - first + 1));
}

/// `text` without the characters of `blanks` at its end.
inline std::string TrimRight(std::string_view text, std::string_view blanks = kSpace) {
    const auto last = text.find_last_not_of(blanks);
    return last == std::string_view::npos ? std::string() : std::string(text.substr(0, last + 1));
}

/// `text` trimmed and in upper case: the form names and keys are compared in.
inline std::string TrimUpper(std::string_view text, std::string_view blanks = kSpace) {
    std::string out = Trim(text, blanks);
    for (char& c : out) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return out;
}

}  // namespace rq50::shell
