#pragma once

// The instrument list (instrument index) of a plant as a spreadsheet saves
// it: one row per tag with its model, slot, information texts and the values
// of the items to set. This is the reading of the file only; the check against
// the templates is files/InstrumentCheck.h.

#include <string>
#include <string_view>
#include <vector>

#include "files/FileError.h"

namespace rq50::files {

/// How the list's bytes were written.
enum class ListEncoding { kUtf8, kUtf8Bom, kSingleByte };

/// One record of the list: its cells (single-byte texts, as the parameter
/// files hold them) and the line of the file it starts on (1-based).
struct ListRow {
    int line = 0;
    std::vector<std::string> cells;
};

/// A list as read: the header row and the rows below it. Blank lines are
/// skipped; a quoted cell may hold separators, doubled quotes and line breaks.
/// A cell that the spreadsheet guard of the CSV writers wrote with a leading
/// "'" ("'-ABC", "'=X") is read without it.
struct InstrumentListTable {
    ListEncoding encoding = ListEncoding::kUtf8;
    char separator = ',';
    ListRow header;
    std::vector<ListRow> rows;
};

/// Reads the bytes of a list: a UTF-8 byte order mark is dropped; bytes that
/// are not valid UTF-8 are taken as single-byte text; the separator is the
/// one of ",", ";" and tab that the header line holds most of (outside quotes);
/// CR LF and LF both end a record.
InstrumentListTable ParseInstrumentList(std::string_view bytes);

/// Reads the list file at `path`. Returns 0 or a FileError.
FileError ReadInstrumentList(const std::string& path, InstrumentListTable& out);

/// A cell as an item's value: with ";" as separator a decimal comma ("-12,5")
/// reads as a decimal point, as a European spreadsheet writes numbers.
std::string ListValue(const std::string& cell, char separator);

}  // namespace rq50::files
