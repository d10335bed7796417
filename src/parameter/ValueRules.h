#pragma once

#include "parameter/ChoiceList.h"
#include "parameter/ItemBlock.h"
#include "shell/Services.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace rq50::parameter {

/// Display modes of FormatDataForDisplay.
enum class DisplayMode : int {
    Grid = 0,  ///< the grid and the content list
    Echo = 1,  ///< the entry box after a write
};

/// Key code of Backspace as the entry boxes see it.
inline constexpr int kKeyBackspace = 8;

/// Model texts are equal when they differ only in trailing blanks: an upload
/// keeps "RQB2    " as received while a file may hold "RQB2".
bool SameModel(std::string_view a, std::string_view b);

/// True when the text reads as a decimal number: blanks, an optional sign,
/// blanks, digits with at most one ".", blanks; at least one digit.
bool IsNumeric(const std::string& text);

/// True when both texts read as numbers of the same value: "+012.50" and
/// "12.5" are the same, "12.55" and "12.555" are not. Compared digit by digit.
bool SameNumber(const std::string& a, const std::string& b);

/// Sign ("-" only for a negative value), integer part without leading zeros,
/// then the "." and everything behind it as it stands: "+0012.50" gives
/// "12.50", "-0.50" gives "-0.50". A text that is not numeric is returned as is.
std::string NormalizeNumber(const std::string& text);

/// The data text as shown in the grid (mode 0) or echoed in the entry box
/// after a write (mode 1); any other mode returns the data unchanged.
std::string FormatDataForDisplay(const std::string& data, int kind, DisplayMode mode);

/// Filters one key typed into the entry box of an item of `kind`: returns the
/// character code to insert (hex digits in upper case) or 0 to swallow it.
int FilterKey(int key, int kind);

/// What the parameter screen knows about the item opened for editing.
struct EditContext {
    bool open = false;  ///< an item has been prepared
    std::int16_t kind = 0;
    std::string dataText;            ///< the item's data text; an invalid entry goes back to it
    std::int16_t fieldWidth = 0;     ///< W: length of the trimmed data text
    std::int16_t integerDigits = 0;  ///< I of kinds 2 and 5
    std::int16_t decimals = 0;       ///< F of kinds 2 and 5
    std::int16_t ma = 0, mb = 0, mc = 0;
    std::string name;    ///< the item's name, untrimmed
    ChoiceList choices;  ///< filled by the read of a selection item
};

/// The edit context of an item that the user opened.
EditContext PrepareEdit(const DecodedItem& item);

/// Outcome of checking an entry.
struct EntryCheck {
    bool valid = false;
    std::string sendText;   ///< what a write sends (empty for a selection item)
    std::string resetText;  ///< invalid entry: the text the entry box gets back
};

/// Checks an entry against the opened item and builds its send text, without
/// showing anything.
EntryCheck CheckEntry(const std::string& entry, const EditContext& context);

/// CheckEntry, and on failure message 13 "Illegal value entered." with the
/// caller's title.
EntryCheck ValidateEntry(const shell::Services& hosts, const std::string& entry,
                         const EditContext& context, const std::string& callerTitle = {});

}  // namespace rq50::parameter
