#pragma once

#include <string>

namespace rq50::parameter {

/// What a small number box refuses besides letters.
struct NumericKeyRules {
    bool refuseBackspace = false;
    bool refuseMinus = false;
    bool refusePoint = false;
};

/// Signed decimal numbers: digits, one leading minus, one point, Backspace.
inline constexpr NumericKeyRules kAnyNumber{};
/// Digits and Backspace.
inline constexpr NumericKeyRules kDigitsOnly{false, true, true};

/// Filters one key typed into a small number box holding `text`, with the
/// caret at `selStart` and `selLength` characters selected (the selection is
/// what the key replaces). Returns the key, or 0 when it is refused.
int NumericKeyFilter(int key, NumericKeyRules rules, const std::string& text, int selStart, int selLength);

}  // namespace rq50::parameter
