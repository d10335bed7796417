#pragma once

#include "parameter/ItemBlock.h"
#include "shell/ConfigTables.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rq50::program {

/// One row of Category.ini: eight text columns, `columns[0]` being column 1.
/// The program side reads column 1 (model code, or a prefix pattern ending in
/// "*"), 2 (PROGRAM step count), 3 (PROGRAM start address: area letter and
/// first step number), 4 (CONST count), 5 (CONST start address) and 7 (the
/// operator-table suffix: "OPE_TBL" + suffix + ".ini").
struct CategoryEntry {
    std::array<std::string, 8> columns;

    /// Column `n`, counted from 1 as in the file's description.
    const std::string& Column(int n) const { return columns.at(static_cast<std::size_t>(n - 1)); }
};

/// The category table: the data rows of Category.ini in file order.
using CategoryTable = std::vector<CategoryEntry>;

/// Length of one step comment, padded with spaces.
inline constexpr std::size_t kCommentLength = 25;

/// The program being edited (and, as a second copy, the one the command check
/// and the program file work on).
struct ProgramHeader {
    /// Model code of the program, trimmed ("RQK2" for a new program).
    std::string modelCode;
    /// Slot number the program belongs to: 0 for a new program; the editor's
    /// write-back takes the slot last confirmed for communication. Stored and
    /// copied, not interpreted.
    std::int32_t slotNumber = 0;
    /// Letter code of the PROGRAM area: character code of the letter minus 64
    /// ("A" = 1 ... "Z" = 26).
    std::int32_t programAreaLetter = 0;
    /// Number of the first step (filled by upload and file read; the template
    /// leaves it 0).
    std::int32_t programStartNumber = 0;
    /// Letter code of the CONST area, same coding.
    std::int32_t constAreaLetter = 0;
    /// Number of the first CONST item.
    std::int32_t constStartNumber = 0;
    /// Number of PROGRAM steps; 0 means the program has no PROGRAM table.
    std::int32_t stepCount = 0;
    /// Number of CONST items; 0 means the program has no CONST table.
    std::int32_t constCount = 0;
    /// One comment per step (index 0 .. stepCount - 1), each exactly
    /// kCommentLength characters, padded with spaces.
    std::vector<std::string> stepComments;
};

/// One PROGRAM step or CONST item, packed in the 40-byte layout of the
/// instrument's item block: byte 0 item type / status / data kind, byte 1 area
/// letter code, byte 2 item number, byte 3 zero, bytes 4..27 name, data and
/// auxiliary texts (8 characters each), bytes 28..39 zero.
using ProgramItemRecord = parameter::ItemBlock;

/// Data kinds the program side packs.
inline constexpr int kKindProgramStep = 1;
inline constexpr int kKindConstItem = 5;

/// One row of an operator table file ("OPE_TBL" + suffix + ".ini").
using OperatorEntry = shell::OperatorRow;

/// Where the program in memory came from.
enum class ProgramSource : std::int16_t {
    New = 0,
    Upload = 1,
    File = 2,
};

/// The program of a workspace, shared by the editor, the PROGRAM/CONST
/// transfer and the program file.
struct ProgramState {
    /// The program being edited.
    ProgramHeader header;
    /// Second copy of the header, for the command check and the program file.
    ProgramHeader headerCopy;
    /// PROGRAM steps first (index 0 .. stepCount - 1, in step order), then CONST
    /// items (stepCount .. stepCount + constCount - 1).
    std::vector<ProgramItemRecord> records;
    /// New, uploaded or read from a file; the editor fills its grids from it.
    ProgramSource source = ProgramSource::New;
    /// Set when a new program is created or an upload starts.
    bool dataPresent = false;
    /// Set by the editor at load and at every change; cleared by a save.
    bool modified = false;
    /// The file the program was read from or last saved to (its title);
    /// empty for a new or uploaded program.
    std::string fileName;
    /// The records as read, uploaded or saved: any edit since shows as a
    /// difference from them.
    std::vector<ProgramItemRecord> sourceRecords;
};

}  // namespace rq50::program
