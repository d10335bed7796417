#include "files/ContentList.h"

#include "parameter/ValueRules.h"

namespace rq50::files {

namespace {

constexpr int kDisplayInList = 0;

}  // namespace

std::vector<ContentRow> BuildContentList(const parameter::ItemArray& items, std::int32_t maintStart,
                                         bool maintMode) {
    std::vector<ContentRow> rows;
    int previousMa = 0;
    for (const auto& block : items) {
        const auto item = parameter::DecodeItem(block, false);
        if (!maintMode && maintStart > 0 && item.ma >= maintStart) break;
        if (item.ma != previousMa && previousMa != 0)
            rows.push_back(ContentRow{true, {}, {}, {}, {}});
        previousMa = item.ma;
        rows.push_back({false, parameter::FormatAddress(item.ma, item.mb), item.name,
                        parameter::FormatDataForDisplay(item.data, item.kind, kDisplayInList),
                        item.aux});
    }
    return rows;
}

}  // namespace rq50::files
