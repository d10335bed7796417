#pragma once

// Editing one item's value outside the parameter screen: picking a choice by
// code or text, telling what an item accepts, judging whether the instrument
// holds what was asked, and changing an item of a parameter file exactly as an
// online write would change it.

#include "parameter/ChoiceList.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"

#include <optional>
#include <string>
#include <vector>

namespace rq50::parameter {

/// The choice a value names: its index in the list, or the candidates when
/// the value names several (an empty list when it names none).
struct ChoicePick {
    int index = -1;
    std::vector<int> candidates;
};

/// Picks a choice by its code ("3"), its list text (case and blanks do not
/// matter) or the start of exactly one list text.
ChoicePick PickChoice(const ChoiceList& choices, const std::string& value);

/// What an item of the opened kind accepts, in words: "a number from -999.99
/// to 999.99 with at most 2 decimals", "one of the choices" ...
std::string AllowedValues(const EditContext& context);

/// Why the opened item refuses `entry`, in words ("not a number", "above the
/// maximum 999.99"); empty when it takes it.
std::string WhyRefused(const std::string& entry, const EditContext& context);

/// The first pair of items named "<x> LO" and "<x> HI" (numbers both) whose
/// low value lies above its high value, as a warning ("SCALE LO +150.00 lies
/// above SCALE HI +100.00"); empty when every such range is in order.
std::string RangeWarning(const ItemArray& items);

/// True when an item read back after a write holds the value the user asked
/// for: the same number for kinds 2 and 5 (so 12.555 cut to 12.55, or 500
/// clamped to 100.00, is not what was asked), the chosen code for a
/// selection, the same text (without trailing blanks) otherwise.
bool HoldsAskedValue(const std::string& asked, const EditContext& context,
                     const DecodedItem& readBack, int chosenCode);

/// The item of a parameter file after an offline change.
struct OfflineEdit {
    bool ok = false;
    std::string error;   ///< why the value was refused
    ItemBlock block{};   ///< the changed block
    std::string stored;  ///< the data text as it now stands in the block
    std::string note;    ///< what the change could not check, when anything
};

/// Changes the value of `block` as an online write of `value` would: the
/// entry rules and send text of the item's kind, written into the data field
/// at the place of the old text. A selection item takes a choice code or the
/// text of its current choice; a new code leaves its texts blank, since only
/// the instrument knows the texts of its other choices. A file holds no choice
/// list, so a new code is taken unchecked (up to 63), and `note` says so.
OfflineEdit SetItemValue(const ItemBlock& block, const std::string& value);

/// Parses an address text ("C02", "c2", "A"): MA from the letter, MB from the
/// number (0 when absent). nullopt for anything else.
std::optional<std::pair<int, int>> ParseAddress(const std::string& text);

}  // namespace rq50::parameter
