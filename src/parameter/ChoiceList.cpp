#include "parameter/ChoiceList.h"

#include "parameter/ValueRules.h"
#include "shell/TextTrim.h"

#include <algorithm>

namespace rq50::parameter {

void ChoiceList::Start(int ma, int mb, int code) {
    entries.clear();
    currentCode = static_cast<std::int16_t>(code);
    preselected = 0;
    firstMa = firstMb = firstMc = 0;
    nextMa = static_cast<std::int16_t>(ma);
    nextMb = static_cast<std::int16_t>(mb);
    nextMc = 0;
}

bool ChoiceList::Offer(const DecodedItem& answer) {
    if (entries.empty()) {
        firstMa = answer.ma;
        firstMb = answer.mb;
        firstMc = answer.mc;
    }
    if (answer.mb != firstMb) return false;
    // The instrument wraps round to the first choice. A code seen before also
    // ends the walk, so an instrument that cycles without ever returning to the
    // first code cannot keep the read going for ever.
    if (FindByCode(answer.mc) != nullptr) return false;

    Choice choice;
    choice.listText = shell::Trim(answer.data + answer.aux);
    choice.data = answer.data;
    choice.aux = answer.aux;
    choice.code = answer.mc;
    if (choice.code == currentCode) preselected = static_cast<int>(entries.size());
    entries.push_back(std::move(choice));

    nextMb = answer.mb;
    nextMc = answer.mc;
    return true;
}

const Choice* ChoiceList::FindByCode(int code) const {
    const auto it = std::find_if(entries.begin(), entries.end(),
                                 [code](const Choice& c) { return c.code == code; });
    return it == entries.end() ? nullptr : &*it;
}

}  // namespace rq50::parameter
