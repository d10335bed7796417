#include "files/Csv.h"

#include "files/Categories.h"
#include "files/FileError.h"
#include "files/OleDate.h"
#include "files/ParameterTable.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramModel.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/UntrustedText.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

namespace rq50::files {

namespace {
constexpr std::array<int, 4> kCategoryNames = {2321, 2341, 2361, 2381};

std::string Text(int number) {
    return shell::Catalogue(number);
}

std::string Bracketed(int number) {
    return "[ " + Text(number) + " ] ";
}

void AppendCommonStart(CsvLines& lines, const std::string& model, const CsvAreas& areas,
                       const InformationRecord& information) {
    AppendLine(lines, Text(kTextModel) + "," + CsvQuote(shell::Trim(model)));
    if (areas.information) {
        AppendInformationLines(lines, Text(kTextInformationArea), information);
    }
}

void AppendAreaTitle(CsvLines& lines, const std::string& name) {
    AppendLine(lines, "");
    AppendLine(lines, "");
    AppendLine(lines, "=== " + name + " ===");
    AppendLine(lines, "");
    AppendLine(lines, "");
}

void AppendCategory(CsvLines& lines, const ParameterFileRecord& record, std::size_t first,
                    std::size_t end, int nameText) {
    AppendAreaTitle(lines, Text(nameText));
    // A category that shares its start with a later one keeps its heading.
    if (first >= end) return;
    const auto table = ParameterTable(record, first, end);
    for (std::size_t r = 0; r < table.rows.size(); ++r) {
        const auto& row = table.rows[r];
        if (!row.head) {
            AppendLine(lines, CsvLine(row));
            continue;
        }
        // A group's head names the group above the column headings.
        if (r > 0) AppendLine(lines, "");
        AppendLine(lines, "@ " + row.cells[1].text);
        AppendLine(lines, CsvHeadingLine(table));
    }
}

void ShowWriteError(const shell::Services& hosts, FileError error) {
    if (auto* host = hosts.messages) {
        host->Show({FileErrorDescription(error), Text(kTextErrorNumber) + std::to_string(FileErrorNumber(error)),
                    shell::MsgButtons::Ok, shell::MsgIcon::Critical});
    }
}

}  // namespace

std::string CsvQuote(std::string_view text) {
    std::string out;
    for (char c : shell::SpreadsheetText(text)) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    if (out.find_first_of(",\"\r\n") != std::string::npos) out = "\"" + out + "\"";
    return out;
}

void AppendLine(CsvLines& lines, std::string text) {
    lines.push_back(std::move(text));
}

void AppendInformationLines(CsvLines& lines, const std::string& caption,
                            const InformationRecord& r) {
    AppendLine(lines, "");
    AppendLine(lines, caption);
    AppendLine(lines, "");
    for (const auto& line : InformationLines(r))
        AppendLine(lines, CsvQuote(line.label) + "," + CsvQuote(line.value));
}

CsvLines BuildParameterCsv(const ParameterFileRecord& record, const CsvAreas& areas,
                           bool commandMenuUnlocked) {
    CsvLines lines;
    AppendCommonStart(lines, record.header.model, areas, record.information);
    const std::array<bool, 4> selected = {areas.display, areas.set, areas.adjust, areas.maint};
    const auto ranges = CategoryRanges(record.header, record.items);
    for (std::size_t c = 0; c < ranges.size(); ++c) {
        if (c == kMaintCategory && !commandMenuUnlocked) break;
        if (!selected[c] || !ranges[c]) continue;
        AppendCategory(lines, record, ranges[c]->first, ranges[c]->end, kCategoryNames[c]);
    }
    return lines;
}

namespace {

/// One row of a program report: a PROGRAM step (with its comment) or a CONST item.
struct ProgramRow {
    bool constant = false;
    std::string address;
    std::string data;
    std::string comment;
};

std::vector<ProgramRow> ProgramRows(const ProgramFileRecord& record,
                                    const program::CategoryTable& categories) {
    const auto& h = record.header;
    const auto starts = program::EditorAreaStarts(categories, h.modelCode, h);
    const std::size_t available = record.items.size();
    const std::size_t steps =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(h.stepCount, 0)), available);
    const std::size_t consts = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(h.constCount, 0)), available - steps);
    std::vector<ProgramRow> rows;
    for (std::size_t i = 0; i < steps + consts; ++i) {
        const bool constant = i >= steps;
        const std::size_t index = constant ? i - steps : i;
        const auto area = constant ? starts.constants : starts.program;
        ProgramRow row{
            constant,
            ProgramItemAddress(program::AddressLetterCode(area), program::StartNumber(area), index),
            parameter::DecodeItem(record.items[i], false).data,
            {}};
        if (!constant && i < h.stepComments.size()) row.comment = shell::Trim(h.stepComments[i]);
        rows.push_back(std::move(row));
    }
    return rows;
}

}  // namespace

CsvLines BuildProgramCsv(const ProgramFileRecord& record, const CsvAreas& areas,
                         const program::CategoryTable& categories) {
    CsvLines lines;
    AppendCommonStart(lines, record.header.modelCode, areas, record.information);
    const auto rows = ProgramRows(record, categories);
    if (areas.program) {
        AppendAreaTitle(lines, Text(kTextProgramArea));
        AppendLine(lines, Bracketed(kTextErrorStep) + "," + Bracketed(kTextProgramArea) + "," +
                              Bracketed(kTextCommentArea));
        for (const auto& row : rows) {
            if (!row.constant)
                AppendLine(lines,
                           row.address + "," + CsvQuote(row.data) + "," + CsvQuote(row.comment));
        }
    }
    if (areas.constants) {
        AppendAreaTitle(lines, Text(kTextConstArea));
        AppendLine(lines, Bracketed(kTextErrorStep) + "," + "[ " + Text(kTextConstArea) + " ]");
        for (const auto& row : rows) {
            if (row.constant) AppendLine(lines, row.address + "," + CsvQuote(row.data));
        }
    }
    return lines;
}

std::string PlainValue(std::string_view text) {
    std::string value = shell::Trim(std::string(text));
    std::size_t pos = 0;
    std::string sign;
    if (!value.empty() && (value[0] == '+' || value[0] == '-')) {
        sign = value[0] == '-' ? "-" : "";
        pos = 1;
    }
    const std::size_t point = value.find('.', pos);
    const std::size_t intEnd = point == std::string::npos ? value.size() : point;
    const auto allDigits = [&](std::size_t from, std::size_t to) {
        return std::all_of(value.begin() + static_cast<std::ptrdiff_t>(from),
                           value.begin() + static_cast<std::ptrdiff_t>(to),
                           [](char c) { return c >= '0' && c <= '9'; });
    };
    if (intEnd == pos || !allDigits(pos, intEnd) ||
        (point != std::string::npos &&
         (point + 1 == value.size() || !allDigits(point + 1, value.size()))))
        return value;
    std::size_t first = pos;
    while (first + 1 < intEnd && value[first] == '0') ++first;
    return sign + value.substr(first);
}

namespace {

std::string PlainField(const std::string& singleByte) {
    return CsvQuote(SingleByteToUtf8(shell::Trim(singleByte)));
}

}  // namespace

CsvLines BuildPlainParameterCsv(const ParameterFileRecord& record, bool commandMenuUnlocked) {
    CsvLines lines{"category,group,address,name,data,auxiliary"};
    const auto ranges = CategoryRanges(record.header, record.items);
    for (std::size_t c = 0; c < ranges.size(); ++c) {
        if (c == kMaintCategory && !commandMenuUnlocked) break;
        if (!ranges[c] || ranges[c]->first >= ranges[c]->end) continue;
        const std::string category = PlainField(Text(kCategoryNames[c]));
        // The first block of a group is its heading and names the group.
        std::string group;
        int groupMa = -1;
        for (std::size_t i = ranges[c]->first; i < ranges[c]->end; ++i) {
            const auto item = parameter::DecodeItem(record.items[i], false);
            if (item.ma != groupMa) {
                groupMa = item.ma;
                group = PlainField(item.name);
                continue;
            }
            AppendLine(lines, category + "," + group + "," +
                                  parameter::FormatAddress(item.ma, item.mb) + "," +
                                  PlainField(item.name) + "," +
                                  CsvQuote(SingleByteToUtf8(PlainValue(item.data))) + "," +
                                  PlainField(item.aux));
        }
    }
    return lines;
}

CsvLines BuildPlainProgramCsv(const ProgramFileRecord& record,
                              const program::CategoryTable& categories) {
    CsvLines lines{"area,address,data,comment"};
    const std::string program = PlainField(Text(kTextProgramArea));
    const std::string constants = PlainField(Text(kTextConstArea));
    for (const auto& row : ProgramRows(record, categories)) {
        const std::string data = row.constant ? PlainValue(row.data) : shell::Trim(row.data);
        AppendLine(lines, (row.constant ? constants : program) + "," + row.address + "," +
                              CsvQuote(SingleByteToUtf8(data)) + "," + PlainField(row.comment));
    }
    return lines;
}

std::string ProgramItemAddress(std::int32_t areaLetter, std::int32_t startNumber,
                               std::size_t index) {
    // The letter is formatted alone; the number is added here in full width,
    // so that no start number read from a file can overflow.
    const auto letter = static_cast<std::int32_t>(static_cast<std::uint8_t>(areaLetter));
    std::string address = parameter::FormatAddress(letter == areaLetter ? letter : 0, 0);
    if (address.empty()) return address;
    const std::int64_t number =
        static_cast<std::int64_t>(startNumber) + static_cast<std::int64_t>(index);
    std::string digits = std::to_string(number);
    if (digits.size() < 2) digits.insert(0, "0");
    return address + digits;
}

FileError WriteCsvLines(const std::string& path, const CsvLines& lines) {
    Bytes bytes;
    for (const auto& line : lines) {
        bytes.insert(bytes.end(), line.begin(), line.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    return ReplaceFileContents(path, bytes);
}

bool WriteParameterCsv(files::Workspace& ws, const std::string& path, const CsvAreas& areas,
                       CsvForm form) {
    const auto& record = CurrentParameterRecord(ws);
    const bool maint = ws.state.commandMenuUnlocked;
    const FileError error =
        WriteCsvLines(path, form == CsvForm::kPlain ? BuildPlainParameterCsv(record, maint)
                                                    : BuildParameterCsv(record, areas, maint));
    if (error != FileError::Ok) ShowWriteError(ws.hosts, error);
    return error == FileError::Ok;
}

bool WriteProgramCsv(files::Workspace& ws, const std::string& path, const CsvAreas& areas,
                     CsvForm form) {
    const auto& record = CurrentProgramRecord(ws);
    const auto categories = program::LoadedCategoryTable(ws.config);
    const FileError error =
        WriteCsvLines(path, form == CsvForm::kPlain ? BuildPlainProgramCsv(record, categories)
                                                    : BuildProgramCsv(record, areas, categories));
    if (error != FileError::Ok) ShowWriteError(ws.hosts, error);
    return error == FileError::Ok;
}

}  // namespace rq50::files
