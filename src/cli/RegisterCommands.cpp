// rq50-cli register: what the plant register holds (its instruments, an
// instrument's history, a record's set, the differences of a record from
// another set, the changes of a period), a record written out as a file, and
// a record downloaded back into its instrument.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RegisterWork.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/CoreSession.h"
#include "session/RegisterActions.h"
#include "shell/PlatformFile.h"

#include <algorithm>
#include <functional>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

namespace rq50::cli::plantreg {

using files::DataFileKind;
using plant::Record;

ExitCode WithRegister(const CliContext& context, const std::function<ExitCode(plant::PlantRegister&)>& work,
                 bool writes) {
    const std::string name = plant::RegisterName(nullptr, context.registerName);
    try {
        // Reading makes no register: a name mistyped is not a new, empty one.
        shell::platform::TargetStatus file;
        if (name.rfind("sqlite:", 0) == 0 &&
            (shell::platform::StatusOf(shell::platform::PathFromUtf8(name.substr(7)), file) != 0 ||
             !file.exists)) {
            Note("the register " + name + " does not exist: nothing has been recorded there");
            return ExitCode::SystemError;
        }
        const auto db =
            writes ? platform::OpenRegisterDatabase(name) : platform::OpenRegisterForReading(name);
        plant::PlantRegister reg(*db);
        return work(reg);
    } catch (const plant::RegisterError& e) {
        Note(plant::HidePassword(e.what(), name));
        return ExitCode::SystemError;
    }
}

// ------------------------------------------------------------ export, restore

ExitCode Export(session::CoreSession& core, plant::PlantRegister& reg, const RegisterOptions& o) {
    const auto record = GetRecord(reg, o.id);
    if (!record) return ExitCode::SystemError;
    CliServices services(core.Data());
    // The name must stand for the kind of set the record holds.
    const auto path = PrepareSave(core, o.output, record->fileKind);
    if (!path) return ExitCode::SystemError;
    shell::platform::TargetStatus existing;
    if (!o.force &&
        shell::platform::StatusOf(shell::platform::PathFromUtf8(*path), existing) == 0 &&
        existing.exists) {
        Note(*path + " exists; give --force to replace it");
        return ExitCode::SystemError;
    }
    if (const auto error = files::ReplaceFileContents(*path, record->bytes); error != files::FileError::Ok) {
        Note(*path + " was not written: " + files::FileErrorDescription(error));
        return ExitCode::SystemError;
    }
    if (Link().json) {
        PrintJson({{"record", record->id}, {"file", *path}, {"hash", record->hash}});
    } else if (!Link().quiet) {
        Note("record " + std::to_string(record->id) + " (" + plant::KindName(record->kind) +
             " of " + record->instrument.Name() + ", " + record->time + ") saved to " + *path);
    }
    return ExitCode::Ok;
}

ExitCode Restore(session::CoreSession& core, const CliContext& context, const RegisterOptions& o) {
    std::optional<Record> record;
    const ExitCode exit = WithRegister(context, [&record, &o](plant::PlantRegister& reg) {
        DataFileKind kind = o.program ? DataFileKind::kProgram : DataFileKind::kParameter;
        if (o.id != 0) {
            if (const auto given = reg.Get(o.id)) kind = given->fileKind;
        }
        std::string why;
        record = session::RestoreRecordFor(reg, o.name, o.id, kind, why);
        if (!record) Note(why + "; nothing was downloaded");
        return record ? ExitCode::Ok : ExitCode::SystemError;
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

}  // namespace rq50::cli::plantreg

namespace rq50::cli {

namespace {

using namespace plantreg;

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
                       std::function<ExitCode(session::CoreSession&, plant::PlantRegister&)> work) {
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

    auto verify = std::make_shared<RegisterOptions>();
    auto* vf = command(
        "verify",
        "walk the register's hash chain: name each record edited, deleted, inserted or "
        "reordered, and a chain cut short of the head this computer or --checkpoint saw (exit 1)",
        [verify, &context](Core&, Reg& r) { return Verify(context, r, *verify); });
    vf->add_option("--checkpoint", verify->checkpoint,
                   "a head kept on paper, as register checkpoint printed it: the chain must "
                   "still reach it")
        ->type_name("ID:HASH");
    command("checkpoint",
            "print the head of the register's chain (record and hash) as ID:HASH, to keep on "
            "paper or in an e-mail for register verify --checkpoint",
            [](Core&, Reg& r) { return Checkpoint(r); });

    auto* kg = reg->add_subcommand(
        "keygen",
        "make your Ed25519 signing key (for you only, in the user data folder) and register its "
        "public key: your records are signed from then on");
    kg->fallthrough();
    kg->add_flag("--json", Link().json, "print it as JSON (see docs/cli.md)");
    kg->callback([&context] {
        context.run = [&context](Core&) {
            const auto recorder = platform::MakeRecorder(nullptr, context.registerName);
            return WithRegister(
                context,
                [&recorder](Reg& r) { return Keygen(r, recorder->User(), recorder->KeyFile()); },
                true);
        };
    });
    auto trust = std::make_shared<RegisterOptions>();
    auto* tr = reg->add_subcommand(
        "trust", "register another user's public key (the signing.pub register keygen wrote)");
    tr->fallthrough();
    tr->add_option("USER", trust->name, "the user (account) whose key it is")->required();
    tr->add_option("KEYFILE", trust->other, "the public key file")->required();
    tr->add_flag("--json", Link().json, "print it as JSON (see docs/cli.md)");
    tr->callback([trust, &context] {
        context.run = [trust, &context](Core&) {
            return WithRegister(
                context, [&trust](Reg& r) { return Trust(r, *trust); }, true);
        };
    });

    auto setting = std::make_shared<RegisterOptions>();
    auto* st = reg->add_subcommand(
        "setting",
        "show or set a setting the register holds for every RQ50 that writes to it: "
        "REASONREQUIRED 1 asks a reason for every download, program download, rack download "
        "and restore");
    st->fallthrough();
    st->add_option("NAME", setting->newName, "the setting: REASONREQUIRED")
        ->required()
        ->check(CLI::IsMember({"REASONREQUIRED"}));
    st->add_option("VALUE", setting->other, "1 (on) or 0 (off); without it the setting is shown")
        ->check(CLI::IsMember({"0", "1"}));
    st->add_flag("--json", Link().json, "print it as JSON (see docs/cli.md)");
    st->callback([setting, &context] {
        context.run = [setting, &context](Core&) {
            return WithRegister(
                context, [&setting](Reg& r) { return Setting(r, *setting); },
                !setting->other.empty());
        };
    });

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
    AddReasonOption(rs, restore->download.reason);
    rs->add_flag("--json", Link().json, "print the outcome as JSON (see docs/cli.md)");
    rs->callback([restore, &context] {
        context.run = [restore, &context](Core& core) { return Restore(core, context, *restore); };
    });
}

const RegisterCommands kRegisterCommands(&AddRegisterCommands);

}  // namespace

}  // namespace rq50::cli
