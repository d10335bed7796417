#pragma once

#include "program/ProgramTypes.h"

#include <optional>
#include <string>
#include <vector>
#include "shell/Services.h"

namespace rq50::program {

/// What a model code resolves to in the category table: columns 2 to 5 of the
/// matching row, as text. All four are empty when no row matches.
struct CategoryLookup {
    std::string stepCount;
    std::string programStart;
    std::string constCount;
    std::string constStart;
};

/// Resolves a model code: the longest key wins (an exact key such as "KPA10"
/// before the prefix patterns "KPA*" and "KP*"); keys of equal length keep file
/// order.
CategoryLookup FindCategoryEntry(const CategoryTable& table, const std::string& modelCode);

/// Start addresses of the PROGRAM and CONST areas as the editor numbers its
/// rows: those of the model's category row when it has a PROGRAM area,
/// otherwise the header's area letters and start numbers (letter + number of
/// at least two digits). `registered` tells which.
struct AreaStarts {
    std::string program;
    std::string constants;
    bool registered = false;
};
AreaStarts EditorAreaStarts(const CategoryTable& table, const std::string& modelCode,
                            const ProgramHeader& header);

/// The session's category table (Category.ini of its application folder), as
/// the program side takes it.
CategoryTable LoadedCategoryTable(const shell::ConfigTables& config);

/// The first row in file order whose column 1, used as a wildcard pattern,
/// matches the model text; nullptr when none does.
const CategoryEntry* FindCategoryRowByPattern(const CategoryTable& table,
                                              const std::string& modelText);

/// Highest item number an item record can carry: MB has six bits, and the two
/// bits above it in the same byte are the data-length code.
inline constexpr int kMaxItemNumber = 63;

/// True when both areas of the lookup stay within item number 63. A category
/// row whose areas pass it cannot be packed into item records and is refused
/// wherever it is used.
bool AreasFitItemRecords(const CategoryLookup& lookup);

/// Tells the user that the program's items lie above number 63 (the areas of
/// the model in Category.ini are wrong), with the caller's title.
void ShowAreaTooLargeMessage(const shell::Services& hosts, const std::string& callerTitle);

/// A decimal integer as the program side reads counts and numbers: leading
/// digits after optional blanks, 0 when there are none.
int NumberValue(const std::string& text);

/// Area letter code of an address text: character code of its first
/// character minus 64 (0 for an empty text).
int AddressLetterCode(const std::string& address);

/// Item number of an address text: the last two characters of "00" + the
/// text after the letter, read as a number (so 0 .. 99).
int AddressNumber(const std::string& address);

/// Number part of a start address (its text from the second character on).
int StartNumber(const std::string& address);

/// Area letter + number, the number written with at least two digits.
std::string MakeAddress(int letterCode, int number);

/// The three texts of an item record before padding.
struct ItemTexts {
    std::string name;
    std::string data;
    std::string auxiliary;
};

/// Packs one PROGRAM step or CONST item. nullopt when the address cannot be
/// carried (no letter A-Z, or an item number above 63): such a record would
/// decode as a different item.
std::optional<ProgramItemRecord> BuildItemRecord(int kind, const std::string& address,
                                                 const ItemTexts& texts);

/// Data text of a record (characters 9..16 of its text for the layouts the
/// program side packs), as decoded from the item block, untrimmed.
std::string RecordDataText(const ProgramItemRecord& record);

/// Name text of a record, untrimmed (empty for item types 0 and 1).
std::string RecordNameText(const ProgramItemRecord& record);

/// True for the characters an operator may hold: digits, letters and codes
/// 32 .. 47.
bool IsOperatorChar(char c);
bool IsOperatorText(const std::string& text);

/// For model RQK2: "LDC1".."LDC9", "GO1".."GO9", "GIF1".."GIF9" and
/// "LDH1".."LDH9" get their digit widened to two ("GO5" -> "GO05"); every
/// other operator, and every operator of another model, comes back unchanged.
std::string WidenOperand(const std::string& op, const std::string& modelCode);

/// True when the text reads as a decimal number: optional blanks, an optional
/// sign, digits with at most one decimal point, optional blanks.
bool IsNumericText(const std::string& text);

/// The 8-character stored form of a number: sign ("+" for zero and positive
/// values) and the value with 8 decimals, cut to 8 characters.
std::string SignedConstText(const std::string& numericText);

/// A CONST cell value is valid when numeric, within -32000 .. 32000 and with
/// at most 5 decimals.
bool IsValidConstValue(const std::string& text);

/// The on-screen form of a stored CONST value: without "+" and without
/// leading zeros of the integer part ("+0.00000" -> "0.00000").
std::string ConstDisplayText(const std::string& stored);

/// "OPE_TBL" + suffix + ".ini": the name of a model's operator table file.
std::string OperatorTableFileName(const std::string& suffix);

/// Reads "OPE_TBL" + suffix + ".ini" of the session's application folder into
/// its operator table (`config.operators`), one row a line: line 1 is a
/// heading, lines of blanks are skipped, fields are read as in the other
/// configuration files (a quoted field keeps its commas). False, with the
/// table unchanged, when the file does not exist or cannot be read.
bool LoadOperatorTable(shell::ConfigTables& config, const std::string& suffix);

/// The model every new program is made for.
inline constexpr const char* kNewProgramModel = "RQK2";

/// Result of CreateNewProgram.
enum class NewProgramResult {
    kCreated,
    kNotRegistered,  ///< no RQK2 row with a PROGRAM area
    kAreaTooLarge,   ///< the RQK2 row would pass item number 63
};

/// Builds the template program (LDX1, STY1, END, then NOP; every CONST item
/// "+0.00000") for model RQK2 into `state`. Nothing changes unless created.
NewProgramResult CreateNewProgram(const CategoryTable& table, ProgramState& state);

}  // namespace rq50::program
