#include "files/Categories.h"

#include <algorithm>
#include <cstdint>

namespace rq50::files {

std::array<std::optional<CategoryRange>, 4> CategoryRanges(const DataSetHeader& header,
                                                           const parameter::ItemArray& items) {
    const auto& startMa = header.starts;
    std::array<std::optional<std::size_t>, 4> starts;
    for (std::size_t i = 0; i < items.size(); ++i) {
        const int ma = parameter::DecodeItem(items[i], false).ma;
        for (std::size_t c = 0; c < starts.size(); ++c) {
            if (c == kMaintCategory && startMa[c] < 1) continue;
            if (!starts[c] && ma == startMa[c]) starts[c] = i;
        }
    }
    std::array<std::optional<CategoryRange>, 4> ranges;
    for (std::size_t c = 0; c < starts.size(); ++c) {
        if (!starts[c]) continue;
        std::size_t end = items.size();
        for (std::size_t other = 0; other < starts.size(); ++other) {
            if (other == c || !starts[other]) continue;
            const bool behind =
                *starts[other] > *starts[c] || (*starts[other] == *starts[c] && other > c);
            if (behind) end = std::min(end, *starts[other]);
        }
        ranges[c] = CategoryRange{*starts[c], end};
    }
    return ranges;
}

}  // namespace rq50::files
