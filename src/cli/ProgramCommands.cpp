// rq50-cli new-program and check: the template program and the command check,
// run on the same core as the program editor.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "cli/ProgramSupport.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/Workspace.h"
#include "program/ProgramEditor.h"
#include "program/ProgramModel.h"
#include "program/ProgramText.h"
#include "session/CoreSession.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextNumbers.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace rq50::cli {

namespace {}  // namespace

bool LoadCategories(session::CoreSession& core, program::CategoryTable& table) {
    shell::ConfigTables& config = core.Data().config;
    if (!config.LoadCategories()) {
        std::cerr << shell::Catalogue(kTextFailedToInitialize) << "\n"
                  << config.FilePath("Category.ini") << "\n";
        return false;
    }
    table = program::LoadedCategoryTable(config);
    return true;
}

namespace {

ExitCode NewProgram(session::CoreSession& core, const std::string& out) {
    CliServices services(core.Data());
    program::CategoryTable categories;
    if (!LoadCategories(core, categories)) return ExitCode::SystemError;
    auto& state = core.Data().program;
    switch (program::CreateNewProgram(categories, state)) {
        case program::NewProgramResult::kCreated:
            break;
        case program::NewProgramResult::kNotRegistered:
            shell::ShowMessage(core.Data().hosts, kMsgModelNotRegistered, shell::MsgButtons::Ok, {});
            return ExitCode::SystemError;
        case program::NewProgramResult::kAreaTooLarge:
            program::ShowAreaTooLargeMessage(core.Data().hosts, {});
            return ExitCode::SystemError;
    }
    state.source = program::ProgramSource::New;
    state.dataPresent = true;
    state.fileName.clear();
    state.sourceRecords.clear();
    core.Data().information = files::DefaultInformation(files::OleDateNow());
    files::SetInformationFileName(core.Data().information,
                                  std::filesystem::path(out).filename().string());
    if (!files::WriteProgramFile(core.Data(), out)) return ExitCode::SystemError;
    std::cout << out << "\n";
    return ExitCode::Ok;
}

}  // namespace

bool OpenInEditor(session::CoreSession& core, const std::string& path,
                  const program::CategoryTable& categories, program::EditorHost& host,
                  std::unique_ptr<program::ProgramEditor>& editor) {
    if (!files::ReadProgramFile(core.Data(), path)) return false;
    auto& state = core.Data().program;
    state.source = program::ProgramSource::File;
    state.dataPresent = true;
    // No undo history is kept for a headless run.
    editor = std::make_unique<program::ProgramEditor>(
        core.Data().hosts, categories, core.Data().config, state, host, std::string());
    editor->Open();
    return true;
}

ordered_json ErrorLinesJson(const std::vector<program::ErrorLine>& lines) {
    ordered_json list = ordered_json::array();
    for (const auto& line : lines) {
        list.push_back({{"step", JsonText(line.step)},
                        {"operator", JsonText(line.program)},
                        {"message", line.content}});
    }
    return list;
}

bool ProgramReadyForDownload(session::CoreSession& core, const std::string& path, bool force,
                             ordered_json* errors) {
    program::CategoryTable categories;
    if (!LoadCategories(core, categories)) return false;
    static program::EditorHost host;
    std::unique_ptr<program::ProgramEditor> editor;
    if (!OpenInEditor(core, path, categories, host, editor)) {
        Note("cannot read " + path);
        return false;
    }
    const std::string title = shell::Catalogue(kTextProgramDownload);
    if (editor->WriteBackForOutput(title) != program::WriteBackStatus::kReady) return false;
    // The check runs on the editor's copy; what goes to the instrument is the
    // file exactly as stored.
    auto reread = [&core, &path] {
        if (files::ReadProgramFile(core.Data(), path, files::FileTitleOf(path))) return true;
        Note("cannot read " + path);
        return false;
    };
    if (editor->CheckBeforeDownload() == 0) return reread();
    const auto lines = editor->Checker().ErrorLines();
    if (errors) *errors = ErrorLinesJson(lines);
    if (!lines.empty()) std::cerr << program::ErrorListText(lines);
    if (force) {
        Note("the command check found errors; downloading anyway (--force)");
        return reread();
    }
    Note("the command check found errors in " + path +
         "; nothing was downloaded. Mend them, or pass --force to download anyway");
    return false;
}

namespace {

struct CheckOptions {
    std::string file;
    bool json = false;
};

ExitCode Check(session::CoreSession& core, const CheckOptions& o) {
    CliServices services(core.Data());
    program::CategoryTable categories;
    if (!LoadCategories(core, categories)) return ExitCode::SystemError;
    program::EditorHost host;
    std::unique_ptr<program::ProgramEditor> editor;
    if (!OpenInEditor(core, o.file, categories, host, editor)) {
        Note("cannot read " + o.file);
        return ExitCode::SystemError;
    }

    // A program that Save and Download would refuse fails the check with
    // their message, before any list is printed.
    editor->Checker().ClearCheckResults();
    if (editor->WriteBackForOutput(shell::Catalogue(kTextCommandCheck)) !=
        program::WriteBackStatus::kReady) {
        return ExitCode::SystemError;
    }
    const int result = editor->CheckBeforeDownload();
    const bool registered = result == 0 || !editor->Checker().Display().counts.modelNotRegistered;
    const auto lines =
        result == 0 ? std::vector<program::ErrorLine>{} : editor->Checker().ErrorLines();
    if (o.json) {
        PrintJson({{"file", o.file},
                   {"ok", result == 0},
                   {"modelRegistered", registered},
                   {"errors", ErrorLinesJson(lines)}});
        return result == 0 ? ExitCode::Ok : ExitCode::SystemError;
    }
    if (result == 0) {
        std::cout << shell::Catalogue(kTextNoErrorFound) << "\n";
        return ExitCode::Ok;
    }
    if (!registered)
        shell::ShowMessage(core.Data().hosts, kMsgModelNotRegistered, shell::MsgButtons::Ok, {});
    if (!lines.empty()) std::cout << program::ErrorListText(lines);
    return ExitCode::SystemError;
}

void AddProgramCommands(CLI::App& app, CliContext& context) {
    auto* newProgram =
        app.add_subcommand("new-program", "save the new-program template of model RQK2");
    auto out = std::make_shared<std::string>();
    newProgram->add_option("-o,--output", *out, "program file to write (.7pr)")->required();
    newProgram->callback([&context, out] {
        context.run = [out](session::CoreSession& core) { return NewProgram(core, *out); };
    });

    auto* check = app.add_subcommand(
        "check", "run the command check on a program file, as the program editor does");
    auto options = std::make_shared<CheckOptions>();
    check->add_option("file", options->file, "program file (.7pr)")->required();
    check->add_flag("--json", options->json, "print the error list as JSON (see docs/cli.md)");
    check->callback([&context, options] {
        context.run = [options](session::CoreSession& core) { return Check(core, *options); };
    });
}

const RegisterCommands kProgramCommands(&AddProgramCommands);

}  // namespace

}  // namespace rq50::cli
