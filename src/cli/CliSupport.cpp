#include "cli/CliSupport.h"
#include "cli/TerminalFilter.h"

#include "files/InformationRecord.h"
#include "files/ReportTable.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "parameter/ValueRules.h"
#include "session/CoreSession.h"
#include "shell/TextTrim.h"

#include <iomanip>
#include <iostream>

namespace rq50::cli {

namespace {
bool progressLineOpen = false;
}  // namespace

void ProgressLineShown() {
    progressLineOpen = true;
}

void EndProgressLine() {
    if (progressLineOpen) std::cerr << "\n";
    progressLineOpen = false;
}

void Note(const std::string& text) {
    EndProgressLine();
    std::cerr << "rq50-cli: " << text << "\n";
}

bool ReadDataFile(session::CoreSession& core, files::DataFileKind kind, const std::string& path) {
    const std::string title = files::FileTitleOf(path);
    const bool read = kind == files::DataFileKind::kParameter
                          ? files::ReadParameterFile(core.Data(), path, title)
                          : files::ReadProgramFile(core.Data(), path, title);
    if (!read) Note("cannot read " + path);
    return read;
}

std::optional<std::string> PrepareSave(session::CoreSession& core, const std::string& path,
                                       files::DataFileKind kind) {
    std::string problem;
    const auto name = files::SaveNameFor(path, kind, problem);
    if (!name) {
        Note(problem);
        return std::nullopt;
    }
    problem = files::SaveTargetProblem(*name);
    if (!problem.empty()) {
        Note(problem);
        return std::nullopt;
    }
    // The smallest file still needs room: a full disk is found before any
    // work (an upload) is done for it.
    if (!files::CheckSaveSpace(core.Data(), *name, 1)) {
        Note(*name + " cannot be saved: not enough free disk space");
        return std::nullopt;
    }
    return name;
}

bool ApplyInformationFields(session::CoreSession& core, const std::map<files::InfoBox, std::string>& boxes) {
    if (boxes.empty()) return true;
    auto& information = core.Data().information;
    auto form = files::InfoFormFromRecord(information);
    for (const auto& [box, given] : boxes) {
        std::string text = given;
        if (!files::ValidateInfoField(core.Data().hosts, box, text)) {
            if (box == files::InfoBox::Date) {
                Note(
                    "--date takes yyyy/mm/dd, yyyy/mm/dd hh:mm or yyyy/mm/dd hh:mm:ss (\"-\" may "
                    "stand for \"/\"), or yyyy-mm-ddThh:mm:ss");
            } else {
                Note("the information field \"" + text + "\" is too long");
            }
            return false;
        }
        form.boxes[static_cast<std::size_t>(box)] = text;
    }
    return files::ApplyInformationOk(core.Data().hosts, form, information);
}

std::string JsonText(const std::string& singleByte) {
    return files::SingleByteToUtf8(shell::Trim(singleByte));
}

std::string KindName(int kind) {
    static const char* const kNames[] = {"shown",     "text",         "decimal",  "hex",
                                         "selection", "free-decimal", "measured", "other"};
    return kind >= 0 && kind < 8 ? kNames[kind] : "unknown";
}

void PrintJson(const ordered_json& document) {
    std::cout << JsonWithoutC1(document.dump(2)) << "\n";
}

ordered_json TableJson(const files::ReportTable& table) {
    ordered_json rows = ordered_json::array();
    for (const auto& row : table.rows) {
        ordered_json fields = ordered_json::object();
        for (std::size_t c = 0; c < row.cells.size() && c < table.columns.size(); ++c) {
            fields[table.columns[c].key] = JsonText(files::RawText(row.cells[c]));
        }
        rows.push_back(std::move(fields));
    }
    return rows;
}

void PrintDifferences(const std::string& first, const std::string& second,
                      const std::vector<std::string>& notes,
                      const std::vector<files::ItemDifference>& differences, bool json) {
    using Side = files::ItemDifference::Side;
    if (json) {
        ordered_json items = ordered_json::array();
        for (const auto& d : differences) {
            items.push_back(
                {{"address", d.address},
                 {"name", JsonText(d.name)},
                 {"kind", d.kind},
                 {"kindName", KindName(d.kind)},
                 {"first", d.side == Side::kSecondOnly ? ordered_json(nullptr)
                                                       : ordered_json(JsonText(d.first))},
                 {"second", d.side == Side::kFirstOnly ? ordered_json(nullptr)
                                                       : ordered_json(JsonText(d.second))}});
        }
        PrintJson({{"first", first},
                   {"second", second},
                   {"same", notes.empty() && differences.empty()},
                   {"header", notes},
                   {"differences", items}});
        return;
    }
    for (const auto& note : notes) std::cout << "header: " << note << "\n";
    if (!differences.empty()) {
        // The values as the terminal shows them: control characters visible.
        auto shown = [](const std::string& text) {
            return files::ReportCell(text, {}, FieldText(text));
        };
        files::ReportTable table;
        table.columns = {{"Address", 0, files::ColumnAlign::Left, 8, "address"},
                         {"Name", 0, files::ColumnAlign::Left, 14, "name"},
                         {first, 0, files::ColumnAlign::Left, 24, "first"},
                         {second, 0, files::ColumnAlign::Left, 0, "second"}};
        for (const auto& d : differences) {
            table.rows.emplace_back(std::vector<files::ReportCell>{
                files::ReportCell(d.address), shown(d.name),
                shown(d.side == Side::kSecondOnly ? "(none)" : d.first),
                shown(d.side == Side::kFirstOnly ? "(none)" : d.second)});
        }
        std::cout << files::TerminalLines(table);
    }
    if (notes.empty() && differences.empty()) {
        std::cout << "no differences\n";
    } else {
        Note(std::to_string(differences.size()) +
             (differences.size() == 1 ? " item differs" : " items differ") +
             (notes.empty() ? "" : ", and the headers differ"));
    }
}

}  // namespace rq50::cli
