#include "files/Csv.h"

#include "files/Categories.h"
#include "files/FileError.h"
#include "files/OleDate.h"
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

#include <algorithm>
#include <array>
#include <optional>

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

std::string ParameterHeading() {
    return Bracketed(kTextAddress) + "," + Bracketed(kTextDisplay) + "," + Bracketed(kTextData) +
           "," + "[ " + Text(kTextAuxiliary) + " ]";
}

void AppendCategory(CsvLines& lines, const ParameterFileRecord& record, std::size_t first,
                    std::size_t end, int nameText) {
    AppendAreaTitle(lines, Text(nameText));
    // A category that shares its start with a later one keeps its heading.
    if (first >= end) return;
    const auto heading = parameter::DecodeItem(record.items[first], false);
    AppendLine(lines, "@ " + heading.name);
    AppendLine(lines, ParameterHeading());
    int groupMa = heading.ma;
    for (std::size_t i = first + 1; i < end; ++i) {
        const auto item = parameter::DecodeItem(record.items[i], false);
        if (item.ma != groupMa) {
            groupMa = item.ma;
            AppendLine(lines, "");
            AppendLine(lines, "@ " + item.name);
            AppendLine(lines, ParameterHeading());
            continue;
        }
        AppendLine(lines, parameter::FormatAddress(item.ma, item.mb) + "," + CsvQuote(item.name) +
                              "," + CsvQuote(item.data) + "," + CsvQuote(item.aux));
    }
}

void ShowWriteError(const shell::Services& hosts, int error) {
    if (auto* host = hosts.messages) {
        host->Show({FileErrorDescription(error), Text(kTextErrorNumber) + std::to_string(error),
                    shell::kButtonsOk, shell::MsgIcon::Critical});
    }
}

}  // namespace

std::string CsvQuote(std::string_view text) {
    std::string out;
    for (char c : text) {
        out.push_back(c);
        if (c == '"') out.push_back('"');
    }
    if (out.find(',') != std::string::npos) out = "\"" + out + "\"";
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
    auto field = [&lines](const std::string& label, const std::string& value) {
        AppendLine(lines,
                   CsvQuote(shell::TrimRight(label)) + "," + CsvQuote(shell::TrimRight(value)));
    };
    field(r.caption1, r.title1);
    field(r.caption2, r.title2);
    field(Text(kTextCreatedBy), r.createdBy);
    field(Text(kTextDate), FormatGeneralDate(r.date));
    field(Text(kTextFileName), r.fileName);
    field(Text(kTextInstrumentNo), r.instrumentNo);
    field(r.caption3, r.comment);
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

CsvLines BuildProgramCsv(const ProgramFileRecord& record, const CsvAreas& areas,
                         const program::CategoryTable& categories) {
    CsvLines lines;
    const auto& h = record.header;
    const auto starts = program::EditorAreaStarts(categories, h.modelCode, h);
    const auto stepAddress = [&](std::size_t i) {
        return ProgramItemAddress(program::AddressLetterCode(starts.program),
                                  program::StartNumber(starts.program), i);
    };
    const auto constAddress = [&](std::size_t i) {
        return ProgramItemAddress(program::AddressLetterCode(starts.constants),
                                  program::StartNumber(starts.constants), i);
    };
    AppendCommonStart(lines, h.modelCode, areas, record.information);
    const std::size_t available = record.items.size();
    const std::size_t steps =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(h.stepCount, 0)), available);
    const std::size_t consts = std::min<std::size_t>(
        static_cast<std::size_t>(std::max(h.constCount, 0)), available - steps);
    if (areas.program) {
        AppendAreaTitle(lines, Text(kTextProgramArea));
        AppendLine(lines, Bracketed(kTextErrorStep) + "," + Bracketed(kTextProgramArea) + "," +
                              Bracketed(kTextCommentArea));
        for (std::size_t i = 0; i < steps; ++i) {
            const auto item = parameter::DecodeItem(record.items[i], false);
            const std::string comment =
                i < h.stepComments.size() ? shell::Trim(h.stepComments[i]) : "";
            AppendLine(lines, stepAddress(i) + "," + CsvQuote(item.data) + "," + CsvQuote(comment));
        }
    }
    if (areas.constants) {
        AppendAreaTitle(lines, Text(kTextConstArea));
        AppendLine(lines, Bracketed(kTextErrorStep) + "," + "[ " + Text(kTextConstArea) + " ]");
        for (std::size_t i = 0; i < consts; ++i) {
            const auto item = parameter::DecodeItem(record.items[steps + i], false);
            AppendLine(lines, constAddress(i) + "," + CsvQuote(item.data));
        }
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

int WriteCsvLines(const std::string& path, const CsvLines& lines) {
    Bytes bytes;
    for (const auto& line : lines) {
        bytes.insert(bytes.end(), line.begin(), line.end());
        bytes.push_back('\r');
        bytes.push_back('\n');
    }
    return ReplaceFileContents(path, bytes);
}

bool WriteParameterCsv(shell::Workspace& ws, const std::string& path, const CsvAreas& areas) {
    const int error = WriteCsvLines(
        path, BuildParameterCsv(CurrentParameterRecord(ws), areas, ws.state.commandMenuUnlocked));
    if (error != kFileOk) ShowWriteError(ws.hosts, error);
    return error == kFileOk;
}

bool WriteProgramCsv(shell::Workspace& ws, const std::string& path, const CsvAreas& areas) {
    const int error = WriteCsvLines(
        path, BuildProgramCsv(CurrentProgramRecord(ws), areas, program::LoadedCategoryTable()));
    if (error != kFileOk) ShowWriteError(ws.hosts, error);
    return error == kFileOk;
}

}  // namespace rq50::files
