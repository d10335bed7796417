// The register commands' options and the work behind each command, shared
// by the command definitions and the files that list and compare records.
#pragma once

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "register/PlantRegister.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rq50::session {
class CoreSession;
}

namespace rq50::cli::plantreg {

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
    std::string checkpoint;  // verify: ID:HASH
    DownloadOptions download;
};

/// The register of the run (--register, else $RQ50_REGISTER, else the user
/// data folder's register.sqlite), opened for `work`: for reading only where
/// it cannot be written, unless `writes`. A register that cannot be opened,
/// and a SQLite file that is not there yet, are said so: exit 1.
ExitCode WithRegister(const CliContext& context, const std::function<ExitCode(plant::PlantRegister&)>& work,
                 bool writes = false);

/// Rows under a head line, each column as wide as its widest text.
void PrintTable(const std::vector<std::string>& head, std::vector<std::vector<std::string>> rows);
/// "PORT/SLOT" of a record, "-" without a line.
std::string Line(const plant::Record& r);
ordered_json RecordJson(const plant::Record& r);
ordered_json ChangesJson(const std::vector<plant::Change>& changes);
/// "80.00 -> 200.00", and what the file asked for where the instrument
/// holds another value.
std::string ChangeText(const plant::Change& c);
/// Record `id`, said so when the register holds none.
std::optional<plant::Record> GetRecord(plant::PlantRegister& reg, std::int64_t id);

ExitCode List(plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode History(plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Rename(plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Show(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Diff(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Audit(const CliContext& context, plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Export(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o);
ExitCode Restore(session::CoreSession& core, const CliContext& context, const RegisterOptions& o);
/// Walks the hash chain; exit 1 when any record was edited, deleted,
/// inserted or reordered, or the chain no longer reaches a known head.
ExitCode Verify(const CliContext& context, plant::PlantRegister& reg, const RegisterOptions& o);
/// Shows the register's setting `o.newName`, or sets it to `o.other`.
ExitCode Setting(plant::PlantRegister& reg, const RegisterOptions& o);
/// Prints the chain's head as ID:HASH.
ExitCode Checkpoint(plant::PlantRegister& reg);
/// Makes `user`'s signing key in `keyFile` (one there is kept) and registers
/// its public key.
ExitCode Keygen(plant::PlantRegister& reg, const std::string& user,
                const std::filesystem::path& keyFile);
/// Registers the public key in file `o.other` as user `o.name`'s.
ExitCode Trust(plant::PlantRegister& reg, const RegisterOptions& o);

}  // namespace rq50::cli::plantreg
