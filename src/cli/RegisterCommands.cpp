// rq50-cli register: what the plant register holds (its instruments, an
// instrument's history, a record's set, the differences of a record from
// another set, the changes of a period), a record written out as a file, and
// a record downloaded back into its instrument.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "comm/Engine.h"
#include "files/Compare.h"
#include "files/Csv.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/CoreSession.h"
#include "session/RegisterActions.h"
#include "shell/Catalogue.h"
#include "shell/JobCodes.h"
#include "shell/PlatformFile.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/UntrustedText.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <functional>
#include <iomanip>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rq50::cli {

namespace {

using files::DataFileKind;
using plant::Record;

struct RegisterOptions {
    std::string model;  // list
    std::string plant;
    std::string pattern;
    std::string name;  // history, restore
    std::int64_t id = 0;
    std::string other;        // diff: a record number or a file
    bool instrument = false;  // diff: against the instrument
    std::string from;         // audit
    std::string to;
    std::string csv;
    std::string output;  // export
    bool force = false;
    bool maint = false;    // show
    bool program = false;  // restore: the program, not the parameter set
    bool real = false;     // list: without the simulated instrument's records
    std::string newName;   // name
    DownloadOptions download;
};

/// The register of the run (--register, else $RQ50_REGISTER, else the user
/// data folder's register.sqlite), opened for `work`: for reading only where
/// it cannot be written, unless `writes`. A register that cannot be opened,
/// and a SQLite file that is not there yet, are said so: exit 1.
int WithRegister(const CliContext& context, const std::function<int(plant::PlantRegister&)>& work,
                 bool writes = false) {
    const std::string name = plant::RegisterName(nullptr, context.registerName);
    try {
        // Reading makes no register: a name mistyped is not a new, empty one.
        shell::platform::TargetStatus file;
        if (name.rfind("sqlite:", 0) == 0 &&
            (shell::platform::StatusOf(shell::platform::PathFromUtf8(name.substr(7)), file) != 0 ||
             !file.exists)) {
            Note("the register " + name + " does not exist: nothing has been recorded there");
            return kExitSystemError;
        }
        const auto db =
            writes ? platform::OpenRegisterDatabase(name) : platform::OpenRegisterForReading(name);
        plant::PlantRegister reg(*db);
        return work(reg);
    } catch (const plant::RegisterError& e) {
        Note(plant::HidePassword(e.what(), name));
        return kExitSystemError;
    }
}

/// Characters of a UTF-8 text, for the width of a column.
std::size_t Width(const std::string& text) {
    return static_cast<std::size_t>(std::count_if(text.begin(), text.end(), [](char c) {
        return (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }));
}

/// Rows under a head line, each column as wide as its widest text.
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

ordered_json CountOrNull(int n) {
    return n < 0 ? ordered_json(nullptr) : ordered_json(n);
}

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
            {"hash", r.hash}};
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

int List(plant::PlantRegister& reg, const RegisterOptions& o) {
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
        return kExitOk;
    }
    if (instruments.empty()) {
        Note(
            "no instrument in " + reg.Db().Location() +
            (o.model.empty() && o.plant.empty() && o.pattern.empty() && !o.real ? "" : " matches"));
        return kExitOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& in : instruments) {
        rows.push_back(
            {in.Name(), in.model, in.plant, in.area, std::to_string(in.records), in.lastTime});
    }
    PrintTable({"NAME", "MODEL", "PLANT", "AREA", "RECORDS", "LAST"}, rows);
    return kExitOk;
}

int History(plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto records = reg.History(o.name);
    if (records.empty()) {
        Note("the register holds no instrument named " + o.name +
             " (rq50-cli register list names them)");
        return kExitSystemError;
    }
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& r : records) list.push_back(RecordJson(r));
        PrintJson({{"instrument", o.name}, {"records", list}});
        return kExitOk;
    }
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : records) {
        rows.push_back({std::to_string(r.id), r.time, plant::KindName(r.kind), r.instrument.model,
                        r.user + "@" + r.host, Line(r), r.fileName.empty() ? "-" : r.fileName,
                        r.result});
    }
    PrintTable({"ID", "TIME", "KIND", "MODEL", "USER@HOST", "PORT/SLOT", "FILE", "RESULT"}, rows);
    return kExitOk;
}

int Rename(plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return kExitSystemError;
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
    return kExitOk;
}

// ------------------------------------------------------------ show

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

int Show(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return kExitSystemError;
    CliServices services(core.Data());
    if (!session::LoadRecord(core.Data(), *record)) {
        Note("record " + std::to_string(o.id) + " holds no readable set");
        return kExitSystemError;
    }
    if (Link().json) {
        auto head = RecordJson(*record);
        head["instrument"] = {
            {"name", record->instrument.Name()}, {"model", record->instrument.model},
            {"tag", record->instrument.tag},     {"instrumentNo", record->instrument.instrumentNo},
            {"plant", record->instrument.plant}, {"area", record->instrument.area}};
        head["changes"] = ChangesJson(record->changes);
        PrintJson({{"record", head}, {"set", CurrentDataJson(core, record->fileKind)}});
        return kExitOk;
    }
    PrintRecordHead(*record);
    PrintCurrentData(core, record->fileKind, "record " + std::to_string(o.id) + " of the register",
                     o.maint);
    return kExitOk;
}

// ------------------------------------------------------------ diff

const char* KindWord(DataFileKind kind) {
    return kind == DataFileKind::kProgram ? "a program" : "a parameter set";
}

/// The model a set is for; nothing when it cannot be read.
std::optional<std::string> ModelOf(const plant::Blob& bytes, DataFileKind kind,
                                   files::DataSetHeader* header) {
    if (kind == DataFileKind::kProgram) {
        files::ProgramFileRecord program;
        if (files::DecodeProgramRecord(bytes, program) != 0) return std::nullopt;
        return program.header.modelCode;
    }
    files::ParameterFileRecord set;
    if (files::DecodeParameterRecord(bytes, set) != 0) return std::nullopt;
    *header = set.header;
    return set.header.model;
}

/// `first` against `second` (sets of `kind`) by the register's rule, printed
/// as `verify` prints its differences; sets of two models are not compared.
int PrintSetDifferences(const plant::Blob& first, const std::string& firstName,
                        const plant::Blob& second, const std::string& secondName,
                        DataFileKind kind) {
    files::DataSetHeader a, b;
    const auto modelA = ModelOf(first, kind, &a);
    const auto modelB = ModelOf(second, kind, &b);
    if (!modelA || !modelB) {
        Note((modelA ? secondName : firstName) + " holds no readable set; nothing compared");
        return kExitSystemError;
    }
    if (shell::Trim(*modelA) != shell::Trim(*modelB)) {
        Note(firstName + " is of model " + shell::Trim(*modelA) + ", " + secondName + " of model " +
             shell::Trim(*modelB) + "; nothing compared");
        return kExitSystemError;
    }
    const auto notes =
        kind == DataFileKind::kParameter ? files::CompareHeaders(a, b) : std::vector<std::string>{};
    const auto differences = plant::DiffSets(first, second, kind);
    PrintDifferences(firstName, secondName, notes, differences, Link().json);
    return notes.empty() && differences.empty() ? kExitOk : kExitSystemError;
}

/// The instrument's set (or program) uploaded over the line as `verify`
/// does, recorded nowhere; nothing when the upload failed.
std::optional<plant::Blob> UploadInstrument(session::CoreSession& core, DataFileKind kind,
                                            int& exitCode) {
    Session session(core);
    exitCode = kExitSystemError;
    if (!session.Attach()) return std::nullopt;
    const bool program = kind == DataFileKind::kProgram;
    const bool ok =
        program ? session.RunJob(comm::kJobProgramUpload, shell::Catalogue(kTextUploadProgram),
                                 false, "none") &&
                      core.Engine().LastOutcome().facts.programItemCount != 0
                : session.RunJob(comm::kJobUpload, shell::Catalogue(kTextUpload), false, "none");
    if (!ok) {
        if (Stopped()) exitCode = StoppedExit();
        return std::nullopt;
    }
    const auto bytes =
        program ? files::EncodeProgramRecord(files::CurrentProgramRecord(core.Data()))
                : files::EncodeParameterRecord(files::CurrentParameterRecord(core.Data()));
    return plant::Blob(bytes.begin(), bytes.end());
}

int Diff(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    if (o.instrument == !o.other.empty()) {
        Note(
            "register diff compares a record with a second record, a file or --instrument (one of "
            "them)");
        return kExitUsage;
    }
    const auto first = GetRecord(reg, o.id);
    if (!first) return kExitSystemError;
    const std::string firstName = "record " + std::to_string(o.id);
    const DataFileKind kind = first->fileKind;
    if (o.instrument) {
        int exitCode = kExitOk;
        const auto bytes = UploadInstrument(core, kind, exitCode);
        if (!bytes) return exitCode;
        return PrintSetDifferences(first->bytes, firstName, *bytes, "instrument", kind);
    }
    if (std::all_of(o.other.begin(), o.other.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const auto second = GetRecord(reg, std::stoll(o.other));
        if (!second) return kExitSystemError;
        if (second->fileKind != kind) {
            Note(firstName + " holds " + KindWord(kind) + ", record " + o.other + " " +
                 KindWord(second->fileKind) + "; nothing compared");
            return kExitSystemError;
        }
        return PrintSetDifferences(first->bytes, firstName, second->bytes, "record " + o.other,
                                   kind);
    }
    if (files::DataFileKindOf(o.other) != kind) {
        Note(firstName + " holds " + KindWord(kind) + ": compare it with a " +
             files::ExtensionOf(kind) + " file");
        return kExitUsage;
    }
    files::Bytes bytes;
    if (const int error = files::ReadWholeFile(o.other, bytes); error != 0) {
        Note("cannot read " + o.other + ": " + files::FileErrorDescription(error));
        return kExitSystemError;
    }
    return PrintSetDifferences(first->bytes, firstName, plant::Blob(bytes.begin(), bytes.end()),
                               o.other, kind);
}

// ------------------------------------------------------------ audit

/// The register's time of a --from or --to date; a date alone as --to is
/// the end of that day (the next day's start, which the period leaves out).
std::optional<std::string> PeriodBound(const std::string& text, bool end) {
    auto time = plant::NormaliseTime(text);
    if (!time) return std::nullopt;
    using namespace std::chrono;
    const year_month_day date{year{std::stoi(time->substr(0, 4))},
                              month{static_cast<unsigned>(std::stoi(time->substr(5, 2)))},
                              day{static_cast<unsigned>(std::stoi(time->substr(8, 2)))}};
    if (!date.ok()) return std::nullopt;
    if (!end || text.size() != 10) return time;
    const year_month_day next{sys_days{date} + days{1}};
    char out[32];
    std::snprintf(out, sizeof out, "%04d-%02u-%02uT00:00:00Z", static_cast<int>(next.year()),
                  static_cast<unsigned>(next.month()), static_cast<unsigned>(next.day()));
    return std::string(out);
}

/// One row a change, a record without changes in a row of its own.
std::vector<std::vector<std::string>> AuditRows(const std::vector<Record>& records) {
    std::vector<std::vector<std::string>> rows;
    for (const auto& r : records) {
        std::vector<std::string> head = {r.time,
                                         plant::KindName(r.kind),
                                         r.instrument.Name(),
                                         r.instrument.model,
                                         r.instrument.plant,
                                         r.instrument.area,
                                         r.user,
                                         r.host,
                                         std::to_string(r.id)};
        if (r.changes.empty()) {
            auto row = head;
            row.insert(row.end(), {"", "", "", "", ""});
            rows.push_back(std::move(row));
        }
        for (const auto& c : r.changes) {
            auto row = head;
            row.insert(row.end(), {c.address, shell::Trim(c.name), shell::Trim(c.before),
                                   shell::Trim(c.after), shell::Trim(c.file)});
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

int WriteAuditCsv(const std::string& registerName, const RegisterOptions& o,
                  const std::vector<std::vector<std::string>>& rows) {
    const std::string registerFile =
        registerName.rfind("sqlite:", 0) == 0 ? registerName.substr(7) : std::string();
    std::string problem = files::OutputTargetProblem(o.csv, registerFile, o.force);
    if (problem.empty()) problem = files::SaveTargetProblem(o.csv);
    if (!problem.empty()) {
        Note(problem);
        return kExitSystemError;
    }
    std::string text =
        "time,kind,instrument,model,plant,area,user,host,record,address,name,"
        "before,after,file\r\n";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            text += (i == 0 ? "" : ",") + files::CsvQuote(row[i]);
        text += "\r\n";
    }
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (const int error = files::ReplaceFileContents(o.csv, bytes); error != 0) {
        Note(o.csv + " was not written: " + files::FileErrorDescription(error));
        return kExitSystemError;
    }
    if (!Link().quiet && !Link().json)
        Note(std::to_string(rows.size()) + " rows written to " + o.csv);
    return kExitOk;
}

int Audit(const CliContext& context, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto from = o.from.empty() ? std::optional<std::string>("") : PeriodBound(o.from, false);
    const auto to = o.to.empty() ? std::optional<std::string>("") : PeriodBound(o.to, true);
    if (!from || !to) {
        Note((from ? o.to : o.from) +
             " is not a date: give yyyy-mm-dd or yyyy-mm-ddThh:mm[:ss] (UTC)");
        return kExitUsage;
    }
    const auto records = reg.Audit(*from, *to);
    const auto rows = AuditRows(records);
    if (!o.csv.empty()) {
        if (const int exit =
                WriteAuditCsv(plant::RegisterName(nullptr, context.registerName), o, rows);
            exit != kExitOk)
            return exit;
    }
    if (Link().json) {
        ordered_json list = ordered_json::array();
        for (const auto& r : records) {
            list.push_back({{"id", r.id},
                            {"time", r.time},
                            {"kind", plant::KindName(r.kind)},
                            {"instrument", r.instrument.Name()},
                            {"model", r.instrument.model},
                            {"plant", r.instrument.plant},
                            {"area", r.instrument.area},
                            {"user", r.user},
                            {"host", r.host},
                            {"ok", r.ok},
                            {"result", r.result},
                            {"changes", ChangesJson(r.changes)}});
        }
        PrintJson({{"from", from->empty() ? ordered_json(nullptr) : ordered_json(*from)},
                   {"to", to->empty() ? ordered_json(nullptr) : ordered_json(*to)},
                   {"records", list}});
    } else if (o.csv.empty()) {
        if (records.empty()) {
            Note("no instrument was written to in the period");
            return kExitOk;
        }
        std::vector<std::vector<std::string>> table;
        for (const auto& row : rows) {
            table.push_back(
                {row[0], row[1], row[2], row[3], row[6] + "@" + row[7], row[8], row[9], row[10],
                 row[9].empty() ? "(no item changed)"
                                : ChangeText({row[9], row[10], row[11], row[12], row[13]})});
        }
        PrintTable({"TIME", "KIND", "INSTRUMENT", "MODEL", "USER@HOST", "RECORD", "ADDR", "NAME",
                    "BEFORE -> AFTER"},
                   table);
    }
    return kExitOk;
}

// ------------------------------------------------------------ export, restore

int Export(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return kExitSystemError;
    CliServices services(core.Data());
    // The name must stand for the kind of set the record holds.
    const auto path = PrepareSave(core, o.output, record->fileKind);
    if (!path) return kExitSystemError;
    shell::platform::TargetStatus existing;
    if (!o.force &&
        shell::platform::StatusOf(shell::platform::PathFromUtf8(*path), existing) == 0 &&
        existing.exists) {
        Note(*path + " exists; give --force to replace it");
        return kExitSystemError;
    }
    if (const int error = files::ReplaceFileContents(*path, record->bytes); error != 0) {
        Note(*path + " was not written: " + files::FileErrorDescription(error));
        return kExitSystemError;
    }
    if (Link().json) {
        PrintJson({{"record", record->id}, {"file", *path}, {"hash", record->hash}});
    } else if (!Link().quiet) {
        Note("record " + std::to_string(record->id) + " (" + plant::KindName(record->kind) +
             " of " + record->instrument.Name() + ", " + record->time + ") saved to " + *path);
    }
    return kExitOk;
}

int Restore(session::CoreSession& core, const CliContext& context, const RegisterOptions& o) {
    std::optional<Record> record;
    const int exit = WithRegister(context, [&record, &o](plant::PlantRegister& reg) {
        DataFileKind kind = o.program ? DataFileKind::kProgram : DataFileKind::kParameter;
        if (o.id != 0) {
            if (const auto given = reg.Get(o.id)) kind = given->fileKind;
        }
        std::string why;
        record = session::RestoreRecordFor(reg, o.name, o.id, kind, why);
        if (!record) Note(why + "; nothing was downloaded");
        return record ? kExitOk : kExitSystemError;
    });
    if (!record) return exit;
    if (!Link().json) {
        std::cout << "restore: record " << record->id << " (" << plant::KindName(record->kind)
                  << " of " << record->time << ")" << std::endl;
    }
    DownloadOptions download = o.download;
    // The list of changes names the record: an upload's file name is often
    // not yet known when the register records it.
    download.file = "record " + std::to_string(record->id) + " of " + record->instrument.Name();
    return RunRestore(core, download, *record);
}

// ------------------------------------------------------------ the commands

const char* const kLinkFooter =
    "Instrument link options, before or after the command: --port DEV (without it the built-in "
    "simulated instrument answers), --speed, --slot N, --log [FILE], --quiet, --fast, --sim FILE. "
    "See rq50-cli --help.";

const CLI::Validator kRecordNumber(
    [](const std::string& text) -> std::string {
        const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
            return c >= '0' && c <= '9';
        });
        return digits && text.find_first_not_of('0') != std::string::npos
                   ? std::string()
                   : "a record's number is a whole number from 1 (register history lists them)";
    },
    "ID");

void AddRegisterCommands(CLI::App& app, CliContext& context) {
    auto* reg = app.add_subcommand(
        "register",
        "what the plant register holds: instruments, histories, records, changes; restore a "
        "record (the register of --register, else $RQ50_REGISTER, else register.sqlite in the "
        "user data folder)");
    reg->require_subcommand(1);
    reg->fallthrough();
    // Each command runs `work` on the register once the command line is parsed.
    auto command = [reg, &context](
                       const std::string& name, const std::string& description,
                       std::function<int(session::CoreSession&, plant::PlantRegister&)> work) {
        auto* sub = reg->add_subcommand(name, description);
        sub->fallthrough();
        sub->add_flag("--json", Link().json, "print it as JSON (see docs/cli.md)");
        sub->callback([&context, work] {
            context.run = [&context, work](session::CoreSession& core) {
                return WithRegister(
                    context, [&core, &work](plant::PlantRegister& r) { return work(core, r); });
            };
        });
        return sub;
    };
    using Core = session::CoreSession;
    using Reg = plant::PlantRegister;

    auto list = std::make_shared<RegisterOptions>();
    auto* ls = command("list", "the instruments: name, model, plant, area, records, last record",
                       [list](Core&, Reg& r) { return List(r, *list); });
    ls->add_option("--model", list->model, "only instruments of this model");
    ls->add_option("--plant", list->plant, "only instruments of this plant (Title 1)");
    ls->add_flag("--real", list->real,
                 "leave out the records of the built-in simulated instrument (port "
                 "\"simulated\")");
    ls->add_option("--tag", list->pattern,
                   "only instruments whose name (tag, else instrument number) matches PATTERN; "
                   "* and ? are wildcards")
        ->type_name("PATTERN");

    auto history = std::make_shared<RegisterOptions>();
    auto* hi = command("history", "an instrument's records, newest first",
                       [history](Core&, Reg& r) { return History(r, *history); });
    hi->add_option("NAME", history->name, "the instrument's name (tag, else instrument number)")
        ->required();

    auto named = std::make_shared<RegisterOptions>();
    auto* nm = reg->add_subcommand(
        "name",
        "give the instrument of record ID a name: one without a TAG NO item (filed by "
        "instrument number, or by model, port and slot); its later records follow the name");
    nm->fallthrough();
    nm->add_option("ID", named->id, "a record of the instrument (register history lists them)")
        ->required()
        ->check(kRecordNumber);
    nm->add_option("NAME", named->newName, "the instrument's name from now on")->required();
    nm->add_flag("--json", Link().json, "print it as JSON (see docs/cli.md)");
    nm->callback([named, &context] {
        context.run = [named, &context](Core&) {
            return WithRegister(
                context, [&named](Reg& r) { return Rename(r, *named); }, true);
        };
    });

    auto show = std::make_shared<RegisterOptions>();
    auto* sh = command("show", "a record, then its set as show prints a file",
                       [show](Core& core, Reg& r) { return Show(core, r, *show); });
    sh->add_option("ID", show->id, "the record's number")->required()->check(kRecordNumber);
    sh->add_flag("--maint", show->maint, "list the MAINT items too (MAINT Mode)");

    auto diff = std::make_shared<RegisterOptions>();
    auto* df = command(
        "diff",
        "a record's set item by item against another record, a file or the instrument (exit 1 "
        "when any differ)",
        [diff](Core& core, Reg& r) { return Diff(core, r, *diff); });
    df->add_option("ID", diff->id, "the record's number")->required()->check(kRecordNumber);
    df->add_option("OTHER", diff->other, "a second record's number, or a .7pa/.7pr file");
    df->add_flag("--instrument", diff->instrument,
                 "upload the instrument's set and compare with it (nothing is recorded)");
    df->footer(kLinkFooter);

    auto audit = std::make_shared<RegisterOptions>();
    auto* au = command(
        "audit",
        "who wrote what to which instrument: every download and restore of a period with the "
        "items it changed (before -> after)",
        [audit, &context](Core&, Reg& r) { return Audit(context, r, *audit); });
    au->add_option("--from", audit->from,
                   "from this time on: yyyy-mm-dd or yyyy-mm-ddThh:mm[:ss], UTC");
    au->add_option("--to", audit->to,
                   "before this time; a date alone takes in the whole day (up to the next "
                   "day's 00:00)");
    au->add_option("--csv", audit->csv, "write the rows to this CSV file instead of the table");
    au->add_flag("--force", audit->force, "replace the CSV file when it exists");

    auto exported = std::make_shared<RegisterOptions>();
    auto* ex = command("export", "write a record's set as a .7pa or .7pr file",
                       [exported](Core& core, Reg& r) { return Export(core, r, *exported); });
    ex->add_option("ID", exported->id, "the record's number")->required()->check(kRecordNumber);
    ex->add_option("-o,--output", exported->output,
                   "the file to write: .7pa for a parameter set, .7pr for a program (added to "
                   "a name without extension)")
        ->required();
    ex->add_flag("--force", exported->force, "replace the file when it exists");

    auto restore = std::make_shared<RegisterOptions>();
    auto* rs = reg->add_subcommand(
        "restore",
        "download a record of the register into the instrument as download does (backup, list "
        "of changes, read-back); the last good set unless --record");
    rs->fallthrough();
    rs->footer(kLinkFooter);
    rs->add_option("NAME", restore->name, "the instrument's name (tag, else instrument number)")
        ->required();
    auto* recordOption = rs->add_option(
        "--record", restore->id,
        "this record, not the last good one (the last upload, or download or restore whose "
        "read-back matched)");
    recordOption->check(kRecordNumber);
    rs->add_flag("--program", restore->program, "restore the program, not the parameter set")
        ->excludes(recordOption);
    rs->add_option_function<std::string>(
        "--password", [restore](const std::string& p) { restore->download.password = p; },
        "the download password, when one is set");
    rs->add_flag("--no-backup", restore->download.noBackup,
                 "do not upload and keep the instrument's set in User/BACKUP first");
    rs->add_flag("--yes", restore->download.yes,
                 "download without asking after the list of changes (for scripts)");
    rs->add_flag("--json", Link().json, "print the outcome as JSON (see docs/cli.md)");
    rs->callback([restore, &context] {
        context.run = [restore, &context](Core& core) { return Restore(core, context, *restore); };
    });
}

const RegisterCommands kRegisterCommands(&AddRegisterCommands);

}  // namespace

}  // namespace rq50::cli
