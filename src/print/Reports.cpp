#include "print/Reports.h"

#include "comm/jobs/DownloadStop.h"
#include "files/Categories.h"
#include "files/OleDate.h"
#include "files/ParameterTable.h"
#include "files/SingleByteText.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <array>
#include <optional>

namespace rq50::print {

namespace {
constexpr std::array<int, 4> kCategoryTitles = {2321, 2341, 2361, 2381};

// Width of the label column of the information and page-header blocks.
constexpr int kLabelColumn = 3000;

std::string Text(int number) {
    return shell::Catalogue(number);
}

std::string Bracketed(const std::string& label) {
    return " [ " + shell::TrimRight(label) + " ] ";
}

// A plain two-column table over the whole body: labels and their values.
void WriteLabelledLines(PrintControl& control, const std::vector<TableRow>& rows) {
    const int valueWidth = std::max(control.BodyRight() - control.BodyLeft() - kLabelColumn, 1);
    const std::string format = std::to_string(kLabelColumn) + "|" + std::to_string(valueWidth);
    TableStyle style;
    style.ruled = false;
    control.AddTable(format, {}, rows, style);
}

// Runs one report: page set-up, the document, and the new-page handler that
// writes the block at the top of each page.
template <typename Body>
bool RunReport(PrintControl& control, const ReportSetup& setup, std::function<void()> pageHeader,
               Body body) {
    SetUpReportPage(control, setup);
    control.SetNewPageHandler(std::move(pageHeader));
    if (!control.StartDoc()) {
        control.SetNewPageHandler({});
        return false;
    }
    body();
    const bool done = control.EndDoc();
    control.SetNewPageHandler({});
    return done;
}

}  // namespace

bool& AreaFlag(PrintAreas& areas, PrintArea area) {
    switch (area) {
        case PrintArea::Information:
            return areas.information;
        case PrintArea::Display:
            return areas.display;
        case PrintArea::Set:
            return areas.set;
        case PrintArea::Adjust:
            return areas.adjust;
        case PrintArea::Maint:
            return areas.maint;
        case PrintArea::Program:
            return areas.program;
        case PrintArea::Const:
            break;
    }
    return areas.constants;
}

bool AreaFlag(const PrintAreas& areas, PrintArea area) {
    return AreaFlag(const_cast<PrintAreas&>(areas), area);
}

void SetUpReportPage(PrintControl& control, const ReportSetup& setup) {
    control.SetMargins(kReportMargins);
    control.SetPageFormat(setup.page);
    control.SetFont(Text(kTextPrintFontName), kReportFontPoints);
    control.SetFooter("|%d|");
    // The day only: the first part of the general date-and-time form.
    const std::string day = files::FormatGeneralDate(setup.date).substr(0, 10);
    control.SetHeader("||" + Text(kTextHeaderDate) + " : " + day);
}

void WriteInformationBlock(PrintControl& control, const files::InformationRecord& r) {
    control.SetBold(true);
    control.Paragraph(Text(kTextInformationArea));
    control.SetBold(false);
    const auto fields = files::InformationLines(r);
    std::vector<TableRow> lines;
    for (const std::size_t i : files::kPrintedInformationOrder)
        lines.push_back({Bracketed(fields[i].label), fields[i].value});
    WriteLabelledLines(control, lines);
    control.Space(control.LineHeight());
}

void WritePageHeaderBlock(PrintControl& control, const files::InformationRecord& r) {
    WriteLabelledLines(control, {
                                    {Text(kTextFileName), shell::TrimRight(r.fileName)},
                                    {Text(kTextCreatedBy), shell::TrimRight(r.createdBy)},
                                    {Text(kTextInstrumentNo), shell::TrimRight(r.instrumentNo)},
                                });
    control.Space(control.LineHeight() / 4);
    control.Rule();
    control.Space(control.LineHeight() / 2);
}

bool PrintParameterReport(PrintControl& control, const files::ParameterFileRecord& record,
                          const PrintAreas& areas, bool maintMode, const ReportSetup& setup) {
    const std::array<bool, 4> selected = {areas.display, areas.set, areas.adjust,
                                          areas.maint && maintMode};
    const bool anyTable = std::find(selected.begin(), selected.end(), true) != selected.end();
    std::function<void()> pageHeader;
    if (anyTable) pageHeader = [&] { WritePageHeaderBlock(control, record.information); };

    return RunReport(control, setup, pageHeader, [&] {
        if (areas.information) WriteInformationBlock(control, record.information);
        const auto ranges = files::CategoryRanges(record.header, record.items);
        for (std::size_t c = 0; c < ranges.size(); ++c) {
            if (!selected[c] || !ranges[c] || ranges[c]->Empty()) continue;
            TableStyle style;
            style.title = Text(kCategoryTitles[c]);
            const auto table = files::ParameterTable(record, ranges[c]->first, ranges[c]->end);
            control.AddTable(files::PrinterFormat(table), files::Headings(table),
                             files::ShownRows(table), style);
            control.Space(control.LineHeight());
        }
    });
}

bool PrintProgramReport(PrintControl& control, const files::ProgramFileRecord& record,
                        const PrintAreas& areas, const ReportSetup& setup) {
    const auto& h = record.header;
    std::function<void()> pageHeader;
    if (areas.program || areas.constants) {
        pageHeader = [&] { WritePageHeaderBlock(control, record.information); };
    }
    return RunReport(control, setup, pageHeader, [&] {
        if (areas.information) WriteInformationBlock(control, record.information);
        // Steps first, then CONST items, as far as the records go.
        const std::size_t available = record.items.size();
        const std::size_t steps =
            std::min<std::size_t>(static_cast<std::size_t>(std::max(h.stepCount, 0)), available);
        const std::size_t consts = std::min<std::size_t>(
            static_cast<std::size_t>(std::max(h.constCount, 0)), available - steps);
        if (areas.program) {
            std::vector<TableRow> rows;
            for (std::size_t i = 0; i < steps; ++i) {
                const auto item = parameter::DecodeItem(record.items[i], false);
                const std::string comment =
                    i < h.stepComments.size() ? shell::Trim(h.stepComments[i]) : std::string();
                rows.push_back(
                    {files::ProgramItemAddress(h.programAreaLetter, h.programStartNumber, i),
                     shell::Trim(item.data), comment});
            }
            TableStyle style;
            style.title = Text(kTextProgramArea);
            control.AddTable(kProgramTableFormat,
                             {Text(kTextAddress), Text(kTextProgramArea), Text(kTextCommentArea)},
                             rows, style);
            control.Space(control.LineHeight());
        }
        if (areas.constants) {
            std::vector<TableRow> rows;
            for (std::size_t i = 0; i < consts; ++i) {
                const auto item = parameter::DecodeItem(record.items[steps + i], false);
                rows.push_back({files::ProgramItemAddress(h.constAreaLetter, h.constStartNumber, i),
                                program::ConstDisplayText(item.data)});
            }
            TableStyle style;
            style.title = Text(kTextConstArea);
            control.AddTable(kProgramTableFormat, {Text(kTextAddress), Text(kTextConstArea)}, rows,
                             style);
        }
    });
}

files::ReportTable CheckListTable(const std::vector<comm::jobs::DownloadCheckEntry>& entries,
                                  bool compares) {
    files::ReportTable table;
    table.columns = {
        {Text(kTextAddress), 1000, files::ColumnAlign::Left, 8, "address"},
        {Text(kTextDisplay), 2000, files::ColumnAlign::Left, 14, "name"},
        {Text(compares ? kTextFileValue : kTextSendData), 3000, files::ColumnAlign::Left, 20,
         "sent"},
        {Text(compares ? kTextTavroValue : kTextSetData), 3000, files::ColumnAlign::Left, 0, "set"},
    };
    table.rows.reserve(entries.size());
    for (const auto& e : entries) {
        // An item without a read-back value says why in place of the value.
        std::optional<std::string> why;
        if (e.reason != comm::jobs::CheckReason::ReadBackDiffers) {
            why = comm::jobs::CheckEntrySetText(e);
        }
        table.rows.push_back(files::ReportRow({{parameter::FormatAddress(e.ma, e.mb)},
                                               {e.sentName},
                                               {e.sentData, e.sentAux},
                                               {e.setData, e.setAux, why}}));
    }
    return table;
}

bool PrintDownloadCheckList(PrintControl& control,
                            const std::vector<comm::jobs::DownloadCheckEntry>& entries,
                            const files::InformationRecord& record, const ReportSetup& setup,
                            bool compares) {
    auto pageHeader = [&] {
        control.SetBold(true);
        control.Paragraph(Text(compares ? kTextCompareWithTavro : kTextCheckListCaption));
        control.SetBold(false);
        WriteLabelledLines(control,
                           {{Text(kTextFileName), shell::TrimRight(record.fileName)},
                            {Text(kTextInstrumentNo), shell::TrimRight(record.instrumentNo)}});
        control.Space(control.LineHeight() / 4);
        control.Rule();
        control.Space(control.LineHeight() / 2);
    };
    return RunReport(control, setup, pageHeader, [&] {
        const auto table = CheckListTable(entries, compares);
        control.AddTable(files::PrinterFormat(table), files::Headings(table),
                         files::ShownRows(table));
    });
}

bool PrintErrorList(PrintControl& control, const std::vector<program::ErrorLine>& lines,
                    const files::InformationRecord& record, const ReportSetup& setup) {
    auto pageHeader = [&] { WritePageHeaderBlock(control, record); };
    return RunReport(control, setup, pageHeader, [&] {
        std::vector<TableRow> rows;
        rows.reserve(lines.size());
        for (const auto& line : lines) {
            rows.push_back(
                {shell::Trim(line.step), shell::Trim(line.program), shell::Trim(line.content)});
        }
        TableStyle style;
        style.title = Text(kTextErrorListCaption);
        control.AddTable(kErrorListTableFormat,
                         {Text(kTextErrorStep), Text(kTextErrorProgram), Text(kTextErrorContent)},
                         rows, style);
    });
}

bool PrintTables(PrintControl& control, const std::string& title,
                 const std::vector<ReportTable>& tables, const ReportSetup& setup) {
    auto pageHeader = [&] {
        control.SetBold(true);
        control.Paragraph(title);
        control.SetBold(false);
        control.Space(control.LineHeight() / 4);
        control.Rule();
        control.Space(control.LineHeight() / 2);
    };
    return RunReport(control, setup, pageHeader, [&] {
        for (const auto& table : tables) {
            TableStyle style;
            style.title = table.title;
            control.AddTable(table.format, table.heading, table.rows, style);
            control.Space(control.LineHeight());
        }
    });
}

}  // namespace rq50::print
