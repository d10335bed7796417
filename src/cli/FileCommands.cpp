// rq50-cli commands on parameter (.7pa) and program (.7pr) files: show, csv
// and copy.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/TerminalFilter.h"
#include "files/ContentList.h"
#include "files/Csv.h"
#include "files/FileError.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "parameter/ValueRules.h"
#include "program/ProgramEditor.h"
#include "program/ProgramModel.h"
#include "program/ProgramText.h"
#include "session/CoreSession.h"
#include "shell/Catalogue.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <filesystem>
#include <iomanip>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace rq50::cli {

namespace {

using files::SingleByteToUtf8;
using nlohmann::ordered_json;
using shell::TrimRight;

enum class FileKind { Parameter, Program };

std::optional<FileKind> KindOf(const std::string& path) {
    std::string ext = std::filesystem::path(path).extension().string();
    std::transform(ext.begin(), ext.end(), ext.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    if (ext == ".7pa") return FileKind::Parameter;
    if (ext == ".7pr") return FileKind::Program;
    return std::nullopt;
}

ExitCode UsageError(const std::string& text) {
    std::cerr << "rq50-cli: " << text << "\n";
    return ExitCode::Usage;
}

// Ends an operation that failed: exit code 1. Follows the system's message,
// if it showed one, with a line that names the file.
ExitCode Failed(const std::string& what) {
    std::cerr << "rq50-cli: " << what << "\n";
    return ExitCode::SystemError;
}

// Reads `path` into the current data (data set or program) as the open dialog
// does; a failure has already shown its message.
bool ReadIntoCurrent(session::CoreSession& core, FileKind kind, const std::string& path) {
    const std::string title = files::FileTitleOf(path);
    return kind == FileKind::Parameter ? files::ReadParameterFile(core.Data(), path, title)
                                       : files::ReadProgramFile(core.Data(), path, title);
}

std::string Hex(const parameter::ItemBlock& block) {
    static constexpr char kDigits[] = "0123456789ABCDEF";
    std::string out;
    for (std::uint8_t b : block) {
        out.push_back(kDigits[b >> 4]);
        out.push_back(kDigits[b & 0x0F]);
    }
    return out;
}

ordered_json InformationJson(const files::InformationRecord& r) {
    auto text = [](const std::string& s) { return SingleByteToUtf8(TrimRight(s)); };
    const std::string date = files::FormatIsoDate(r.date);
    return ordered_json{{"caption1", text(r.caption1)},
                        {"caption2", text(r.caption2)},
                        {"caption3", text(r.caption3)},
                        {"title1", text(r.title1)},
                        {"title2", text(r.title2)},
                        {"createdBy", text(r.createdBy)},
                        {"date", date.empty() ? ordered_json(nullptr) : ordered_json(date)},
                        {"fileName", text(r.fileName)},
                        {"instrumentNo", text(r.instrumentNo)},
                        {"comment", text(r.comment)}};
}

ordered_json ItemsJson(const parameter::ItemArray& items) {
    ordered_json list = ordered_json::array();
    for (std::size_t i = 0; i < items.size(); ++i) {
        const auto d = parameter::DecodeItem(items[i], false);
        list.push_back({{"index", i},
                        {"hex", Hex(items[i])},
                        {"address", parameter::FormatAddress(d.ma, d.mb)},
                        {"type", d.itemType},
                        {"status", d.status},
                        {"kind", d.kind},
                        {"ma", d.ma},
                        {"mb", d.mb},
                        {"mc", d.mc},
                        {"name", SingleByteToUtf8(d.name)},
                        {"data", SingleByteToUtf8(d.data)},
                        {"aux", SingleByteToUtf8(d.aux)}});
    }
    return list;
}

ordered_json ParameterJson(session::CoreSession& core) {
    const auto& h = core.Data().header;
    return ordered_json{{"kind", "parameter"},
                        {"information", InformationJson(core.Data().information)},
                        {"header",
                         {{"model", SingleByteToUtf8(h.model)},
                          {"slot", h.slot},
                          {"displayStart", h.starts[files::Category::Display]},
                          {"setStart", h.starts[files::Category::Set]},
                          {"adjustStart", h.starts[files::Category::Adjust]},
                          {"maintStart", h.starts[files::Category::Maint]},
                          {"displayCount", h.displayCount},
                          {"setCount", h.setCount},
                          {"adjustCount", h.adjustCount},
                          {"maintCount", h.maintCount},
                          {"customType", h.customType}}},
                        {"items", ItemsJson(core.Data().items.dataSet)}};
}

ordered_json ProgramJson(session::CoreSession& core) {
    const auto& state = core.Data().program;
    const auto& h = state.header;
    ordered_json comments = ordered_json::array();
    for (const auto& c : h.stepComments) comments.push_back(SingleByteToUtf8(c));
    return ordered_json{{"kind", "program"},
                        {"information", InformationJson(core.Data().information)},
                        {"header",
                         {{"model", SingleByteToUtf8(h.modelCode)},
                          {"slot", h.slotNumber},
                          {"programLetter", h.programAreaLetter},
                          {"programStart", h.programStartNumber},
                          {"constLetter", h.constAreaLetter},
                          {"constStart", h.constStartNumber},
                          {"steps", h.stepCount},
                          {"consts", h.constCount},
                          {"comments", comments}}},
                        {"items", ItemsJson(state.records)}};
}

void PrintParameterList(session::CoreSession& core, const std::string& path, bool maintMode) {
    const auto& h = core.Data().header;
    std::cout << shell::Catalogue(kTextModelLabel) << FieldText(h.model) << "\n"
              << FieldText(TrimRight(core.Data().information.fileName)) << "\n"
              << path << "\n\n";
    std::cout << std::left << std::setw(8) << shell::Catalogue(kTextAddress) << std::setw(14)
              << shell::Catalogue(kTextDisplay) << std::setw(18) << shell::Catalogue(kTextData)
              << shell::Catalogue(kTextAuxiliary) << "\n";
    for (const auto& row : files::BuildContentList(core.Data().items.dataSet, h, maintMode)) {
        if (row.blank) {
            std::cout << "\n";
            continue;
        }
        std::cout << std::setw(8) << row.address << std::setw(14) << FieldText(row.name)
                  << std::setw(18) << FieldText(row.data) << FieldText(row.aux) << "\n";
    }
}

void PrintProgram(session::CoreSession& core, const std::string& path) {
    const auto& state = core.Data().program;
    const auto& h = state.header;
    // Steps are named as the editor names its rows: by the model's row of
    // Category.ini when it can be read, else by the header.
    const bool haveCategories = core.Data().config.LoadCategories();
    const program::CategoryTable categories = haveCategories
                                                  ? program::LoadedCategoryTable(core.Data().config)
                                                  : program::CategoryTable{};
    const auto starts = program::EditorAreaStarts(categories, h.modelCode, h);
    const auto address = [](const std::string& start, std::size_t i) {
        return files::ProgramItemAddress(program::AddressLetterCode(start),
                                         program::StartNumber(start), i);
    };
    std::cout << shell::Catalogue(kTextModelLabel) << FieldText(h.modelCode) << "\n"
              << FieldText(TrimRight(core.Data().information.fileName)) << "\n"
              << path << "\n"
              << "slot " << h.slotNumber << ", " << h.stepCount << " steps from "
              << address(starts.program, 0) << ", " << h.constCount << " CONST items from "
              << address(starts.constants, 0) << "\n";
    if (haveCategories) {
        program::EditorHost host;
        program::ProgramEditor editor(core.Data().hosts, categories, core.Data().config,
                                      core.Data().program, host, std::string());
        editor.Open();
        std::cout << "\n" << program::ProgramGridsText(editor);
        return;
    }
    const std::size_t steps =
        std::min(static_cast<std::size_t>(std::max(h.stepCount, 0)), state.records.size());
    const std::size_t consts =
        std::min(static_cast<std::size_t>(std::max(h.constCount, 0)), state.records.size() - steps);
    std::cout << "\n=== " << shell::Catalogue(kTextProgramArea) << " ===\n";
    for (std::size_t i = 0; i < steps; ++i) {
        const auto item = parameter::DecodeItem(state.records[i], false);
        const std::string comment =
            i < h.stepComments.size() ? shell::Trim(h.stepComments[i]) : std::string();
        std::cout << std::left << std::setw(8) << address(starts.program, i) << std::setw(10)
                  << FieldText(TrimRight(item.data)) << FieldText(comment) << "\n";
    }
    std::cout << "\n=== " << shell::Catalogue(kTextConstArea) << " ===\n";
    for (std::size_t i = 0; i < consts; ++i) {
        const auto item = parameter::DecodeItem(state.records[steps + i], false);
        std::cout << std::left << std::setw(8) << address(starts.constants, i)
                  << FieldText(parameter::FormatDataForDisplay(item.data, item.kind, parameter::DisplayMode::Grid)) << "\n";
    }
}

/// The information fields as the information window shows them: each caption
/// (title 1, title 2, comment) before its text.
void PrintInformation(const files::InformationRecord& r) {
    for (const auto& line : files::InformationLines(r)) {
        const std::string caption = FieldText(shell::Trim(line.label));
        const std::string value = FieldText(shell::Trim(line.value));
        std::cout << std::left << std::setw(16)
                  << caption + (!caption.empty() && caption.back() == ':' ? "" : ":") << value
                  << "\n";
    }
    std::cout << "\n";
}

}  // namespace

ordered_json CurrentDataJson(session::CoreSession& core, files::DataFileKind kind) {
    return kind == files::DataFileKind::kParameter ? ParameterJson(core) : ProgramJson(core);
}

void PrintCurrentData(session::CoreSession& core, files::DataFileKind kind,
                      const std::string& source, bool maint) {
    PrintInformation(core.Data().information);
    if (kind == files::DataFileKind::kParameter) {
        PrintParameterList(core, source, maint);
    } else {
        PrintProgram(core, source);
    }
}

namespace {

struct ShowOptions {
    std::string file;
    bool json = false;
    bool maint = false;
};

ExitCode RunShow(session::CoreSession& core, const ShowOptions& o) {
    const auto kind = KindOf(o.file);
    if (!kind)
        return UsageError(o.file + ": a parameter file (.7pa) or program file (.7pr) is expected");
    CliServices services(core.Data());
    if (!ReadIntoCurrent(core, *kind, o.file)) return Failed(o.file + " could not be read");
    const auto dataKind = *kind == FileKind::Parameter ? files::DataFileKind::kParameter
                                                       : files::DataFileKind::kProgram;
    if (o.json) {
        PrintJson(CurrentDataJson(core, dataKind));
    } else {
        PrintCurrentData(core, dataKind, o.file, o.maint);
    }
    return ExitCode::Ok;
}

struct CsvOptions {
    std::string file;
    std::string output;
    std::optional<std::string> areas;
    bool maint = false;
    bool plain = false;
    bool force = false;
};

ExitCode RunCsv(session::CoreSession& core, const CsvOptions& o) {
    const auto kind = KindOf(o.file);
    if (!kind)
        return UsageError(o.file + ": a parameter file (.7pa) or program file (.7pr) is expected");
    const bool parameter = *kind == FileKind::Parameter;
    files::CsvAreas areas;
    areas.maint = o.maint;
    if (o.areas) {
        areas = {false, false, false, false, false, false, false};
        const std::map<std::string, bool*> names =
            parameter ? std::map<std::string, bool*>{{"information", &areas.information},
                                                     {"display", &areas.display},
                                                     {"set", &areas.set},
                                                     {"adjust", &areas.adjust},
                                                     {"maint", &areas.maint}}
                      : std::map<std::string, bool*>{{"information", &areas.information},
                                                     {"program", &areas.program},
                                                     {"const", &areas.constants}};
        std::stringstream list(*o.areas);
        std::string name;
        bool any = false;
        while (std::getline(list, name, ',')) {
            const auto it = names.find(name);
            if (it == names.end()) return UsageError("unknown print area \"" + name + "\"");
            *it->second = true;
            any = true;
        }
        if (!any) return UsageError("no print area selected");
    }
    if (const auto problem = files::OutputTargetProblem(o.output, o.file, o.force);
        !problem.empty())
        return Failed(problem);
    CliServices services(core.Data());
    if (!ReadIntoCurrent(core, *kind, o.file)) return Failed(o.file + " could not be read");
    core.Data().state.commandMenuUnlocked = o.maint;
    // The program report names its steps by Category.ini, as the editor does.
    if (!parameter) core.Data().config.LoadCategories();
    const auto form = o.plain ? files::CsvForm::kPlain : files::CsvForm::kReport;
    const bool written = parameter ? files::WriteParameterCsv(core.Data(), o.output, areas, form)
                                   : files::WriteProgramCsv(core.Data(), o.output, areas, form);
    return written ? ExitCode::Ok : Failed(o.output + " was not written");
}

struct CopyOptions {
    std::string input;
    std::string output;
    std::map<files::InfoBox, std::string> boxes;  // information box -> new text
};

ExitCode RunCopy(session::CoreSession& core, const CopyOptions& o) {
    const auto kind = KindOf(o.input);
    if (!kind)
        return UsageError(o.input + ": a parameter file (.7pa) or program file (.7pr) is expected");
    CliServices services(core.Data());
    if (!ReadIntoCurrent(core, *kind, o.input)) return Failed(o.input + " could not be read");

    if (!ApplyInformationFields(core, o.boxes)) return ExitCode::SystemError;
    // The copy is saved under the name rules of the save dialog: the file's
    // own extension added when missing, the other kind's refused.
    const auto output = PrepareSave(core, o.output,
                                    *kind == FileKind::Parameter ? files::DataFileKind::kParameter
                                                                 : files::DataFileKind::kProgram);
    if (!output) return ExitCode::SystemError;
    // The save records the name the file is saved under, as the save dialog does.
    files::SetInformationFileName(core.Data().information, files::FileTitleOf(*output));
    const bool written = *kind == FileKind::Parameter
                             ? files::WriteParameterFile(core.Data(), *output)
                             : files::WriteProgramFile(core.Data(), *output);
    if (written) return ExitCode::Ok;
    return Failed(*output + " was not written");
}

void AddFileCommands(CLI::App& app, CliContext& context) {
    auto show = std::make_shared<ShowOptions>();
    auto* showCmd = app.add_subcommand("show", "show a parameter or program file");
    showCmd->add_option("FILE", show->file, "the .7pa or .7pr file")->required();
    showCmd->add_flag("--json", show->json, "print every decoded field as JSON");
    showCmd->add_flag("--maint", show->maint, "list the MAINT items too (MAINT Mode)");
    showCmd->callback([show, &context] {
        context.run = [show](session::CoreSession& core) { return RunShow(core, *show); };
    });

    auto csv = std::make_shared<CsvOptions>();
    auto* csvCmd = app.add_subcommand("csv", "write the CSV report of a parameter or program file");
    csvCmd->add_option("FILE", csv->file, "the .7pa or .7pr file")->required();
    csvCmd->add_option("-o,--output", csv->output, "the CSV file to write")->required();
    csvCmd->add_flag("--force", csv->force, "replace the CSV file when it exists");
    auto* areasOption =
        csvCmd->add_option("--areas", csv->areas,
                           "print areas, comma-separated: information,display,set,adjust,maint "
                           "or information,program,const (default: all)");
    csvCmd
        ->add_flag("--plain", csv->plain,
                   "a plain table for spreadsheets: UTF-8, one heading row, one row per item, "
                   "numbers without padding")
        ->excludes(areasOption);
    csvCmd->add_flag("--maint", csv->maint, "unlock the Command menu, so that MAINT is reported");
    csvCmd->callback([csv, &context] {
        context.run = [csv](session::CoreSession& core) { return RunCsv(core, *csv); };
    });

    auto copy = std::make_shared<CopyOptions>();
    auto* copyCmd = app.add_subcommand(
        "copy", "read a file and save it again, optionally with new information fields");
    copyCmd->add_option("IN", copy->input, "the file to read")->required();
    copyCmd->add_option("OUT", copy->output, "the file to write")->required();
    const std::pair<const char*, files::InfoBox> fields[] = {
        {"--title1", files::InfoBox::Title1},        {"--title2", files::InfoBox::Title2},
        {"--created-by", files::InfoBox::CreatedBy}, {"--instrument-no", files::InfoBox::InstrumentNo},
        {"--comment", files::InfoBox::Comment},      {"--date", files::InfoBox::Date}};
    for (const auto& [flag, box] : fields) {
        copyCmd->add_option_function<std::string>(
            flag, [copy, box = box](const std::string& text) { copy->boxes[box] = text; },
            "new information field");
    }
    copyCmd->callback([copy, &context] {
        context.run = [copy](session::CoreSession& core) { return RunCopy(core, *copy); };
    });
}

const RegisterCommands kFileCommands(&AddFileCommands);

}  // namespace

}  // namespace rq50::cli
