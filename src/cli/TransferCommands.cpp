// rq50-cli commands that move data between an instrument and a file:
// upload, download, program upload and download, and verify.

#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/ProgramSupport.h"
#include "cli/TerminalFilter.h"
#include "comm/Engine.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/Jobs.h"
#include "comm/jobs/Password.h"
#include "files/Backup.h"
#include "files/Compare.h"
#include "files/DataSet.h"
#include "files/FileError.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SettingFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "print/Reports.h"
#include "program/ProgramTypes.h"
#include "register/Record.h"
#include "session/CoreSession.h"
#include "session/Navigation.h"
#include "session/RegisterActions.h"
#include "session/SafeDownload.h"
#include "session/TransferRecords.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/PlatformFile.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "shell/UntrustedText.h"

#include <iomanip>
#include <iostream>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace rq50::cli {

using namespace rq50::comm;

namespace {}  // namespace

// ------------------------------------------------------------ upload

ExitCode RunUpload(session::CoreSession& core, const UploadOptions& o) {
    Session session(core);
    // Everything about the file is settled before the instrument is asked.
    const auto output = PrepareSave(core, o.output, files::DataFileKind::kParameter);
    if (!output) return ExitCode::SystemError;
    // A file of an earlier upload is often the only record of a set.
    shell::platform::TargetStatus existing;
    if (!o.force &&
        shell::platform::StatusOf(shell::platform::PathFromUtf8(*output), existing) == 0 &&
        existing.exists) {
        Note(*output + " exists; give --force to replace it");
        return ExitCode::SystemError;
    }
    if (!ApplyInformationFields(core, o.boxes)) return ExitCode::SystemError;
    const files::InformationRecord information = core.Data().information;
    if (!session.Attach()) return ExitCode::SystemError;
    const bool ok = session.RunJob(kJobUpload, shell::Catalogue(kTextUpload));
    if (Stopped()) {
        Note("upload stopped; nothing was saved");
        return StoppedExit();
    }
    if (!ok) return ExitCode::SystemError;
    core.Data().information = information;
    files::SetInformationFileName(core.Data().information, files::FileTitleOf(*output));
    if (!files::WriteParameterFile(core.Data(), *output)) {
        Note(*output + " was not written");
        return ExitCode::SystemError;
    }
    if (!Link().quiet) {
        Note(std::to_string(core.Engine().Data().items.dataSet.size()) + " items of model " +
             shell::Trim(core.Engine().Data().header.model) + " saved to " + *output);
    }
    return ExitCode::Ok;
}

// ------------------------------------------------------------ download

namespace {

/// Uploads the instrument's set (job 1, or 15 for a program), keeps it as a
/// backup and prints "backup: PATH"; then puts the file's data back and
/// fills `preview` with what the download will change. On a failure says why
/// and how to go on without one.
bool BackupInstrument(session::CoreSession& core, Session& session, const DownloadOptions& o,
                      files::DataFileKind kind, session::DownloadPreview& preview) {
    const auto held = session::HoldData(core.Data());
    const bool uploaded =
        kind == files::DataFileKind::kProgram
            ? session.RunJob(kJobProgramUpload, shell::Catalogue(kTextUploadProgram), true,
                             "backup")
            : session.RunJob(kJobUpload, shell::Catalogue(kTextUpload), true, "backup");
    std::string why;
    preview = session::KeepBackup(core.Data(), *held, kind, o.file, uploaded && !Stopped(), why);
    const std::string& path = preview.backup;
    if (path.empty()) {
        if (!Stopped())
            Note("no backup: " + why +
                 "; nothing was downloaded (--no-backup downloads without one)");
        return false;
    }
    if (!Link().json) std::cout << "backup: " << path << std::endl;
    return true;
}

ordered_json PreviewJson(const session::DownloadPreview& p) {
    ordered_json changes = ordered_json::array();
    for (const auto& d : p.changes) {
        changes.push_back({{"address", d.address},
                           {"name", JsonText(d.name)},
                           {"instrument", JsonText(d.second)},
                           {"file", JsonText(d.first)}});
    }
    return {{"model", shell::Trim(p.model)},
            {"slot", p.slot},
            {"items", p.itemCount},
            {"header", p.notes},
            {"changes", changes}};
}

/// Prints what the download will change and asks whether to go on, unless
/// --yes answered before. Nobody can answer on a line that is not a
/// terminal: the download then needs --yes.
bool ConfirmPreview(const session::DownloadPreview& p, bool yes) {
    if (!Link().json) {
        std::cout << session::PreviewHeading(p) << "\n";
        for (const auto& note : p.notes) std::cout << "header: " << note << "\n";
        std::cout << session::PreviewCountLine(p) << "\n";
        for (const auto& d : p.changes) {
            std::cout << "  " << std::left << std::setw(6) << d.address << std::setw(14)
                      << files::SingleByteToUtf8(d.name) << session::PreviewChange(d) << "\n";
        }
        std::cout << std::flush;
    }
    if (yes) return true;
    if (!isatty(STDIN_FILENO)) {
        Note(
            "nobody can answer here (stdin is not a terminal): give --yes to download; "
            "nothing was downloaded");
        return false;
    }
    std::cerr << "Download? [y/N] " << std::flush;
    std::string answer;
    std::getline(std::cin, answer);
    if (Stopped()) {
        std::cerr << "\n";
        Note("nothing was downloaded");
        return false;
    }
    answer = shell::Trim(answer);
    if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes") return true;
    Note("nothing was downloaded");
    return false;
}

/// The backup and the question before a download (none with --no-backup):
/// nothing to go on, else the exit code.
std::optional<ExitCode> BackupAndConfirm(session::CoreSession& core, Session& session,
                                    const DownloadOptions& o, files::DataFileKind kind,
                                    session::DownloadPreview& preview) {
    if (o.noBackup) return std::nullopt;
    // The backup leaves the line open for the download that follows.
    if (!BackupInstrument(core, session, o, kind, preview)) {
        core.Engine().CloseLine();
        return Stopped() ? StoppedExit() : ExitCode::SystemError;
    }
    if (ConfirmPreview(preview, o.yes)) return std::nullopt;
    core.Engine().CloseLine();
    if (Stopped()) return StoppedExit();
    if (Link().json) {
        PrintJson({{"file", o.file},
                   {"backup", preview.backup},
                   {"completed", false},
                   {"preview", PreviewJson(preview)}});
    }
    return ExitCode::SystemError;
}

void PrintCheckList(session::CoreSession& core) {
    const auto& list = core.Data().checkList;
    if (list.empty()) return;
    auto table = print::CheckListTable(list, false);
    // The terminal's list leaves the name column without a heading.
    table.columns[1].heading.clear();
    std::cout << files::TerminalLines(table);
}

/// What a download says beyond the system's own messages: the two models of
/// a mismatch, and the number of read-back differences of a completed one.
std::string ExplainDownload(session::CoreSession& core, const std::string& text,
                            const std::string& fileModel) {
    if (text == shell::Catalogue(kTextNonMatchingModel)) {
        return text + "\nrq50-cli: " +
               files::ModelMismatch(fileModel, core.Engine().OutcomeSoFar().instrumentModel);
    }
    const auto differences = core.Engine().OutcomeSoFar().differences.size();
    // The message itself counts the differences; the command line lists them.
    if (text.starts_with(shell::Catalogue(kTextDownloadCompleted)) && differences > 0) {
        return "Downloading to TAVRO completed with " + std::to_string(differences) +
               (differences == 1 ? " difference" : " differences") +
               ": the instrument holds other values than the file for the items below.";
    }
    return {};
}

/// What the instrument held before a download that ended part way, and how
/// to put it back. The backup's path is quoted for the shell, whatever the
/// instrument's tag made of its name.
void SayHowToRestore(const char* what, const std::string& backup) {
    if (backup.empty()) return;
    Note("what the instrument held before is in " + backup + "; rq50-cli " +
         (std::string(what) == "download" ? "download" : "program-download") + " --no-backup " +
         shell::ShellWord(backup) + " puts it back");
}

/// After a stop signal: how far a download got.
ExitCode ReportStoppedDownload(session::CoreSession& core, const char* what, int total,
                          const std::string& backup) {
    const int written = core.Engine().LastOutcome().itemsWritten;
    Note(std::string(what) + " stopped after " + std::to_string(written) + " of " +
         std::to_string(total) + " items" +
         (written == 0 ? "; nothing was written"
                       : "; the instrument holds a mix of the file's values and its own"));
    if (written > 0) SayHowToRestore(what, backup);
    return StoppedExit();
}

ordered_json DownloadJson(session::CoreSession& core, const std::string& file, bool ok, int total,
                          const std::string& backup) {
    return ordered_json{
        {"file", file},
        {"backup", backup.empty() ? ordered_json() : ordered_json(backup)},
        {"completed", ok && !Stopped()},
        {"result", comm::ErrorNumber(core.Engine().LastOutcome().code)},
        {"stopped", Stopped()},
        {"written", core.Engine().LastOutcome().itemsWritten},
        {"total", total},
        {"instrumentModel", shell::Trim(core.Engine().LastOutcome().instrumentModel)},
        {"differences", TableJson(print::CheckListTable(core.Data().checkList, false))}};
}

/// The download of what the workspace holds (a file just read, a record of
/// the plant register put there) from the line's opening on: the backup and
/// the question (none with --no-backup), the download with its read-back,
/// and the outcome as `download` and `program-download` print it.
/// `recordAs` names how the register records the download (empty: by its
/// job); `extra` goes into the JSON output.
ExitCode DownloadWorkspace(session::CoreSession& core, Session& session, const DownloadOptions& o,
                      files::DataFileKind kind, const std::string& recordAs,
                      const ordered_json& extra) {
    const bool program = kind == files::DataFileKind::kProgram;
    if (!session.Attach()) return ExitCode::SystemError;
    session::DownloadPreview preview;
    if (const auto exit = BackupAndConfirm(core, session, o, kind, preview)) return *exit;
    const std::string backup = preview.backup;
    const auto& data = core.Engine().Data();
    const int total = program ? jobs::CountProgramDownloadItems(data.program.records)
                              : jobs::CountDownloadItems(
                                    data.items.dataSet, data.header.starts[files::Category::Set],
                                    data.header.starts[files::Category::Adjust]);
    const std::string fileModel = program ? data.program.header.modelCode : data.header.model;
    session.explain = [&core, fileModel](const std::string& text) {
        return ExplainDownload(core, text, fileModel);
    };
    const bool ok =
        program ? session.RunJob(kJobProgramDownload, shell::Catalogue(kTextProgramDownload), false,
                                 recordAs)
                : session.RunJob(kJobDownload, shell::Catalogue(kTextDownload), false, recordAs);
    const comm::JobOutcome& results = core.Engine().LastOutcome();
    if (Link().json) {
        auto document = DownloadJson(core, o.file, ok, total, backup);
        if (!o.noBackup) document["preview"] = PreviewJson(preview);
        document.update(extra);
        if (program) document["refusedArea"] = comm::ErrorNumber(results.refusedArea);
        PrintJson(document);
    } else {
        PrintCheckList(core);
    }
    const char* what = program ? "program download" : "download";
    if (Stopped()) return ReportStoppedDownload(core, what, total, backup);
    // A line lost part way leaves a mix of values, as a stop does.
    if (!ok && results.itemsWritten > 0) {
        Note(std::string(what) + " ended after " + std::to_string(results.itemsWritten) + " of " +
             std::to_string(total) +
             " items; the instrument holds a mix of the file's values and its own");
        SayHowToRestore(what, backup);
    }
    if (!program) return ExitOf(ok && results.differences.empty());
    if (!ok) return ExitCode::SystemError;
    // The screens show the final message after the job (the hand-back); there
    // are no screens here.
    if (!results.differences.empty()) {
        const auto n = results.differences.size();
        Note("Downloading completed with " + std::to_string(n) +
             (n == 1 ? " difference" : " differences") +
             ": the instrument holds other values than the file for the items above");
        return ExitCode::SystemError;
    }
    const int message = session::ProgramDownloadMessage(results.refusedArea);
    if (message != 0) {
        shell::ShowMessage(core.Data().hosts, message, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextProgramDownload));
    }
    return ExitCode::Ok;
}

}  // namespace

bool DownloadAllowed(session::CoreSession& core, const std::optional<std::string>& password) {
    if (!files::PasswordIsStored(core.Data())) return true;
    files::ReadSettingFile(core.Data());
    if (password && jobs::DownloadAllowedWith(core.Data().state.storedPassword, *password)) {
        core.Data().state.downloadAllowed = true;
        return true;
    }
    shell::ShowMessage(core.Data().hosts, kMsgWrongPasswordEntry, shell::MsgButtons::Ok, "");
    Note(password ? "the download password given is not the one set; nothing was written"
                  : "a password is set: give --password; nothing was written");
    return false;
}

bool ConfirmDownloadPreview(const session::DownloadPreview& preview, bool yes) {
    return ConfirmPreview(preview, yes);
}

ExitCode RunDownload(session::CoreSession& core, const DownloadOptions& o) {
    Session session(core);
    if (!DownloadAllowed(core, o.password) || !TakeWriteReason(core, o.reason))
        return ExitCode::SystemError;
    if (!ReadDataFile(core, files::DataFileKind::kParameter, o.file)) return ExitCode::SystemError;
    return DownloadWorkspace(core, session, o, files::DataFileKind::kParameter, {},
                             ordered_json::object());
}

ExitCode RunRestore(session::CoreSession& core, const DownloadOptions& o, const plant::Record& record) {
    Session session(core);
    if (!DownloadAllowed(core, o.password) || !TakeWriteReason(core, o.reason))
        return ExitCode::SystemError;
    if (!session::LoadRecord(core.Data(), record)) {
        Note("record " + std::to_string(record.id) +
             " holds no readable set; nothing was downloaded");
        return ExitCode::SystemError;
    }
    return DownloadWorkspace(core, session, o, record.fileKind, "restore",
                             {{"restoredRecord", record.id}});
}

// ------------------------------------------------------------ program

ExitCode RunProgramUpload(session::CoreSession& core, const std::string& path) {
    Session session(core);
    const auto output = PrepareSave(core, path, files::DataFileKind::kProgram);
    if (!output) return ExitCode::SystemError;
    if (!session.Attach()) return ExitCode::SystemError;
    const bool ok = session.RunJob(kJobProgramUpload, shell::Catalogue(kTextUploadProgram));
    if (Stopped()) {
        Note("program upload stopped; nothing was saved");
        return StoppedExit();
    }
    if (!ok || core.Engine().LastOutcome().facts.programItemCount == 0) return ExitCode::SystemError;
    core.Engine().Data().program.source = program::ProgramSource::Upload;
    files::SetInformationFileName(core.Data().information, files::FileTitleOf(*output));
    if (!files::WriteProgramFile(core.Data(), *output)) {
        Note(*output + " was not written");
        return ExitCode::SystemError;
    }
    if (!Link().quiet) {
        const auto& header = core.Engine().Data().program.header;
        Note(std::to_string(header.stepCount) + " PROGRAM steps and " +
             std::to_string(header.constCount) + " CONST items of model " +
             shell::Trim(header.modelCode) + " saved to " + *output);
    }
    return ExitCode::Ok;
}

ExitCode RunProgramDownload(session::CoreSession& core, const DownloadOptions& o) {
    Session session(core);
    if (!DownloadAllowed(core, o.password) || !TakeWriteReason(core, o.reason))
        return ExitCode::SystemError;
    ordered_json errors = ordered_json::array();
    if (!ProgramReadyForDownload(core, o.file, o.force, &errors)) {
        if (Link().json) {
            PrintJson({{"file", o.file}, {"completed", false}, {"checkErrors", errors}});
        }
        return ExitCode::SystemError;
    }
    return DownloadWorkspace(core, session, o, files::DataFileKind::kProgram, {},
                             {{"checkErrors", errors}});
}

// ------------------------------------------------------------ verify

/// The instrument's data against a file, without writing anything.
namespace {

/// The instrument's set just compared with `file`, as a verify record.
void RecordVerify(session::CoreSession& core, files::DataFileKind kind, const std::string& file,
                  int differences) {
    auto record = session::RecordOfWorkspace(core.Data(), plant::RecordKind::kVerify, kind);
    record.fileName = files::FileTitleOf(file);
    record.itemsDiffer = differences;
    record.result = differences == 0
                        ? "matches " + record.fileName
                        : std::to_string(differences) +
                              (differences == 1 ? " difference from " : " differences from ") +
                              record.fileName;
    session::RecordTransfer(core.Data(), std::move(record));
}

}  // namespace

ExitCode RunVerify(session::CoreSession& core, const std::string& file) {
    Session session(core);
    const auto kind = files::DataFileKindOf(file);
    if (!kind) {
        Note(file + ": a parameter file (.7pa) or program file (.7pr) is expected");
        return ExitCode::Usage;
    }
    std::vector<files::ItemDifference> found;
    std::vector<std::string> notes;
    if (*kind == files::DataFileKind::kParameter) {
        files::ParameterFileRecord record;
        if (const auto error = files::LoadParameterFile(file, record); error != files::FileError::Ok) {
            files::ReportFileError(core.Data().hosts, error, shell::Catalogue(kTextDownload));
            Note("cannot read " + file);
            return ExitCode::SystemError;
        }
        if (!session.Attach()) return ExitCode::SystemError;
        if (!session.RunJob(kJobUpload, shell::Catalogue(kTextUpload), false, "none"))
            return Stopped() ? StoppedExit() : ExitCode::SystemError;
        const auto& instrument = core.Engine().Data().header;
        // Items of another model share addresses, not meanings: no list.
        if (const auto other = files::ModelMismatch(record.header.model, instrument.model);
            !other.empty()) {
            Note(other + "; nothing compared");
            return ExitCode::SystemError;
        }
        notes = files::CompareHeaders(record.header, instrument);
        found = files::CompareDataSets(record.items, core.Engine().Data().items.dataSet,
                                       files::CompareScope::kDownloadable,
                                       record.header.starts[files::Category::Set],
                                       record.header.starts[files::Category::Adjust]);
    } else {
        files::ProgramFileRecord record;
        if (const auto error = files::LoadProgramFile(file, record); error != files::FileError::Ok) {
            files::ReportFileError(core.Data().hosts, error,
                                   shell::Catalogue(kTextProgramDownload));
            Note("cannot read " + file);
            return ExitCode::SystemError;
        }
        if (!session.Attach()) return ExitCode::SystemError;
        const bool ok =
            session.RunJob(kJobProgramUpload, shell::Catalogue(kTextUploadProgram), false, "none");
        if (!ok || core.Engine().LastOutcome().facts.programItemCount == 0)
            return Stopped() ? StoppedExit() : ExitCode::SystemError;
        if (const auto other = files::ModelMismatch(record.header.modelCode,
                                                    core.Engine().Data().program.header.modelCode);
            !other.empty()) {
            Note(other + "; nothing compared");
            return ExitCode::SystemError;
        }
        found = files::ComparePrograms(record, files::CurrentProgramRecord(core.Data()), false);
    }
    RecordVerify(core, *kind, file, static_cast<int>(found.size() + notes.size()));
    PrintDifferences(file, "instrument", notes, found, Link().json);
    return found.empty() && notes.empty() ? ExitCode::Ok : ExitCode::SystemError;
}

}  // namespace rq50::cli
