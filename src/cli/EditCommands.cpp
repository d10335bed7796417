// rq50-cli commands that work on files without an instrument: set a value in
// a parameter file, set a step or constant of a program file, compare two
// files, and the download password kept in Setting.ini.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/ProgramSupport.h"
#include "cli/TerminalFilter.h"
#include "comm/jobs/Password.h"
#include "files/Categories.h"
#include "files/Compare.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SettingFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "parameter/ItemEdit.h"
#include "parameter/ValueRules.h"
#include "session/CoreSession.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <iostream>
#include <memory>

namespace rq50::cli {

namespace {

using files::DataFileKind;

// ------------------------------------------------------------ set

/// The --category word of the category that holds block `index` of a data
/// set; "set" when none does.
std::string CategoryWordOf(const files::DataSetHeader& header, const parameter::ItemArray& items,
                           std::size_t index) {
    const auto ranges = files::CategoryRanges(header, items);
    for (std::size_t c = 0; c < ranges.size(); ++c) {
        if (ranges[c] && ranges[c]->Holds(index)) return CategoryNames()[c];
    }
    return "set";
}

struct SetOptions {
    std::string file;
    std::string address;
    std::string value;
};

ExitCode RunSet(session::CoreSession& core, const SetOptions& o) {
    CliServices services(core.Data());
    if (files::DataFileKindOf(o.file) != DataFileKind::kParameter) {
        Note(o.file + ": set changes a parameter file (.7pa); program-set changes a program file");
        return ExitCode::Usage;
    }
    const auto address = parameter::ParseAddress(o.address);
    if (!address) {
        Note("\"" + o.address +
             "\" is no item address; an address is a group letter and a "
             "number, e.g. C02");
        return ExitCode::Usage;
    }
    if (!ReadDataFile(core, DataFileKind::kParameter, o.file)) return ExitCode::SystemError;
    auto& items = core.Data().items.dataSet;
    const auto it = std::find_if(items.begin(), items.end(), [&](const parameter::ItemBlock& b) {
        const auto item = parameter::DecodeItem(b, false);
        return item.ma == address->first && item.mb == address->second;
    });
    if (it == items.end()) {
        Note(o.file + " holds no item " +
             parameter::FormatAddress(address->first, address->second));
        return ExitCode::SystemError;
    }
    const auto before = parameter::DecodeItem(*it, false);
    const std::string label =
        parameter::FormatAddress(before.ma, before.mb) + " " + FieldText(shell::Trim(before.name));
    const auto edit = parameter::SetItemValue(*it, o.value);
    if (!edit.ok) {
        Note(label + ": " + edit.error);
        return ExitCode::SystemError;
    }
    *it = edit.block;
    if (!files::WriteParameterFile(core.Data(), o.file)) {
        Note(o.file + " was not written; it is as it was");
        return ExitCode::SystemError;
    }
    const auto after = parameter::DecodeItem(edit.block, false);
    std::cout << label << ": " << FieldText(shell::Trim(files::ShownValue(before))) << " -> "
              << FieldText(shell::Trim(files::ShownValue(after))) << "\n";
    if (!edit.note.empty()) {
        Note(label + ": " + FieldText(edit.note) + "; rq50-cli read --category " +
             CategoryWordOf(core.Data().header, items,
                            static_cast<std::size_t>(it - items.begin())) +
             " " + parameter::FormatAddress(before.ma, before.mb) +
             " lists the instrument's choices");
    }
    const auto& h = core.Data().header;
    if (before.ma < h.starts[files::Category::Set] ||
        before.ma >= h.starts[files::Category::Adjust]) {
        Note("only SET items are downloaded; " + parameter::FormatAddress(before.ma, before.mb) +
             " is changed in the file only");
    }
    return ExitCode::Ok;
}

// ------------------------------------------------------------ program-set

ExitCode RunProgramSet(session::CoreSession& core, const SetOptions& o) {
    CliServices services(core.Data());
    if (files::DataFileKindOf(o.file) != DataFileKind::kProgram) {
        Note(o.file + ": program-set changes a program file (.7pr); set changes a parameter file");
        return ExitCode::Usage;
    }
    program::CategoryTable categories;
    if (!LoadCategories(core, categories)) return ExitCode::SystemError;
    program::EditorHost host;
    std::unique_ptr<program::ProgramEditor> editor;
    if (!OpenInEditor(core, o.file, categories, host, editor)) {
        Note("cannot read " + o.file);
        return ExitCode::SystemError;
    }
    const std::string wanted = shell::TrimUpper(o.address);
    for (const auto id : {program::GridId::kProgram, program::GridId::kConst}) {
        const auto& grid = editor->Grid(id);
        for (int row = 1; row <= grid.Rows(); ++row) {
            if (shell::TrimUpper(grid.Get(row, 0)) != wanted || wanted.empty()) continue;
            const int column =
                id == program::GridId::kProgram ? program::kOperatorColumn : program::kValueColumn;
            const std::string before = grid.Get(row, column);
            editor->BeginEdit(id, row, column);
            if (!editor->EndEdit(id, row, column, o.value)) {
                Note(wanted + ": \"" + o.value + "\" is refused by the program editor's rules");
                return ExitCode::SystemError;
            }
            const std::string after = editor->Grid(id).Get(row, column);
            if (editor->WriteBackForOutput(shell::Catalogue(kTextSaveToFile)) !=
                program::WriteBackStatus::kReady)
                return ExitCode::SystemError;
            if (!files::WriteProgramFile(core.Data(), o.file)) {
                Note(o.file + " was not written; it is as it was");
                return ExitCode::SystemError;
            }
            std::cout << wanted << ": " << shell::Trim(before) << " -> " << shell::Trim(after)
                      << "\n";
            return ExitCode::Ok;
        }
    }
    Note(o.file + " has no step or CONST item " + wanted);
    return ExitCode::SystemError;
}

// ------------------------------------------------------------ diff

struct DiffOptions {
    std::string first;
    std::string second;
    bool all = false;
    bool json = false;
};

ExitCode RunDiff(session::CoreSession& core, const DiffOptions& o) {
    CliServices services(core.Data());
    const auto kind = files::DataFileKindOf(o.first);
    if (!kind || files::DataFileKindOf(o.second) != kind) {
        Note("diff compares two parameter files (.7pa) or two program files (.7pr)");
        return ExitCode::Usage;
    }
    std::vector<std::string> notes;
    std::vector<files::ItemDifference> differences;
    auto unreadable = [&core](const std::string& path, files::FileError error) {
        files::ReportFileError(core.Data().hosts, error, "");
        Note("cannot read " + path);
        return ExitCode::SystemError;
    };
    if (*kind == DataFileKind::kParameter) {
        files::ParameterFileRecord a, b;
        if (const auto e = files::LoadParameterFile(o.first, a); e != files::FileError::Ok) return unreadable(o.first, e);
        if (const auto e = files::LoadParameterFile(o.second, b); e != files::FileError::Ok) return unreadable(o.second, e);
        notes = files::CompareHeaders(a.header, b.header);
        differences = files::CompareDataSets(
            a.items, b.items,
            o.all ? files::CompareScope::kAll : files::CompareScope::kAllButMeasured, 0, 0);
    } else {
        files::ProgramFileRecord a, b;
        if (const auto e = files::LoadProgramFile(o.first, a); e != files::FileError::Ok) return unreadable(o.first, e);
        if (const auto e = files::LoadProgramFile(o.second, b); e != files::FileError::Ok) return unreadable(o.second, e);
        if (shell::TrimUpper(a.header.modelCode) != shell::TrimUpper(b.header.modelCode)) {
            notes.push_back("model " + shell::Trim(a.header.modelCode) + " against " +
                            shell::Trim(b.header.modelCode));
        }
        differences = files::ComparePrograms(a, b, true);
    }
    PrintDifferences(o.first, o.second, notes, differences, o.json);
    return notes.empty() && differences.empty() ? ExitCode::Ok : ExitCode::SystemError;
}

// ------------------------------------------------------------ password

/// The password rules of the password dialog, applied to Setting.ini of the
/// application folder.
ExitCode RunPassword(session::CoreSession& core, const std::string& action,
                const std::vector<std::string>& args) {
    CliServices services(core.Data());
    core.Data().state.settingFilePath = core.Data().config.FilePath("Setting.ini");
    const std::string title = shell::Catalogue(kTextPassword);
    const bool stored = files::PasswordIsStored(core.Data());
    auto needs = [&](std::size_t n, const char* form) {
        if (args.size() == n) return true;
        Note(std::string("usage: rq50-cli password ") + form);
        return false;
    };
    // The dialog does nothing on an empty field; a command says why.
    for (const auto& arg : args) {
        if (arg.empty()) {
            Note("a password is 1 to 4 digits (0-9); an empty one was given, nothing changed");
            return ExitCode::SystemError;
        }
    }
    auto setNew = [&](const std::string& entry) {
        const auto out = comm::jobs::PasswordDialogOk(core.Data(), shell::PasswordMode::Set, entry,
                                                      entry, title);
        return out.store && out.close ? ExitCode::Ok : ExitCode::SystemError;
    };
    auto currentIsRight = [&](const std::string& entry) {
        return comm::jobs::PasswordDialogOk(core.Data(), shell::PasswordMode::Verify, entry, entry,
                                            title)
            .downloadAllowed;
    };
    if (action == "set") {
        if (!needs(1, "set NEW")) return ExitCode::Usage;
        if (stored) {
            Note("a password is set already; use password change OLD NEW");
            return ExitCode::SystemError;
        }
        return setNew(args[0]);
    }
    if (action == "change") {
        if (!needs(2, "change OLD NEW")) return ExitCode::Usage;
        if (!stored) {
            Note("no password is set; use password set NEW");
            return ExitCode::SystemError;
        }
        if (!currentIsRight(args[0])) return ExitCode::SystemError;
        return setNew(args[1]);
    }
    // clear
    if (!needs(1, "clear CURRENT")) return ExitCode::Usage;
    if (!stored) {
        Note("no password is set");
        return ExitCode::Ok;
    }
    if (!currentIsRight(args[0])) return ExitCode::SystemError;
    core.Data().state.storedPassword = files::kNoPassword;
    if (!files::WriteSettingFile(core.Data())) {
        Note("Setting.ini was not written; the password is unchanged");
        return ExitCode::SystemError;
    }
    files::ReadSettingFile(core.Data());
    std::cout << "The password has been cancelled.\n";
    return ExitCode::Ok;
}

void AddEditCommands(CLI::App& app, CliContext& context) {
    auto set = std::make_shared<SetOptions>();
    auto* st = app.add_subcommand(
        "set", "change one value of a parameter file, with the entry rules of the online WRITE");
    st->add_option("FILE", set->file, "the .7pa file (saved in place)")->required();
    st->add_option("ADDRESS", set->address, "the item's address, e.g. C02")->required();
    st->add_option("VALUE", set->value, "the value; a selection takes a choice code")->required();
    st->callback([set, &context] {
        context.run = [set](session::CoreSession& core) { return RunSet(core, *set); };
    });

    auto pset = std::make_shared<SetOptions>();
    auto* ps = app.add_subcommand(
        "program-set",
        "change one PROGRAM step's operator or one CONST value of a program file, with the "
        "program editor's rules");
    ps->add_option("FILE", pset->file, "the .7pr file (saved in place)")->required();
    ps->add_option("ADDRESS", pset->address, "a step (e.g. P05) or a CONST item (e.g. Q03)")
        ->required();
    ps->add_option("VALUE", pset->value, "the operator, or the CONST value")->required();
    ps->callback([pset, &context] {
        context.run = [pset](session::CoreSession& core) { return RunProgramSet(core, *pset); };
    });

    auto diff = std::make_shared<DiffOptions>();
    auto* df = app.add_subcommand(
        "diff", "list the items whose values differ between two files (exit 1 when any differ)");
    df->add_option("FIRST", diff->first, "a .7pa or .7pr file")->required();
    df->add_option("SECOND", diff->second, "a file of the same kind")->required();
    df->add_flag("--all", diff->all, "compare measured values too");
    df->add_flag("--json", diff->json, "print the differences as JSON (see docs/cli.md)");
    df->callback([diff, &context] {
        context.run = [diff](session::CoreSession& core) { return RunDiff(core, *diff); };
    });

    auto* pw =
        app.add_subcommand("password", "set, change or cancel the download password (Setting.ini)");
    pw->require_subcommand(1);
    const std::tuple<const char*, const char*, int> actions[] = {
        {"set", "set a password of 1-4 digits when none is set: password set NEW", 1},
        {"change", "change the password: password change OLD NEW", 2},
        {"clear", "cancel the password: password clear CURRENT", 1}};
    for (const auto& [name, help, count] : actions) {
        auto args = std::make_shared<std::vector<std::string>>();
        auto* action = pw->add_subcommand(name, help);
        action->add_option("PASSWORDS", *args, "the passwords, in the order shown")
            ->expected(count);
        action->callback([args, &context, action = std::string(name)] {
            context.run = [args, action](session::CoreSession& core) {
                return RunPassword(core, action, *args);
            };
        });
    }
}

const RegisterCommands kEditCommands(&AddEditCommands);

}  // namespace

}  // namespace rq50::cli
