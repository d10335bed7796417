#pragma once

#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "program/ProgramTypes.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// The report as lines of text, each written with CR LF.
using CsvLines = std::vector<std::string>;

/// Print areas the report is made of (the print dialog's check boxes).
struct CsvAreas {
    bool information = true;
    bool display = true;
    bool set = true;
    bool adjust = true;
    bool maint = false;
    bool program = true;
    bool constants = true;
};

/// Doubles every double quote; encloses the text in double quotes when it
/// holds a comma, a double quote or a line break, so that every reader sees
/// one field where the text stood. Text a spreadsheet would take for a
/// formula is written as text (shell::SpreadsheetText).
std::string CsvQuote(std::string_view text);

void AppendLine(CsvLines& lines, std::string text);

/// An empty line, `caption`, an empty line and the seven field lines of
/// `record` (label, value).
void AppendInformationLines(CsvLines& lines, const std::string& caption,
                            const InformationRecord& record);

/// The parameter report of `record`. MAINT is reported only when
/// `commandMenuUnlocked` (and its area is selected).
CsvLines BuildParameterCsv(const ParameterFileRecord& record, const CsvAreas& areas,
                           bool commandMenuUnlocked);

/// The program report of `record`: the PROGRAM steps with their comments, then
/// the CONST values, each part when its area is selected. Steps and CONST
/// items are named as the program editor names its rows: from the model's
/// row of `categories` when it has a PROGRAM area, else from the header.
CsvLines BuildProgramCsv(const ProgramFileRecord& record, const CsvAreas& areas,
                         const program::CategoryTable& categories = {});

/// The plain form of a data set, for spreadsheets: one heading row
/// (category, group, address, name, data, auxiliary), then one row per item
/// of every category (MAINT only when `commandMenuUnlocked`), texts in UTF-8
/// and trimmed, numbers without sign padding or leading zeros.
CsvLines BuildPlainParameterCsv(const ParameterFileRecord& record, bool commandMenuUnlocked);

/// The plain form of a program: one heading row (area, address, data,
/// comment), then a row per PROGRAM step and per CONST item.
CsvLines BuildPlainProgramCsv(const ProgramFileRecord& record,
                              const program::CategoryTable& categories = {});

/// A data text as a spreadsheet reads it: trimmed, and where it is a decimal
/// number, without "+" and without leading zeros ("+012.30 " gives "12.30").
std::string PlainValue(std::string_view text);

/// Address text of step (or CONST item) `index` of a program: the area letter
/// followed by the area's start number + index, written as the editor writes
/// it (at least two digits). Any header values give a text, however odd.
std::string ProgramItemAddress(std::int32_t areaLetter, std::int32_t startNumber,
                               std::size_t index);

/// Writes `lines` to `path` (single-byte, CR LF after each line), replacing
/// the file only once every line is written. Returns 0 or a FileError.
FileError WriteCsvLines(const std::string& path, const CsvLines& lines);

/// Writes the report of the current data set (or program, named by the
/// session's category table, ws.config) to `path`. A write
/// error is shown as its description with the title "ErrorNumber = " + number
/// and a critical icon; the result is then false and any earlier file at
/// `path` is left as it was.
/// The file's own report form, or the plain form for spreadsheets.
enum class CsvForm { kReport, kPlain };

bool WriteParameterCsv(files::Workspace& ws, const std::string& path, const CsvAreas& areas,
                       CsvForm form = CsvForm::kReport);
bool WriteProgramCsv(files::Workspace& ws, const std::string& path, const CsvAreas& areas,
                     CsvForm form = CsvForm::kReport);

}  // namespace rq50::files
