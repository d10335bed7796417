#pragma once

#include "parameter/ItemBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rq50::parameter {

/// One choice of a selection item.
struct Choice {
    std::string listText;  ///< data text followed by auxiliary text, trimmed
    std::string data;
    std::string aux;
    std::int16_t code = 0;  ///< the MC that selects this choice
};

/// The choices of a selection item (kind 4), collected from the instrument's
/// answers while the item is read for editing.
struct ChoiceList {
    std::vector<Choice> entries;
    std::int16_t currentCode = 0;  ///< the item's MC as first read
    int preselected = 0;           ///< entry shown selected: the current choice
    /// Address of the first answer; the walk ends when its code comes back.
    std::int16_t firstMa = 0, firstMb = 0, firstMc = 0;
    /// Address of the next choice to ask for.
    std::int16_t nextMa = 0, nextMb = 0, nextMc = 0;

    /// Empties the list before the choices of the item at (ma, mb) whose current
    /// code is `code` are collected.
    void Start(int ma, int mb, int code);

    /// Takes one answer of the instrument. Returns true when it was recorded
    /// and the next choice (nextMa, nextMb, nextMc) should be asked for; false
    /// when the list is complete: the answer left the item's group, or a code
    /// came back that is already in the list.
    bool Offer(const DecodedItem& answer);

    /// The choice with this code, or nullptr.
    const Choice* FindByCode(int code) const;
};

}  // namespace rq50::parameter
