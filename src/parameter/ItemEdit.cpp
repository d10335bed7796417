#include "parameter/ItemEdit.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <utility>

namespace rq50::parameter {
namespace {

// The instrument takes at most 8 characters in one write.
constexpr std::size_t kWriteWidth = 8;
// Offset of the texts within an item block.
constexpr std::size_t kBlockTextStart = 4;
constexpr std::uint8_t kLow6Bits = 0x3F;

// Upper case, one blank for each run of blanks: "DC      4-20mA" and "dc
// 4-20ma" name the same choice.
std::string Folded(const std::string& text) {
    std::string out;
    for (const char c : shell::Trim(text)) {
        if (c == ' ' && !out.empty() && out.back() == ' ') continue;
        out += static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    }
    return out;
}

std::optional<int> WholeNumber(const std::string& text) {
    const std::string t = shell::Trim(text);
    if (t.empty() || t.size() > 2 ||
        !std::all_of(t.begin(), t.end(), [](unsigned char c) { return std::isdigit(c) != 0; }))
        return std::nullopt;
    return std::stoi(t);
}

// The largest value of a kind-2 item's own format: I nines, ".", F nines.
std::string LargestOfFormat(const EditContext& context) {
    std::string text(static_cast<std::size_t>(std::max<int>(1, context.integerDigits)), '9');
    if (context.integerDigits == 0) text = "0";
    if (context.decimals > 0)
        text += "." + std::string(static_cast<std::size_t>(context.decimals), '9');
    return text;
}

}  // namespace

ChoicePick PickChoice(const ChoiceList& choices, const std::string& value) {
    ChoicePick pick;
    const auto& entries = choices.entries;
    if (const auto code = WholeNumber(value)) {
        for (std::size_t i = 0; i < entries.size(); ++i) {
            if (entries[i].code == *code) {
                pick.index = static_cast<int>(i);
                return pick;
            }
        }
    }
    const std::string wanted = Folded(value);
    if (wanted.empty()) return pick;
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Folded(entries[i].listText) == wanted) {
            pick.index = static_cast<int>(i);
            return pick;
        }
    }
    for (std::size_t i = 0; i < entries.size(); ++i) {
        if (Folded(entries[i].listText).rfind(wanted, 0) == 0)
            pick.candidates.push_back(static_cast<int>(i));
    }
    if (pick.candidates.size() == 1) {
        pick.index = pick.candidates.front();
        pick.candidates.clear();
    }
    return pick;
}

std::string AllowedValues(const EditContext& context) {
    switch (context.kind) {
        case kKindText:
            return "a text of at most 8 characters: letters, digits, space and ! \" # $ % & ' ( ) "
                   "* + , - . /";
        case kKindDecimal: {
            const std::string largest = LargestOfFormat(context);
            return "a number from -" + largest + " to " + largest + " with at most " +
                   std::to_string(context.decimals) + " decimals (4 significant digits are kept)";
        }
        case kKindHex:
            return "a hexadecimal number of 1 to " +
                   std::to_string(std::min<int>(kWriteWidth, context.fieldWidth)) + " digits";
        case kKindSelection:
            return "one of the choices, by its code or its text";
        case kKindFreeDecimal:
            return "a number from -32000 to 32000 with at most 5 decimals";
        default:
            return "nothing: the item cannot be written";
    }
}

std::string WhyRefused(const std::string& entry, const EditContext& context) {
    if (CheckEntry(entry, context).valid) return {};
    const std::string text = shell::Trim(entry);
    const bool number = context.kind == kKindDecimal || context.kind == kKindFreeDecimal;
    if (number) {
        char* end = nullptr;
        const double value = std::strtod(text.c_str(), &end);
        if (text.empty() || end == nullptr || *end != '\0') return "not a number";
        const std::string largest =
            context.kind == kKindFreeDecimal ? std::string("32000") : LargestOfFormat(context);
        if (value > std::stod(largest)) return "above the maximum " + largest;
        if (value < -std::stod(largest)) return "below the minimum -" + largest;
    }
    if (context.kind == kKindText && text.size() > 8) return "longer than 8 characters";
    return "not " + AllowedValues(context);
}

std::string RangeWarning(const ItemArray& items) {
    struct Bound {
        std::string name, data;
        double value = 0;
    };
    std::map<std::string, std::pair<std::optional<Bound>, std::optional<Bound>>> ranges;
    for (const auto& block : items) {
        const DecodedItem item = DecodeItem(block, false);
        if (item.kind != kKindDecimal && item.kind != kKindFreeDecimal) continue;
        const std::string name = shell::Trim(item.name);
        if (name.size() < 4 || name[name.size() - 3] != ' ') continue;
        const std::string end = name.substr(name.size() - 2);
        if (end != "LO" && end != "HI") continue;
        char* stop = nullptr;
        const std::string data = shell::Trim(item.data);
        const double value = std::strtod(data.c_str(), &stop);
        if (data.empty() || stop == nullptr || *stop != '\0') continue;
        auto& range = ranges[name.substr(0, name.size() - 3)];
        (end == "LO" ? range.first : range.second) = Bound{name, data, value};
    }
    for (const auto& [prefix, range] : ranges) {
        if (range.first && range.second && range.first->value > range.second->value) {
            return range.first->name + " " + range.first->data + " lies above " +
                   range.second->name + " " + range.second->data;
        }
    }
    return {};
}

bool HoldsAskedValue(const std::string& asked, const EditContext& context,
                     const DecodedItem& readBack, int chosenCode) {
    switch (context.kind) {
        case kKindSelection:
            return readBack.mc == chosenCode;
        case kKindDecimal:
        case kKindFreeDecimal:
            return SameNumber(asked, readBack.data);
        case kKindHex:
            return Folded(asked) == Folded(readBack.data);
        default:
            return shell::TrimRight(asked) == shell::TrimRight(readBack.data);
    }
}

OfflineEdit SetItemValue(const ItemBlock& block, const std::string& value) {
    OfflineEdit edit;
    edit.block = block;
    const DecodedItem item = DecodeItem(block, false);
    const EditContext context = PrepareEdit(item);
    const std::size_t dataStart = kBlockTextStart + static_cast<std::size_t>(item.nameLength);
    const std::size_t dataLength = static_cast<std::size_t>(item.dataLength);

    if (item.kind == kKindSelection) {
        int code = -1;
        if (const auto number = WholeNumber(value); number && *number <= kLow6Bits) {
            code = *number;
        } else if (Folded(value) == Folded(item.data + item.aux)) {
            code = item.mc;
        }
        const std::string texts = shell::Trim(item.data + item.aux);
        const std::string held =
            "the file holds no choice list for the item, only its current "
            "choice (" +
            (texts.empty() ? "" : texts + ", ") + "code " + std::to_string(item.mc) + ")";
        if (code < 0) {
            edit.error =
                held + "; give a choice code (0 to 63), or list the choices with rq50-cli read";
            return edit;
        }
        if (code != item.mc) {
            edit.note = held + ": code " + std::to_string(code) + " is taken unchecked";
            edit.block[3] = static_cast<std::uint8_t>((block[3] & ~kLow6Bits) | code);
            // The texts of another choice are the instrument's: leave them blank.
            const std::size_t end =
                std::min(edit.block.size(), kBlockTextStart + static_cast<std::size_t>(item.textLength));
            for (std::size_t i = dataStart; i < end; ++i) edit.block[i] = ' ';
        }
        edit.ok = true;
        edit.stored = DecodeItem(edit.block, false).data;
        return edit;
    }
    if (item.kind != kKindText && item.kind != kKindDecimal && item.kind != kKindHex &&
        item.kind != kKindFreeDecimal) {
        edit.error = "the item cannot be written (data kind " + std::to_string(item.kind) + ")";
        return edit;
    }
    if (dataLength == 0 || dataStart + dataLength > block.size()) {
        edit.error = "the item has no data field";
        return edit;
    }
    const EntryCheck check = CheckEntry(value, context);
    if (!check.valid) {
        edit.error = "Illegal value entered. The item takes " + AllowedValues(context) + ".";
        return edit;
    }
    // The new text takes the old one's place, so a right-aligned field stays so.
    std::size_t offset = 0;
    if (item.kind == kKindDecimal) {
        offset = std::min(item.data.find_first_not_of(' '), item.data.size());
        if (offset + check.sendText.size() > dataLength) offset = 0;
    }
    std::string field(dataLength, ' ');
    field.replace(offset, std::min(check.sendText.size(), dataLength - offset),
                  check.sendText.substr(0, dataLength - offset));
    std::copy(field.begin(), field.end(), edit.block.begin() + static_cast<long>(dataStart));
    edit.ok = true;
    edit.stored = field;
    return edit;
}

std::optional<std::pair<int, int>> ParseAddress(const std::string& text) {
    const std::string t = Folded(text);
    if (t.empty() || t[0] < 'A' || t[0] > static_cast<char>('@' + kLow6Bits)) return std::nullopt;
    const int ma = t[0] - '@';
    if (t.size() == 1) return std::pair{ma, 0};
    const std::string digits = t.substr(1);
    if (digits.size() > 2 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const int mb = std::stoi(digits);
    if (mb > kLow6Bits) return std::nullopt;
    return std::pair{ma, mb};
}

}  // namespace rq50::parameter
