#pragma once

#include "comm/jobs/TransferRules.h"
#include "files/Csv.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/ReportTable.h"
#include "print/PrintControl.h"
#include "program/CommandCheck.h"

#include <functional>
#include <vector>

namespace rq50::print {

/// The print dialog's check boxes, by index.
enum class PrintArea : int {
    Information = 0,
    Display = 1,
    Set = 2,
    Adjust = 3,
    Maint = 4,
    Program = 5,
    Const = 6,
};
inline constexpr int kAreaCount = 7;
/// The areas in the dialog's order.
inline constexpr PrintArea kPrintAreas[kAreaCount] = {
    PrintArea::Information, PrintArea::Display, PrintArea::Set,  PrintArea::Adjust,
    PrintArea::Maint,       PrintArea::Program, PrintArea::Const};
/// The area's position in the selection's arrays.
constexpr std::size_t Index(PrintArea area) { return static_cast<std::size_t>(area); }

/// The selected print areas. The same selection makes the CSV report.
using PrintAreas = files::CsvAreas;

/// The flag of check box `area` (PrintArea::Information .. PrintArea::Const).
bool& AreaFlag(PrintAreas& areas, PrintArea area);
bool AreaFlag(const PrintAreas& areas, PrintArea area);

/// Layout of every report: margins, font, and the page footer and header.
inline constexpr Margins kReportMargins{1087, 1300, 1087, 640};
inline constexpr double kReportFontPoints = 12.0;
/// Column formats of the tables.
inline constexpr const char* kProgramTableFormat = "2000|2000|4000|1000";
inline constexpr const char* kErrorListTableFormat = "1200|2000|6000";

/// What the reports take from outside: the paper of the printer (or of the
/// PDF) and the date printed in the page header.
struct ReportSetup {
    PageFormat page;
    double date = 0.0;  ///< OLE Automation date; the header shows its day
};

/// Page set-up shared by every report: margins, font "MS Sans Serif" 12
/// point, the date at the right of the page header, the page number in the
/// middle of the footer.
void SetUpReportPage(PrintControl& control, const ReportSetup& setup);

/// The information record: "Created by:", "Date:", "File Name:",
/// "Instrument No.", then the two titles and the comment under their captions.
void WriteInformationBlock(PrintControl& control, const files::InformationRecord& record);

/// The lines at the top of every page: file name, creator and instrument
/// number of the record.
void WritePageHeaderBlock(PrintControl& control, const files::InformationRecord& record);

/// The parameter report of `record`: the information block when selected,
/// then DISPLAY, SET, ADJUST and MAINT (MAINT only in MAINT Mode), each
/// selected category as a bold title and a table of address, name, data and
/// auxiliary text. Every page of a report with tables starts with the page
/// header block. Returns false when the document could not be produced.
bool PrintParameterReport(PrintControl& control, const files::ParameterFileRecord& record,
                          const PrintAreas& areas, bool maintMode, const ReportSetup& setup);

/// The program report: the information block when selected, the PROGRAM
/// table (address, operator, comment) and the CONST table (address, value).
bool PrintProgramReport(PrintControl& control, const files::ProgramFileRecord& record,
                        const PrintAreas& areas, const ReportSetup& setup);

/// The download check list, one row an item: address, name, the data sent
/// and the data the instrument holds now (or why it holds none). `compares`:
/// the list of Compare with TAVRO, headed so (File / TAVRO).
files::ReportTable CheckListTable(const std::vector<comm::jobs::DownloadCheckEntry>& entries,
                                  bool compares);

/// Prints the download check list under its own page header (the window's
/// title and the data set's file name and instrument number). `compares`:
/// the list of Compare with TAVRO, headed so (File / TAVRO).
bool PrintDownloadCheckList(PrintControl& control,
                            const std::vector<comm::jobs::DownloadCheckEntry>& entries,
                            const files::InformationRecord& record, const ReportSetup& setup,
                            bool compares = false);

/// Prints the command check's error list (STEP, PROGRAM, Error Content) of
/// the program described by `record`.
bool PrintErrorList(PrintControl& control, const std::vector<program::ErrorLine>& lines,
                    const files::InformationRecord& record, const ReportSetup& setup);

/// Draws a report on a print control; false when it could not be made.
using ReportWriter = std::function<bool(PrintControl& control, const ReportSetup& setup)>;

/// A table of a plain report: its bold title, column format, heading row and
/// rows (single-byte texts).
struct ReportTable {
    std::string title;
    std::string format;
    TableRow heading;
    std::vector<TableRow> rows;
};

/// A report of tables, one after the other, each page headed by `title`
/// over a rule (the plant register's history and a record's changes).
bool PrintTables(PrintControl& control, const std::string& title,
                 const std::vector<ReportTable>& tables, const ReportSetup& setup);

}  // namespace rq50::print
