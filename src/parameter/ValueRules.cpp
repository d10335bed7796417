#include "parameter/ValueRules.h"

#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <optional>

namespace rq50::parameter {
namespace {

// The instrument takes at most 8 characters in one write.
constexpr std::size_t kWriteWidth = 8;

// Kind 5 values lie within +/-32000 and are written with fewer than 6 decimals.
const char* const kFreeDecimalLimit = "32000";
constexpr std::size_t kFreeDecimalMaxDecimals = 5;
constexpr std::size_t kFreeDecimalPlaces = 8;  // the "0.00000000" form before the cut

// Kind 2 values are cut to this many significant digits before they are sent,
// after rounding to the eleven digits of the scientific form.
constexpr std::size_t kSentSignificantDigits = 4;
constexpr std::size_t kScientificDigits = 11;

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

// A decimal number held as its digits, so that bounds and cuts are exact.
struct Decimal {
    bool negative = false;  // never set for a zero
    std::string whole;      // integer digits without leading zeros; empty for 0
    std::string fraction;   // digits behind the point, as written

    bool IsZero() const {
        return whole.empty() && fraction.find_first_not_of('0') == std::string::npos;
    }
};

std::optional<Decimal> ParseDecimal(const std::string& text) {
    std::size_t i = 0;
    const std::size_t n = text.size();
    auto skipBlanks = [&] {
        while (i < n && text[i] == ' ') ++i;
    };
    Decimal value;
    skipBlanks();
    if (i < n && (text[i] == '+' || text[i] == '-')) {
        value.negative = text[i] == '-';
        ++i;
        skipBlanks();
    }
    const std::size_t wholeStart = i;
    while (i < n && IsDigit(text[i])) ++i;
    std::string whole = text.substr(wholeStart, i - wholeStart);
    if (i < n && text[i] == '.') {
        const std::size_t fractionStart = ++i;
        while (i < n && IsDigit(text[i])) ++i;
        value.fraction = text.substr(fractionStart, i - fractionStart);
    }
    if (whole.empty() && value.fraction.empty()) return std::nullopt;
    skipBlanks();
    if (i != n) return std::nullopt;

    value.whole = whole.substr(std::min(whole.find_first_not_of('0'), whole.size()));
    if (value.IsZero()) value.negative = false;
    return value;
}

std::string WithoutTrailingZeros(std::string digits) {
    digits.erase(std::min(digits.find_last_not_of('0') + 1, digits.size()));
    return digits;
}

// Compares |a| with |b|: negative, zero or positive.
int CompareMagnitude(const Decimal& a, const Decimal& b) {
    if (a.whole.size() != b.whole.size()) return a.whole.size() < b.whole.size() ? -1 : 1;
    if (const int c = a.whole.compare(b.whole); c != 0) return c;
    return WithoutTrailingZeros(a.fraction).compare(WithoutTrailingZeros(b.fraction));
}

// The value written in the scientific form with eleven significant digits,
// its mantissa then cut to four digits, and read back: 1234.56 gives 1234,
// 0.0123456 gives 0.01234.
Decimal CutToSignificantDigits(const Decimal& value) {
    if (value.IsZero()) return {};
    const std::string all = value.whole + value.fraction;
    const std::size_t lead = all.find_first_not_of('0');
    std::string digits = all.substr(lead);
    // Digits in front of the point, counted from the first significant digit.
    long pointAt = static_cast<long>(value.whole.size()) - static_cast<long>(lead);

    if (digits.size() > kScientificDigits) {
        const bool roundUp = digits[kScientificDigits] >= '5';
        digits.resize(kScientificDigits);
        if (roundUp) {
            std::size_t k = digits.size();
            while (k > 0 && digits[k - 1] == '9') digits[--k] = '0';
            if (k == 0) {
                digits.insert(digits.begin(), '1');
                ++pointAt;
            } else {
                ++digits[k - 1];
            }
        }
    }
    if (digits.size() > kSentSignificantDigits) digits.resize(kSentSignificantDigits);

    Decimal cut;
    cut.negative = value.negative;
    if (pointAt <= 0) {
        cut.fraction = std::string(static_cast<std::size_t>(-pointAt), '0') + digits;
    } else if (static_cast<std::size_t>(pointAt) >= digits.size()) {
        cut.whole = digits + std::string(static_cast<std::size_t>(pointAt) - digits.size(), '0');
    } else {
        cut.whole = digits.substr(0, static_cast<std::size_t>(pointAt));
        cut.fraction = digits.substr(static_cast<std::size_t>(pointAt));
    }
    cut.fraction = WithoutTrailingZeros(cut.fraction);
    return cut;
}

std::string PadRight(std::string text, std::size_t width) {
    if (text.size() < width) text.append(width - text.size(), ' ');
    return text;
}

std::string Cut(std::string text, std::size_t width) {
    if (text.size() > width) text.resize(width);
    return text;
}

// Kind 2: sign, blanks, then the value in the item's own format of I integer
// digits (zero-padded) and F decimals (truncated), W characters in all.
std::string DecimalSendText(const Decimal& value, const EditContext& context) {
    const std::size_t integerDigits =
        static_cast<std::size_t>(std::max<int>(0, context.integerDigits));
    const std::size_t decimals = static_cast<std::size_t>(std::max<int>(0, context.decimals));
    const Decimal cut = CutToSignificantDigits(value);

    std::string digits = cut.whole;
    if (digits.size() < integerDigits) digits.insert(0, integerDigits - digits.size(), '0');
    if (decimals > 0) {
        std::string fraction = cut.fraction.substr(0, decimals);
        fraction.append(decimals - fraction.size(), '0');
        digits += '.' + fraction;
    }
    std::string send = value.negative ? "-" : "+";
    const std::size_t width = static_cast<std::size_t>(std::max<int>(0, context.fieldWidth));
    if (send.size() + digits.size() < width) send.append(width - send.size() - digits.size(), ' ');
    return send + digits;
}

// Kind 5: "+" or "-", the value with eight decimals, the whole cut to 8.
std::string FreeDecimalSendText(const Decimal& value) {
    std::string fraction = value.fraction;
    fraction.append(kFreeDecimalPlaces - std::min(kFreeDecimalPlaces, fraction.size()), '0');
    const std::string text = std::string(value.negative ? "-" : "+") +
                             (value.whole.empty() ? "0" : value.whole) + '.' + fraction;
    return Cut(text, kWriteWidth);
}

}  // namespace

bool IsNumeric(const std::string& text) {
    return ParseDecimal(text).has_value();
}

bool SameNumber(const std::string& a, const std::string& b) {
    const std::optional<Decimal> x = ParseDecimal(a);
    const std::optional<Decimal> y = ParseDecimal(b);
    return x && y && x->negative == y->negative && CompareMagnitude(*x, *y) == 0;
}

std::string NormalizeNumber(const std::string& text) {
    const std::optional<Decimal> value = ParseDecimal(text);
    if (!value) return text;
    std::string result = value->negative ? "-" : "";
    result += value->whole.empty() ? "0" : value->whole;
    if (const std::size_t point = text.find('.'); point != std::string::npos)
        result += text.substr(point);
    return result;
}

std::string FormatDataForDisplay(const std::string& data, int kind, DisplayMode mode) {
    switch (kind) {
        case kKindShown:
        case kKindMeasured:
            // Only a signed number with decimals is normalised; other texts
            // (counters, states) are shown as the instrument sends them.
            if (data.find('.') != std::string::npos &&
                data.find_first_of("+-") != std::string::npos && IsNumeric(data))
                return NormalizeNumber(data);
            return data;
        case kKindDecimal:
        case kKindFreeDecimal:
            return IsNumeric(data) ? NormalizeNumber(data) : data;
        case kKindText:
            if (mode == DisplayMode::Echo) return shell::TrimRight(data);
            return data;
        default:
            return data;
    }
}

int FilterKey(int key, int kind) {
    const bool digit = key >= '0' && key <= '9';
    const bool upper = key >= 'A' && key <= 'Z';
    const bool lower = key >= 'a' && key <= 'z';
    switch (kind) {
        case kKindText:
            return digit || upper || lower || (key >= ' ' && key <= '/') || key == kKeyBackspace
                       ? key
                       : 0;
        case kKindDecimal:
        case kKindFreeDecimal:
            return digit || key == '+' || key == '-' || key == '.' || key == ' ' ||
                           key == kKeyBackspace
                       ? key
                       : 0;
        case kKindHex:
            if (key >= 'a' && key <= 'f') return key - 'a' + 'A';
            return digit || (key >= 'A' && key <= 'F') || key == ' ' || key == '.' ||
                           key == kKeyBackspace
                       ? key
                       : 0;
        default:
            return 0;
    }
}

EditContext PrepareEdit(const DecodedItem& item) {
    EditContext context;
    context.open = true;
    context.kind = item.kind;
    context.dataText = item.data;
    context.fieldWidth = static_cast<std::int16_t>(shell::Trim(item.data).size());
    if (item.kind == kKindDecimal || item.kind == kKindFreeDecimal) {
        // The item's format, read from its current value behind the sign.
        const std::string digits = shell::Trim(item.data.empty() ? item.data : item.data.substr(1));
        const std::size_t point = digits.find('.');
        context.integerDigits =
            static_cast<std::int16_t>(point == std::string::npos ? digits.size() : point);
        context.decimals =
            static_cast<std::int16_t>(point == std::string::npos ? 0 : digits.size() - point - 1);
    }
    context.ma = item.ma;
    context.mb = item.mb;
    context.mc = item.mc;
    context.name = item.name;
    context.choices.Start(item.ma, item.mb, item.mc);
    return context;
}

EntryCheck CheckEntry(const std::string& entry, const EditContext& context) {
    EntryCheck check;
    check.resetText = context.dataText;

    // A selection is chosen from the list; the write carries its code only.
    if (context.kind == kKindSelection) {
        check.valid = true;
        return check;
    }

    std::string filtered;
    for (const char c : shell::Trim(entry)) {
        const int key = FilterKey(static_cast<unsigned char>(c), context.kind);
        if (key == 0) return check;
        filtered += static_cast<char>(key);
    }

    switch (context.kind) {
        case kKindText:
            if (entry.size() > kWriteWidth) return check;
            check.sendText = PadRight(entry, kWriteWidth);
            break;
        case kKindHex: {
            // An entry longer than one write could carry is refused rather than cut.
            const std::size_t width =
                std::min<std::size_t>(kWriteWidth, std::max<int>(0, context.fieldWidth));
            if (filtered.empty() || filtered.size() > width) return check;
            check.sendText = PadRight(filtered, kWriteWidth);
            break;
        }
        case kKindDecimal: {
            const std::optional<Decimal> value = ParseDecimal(filtered);
            if (!value) return check;
            Decimal largest;
            largest.whole =
                std::string(static_cast<std::size_t>(std::max<int>(0, context.integerDigits)), '9');
            largest.fraction =
                std::string(static_cast<std::size_t>(std::max<int>(0, context.decimals)), '9');
            if (CompareMagnitude(*value, largest) > 0) return check;
            check.sendText = DecimalSendText(*value, context);
            break;
        }
        case kKindFreeDecimal: {
            const std::optional<Decimal> value = ParseDecimal(filtered);
            if (!value) return check;
            const std::size_t point = filtered.find('.');
            if (point != std::string::npos && filtered.size() - point - 1 > kFreeDecimalMaxDecimals)
                return check;
            Decimal limit;
            limit.whole = kFreeDecimalLimit;
            if (CompareMagnitude(*value, limit) > 0) return check;
            check.sendText = FreeDecimalSendText(*value);
            break;
        }
        default:
            // Kinds 0, 6 and 7 are not editable: nothing may be written to them.
            return check;
    }
    check.valid = true;
    return check;
}

EntryCheck ValidateEntry(const shell::Services& hosts, const std::string& entry,
                         const EditContext& context, const std::string& callerTitle) {
    EntryCheck check = CheckEntry(entry, context);
    if (!check.valid) shell::ShowMessage(hosts, kMsgIllegalValue, shell::MsgButtons::Ok, callerTitle);
    return check;
}

bool SameModel(std::string_view a, std::string_view b) {
    return shell::TrimRight(a) == shell::TrimRight(b);
}

}  // namespace rq50::parameter
