#pragma once

#include <string_view>

namespace rq50::shell {

/// Wildcard match of a whole text against a pattern: "*" any run of
/// characters (also none), "?" any one character, "#" one digit 0-9, "[set]"
/// one character of the set, "[!set]" one character not in it. A set may hold
/// ranges ("[A-Z]"); a "-" first or last in a set stands for itself. An
/// unclosed "[" and every other character compare exactly, case-sensitive.
bool WildcardMatch(std::string_view text, std::string_view pattern);

}  // namespace rq50::shell
