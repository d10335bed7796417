#include "files/InstrumentList.h"

#include "files/BinaryRecord.h"
#include "files/FileError.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"

#include <array>
#include <cctype>

namespace rq50::files {

namespace {

constexpr std::string_view kBom = "\xEF\xBB\xBF";

/// True when `text` is well-formed UTF-8 (no overlong forms, no surrogates).
bool IsUtf8(std::string_view text) {
    for (std::size_t i = 0; i < text.size();) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80           ? 1
                             : (c >> 5) == 0x6  ? 2
                             : (c >> 4) == 0xE  ? 3
                             : (c >> 3) == 0x1E ? 4
                                                : 0;
        if (length == 0 || (length == 2 && c < 0xC2) || i + length > text.size()) return false;
        for (std::size_t k = 1; k < length; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
        }
        if (length == 3) {
            const auto c1 = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xE0 && c1 < 0xA0) || (c == 0xED && c1 >= 0xA0)) return false;
        }
        if (length == 4) {
            const auto c1 = static_cast<unsigned char>(text[i + 1]);
            if ((c == 0xF0 && c1 < 0x90) || c > 0xF4 || (c == 0xF4 && c1 >= 0x90)) return false;
        }
        i += length;
    }
    return true;
}

/// The separator the header line holds most of, outside quotes; "," on a tie.
char DetectSeparator(std::string_view text) {
    std::array<int, 3> counts{};
    constexpr std::array<char, 3> kSeparators{',', ';', '\t'};
    bool quoted = false;
    for (char c : text) {
        if (c == '"') quoted = !quoted;
        if (!quoted && (c == '\n' || c == '\r')) break;
        if (quoted) continue;
        for (std::size_t k = 0; k < kSeparators.size(); ++k) {
            if (c == kSeparators[k]) ++counts[k];
        }
    }
    std::size_t best = 0;
    for (std::size_t k = 1; k < counts.size(); ++k) {
        if (counts[k] > counts[best]) best = k;
    }
    return kSeparators[best];
}

/// The text of a cell written by the spreadsheet guard, without the guard.
std::string Unguarded(std::string cell) {
    if (cell.size() >= 2 && cell[0] == '\'' &&
        std::string_view("=+-@\t\r").find(cell[1]) != std::string_view::npos) {
        cell.erase(0, 1);
    }
    return cell;
}

bool IsBlank(const ListRow& row) {
    for (const auto& cell : row.cells) {
        if (cell.find_first_not_of(" \t") != std::string::npos) return false;
    }
    return true;
}

}  // namespace

InstrumentListTable ParseInstrumentList(std::string_view bytes) {
    InstrumentListTable table;
    std::string text;
    if (bytes.substr(0, kBom.size()) == kBom) {
        table.encoding = ListEncoding::kUtf8Bom;
        text = Utf8ToSingleByte(bytes.substr(kBom.size()));
    } else if (IsUtf8(bytes)) {
        text = Utf8ToSingleByte(bytes);
    } else {
        table.encoding = ListEncoding::kSingleByte;
        text = std::string(bytes);
    }
    table.separator = DetectSeparator(text);

    std::vector<ListRow> records;
    ListRow row{1, {}};
    std::string cell;
    bool quoted = false;
    bool wasQuoted = false;
    int line = 1;
    auto endCell = [&] {
        row.cells.push_back(Unguarded(std::move(cell)));
        cell.clear();
        wasQuoted = false;
    };
    auto endRecord = [&] {
        endCell();
        if (!IsBlank(row)) records.push_back(std::move(row));
        row = ListRow{line, {}};
    };
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (quoted) {
            if (c == '"' && i + 1 < text.size() && text[i + 1] == '"') {
                cell += '"';
                ++i;
            } else if (c == '"') {
                quoted = false;
            } else {
                // A line break inside a cell is kept as CR LF, as the files hold it.
                if (c == '\n') {
                    ++line;
                    if (cell.empty() || cell.back() != '\r') cell += '\r';
                }
                cell += c;
            }
            continue;
        }
        if (c == '"' && !wasQuoted && cell.find_first_not_of(' ') == std::string::npos) {
            cell.clear();
            quoted = wasQuoted = true;
        } else if (c == table.separator) {
            endCell();
        } else if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            continue;
        } else if (c == '\n' || c == '\r') {
            ++line;
            endRecord();
        } else {
            cell += c;
        }
    }
    if (!cell.empty() || !row.cells.empty()) endRecord();
    if (!records.empty()) {
        table.header = std::move(records.front());
        table.rows.assign(std::make_move_iterator(records.begin() + 1),
                          std::make_move_iterator(records.end()));
    }
    return table;
}

FileError ReadInstrumentList(const std::string& path, InstrumentListTable& out) {
    Bytes bytes;
    if (const auto error = ReadWholeFile(path, bytes); error != FileError::Ok) return error;
    out = ParseInstrumentList(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    return FileError::Ok;
}

std::string ListValue(const std::string& cell, char separator) {
    if (separator != ';') return cell;
    const auto comma = cell.find(',');
    if (comma == std::string::npos || cell.find(',', comma + 1) != std::string::npos) return cell;
    std::string value = cell;
    value[comma] = '.';
    // Only a number takes the point: "1,5V" stays as written.
    const auto start = value.find_first_not_of(" +-");
    if (start == std::string::npos) return cell;
    for (std::size_t i = start; i < value.size(); ++i) {
        const auto c = static_cast<unsigned char>(value[i]);
        if (!std::isdigit(c) && c != '.' && c != ' ') return cell;
    }
    return value;
}

}  // namespace rq50::files
