// rq50-cli register diff and audit: what differs between a record and another
// set, and who changed what in a period.
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RegisterWork.h"
#include "comm/Engine.h"
#include "files/Compare.h"
#include "files/Csv.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/CoreSession.h"
#include "shell/Catalogue.h"
#include "shell/JobCodes.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

namespace rq50::cli::plantreg {

using files::DataFileKind;
using plant::Record;

namespace {

// ------------------------------------------------------------ diff

const char* KindWord(DataFileKind kind) {
    return kind == DataFileKind::kProgram ? "a program" : "a parameter set";
}

/// The model a set is for; nothing when it cannot be read.
std::optional<std::string> ModelOf(const plant::Blob& bytes, DataFileKind kind,
                                   files::DataSetHeader* header) {
    if (kind == DataFileKind::kProgram) {
        files::ProgramFileRecord program;
        if (files::DecodeProgramRecord(bytes, program) != files::FileError::Ok) return std::nullopt;
        return program.header.modelCode;
    }
    files::ParameterFileRecord set;
    if (files::DecodeParameterRecord(bytes, set) != files::FileError::Ok) return std::nullopt;
    *header = set.header;
    return set.header.model;
}

/// `first` against `second` (sets of `kind`) by the register's rule, printed
/// as `verify` prints its differences; sets of two models are not compared.
ExitCode PrintSetDifferences(const plant::Blob& first, const std::string& firstName,
                        const plant::Blob& second, const std::string& secondName,
                        DataFileKind kind) {
    files::DataSetHeader a, b;
    const auto modelA = ModelOf(first, kind, &a);
    const auto modelB = ModelOf(second, kind, &b);
    if (!modelA || !modelB) {
        Note((modelA ? secondName : firstName) + " holds no readable set; nothing compared");
        return ExitCode::SystemError;
    }
    if (shell::Trim(*modelA) != shell::Trim(*modelB)) {
        Note(firstName + " is of model " + shell::Trim(*modelA) + ", " + secondName + " of model " +
             shell::Trim(*modelB) + "; nothing compared");
        return ExitCode::SystemError;
    }
    const auto notes =
        kind == DataFileKind::kParameter ? files::CompareHeaders(a, b) : std::vector<std::string>{};
    const auto differences = plant::DiffSets(first, second, kind);
    PrintDifferences(firstName, secondName, notes, differences, Link().json);
    return notes.empty() && differences.empty() ? ExitCode::Ok : ExitCode::SystemError;
}

/// The instrument's set (or program) uploaded over the line as `verify`
/// does, recorded nowhere; nothing when the upload failed.
std::optional<plant::Blob> UploadInstrument(session::CoreSession& core, DataFileKind kind,
                                            ExitCode& exitCode) {
    Session session(core);
    exitCode = ExitCode::SystemError;
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

}  // namespace

ExitCode Diff(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    if (o.instrument == !o.other.empty()) {
        Note(
            "register diff compares a record with a second record, a file or --instrument (one of "
            "them)");
        return ExitCode::Usage;
    }
    const auto first = GetRecord(reg, o.id);
    if (!first) return ExitCode::SystemError;
    const std::string firstName = "record " + std::to_string(o.id);
    const DataFileKind kind = first->fileKind;
    if (o.instrument) {
        ExitCode exitCode = ExitCode::Ok;
        const auto bytes = UploadInstrument(core, kind, exitCode);
        if (!bytes) return exitCode;
        return PrintSetDifferences(first->bytes, firstName, *bytes, "instrument", kind);
    }
    if (std::all_of(o.other.begin(), o.other.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        const auto second = GetRecord(reg, std::stoll(o.other));
        if (!second) return ExitCode::SystemError;
        if (second->fileKind != kind) {
            Note(firstName + " holds " + KindWord(kind) + ", record " + o.other + " " +
                 KindWord(second->fileKind) + "; nothing compared");
            return ExitCode::SystemError;
        }
        return PrintSetDifferences(first->bytes, firstName, second->bytes, "record " + o.other,
                                   kind);
    }
    if (files::DataFileKindOf(o.other) != kind) {
        Note(firstName + " holds " + KindWord(kind) + ": compare it with a " +
             files::ExtensionOf(kind) + " file");
        return ExitCode::Usage;
    }
    files::Bytes bytes;
    if (const auto error = files::ReadWholeFile(o.other, bytes); error != files::FileError::Ok) {
        Note("cannot read " + o.other + ": " + files::FileErrorDescription(error));
        return ExitCode::SystemError;
    }
    return PrintSetDifferences(first->bytes, firstName, plant::Blob(bytes.begin(), bytes.end()),
                               o.other, kind);
}

// ------------------------------------------------------------ audit

namespace {

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
        const std::vector<std::string> tail = {r.reason};
        if (r.changes.empty()) {
            auto row = head;
            row.insert(row.end(), {"", "", "", "", ""});
            row.insert(row.end(), tail.begin(), tail.end());
            rows.push_back(std::move(row));
        }
        for (const auto& c : r.changes) {
            auto row = head;
            row.insert(row.end(), {c.address, shell::Trim(c.name), shell::Trim(c.before),
                                   shell::Trim(c.after), shell::Trim(c.file)});
            row.insert(row.end(), tail.begin(), tail.end());
            rows.push_back(std::move(row));
        }
    }
    return rows;
}

ExitCode WriteAuditCsv(const std::string& registerName, const RegisterOptions& o,
                  const std::vector<std::vector<std::string>>& rows) {
    const std::string registerFile =
        registerName.rfind("sqlite:", 0) == 0 ? registerName.substr(7) : std::string();
    std::string problem = files::OutputTargetProblem(o.csv, registerFile, o.force);
    if (problem.empty()) problem = files::SaveTargetProblem(o.csv);
    if (!problem.empty()) {
        Note(problem);
        return ExitCode::SystemError;
    }
    std::string text =
        "time,kind,instrument,model,plant,area,user,host,record,address,name,"
        "before,after,file,reason\r\n";
    for (const auto& row : rows) {
        for (std::size_t i = 0; i < row.size(); ++i)
            text += (i == 0 ? "" : ",") + files::CsvQuote(row[i]);
        text += "\r\n";
    }
    const std::vector<std::uint8_t> bytes(text.begin(), text.end());
    if (const auto error = files::ReplaceFileContents(o.csv, bytes); error != files::FileError::Ok) {
        Note(o.csv + " was not written: " + files::FileErrorDescription(error));
        return ExitCode::SystemError;
    }
    if (!Link().quiet && !Link().json)
        Note(std::to_string(rows.size()) + " rows written to " + o.csv);
    return ExitCode::Ok;
}

}  // namespace

ExitCode Audit(const CliContext& context, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto from = o.from.empty() ? std::optional<std::string>("") : PeriodBound(o.from, false);
    const auto to = o.to.empty() ? std::optional<std::string>("") : PeriodBound(o.to, true);
    if (!from || !to) {
        Note((from ? o.to : o.from) +
             " is not a date: give yyyy-mm-dd or yyyy-mm-ddThh:mm[:ss] (UTC)");
        return ExitCode::Usage;
    }
    const auto records = reg.Audit(*from, *to);
    const auto rows = AuditRows(records);
    if (!o.csv.empty()) {
        if (const ExitCode exit =
                WriteAuditCsv(plant::RegisterName(nullptr, context.registerName), o, rows);
            exit != ExitCode::Ok)
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
                            {"reason", r.reason},
                            {"changes", ChangesJson(r.changes)}});
        }
        PrintJson({{"from", from->empty() ? ordered_json(nullptr) : ordered_json(*from)},
                   {"to", to->empty() ? ordered_json(nullptr) : ordered_json(*to)},
                   {"records", list}});
    } else if (o.csv.empty()) {
        if (records.empty()) {
            Note("no instrument was written to in the period");
            return ExitCode::Ok;
        }
        std::vector<std::vector<std::string>> table;
        for (const auto& row : rows) {
            table.push_back(
                {row[0], row[1], row[2], row[3], row[6] + "@" + row[7], row[8], row[9], row[10],
                 row[9].empty() ? "(no item changed)"
                                : ChangeText({row[9], row[10], row[11], row[12], row[13]}),
                 row[14]});
        }
        PrintTable({"TIME", "KIND", "INSTRUMENT", "MODEL", "USER@HOST", "RECORD", "ADDR", "NAME",
                    "BEFORE -> AFTER", "REASON"},
                   table);
    }
    return ExitCode::Ok;
}

}  // namespace rq50::cli::plantreg
