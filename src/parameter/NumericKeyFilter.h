#pragma once

#include <string>

namespace rq50::parameter {

/// Mode bits of NumericKeyFilter.
enum NumericKeyMode : int {
    kRefuseBackspace = 1,
    kRefuseMinus = 2,
    kRefusePoint = 4,
    kDigitsOnly = kRefuseMinus | kRefusePoint,  ///< digits and Backspace
};

/// Filters one key typed into a small number box holding `text`, with the
/// caret at `selStart` and `selLength` characters selected (the selection is
/// what the key replaces). Returns the key, or 0 when it is refused.
int NumericKeyFilter(int key, int mode, const std::string& text, int selStart, int selLength);

}  // namespace rq50::parameter
