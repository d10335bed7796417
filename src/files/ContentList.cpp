#include "files/ContentList.h"

#include "files/Categories.h"
#include "parameter/ValueRules.h"

namespace rq50::files {

namespace {

constexpr parameter::DisplayMode kDisplayInList = parameter::DisplayMode::Grid;

}  // namespace

std::vector<ContentRow> BuildContentList(const parameter::ItemArray& items,
                                         const DataSetHeader& header, bool maintMode) {
    const auto maint = CategoryRanges(header, items)[kMaintCategory];
    std::vector<ContentRow> rows;
    int previousMa = 0;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (!maintMode && maint && maint->Holds(i)) continue;
        const auto item = parameter::DecodeItem(items[i], false);
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
