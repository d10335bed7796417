#include "parameter/NumericKeyFilter.h"

#include "parameter/ValueRules.h"

#include <algorithm>

namespace rq50::parameter {

int NumericKeyFilter(int key, NumericKeyRules rules, const std::string& text, int selStart, int selLength) {
    const auto size = static_cast<int>(text.size());
    const int start = std::clamp(selStart, 0, size);
    const int length = std::clamp(selLength, 0, size - start);
    // The text as it stands once the selection has been replaced by the key.
    const std::string rest = text.substr(0, static_cast<std::size_t>(start)) +
                             text.substr(static_cast<std::size_t>(start + length));
    const bool beforeLeadingMinus = start == 0 && !rest.empty() && rest.front() == '-';

    if (key == kKeyBackspace) return rules.refuseBackspace ? 0 : key;
    if (key == '-') {
        if (rules.refuseMinus || start != 0) return 0;
        return rest.find('-') == std::string::npos ? key : 0;
    }
    if (key == '.') {
        if (rules.refusePoint || rest.find('.') != std::string::npos) return 0;
        return beforeLeadingMinus ? 0 : key;
    }
    if (key >= '0' && key <= '9') return beforeLeadingMinus ? 0 : key;
    return 0;
}

}  // namespace rq50::parameter
