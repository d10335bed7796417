#include "comm/jobs/TransferRules.h"
#include "shell/TextTrim.h"

#include "shell/TextNumbers.h"
#include "shell/Wildcard.h"

#include <algorithm>
#include <cctype>
#include <cstdlib>

namespace rq50::comm::jobs {

namespace {

/// The leading number of a text the way the instrument's texts are read:
/// blanks are passed over anywhere, then an optional sign, digits and one
/// decimal point; anything else ends the number. No number gives 0.
double TextValue(std::string_view text) {
    std::string digits;
    bool seenPoint = false;
    bool seenDigit = false;
    for (char c : text) {
        if (c == ' ' || c == '\t') continue;
        if ((c == '+' || c == '-') && digits.empty()) {
            digits += c;
        } else if (c >= '0' && c <= '9') {
            digits += c;
            seenDigit = true;
        } else if (c == '.' && !seenPoint) {
            digits += c;
            seenPoint = true;
        } else {
            break;
        }
    }
    if (!seenDigit) return 0.0;
    return std::strtod(digits.c_str(), nullptr);
}

int TextInt(std::string_view text) {
    return static_cast<int>(TextValue(text));
}

bool StartsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

std::string SlotWriteText(int slot) {
    const int two = ((slot % 100) + 100) % 100;
    std::string text(6, ' ');
    text += static_cast<char>('0' + two / 10);
    text += static_cast<char>('0' + two % 10);
    return text;
}

std::optional<int> ParseSlotEntry(std::string_view text) {
    constexpr int kFirstSlot = 1;
    constexpr int kLastSlot = 16;
    const std::string t = shell::Trim(text);
    if (t.empty() || t.size() > 2) return std::nullopt;
    int value = 0;
    for (char c : t) {
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
    }
    if (value < kFirstSlot || value > kLastSlot) return std::nullopt;
    return value;
}

std::string AccessCode() {
    // Put together from single characters so that the code never stands in
    // the program as one readable text.
    const char parts[] = {'R', '3', '5', '0', '.', '0', '1', ' '};
    return std::string(parts, sizeof parts);
}

std::uint8_t CustomTypeFromData(std::string_view data) {
    if (data.size() < 2) return 0;
    const std::string_view last = data.substr(data.size() - 2);
    int value = 0;
    for (char c : last) {
        const int digit = std::isdigit(static_cast<unsigned char>(c)) ? c - '0'
                          : (c >= 'A' && c <= 'F')                    ? c - 'A' + 10
                          : (c >= 'a' && c <= 'f')                    ? c - 'a' + 10
                                                                      : -1;
        if (digit < 0) return 0;
        value = value * 16 + digit;
    }
    return static_cast<std::uint8_t>(value);
}

bool CustomTypesCompatible(std::uint8_t instrument, std::uint8_t dataSet) {
    constexpr std::uint8_t kCheckedBits = 0x82;
    return (instrument & kCheckedBits) == (dataSet & kCheckedBits);
}

int ProgressIncrement(int count) {
    if (count <= 0) return 0;
    const int whole = 100 / count;
    const int twiceRest = 2 * (100 % count);
    if (twiceRest > count || (twiceRest == count && whole % 2 == 1)) return whole + 1;
    return whole;
}

std::optional<WriteItem> NextDownloadItem(const parameter::ItemArray& dataSet, std::size_t from,
                                          int setStart, int adjustStart) {
    for (std::size_t i = from; i < dataSet.size(); ++i) {
        const parameter::DecodedItem item = parameter::DecodeItem(dataSet[i], false);
        if (item.ma < setStart || item.ma >= adjustStart) continue;
        if (item.kind == parameter::kKindShown || item.kind == parameter::kKindMeasured) continue;
        WriteItem write{i, item.ma, item.mb, item.mc, item.kind, {}};
        if (item.kind != parameter::kKindSelection) write.sendData = item.data;
        return write;
    }
    return std::nullopt;
}

int CountDownloadItems(const parameter::ItemArray& dataSet, int setStart, int adjustStart) {
    int count = 0;
    std::size_t from = 0;
    while (auto item = NextDownloadItem(dataSet, from, setStart, adjustStart)) {
        ++count;
        from = item->index + 1;
    }
    return count;
}

int DownloadRefusal(const parameter::ItemArray& dataSet, const CategoryStarts& starts) {
    constexpr int kMaxMa = 63;  // MA has six bits
    for (const int start : {starts.display, starts.set, starts.adjust, starts.maint}) {
        if (start < 0 || start > kMaxMa) return kTextHeaderDoesNotFit;
    }
    if (starts.set < 1 || starts.set >= starts.adjust) return kTextHeaderDoesNotFit;
    const bool setBegins = std::any_of(dataSet.begin(), dataSet.end(), [&](const auto& block) {
        return parameter::DecodeItem(block, false).ma == starts.set;
    });
    if (!setBegins) return kTextHeaderDoesNotFit;
    if (CountDownloadItems(dataSet, starts.set, starts.adjust) == 0) return kTextNothingToDownload;
    return 0;
}

std::optional<DownloadCheckEntry> VerifyWrite(const parameter::ItemBlock& sent, std::size_t index,
                                              const parameter::DecodedItem& response,
                                              std::size_t sendCount) {
    const parameter::DecodedItem item = parameter::DecodeItem(sent, false);
    bool differs = false;
    if (item.kind == parameter::kKindSelection) {
        differs = item.mc != response.mc;
    } else if (item.kind == parameter::kKindDecimal || item.kind == parameter::kKindFreeDecimal) {
        differs = TextValue(item.data) != TextValue(response.data);
    } else {
        // The data bytes as sent against the data text of the answer; its name
        // text comes first in the answer and is not part of what was written.
        for (std::size_t i = 0; i < sendCount; ++i) {
            const char a = i < item.data.size() ? item.data[i] : '\0';
            const char b = i < response.data.size() ? response.data[i] : '\0';
            if (a != b) {
                differs = true;
                break;
            }
        }
    }
    if (!differs) return std::nullopt;
    return DownloadCheckEntry{.ma = item.ma,
                              .mb = item.mb,
                              .sentName = item.name,
                              .sentData = item.data,
                              .sentAux = item.aux,
                              .setData = response.data,
                              .setAux = response.aux,
                              .index = static_cast<int>(index)};
}

bool DataSetHoldsChoice(const parameter::ItemArray& dataSet, int ma, int mb, int mc) {
    for (const auto& block : dataSet) {
        const parameter::DecodedItem item = parameter::DecodeItem(block, false);
        if (item.ma == ma && item.mb == mb && item.mc == mc) return true;
    }
    return false;
}

AreaAddress ParseAreaAddress(std::string_view text) {
    AreaAddress address;
    if (text.empty()) return address;
    const int code = static_cast<unsigned char>(text[0]);
    address.ma = code < 'A' ? 0 : code - 64;
    address.mb = TextInt(text.substr(1));
    return address;
}

ProgramAreas AreasFromCategory(const CategoryAreas& row) {
    ProgramAreas areas;
    areas.program = ParseAreaAddress(shell::Trim(row.programStart));
    areas.constant = ParseAreaAddress(shell::Trim(row.constStart));
    areas.steps = TextInt(row.steps);
    areas.constants = TextInt(row.constants);
    return areas;
}

std::optional<ProgramAreas> CheckProgramModel(std::string_view instrumentModel,
                                              std::string_view programModel,
                                              const CategoryAreas& instrumentRow,
                                              const ProgramAreas& headerAreas) {
    const std::string instrument = shell::Trim(instrumentModel);
    const std::string program = shell::Trim(programModel);
    if (StartsWith(instrument, "KP") || StartsWith(instrument, "LW")) {
        if (instrument != program || !instrumentRow.found) return std::nullopt;
        return AreasFromCategory(instrumentRow);
    }
    if (!shell::WildcardMatch(instrument, program)) return std::nullopt;
    if (instrumentRow.found) return AreasFromCategory(instrumentRow);
    return headerAreas;
}

std::optional<WriteItem> NextProgramItem(const parameter::ItemArray& records, std::size_t from,
                                         CommErrorCode refusedArea) {
    for (std::size_t i = from; i < records.size(); ++i) {
        const parameter::DecodedItem item = parameter::DecodeItem(records[i], false);
        const std::string name = shell::TrimUpper(item.name);
        if (refusedArea == kRefusedProgram && name == "PROGRAM") continue;
        if (refusedArea == kRefusedConst && name == "CONST") continue;
        if (item.kind == parameter::kKindShown || item.kind == parameter::kKindMeasured) continue;
        WriteItem write{i, item.ma, item.mb, item.mc, item.kind, {}};
        if (item.kind != parameter::kKindSelection) write.sendData = item.data;
        return write;
    }
    return std::nullopt;
}

int CountProgramDownloadItems(const parameter::ItemArray& records) {
    int count = 0;
    for (auto item = NextProgramItem(records, 0, kRefusedNone); item;
         item = NextProgramItem(records, item->index + 1, kRefusedNone)) {
        ++count;
    }
    return count;
}

std::string BaudRateText(std::string_view prefix, std::string_view code) {
    const int value = TextInt(code);
    std::string two = std::to_string(value);
    if (two.size() < 2) two.insert(0, 2 - two.size(), '0');
    std::string text = " " + std::string(prefix) + "." + two;
    if (text.size() > 8) text.resize(8);
    return text;
}

}  // namespace rq50::comm::jobs
