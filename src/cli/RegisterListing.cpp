// rq50-cli register list, history, name and show: the register's instruments,
// an instrument's records and one record with its set, as tables or JSON.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RegisterWork.h"
#include "files/DataSet.h"
#include "register/PlantRegister.h"
#include "session/CoreSession.h"
#include "session/RegisterActions.h"
#include "shell/Catalogue.h"
#include "shell/TextTrim.h"
#include "shell/UntrustedText.h"

#include <algorithm>
#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

namespace rq50::cli::plantreg {

using files::DataFileKind;
using plant::Record;

namespace {

/// Characters of a UTF-8 text, for the width of a column.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

}  // namespace

void PrintTable(const std::vector<std::string>& head, std::vector<std::vector<std::string>> rows) {
    // Tags, titles and users are the instruments' and the users' text: a
    // line break or a control character in one never breaks the table.
    for (auto& row : rows) {
        for (auto& cell : row) cell = shell::TerminalText(cell);
    }
    std::vector<std::size_t> widths(head.size());
    auto measure = [&widths](const std::vector<std::string>& row) {
        for (std::size_t i = 0; i < row.size(); ++i) widths[i] = std::max(widths[i], Width(row[i]));
    };
    measure(head);
    for (const auto& row : rows) measure(row);
    auto print = [&widths](const std::vector<std::string>& row) {
        std::string line;
        for (std::size_t i = 0; i < row.size(); ++i) {
            line += row[i];
            if (i + 1 < row.size()) line += std::string(widths[i] - Width(row[i]) + 2, ' ');
        }
        std::cout << shell::TrimRight(line) << "\n";
    };
    print(head);
    for (const auto& row : rows) print(row);
}

std::string Line(const Record& r) {
    if (r.port.empty()) return "-";
    return r.slot == 0 ? r.port : r.port + "/" + std::to_string(r.slot);
}

namespace {

ordered_json CountOrNull(int n) {
    return n < 0 ? ordered_json(nullptr) : ordered_json(n);
}

}  // namespace

ordered_json RecordJson(const Record& r) {
    return {{"id", r.id},
            {"kind", plant::KindName(r.kind)},
            {"time", r.time},
            {"user", r.user},
            {"host", r.host},
            {"model", r.instrument.model},
            {"port", r.port},
            {"slot", r.slot},
            {"file", r.fileName},
            {"ok", r.ok},
            {"result", r.result},
            {"itemsWritten", CountOrNull(r.itemsWritten)},
            {"itemsDiffer", CountOrNull(r.itemsDiffer)},
            {"hash", r.hash},
            {"reason", r.reason}};
}

ordered_json ChangesJson(const std::vector<plant::Change>& changes) {
    ordered_json list = ordered_json::array();
    for (const auto& c : changes) {
        list.push_back({{"address", c.address},
                        {"name", shell::Trim(c.name)},
                        {"before", shell::Trim(c.before)},
                        {"after", shell::Trim(c.after)},
                        {"file", c.file.empty() ? ordered_json() : ordered_json(c.file)}});
    }
    return list;
}

/// "80.00 -> 200.00", and what the file asked for where the instrument
/// holds another value.
std::string ChangeText(const plant::Change& c) {
    std::string text = shell::Trim(c.before) + " -> " + shell::Trim(c.after);
    if (!c.file.empty()) text += "  differs from the file (" + shell::Trim(c.file) + ")";
    return text;
}

std::optional<Record> GetRecord(plant::PlantRegister& reg, std::int64_t id) {
    auto record = reg.Get(id);
    if (!record) Note("the register holds no record " + std::to_string(id));
    return record;
}

// ------------------------------------------------------------ list, history

ExitCode List(plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto instruments = reg.Instruments({o.model, o.plant, o.pattern, o.real});
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& in : instruments) {
            list.push_back({{"name", in.Name()},
                            {"model", in.model},
                            {"tag", in.tag},
                            {"instrumentNo", in.instrumentNo},
                            {"plant", in.plant},
                            {"area", in.area},
                            {"records", in.records},
                            {"last", in.lastTime}});
        }
        PrintJson({{"instruments", list}});
        return ExitCode::Ok;
    }
    if (instruments.empty()) {
        Note(
            "no instrument in " + reg.Db().Location() +
            (o.model.empty() && o.plant.empty() && o.pattern.empty() && !o.real ? "" : " matches"));
        return ExitCode::Ok;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& in : instruments) {
        rows.push_back(
            {in.Name(), in.model, in.plant, in.area, std::to_string(in.records), in.lastTime});
    }
    PrintTable({"NAME", "MODEL", "PLANT", "AREA", "RECORDS", "LAST"}, rows);
    return ExitCode::Ok;
}

ExitCode History(plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto records = reg.History(o.name);
    if (records.empty()) {
        Note("the register holds no instrument named " + o.name +
             " (rq50-cli register list names them)");
        return ExitCode::SystemError;
    }
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& r : records) list.push_back(RecordJson(r));
        PrintJson({{"instrument", o.name}, {"records", list}});
        return ExitCode::Ok;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : records) {
        rows.push_back({std::to_string(r.id), r.time, plant::KindName(r.kind), r.instrument.model,
                        r.user + "@" + r.host, Line(r), r.fileName.empty() ? "-" : r.fileName,
                        r.result, r.reason});
    }
    PrintTable(
        {"ID", "TIME", "KIND", "MODEL", "USER@HOST", "PORT/SLOT", "FILE", "RESULT", "REASON"},
        rows);
    return ExitCode::Ok;
}

ExitCode Rename(plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return ExitCode::SystemError;
    const std::string old = record->instrument.Name();
    reg.Rename(o.id, o.newName);
    if (Link().json) {
        PrintJson({{"record", o.id},
                   {"model", record->instrument.model},
                   {"was", old},
                   {"name", o.newName}});
    } else if (!Link().quiet) {
        Note(old + " (" + record->instrument.model + ") is named " + o.newName +
             " from now on, with its records");
    }
    return ExitCode::Ok;
}

// ------------------------------------------------------------ show

namespace {

void PrintRecordHead(const Record& r) {
    const auto& in = r.instrument;
    std::string result = r.result;
    if (r.itemsWritten >= 0) result += "; " + std::to_string(r.itemsWritten) + " items written";
    if (r.itemsDiffer >= 0) result += "; " + std::to_string(r.itemsDiffer) + " differ";
    const std::pair<const char*, std::string> lines[] = {
        {"Record:", std::to_string(r.id) + " (" + plant::KindName(r.kind) + ")"},
        {"Instrument:", in.Name() + ", model " + in.model +
                            (in.plant.empty() ? "" : ", plant " + in.plant) +
                            (in.area.empty() ? "" : ", area " + in.area)},
        {"Time:", r.time},
        {"User:", r.user + "@" + r.host},
        {"Port/slot:", Line(r)},
        {"File:", r.fileName.empty() ? "-" : r.fileName},
        {"Result:", result},
        {"Reason:", r.reason.empty() ? "-" : r.reason},
        {"SHA-256:", r.hash}};
    for (const auto& [caption, value] : lines) {
        std::cout << std::left << std::setw(16) << caption << shell::TerminalText(value) << "\n";
    }
    if (plant::WritesInstrument(r.kind)) {
        std::cout << "Changes:        "
                  << (r.changes.empty() ? "none" : std::to_string(r.changes.size())) << "\n";
        for (const auto& c : r.changes) {
            std::cout << "  " << std::left << std::setw(6) << c.address << std::setw(14)
                      << shell::Trim(c.name) << ChangeText(c) << "\n";
        }
    }
    std::cout << "\n";
}

}  // namespace

ExitCode Show(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return ExitCode::SystemError;
    CliServices services(core.Data());
    if (!session::LoadRecord(core.Data(), *record)) {
        Note("record " + std::to_string(o.id) + " holds no readable set");
        return ExitCode::SystemError;
    }
    if (Link().json) {
        auto head = RecordJson(*record);
        head["instrument"] = {
            {"name", record->instrument.Name()}, {"model", record->instrument.model},
            {"tag", record->instrument.tag},     {"instrumentNo", record->instrument.instrumentNo},
            {"plant", record->instrument.plant}, {"area", record->instrument.area}};
        head["changes"] = ChangesJson(record->changes);
        PrintJson({{"record", head}, {"set", CurrentDataJson(core, record->fileKind)}});
        return ExitCode::Ok;
    }
    PrintRecordHead(*record);
    PrintCurrentData(core, record->fileKind, "record " + std::to_string(o.id) + " of the register",
                     o.maint);
    return ExitCode::Ok;
}

}  // namespace rq50::cli::plantreg
