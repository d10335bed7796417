#include "program/ProgramModel.h"

#include "shell/Catalogue.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/Wildcard.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace rq50::program {

namespace {

bool IsBlank(char c) {
    return c == ' ' || c == '\t';
}

/// Texts packed into a record: code-0 characters removed, padded with spaces
/// or cut to 8.
std::string PackedText(const std::string& text) {
    std::string packed;
    for (char c : text) {
        if (c != '\0') packed += c;
    }
    packed.resize(8, ' ');
    return packed;
}

/// An area fits when its last item number, start + count - 1, is at most 63.
bool AreaFits(const std::string& count, const std::string& start) {
    if (start.empty()) return true;
    const int first = StartNumber(start);
    const int last = first + std::max(NumberValue(count), 1) - 1;
    return first >= 0 && last <= kMaxItemNumber;
}

}  // namespace

CategoryLookup FindCategoryEntry(const CategoryTable& table, const std::string& modelCode) {
    struct Key {
        std::string key;
        bool prefix;
        std::size_t row;
    };
    std::vector<Key> keys;
    keys.reserve(table.size());
    for (std::size_t i = 0; i < table.size(); ++i) {
        const std::string& column1 = table[i].Column(1);
        const auto star = column1.find('*');
        if (star != std::string::npos) {
            keys.push_back({shell::Trim(column1.substr(0, star), shell::kSpaceOrTab), true, i});
        } else {
            keys.push_back({shell::Trim(column1, shell::kSpaceOrTab), false, i});
        }
    }
    // Longest key first; keys of equal length keep file order.
    std::stable_sort(keys.begin(), keys.end(),
                     [](const Key& a, const Key& b) { return a.key.size() > b.key.size(); });
    for (const Key& k : keys) {
        const bool match = k.prefix ? modelCode.compare(0, k.key.size(), k.key) == 0 &&
                                          modelCode.size() >= k.key.size()
                                    : modelCode == k.key;
        if (!match) continue;
        const CategoryEntry& row = table[k.row];
        return {row.Column(2), row.Column(3), row.Column(4), row.Column(5)};
    }
    return {};
}

AreaStarts EditorAreaStarts(const CategoryTable& table, const std::string& modelCode,
                            const ProgramHeader& header) {
    const CategoryLookup found =
        FindCategoryEntry(table, shell::Trim(modelCode, shell::kSpaceOrTab));
    if (!found.programStart.empty()) return {found.programStart, found.constStart, true};
    return {MakeAddress(header.programAreaLetter, header.programStartNumber),
            MakeAddress(header.constAreaLetter, header.constStartNumber), false};
}

CategoryTable LoadedCategoryTable(const shell::ConfigTables& config) {
    CategoryTable table;
    for (const auto& row : config.categories) table.push_back(CategoryEntry{row});
    return table;
}

const CategoryEntry* FindCategoryRowByPattern(const CategoryTable& table,
                                              const std::string& modelText) {
    for (const CategoryEntry& row : table) {
        if (shell::WildcardMatch(modelText, shell::Trim(row.Column(1), shell::kSpaceOrTab)))
            return &row;
    }
    return nullptr;
}

bool AreasFitItemRecords(const CategoryLookup& lookup) {
    return AreaFits(lookup.stepCount, lookup.programStart) &&
           AreaFits(lookup.constCount, lookup.constStart);
}

void ShowAreaTooLargeMessage(const shell::Services& hosts, const std::string& callerTitle) {
    shell::ShowAlert(hosts, {shell::Catalogue(kTextAreaTooLarge), callerTitle, shell::MsgButtons::Ok,
                             shell::MsgIcon::Exclamation});
}

int NumberValue(const std::string& text) {
    std::size_t i = 0;
    while (i < text.size() && IsBlank(text[i])) ++i;
    bool negative = false;
    if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
    long value = 0;
    while (i < text.size() && std::isdigit(static_cast<unsigned char>(text[i]))) {
        value = std::min(value * 10 + (text[i++] - '0'), 1000000L);
    }
    return static_cast<int>(negative ? -value : value);
}

int AddressLetterCode(const std::string& address) {
    if (address.empty()) return 0;
    return static_cast<unsigned char>(address[0]) - 64;
}

int AddressNumber(const std::string& address) {
    const std::string digits = "00" + (address.size() > 1 ? address.substr(1) : std::string());
    return NumberValue(digits.substr(digits.size() - 2));
}

int StartNumber(const std::string& address) {
    return address.size() > 1 ? NumberValue(address.substr(1)) : 0;
}

std::string MakeAddress(int letterCode, int number) {
    char digits[16];
    std::snprintf(digits, sizeof digits, "%02d", number);
    return std::string(1, static_cast<char>(64 + letterCode)) + digits;
}

std::optional<ProgramItemRecord> BuildItemRecord(int kind, const std::string& address,
                                                 const ItemTexts& texts) {
    const int letter = AddressLetterCode(address);
    const int number = AddressNumber(address);
    if (letter < 1 || letter > 26 || number > kMaxItemNumber) return std::nullopt;

    const bool name = !texts.name.empty();
    const bool data = !texts.data.empty();
    const bool aux = !texts.auxiliary.empty();
    int itemType = 0;
    if (name && data && aux) {
        itemType = 3;
    } else if (name && data) {
        itemType = 2;
    } else if (!name && data && !aux) {
        itemType = 1;
    }

    ProgramItemRecord record{};
    record[0] = static_cast<std::uint8_t>(kind + 64 * itemType);
    record[1] = static_cast<std::uint8_t>(letter);
    record[2] = static_cast<std::uint8_t>(number);
    record[3] = 0;
    const std::string text =
        PackedText(texts.name) + PackedText(texts.data) + PackedText(texts.auxiliary);
    std::copy(text.begin(), text.end(), record.begin() + 4);
    return record;
}

namespace {

struct TextSpans {
    std::size_t nameLength;
    std::size_t dataLength;
    std::size_t total;
};

TextSpans Spans(const ProgramItemRecord& record) {
    const int itemType = record[0] >> 6;
    const int nameCode = record[1] >> 6;
    const int dataCode = record[2] >> 6;
    std::size_t n = nameCode == 0 ? 8 : nameCode == 1 ? 12 : 0;
    const std::size_t d = dataCode == 0 ? 8 : dataCode == 2 ? 16 : 0;
    if (itemType < 2) n = 0;
    switch (itemType) {
        case 1:
            return {0, d, d};
        case 2:
            return {n, d, n + d};
        case 3:
            return {n, d, n + d + 8};
        default:
            return {0, 0, 0};
    }
}

}  // namespace

std::string RecordDataText(const ProgramItemRecord& record) {
    const TextSpans s = Spans(record);
    if (s.dataLength == 0) return {};
    return std::string(record.begin() + 4 + s.nameLength,
                       record.begin() + 4 + s.nameLength + s.dataLength);
}

std::string RecordNameText(const ProgramItemRecord& record) {
    const TextSpans s = Spans(record);
    return std::string(record.begin() + 4, record.begin() + 4 + s.nameLength);
}

bool IsOperatorChar(char c) {
    const auto u = static_cast<unsigned char>(c);
    return std::isdigit(u) || (u >= 'A' && u <= 'Z') || (u >= 'a' && u <= 'z') ||
           (u >= 32 && u <= 47);
}

bool IsOperatorText(const std::string& text) {
    return std::all_of(text.begin(), text.end(), IsOperatorChar);
}

std::string WidenOperand(const std::string& op, const std::string& modelCode) {
    if (modelCode != kNewProgramModel) return op;
    for (const char* mnemonic : {"LDC", "GO", "GIF", "LDH"}) {
        const std::string m = mnemonic;
        if (op.size() == m.size() + 1 && op.compare(0, m.size(), m) == 0 && op.back() >= '1' &&
            op.back() <= '9') {
            return m + "0" + op.back();
        }
    }
    return op;
}

bool IsNumericText(const std::string& text) {
    const std::string t = shell::Trim(text, shell::kSpaceOrTab);
    std::size_t i = 0;
    if (i < t.size() && (t[i] == '+' || t[i] == '-')) ++i;
    bool digit = false;
    bool point = false;
    for (; i < t.size(); ++i) {
        if (std::isdigit(static_cast<unsigned char>(t[i]))) {
            digit = true;
        } else if (t[i] == '.' && !point) {
            point = true;
        } else {
            return false;
        }
    }
    return digit;
}

std::string SignedConstText(const std::string& numericText) {
    const double value =
        IsNumericText(numericText)
            ? std::strtod(shell::Trim(numericText, shell::kSpaceOrTab).c_str(), nullptr)
            : 0.0;
    char formatted[64];
    std::snprintf(formatted, sizeof formatted, "%.8f", std::fabs(value));
    std::string text = std::string(value < 0 ? "-" : "+") + formatted;
    // A value that rounds to zero is zero, and zero carries "+".
    if (text.find_first_of("123456789") == std::string::npos) text[0] = '+';
    return text.substr(0, 8);
}

bool IsValidConstValue(const std::string& text) {
    if (!IsNumericText(text)) return false;
    const std::string t = shell::Trim(text, shell::kSpaceOrTab);
    const auto point = t.find('.');
    if (point != std::string::npos && t.size() - point - 1 > 5) return false;
    const double value = std::strtod(t.c_str(), nullptr);
    return value >= -32000.0 && value <= 32000.0;
}

std::string ConstDisplayText(const std::string& stored) {
    std::string text = shell::Trim(stored, shell::kSpaceOrTab);
    std::string sign;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (text[0] == '-') sign = "-";
        text.erase(0, 1);
    }
    std::size_t zeros = 0;
    while (zeros + 1 < text.size() && text[zeros] == '0' && text[zeros + 1] != '.') ++zeros;
    return sign + text.substr(zeros);
}

std::string OperatorTableFileName(const std::string& suffix) {
    return "OPE_TBL" + suffix + ".ini";
}

bool LoadOperatorTable(shell::ConfigTables& config, const std::string& suffix) {
    return config.LoadOperators(OperatorTableFileName(suffix));
}

NewProgramResult CreateNewProgram(const CategoryTable& table, ProgramState& state) {
    const CategoryLookup found = FindCategoryEntry(table, kNewProgramModel);
    if (found.programStart.empty()) return NewProgramResult::kNotRegistered;
    if (!AreasFitItemRecords(found)) return NewProgramResult::kAreaTooLarge;

    ProgramHeader header;
    header.modelCode = kNewProgramModel;
    header.slotNumber = 0;
    header.programAreaLetter = AddressLetterCode(found.programStart);
    header.stepCount = std::max(NumberValue(found.stepCount), 0);
    header.constAreaLetter = AddressLetterCode(found.constStart);
    header.constCount = std::max(NumberValue(found.constCount), 0);
    header.stepComments.assign(static_cast<std::size_t>(header.stepCount),
                               std::string(kCommentLength, ' '));

    std::vector<ProgramItemRecord> records;
    records.reserve(static_cast<std::size_t>(header.stepCount + header.constCount));
    static const char* const kTemplate[] = {"LDX1", "STY1", "END"};
    for (int i = 1; i <= header.stepCount; ++i) {
        const std::string op = i <= 3 ? kTemplate[i - 1] : "NOP";
        auto record = BuildItemRecord(kKindProgramStep, MakeAddress(header.programAreaLetter, i),
                                      {std::string(8, ' '), op, std::string(8, ' ')});
        if (!record) return NewProgramResult::kAreaTooLarge;
        records.push_back(*record);
    }
    for (int i = 1; i <= header.constCount; ++i) {
        auto record = BuildItemRecord(kKindConstItem, MakeAddress(header.constAreaLetter, i),
                                      {std::string(8, ' '), "+0.00000", {}});
        if (!record) return NewProgramResult::kAreaTooLarge;
        records.push_back(*record);
    }
    state.header = std::move(header);
    state.records = std::move(records);
    return NewProgramResult::kCreated;
}

}  // namespace rq50::program
