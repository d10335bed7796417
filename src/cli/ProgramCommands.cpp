// rq50-cli new-program and check: the template program and the command check,
// run on the same core as the program editor.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/ProgramFile.h"
#include "program/ProgramEditor.h"
#include "program/ProgramModel.h"
#include "program/ProgramText.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"

#include <filesystem>
#include <iostream>
#include <memory>

namespace rq50::cli {

namespace {

enum : int {
    kMsgModelNotRegistered = 43,
    kTextNoErrorFound = 1517,
    kTextCommandCheck = 3005,
    kTextFailedToInitialize = 1529,
};

/// Category.ini of the application folder as the program side sees it;
/// false (message printed) when it is missing.
bool LoadCategories(program::CategoryTable& table) {
    if (!shell::LoadCategoryTable()) {
        std::cerr << shell::Catalogue(kTextFailedToInitialize) << "\n"
                  << shell::AppFilePath("Category.ini") << "\n";
        return false;
    }
    table.clear();
    for (const auto& row : shell::CategoryTable()) table.push_back(program::CategoryEntry{row});
    return true;
}

int NewProgram(const std::string& out) {
    CliServices services;
    program::CategoryTable categories;
    if (!LoadCategories(categories)) return kExitSystemError;
    auto& state = program::Program();
    switch (program::CreateNewProgram(categories, state)) {
        case program::NewProgramResult::kCreated:
            break;
        case program::NewProgramResult::kNotRegistered:
            shell::RQ0000fnc_nShowMsgBox(kMsgModelNotRegistered, shell::kButtonsOk, {});
            return kExitSystemError;
        case program::NewProgramResult::kAreaTooLarge:
            program::ShowAreaTooLargeMessage({});
            return kExitSystemError;
    }
    state.source = program::kSourceNew;
    state.dataPresent = true;
    files::InitInformationRecord(files::OleDateNow());
    files::SetInformationFileName(files::CurrentInformation(),
                                  std::filesystem::path(out).filename().string());
    if (!files::WriteProgramFile(out)) return kExitSystemError;
    std::cout << out << "\n";
    return kExitOk;
}

/// Reads a program file and shows it in an editor without a window.
bool OpenInEditor(const std::string& path, const program::CategoryTable& categories,
                  program::EditorHost& host, std::unique_ptr<program::ProgramEditor>& editor) {
    if (!files::ReadProgramFile(path)) return false;
    auto& state = program::Program();
    state.source = program::kSourceFile;
    state.dataPresent = true;
    // No undo history is kept for a headless run.
    editor = std::make_unique<program::ProgramEditor>(categories, state, host, std::string());
    editor->Open();
    return true;
}

int Check(const std::string& path) {
    CliServices services;
    program::CategoryTable categories;
    if (!LoadCategories(categories)) return kExitSystemError;
    program::EditorHost host;
    std::unique_ptr<program::ProgramEditor> editor;
    if (!OpenInEditor(path, categories, host, editor)) return kExitSystemError;

    // A program that Save and Download would refuse fails the check with
    // their message, before any list is printed.
    editor->Checker().ClearCheckResults();
    if (editor->WriteBackForOutput(shell::Catalogue(kTextCommandCheck)) !=
        program::WriteBackStatus::kReady) {
        return kExitSystemError;
    }
    const int result = editor->CheckBeforeDownload();
    if (result == 0) {
        std::cout << shell::Catalogue(kTextNoErrorFound) << "\n";
        return kExitOk;
    }
    const auto& display = editor->Checker().Display();
    if (display.counts.modelNotRegistered) {
        shell::RQ0000fnc_nShowMsgBox(kMsgModelNotRegistered, shell::kButtonsOk, {});
    }
    const auto lines = editor->Checker().ErrorLines();
    if (!lines.empty()) std::cout << program::ErrorListText(lines);
    return kExitSystemError;
}

void AddProgramCommands(CLI::App& app, CliContext& context) {
    auto* newProgram =
        app.add_subcommand("new-program", "save the new-program template of model RQK2");
    auto out = std::make_shared<std::string>();
    newProgram->add_option("-o,--output", *out, "program file to write (.7pr)")->required();
    newProgram->callback([&context, out] { context.run = [out] { return NewProgram(*out); }; });

    auto* check = app.add_subcommand(
        "check", "run the command check on a program file, as the program editor does");
    auto file = std::make_shared<std::string>();
    check->add_option("file", *file, "program file (.7pr)")->required();
    check->callback([&context, file] { context.run = [file] { return Check(*file); }; });
}

const RegisterCommands kProgramCommands(&AddProgramCommands);

}  // namespace

}  // namespace rq50::cli
