#include "files/InfoWindowRules.h"

#include "files/InformationRecord.h"
#include "files/SingleByteText.h"

#include <array>

namespace rq50::files {

InfoPurposeRule InfoPurposeFor(int purpose) {
    using C = InfoClose;
    static const std::array<InfoPurposeRule, 11> kRules = {{
        {241, 242, C::Save},
        {243, 244, C::Save},
        {245, 246, C::Save},
        {255, 256, C::Nothing},
        {255, 256, C::Nothing},
        {247, 248, C::SaveUnloadDataView},
        {0, 250, C::SaveUnloadDataView},
        {251, 252, C::SaveUnloadEditorIfSaved},
        {0, 0, C::SaveThenAskQuit},
        {0, 0, C::EnableEditor},
        {0, 0, C::EnableDataView},
    }};
    if (purpose < 0 || purpose >= static_cast<int>(kRules.size())) return {};
    return kRules[static_cast<std::size_t>(purpose)];
}

int NextInfoBox(int box) {
    static const std::array<int, kInfoBoxCount> kOrder = {
        kBoxCaption1, kBoxTitle1,       kBoxCaption2, kBoxTitle2, kBoxCreatedBy,
        kBoxDate,     kBoxInstrumentNo, kBoxCaption3, kBoxComment};
    if (box == kBoxComment) return kBoxComment;
    for (std::size_t i = 0; i < kOrder.size(); ++i) {
        if (kOrder[i] == box) return kOrder[(i + 1) % kOrder.size()];
    }
    return kBoxCaption1;
}

bool InfoKeyFits(int box, std::string_view text, std::string_view selected,
                 std::string_view typed) {
    const std::size_t kept = SingleByteUnits(text) - SingleByteUnits(selected);
    return kept + SingleByteUnits(typed) <= InfoBoxLimit(box);
}

}  // namespace rq50::files
