#pragma once

// Rules of the parameter and program transfers that need no line: which item
// a download writes next, how a read-back is judged, which program model fits
// which instrument, and the fixed texts written to the instrument.

#include "comm/CommErrors.h"
#include "files/CheckList.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace rq50::comm::jobs {

using parameter::SameModel;

/// The 8 data bytes that select slot `slot` of a rack interface: six blanks
/// and the slot as two digits.
std::string SlotWriteText(int slot);

/// OK of the SLOT No. dialog: the slot when the text is a whole number from 1
/// to 16, else nothing ("Illegal value entered.").
std::optional<int> ParseSlotEntry(std::string_view text);

/// The access code that opens the custom-type byte of V3 models.
std::string AccessCode();

/// The custom-type byte from the last two characters of a data text read as
/// hexadecimal; 0 when they are not a hexadecimal number.
std::uint8_t CustomTypeFromData(std::string_view data);

/// A download may go on when bits 7 and 1 of both custom-type bytes agree.
bool CustomTypesCompatible(std::uint8_t instrument, std::uint8_t dataSet);

/// 100 divided by `count`, to the nearest integer with halves going to the
/// even neighbour; 0 when there is nothing to count.
int ProgressIncrement(int count);

/// One item a download writes: where it sits in its array and what goes out.
struct WriteItem {
    std::size_t index = 0;
    int ma = 0;
    int mb = 0;
    int mc = 0;
    int kind = 0;
    std::string sendData;  ///< the bytes of the write; empty for a selection item
};

/// The next SET item of `dataSet` at or after `from`: SET start <= MA <
/// ADJUST start, data kind neither 0 nor 6. A selection item (kind 4) carries
/// its choice in MC and no data; every other kind its data text.
std::optional<WriteItem> NextDownloadItem(const parameter::ItemArray& dataSet, std::size_t from,
                                          int setStart, int adjustStart);
/// How many items NextDownloadItem selects over the whole data set.
int CountDownloadItems(const parameter::ItemArray& dataSet, int setStart, int adjustStart);

/// The category starts (MA) a data set's header gives.
struct CategoryStarts {
    int display = 0;
    int set = 0;
    int adjust = 0;
    int maint = 0;
};

/// Why `dataSet` cannot be downloaded, as a catalogue text number, or 0 when
/// it can. The header must fit its items: every start an MA (0 to 63), a SET
/// category that begins (MA 1 or more) before ADJUST and whose first group is
/// in the data set; and at least one item must be written. A file whose header
/// holds other values would otherwise "complete" without writing anything, or
/// write items of another category.
int DownloadRefusal(const parameter::ItemArray& dataSet, const CategoryStarts& starts);

using files::CheckReason;
using files::DownloadCheckEntry;

/// Compares the instrument's answer to a write with the item that was sent:
/// the choice code for kind 4, the numeric values for kinds 2 and 5 and the
/// data bytes otherwise. Returns the check entry when they differ.
std::optional<DownloadCheckEntry> VerifyWrite(const parameter::ItemBlock& sent, std::size_t index,
                                              const parameter::DecodedItem& response,
                                              std::size_t sendCount);

/// True when the data set holds an item at (ma, mb) with choice code `mc`.
bool DataSetHoldsChoice(const parameter::ItemArray& dataSet, int ma, int mb, int mc);

// ---- PROGRAM and CONST ------------------------------------------------------

struct AreaAddress {
    int ma = 0;
    int mb = 0;
    int mc = 0;
    bool operator==(const AreaAddress&) const = default;
};

/// "A05" gives MA 1, MB 5; a letter below "A" gives MA 0.
AreaAddress ParseAreaAddress(std::string_view text);

/// What the category table says of a program model.
struct CategoryAreas {
    bool found = false;
    std::string steps;         ///< PROGRAM step count
    std::string programStart;  ///< PROGRAM start address text
    std::string constants;     ///< CONST count
    std::string constStart;    ///< CONST start address text
};

/// Where a program's areas start and how long they are.
struct ProgramAreas {
    AreaAddress program;
    AreaAddress constant;
    int steps = 0;
    int constants = 0;
};

/// The areas from a category-table row.
ProgramAreas AreasFromCategory(const CategoryAreas& row);

/// Download compatibility of the instrument (its trimmed model text) with the
/// program. Instruments "KP*" and "LW*" take only their own model, which the
/// category table must know; every other instrument model must match the
/// program model used as a wildcard pattern. The areas come from the table
/// when it knows the model, else from the program header (`headerAreas`).
/// nullopt when the program does not fit.
std::optional<ProgramAreas> CheckProgramModel(std::string_view instrumentModel,
                                              std::string_view programModel,
                                              const CategoryAreas& instrumentRow,
                                              const ProgramAreas& headerAreas);

/// Refused areas of a program download, named by the error that reports
/// each: a job's outcome and the download's message take them as they are.
inline constexpr CommErrorCode kRefusedNone = CommErrorCode::None;
inline constexpr CommErrorCode kRefusedProgram = CommErrorCode::ProgramRefused;
inline constexpr CommErrorCode kRefusedConst = CommErrorCode::ConstRefused;

/// The next program record at or after `from` whose name is not that of a
/// refused area and whose data kind is neither 0 nor 6.
std::optional<WriteItem> NextProgramItem(const parameter::ItemArray& records, std::size_t from,
                                         CommErrorCode refusedArea);
/// How many records NextProgramItem selects with no area refused.
int CountProgramDownloadItems(const parameter::ItemArray& records);

// ---- device settings --------------------------------------------------------

/// The baud-rate write: a blank, the prefix, ".", the two-digit code, cut to
/// 8 characters.
std::string BaudRateText(std::string_view prefix, std::string_view code);

}  // namespace rq50::comm::jobs
