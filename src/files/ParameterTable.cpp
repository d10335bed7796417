#include "files/ParameterTable.h"

#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

namespace rq50::files {

ReportTable ParameterTable(const ParameterFileRecord& record, std::size_t first, std::size_t end) {
    ReportTable table;
    table.columns = {
        {shell::Catalogue(kTextAddress), 2000, ColumnAlign::Left, 0, "address"},
        {shell::Catalogue(kTextDisplay), 2000, ColumnAlign::Left, 0, "name"},
        {shell::Catalogue(kTextData), 2000, ColumnAlign::Right, 0, "data"},
        {shell::Catalogue(kTextAuxiliary), 3000, ColumnAlign::Left, 0, "aux"},
    };
    int groupMa = 0;
    for (std::size_t i = first; i < end && i < record.items.size(); ++i) {
        const auto item = parameter::DecodeItem(record.items[i], false);
        const bool head = i == first || item.ma != groupMa;
        groupMa = item.ma;
        const std::string shown = shell::Trim(
            parameter::FormatDataForDisplay(item.data, item.kind, parameter::DisplayMode::Grid));
        table.rows.push_back(ReportRow({{parameter::FormatAddress(item.ma, item.mb)},
                                        {item.name},
                                        {item.data, {}, shown},
                                        {item.aux}},
                                       head));
    }
    return table;
}

}  // namespace rq50::files
