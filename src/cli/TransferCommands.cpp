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
#include "session/CompareWithInstrument.h"
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
ExitCode ReportStoppedDownload(const char* what, int written, int total,
                               const std::string& backup) {
    Note(std::string(what) + " stopped after " + std::to_string(written) + " of " +
         std::to_string(total) + " items" +
         (written == 0 ? "; nothing was written"
                       : "; the instrument holds a mix of the file's values and its own"));
    if (written > 0) SayHowToRestore(what, backup);
    return StoppedExit();
}

ordered_json DownloadJson(const comm::JobOutcome& outcome,
                          const std::vector<comm::jobs::DownloadCheckEntry>& checkList,
                          const std::string& file, int total, const std::string& backup) {
    return ordered_json{{"file", file},
                        {"backup", backup.empty() ? ordered_json() : ordered_json(backup)},
                        {"completed", outcome.code == kErrNone && !Stopped()},
                        {"result", comm::ErrorNumber(outcome.code)},
                        {"stopped", Stopped()},
                        {"written", outcome.itemsWritten},
                        {"total", total},
                        {"instrumentModel", shell::Trim(outcome.instrumentModel)},
                        {"differences", TableJson(print::CheckListTable(checkList, false))}};
}

/// What the download flow went through, read once it has ended.
struct DownloadRun {
    session::DownloadPreview preview;
    bool previewShown = false;
    std::optional<comm::JobOutcome> download;
    /// The download's read-back, kept before a restore's replaces it.
    std::vector<comm::jobs::DownloadCheckEntry> checkList;
    std::optional<comm::JobOutcome> restore;
};

/// The download flow's questions as the command line asks them: on the
/// terminal, answered beforehand by --yes and --no-backup, and never asked
/// where nobody can answer.
class TerminalQuestions : public session::DownloadQuestions {
  public:
    TerminalQuestions(session::CoreSession& core, const DownloadOptions& o, const char* what,
                      int total, std::shared_ptr<DownloadRun> run)
        : m_core(core),
          m_options(o),
          m_what(what),
          m_total(total),
          m_run(std::move(run)),
          m_reason(core.Data().state.writeReason) {}

    bool ConfirmDownload(const session::DownloadPreview& preview) override {
        m_run->preview = preview;
        m_run->previewShown = true;
        if (Stopped()) return false;
        if (!Link().json) std::cout << "backup: " << preview.backup << std::endl;
        return ConfirmPreview(preview, m_options.yes);
    }

    bool DownloadWithoutBackup(const std::string& why) override {
        if (!Stopped())
            Note("no backup: " + why +
                 "; nothing was downloaded (--no-backup downloads without one)");
        return false;
    }

    /// The reason given with --reason or on the terminal before the line
    /// was opened (each download starts without one).
    std::string Reason() const override { return m_reason; }
    std::optional<std::string> AskReason() override { return m_reason; }

    void DownloadEnded(const comm::JobOutcome& outcome) override {
        m_run->download = outcome;
        m_run->checkList = m_core.Data().checkList;
        if (Link().json) return;
        PrintCheckList(m_core);
        // A line lost part way leaves a mix of values, as a stop does.
        if (!Stopped() && outcome.code != kErrNone && outcome.itemsWritten > 0) {
            Note(std::string(m_what) + " ended after " + std::to_string(outcome.itemsWritten) +
                 " of " + std::to_string(m_total) +
                 " items; the instrument holds a mix of the file's values and its own");
        }
    }

    /// Asked on a terminal only; elsewhere the way back is printed. After a
    /// stop nothing more is written: the stop's report says how to go back.
    bool RestoreBackup(const std::string& backup, int /*written*/) override {
        if (Stopped()) return false;
        if (isatty(STDIN_FILENO)) {
            std::cerr << "Put back what the instrument held before (" << backup << ")? [y/N] "
                      << std::flush;
            std::string answer;
            std::getline(std::cin, answer);
            if (Stopped()) {
                std::cerr << "\n";
                return false;
            }
            answer = shell::Trim(answer);
            if (answer == "y" || answer == "Y" || answer == "yes" || answer == "Yes") return true;
        }
        SayHowToRestore(m_what, backup);
        return false;
    }

    void RestoreEnded(const comm::JobOutcome& outcome) override {
        m_run->restore = outcome;
        if (outcome.code == kErrNone && outcome.differences.empty()) {
            Note("the instrument holds again what it held before (" + m_run->preview.backup + ")");
        } else {
            Note("putting back what the instrument held before ended after " +
                 std::to_string(outcome.itemsWritten) + " items");
            SayHowToRestore(m_what, m_run->preview.backup);
        }
    }

  private:
    session::CoreSession& m_core;
    const DownloadOptions& m_options;
    const char* m_what;
    int m_total;
    std::shared_ptr<DownloadRun> m_run;
    std::string m_reason;
};

/// The download of what the workspace holds (a file just read, a record of
/// the plant register put there) from the line's opening on, as the
/// session's download flow runs it: the backup and the question (none with
/// --no-backup), the download with its read-back, the offer to put the
/// backup back after a partial download, and the outcome as `download` and
/// `program-download` print it. `recordAs` names how the register records
/// the download (empty: by its job); `extra` goes into the JSON output.
ExitCode DownloadWorkspace(session::CoreSession& core, Session& session, const DownloadOptions& o,
                           files::DataFileKind kind, const std::string& recordAs,
                           const ordered_json& extra) {
    const bool program = kind == files::DataFileKind::kProgram;
    if (!session.Attach()) return ExitCode::SystemError;
    const auto& data = core.Engine().Data();
    const int total = program ? jobs::CountProgramDownloadItems(data.program.records)
                              : jobs::CountDownloadItems(
                                    data.items.dataSet, data.header.starts[files::Category::Set],
                                    data.header.starts[files::Category::Adjust]);
    const std::string fileModel = program ? data.program.header.modelCode : data.header.model;
    session.explain = [&core, fileModel](const std::string& text) {
        return ExplainDownload(core, text, fileModel);
    };
    const char* what = program ? "program download" : "download";
    auto run = std::make_shared<DownloadRun>();
    session::DownloadRequest request;
    request.job =
        program ? comm::JobRequest{kJobProgramDownload, shell::Catalogue(kTextProgramDownload)}
                : comm::JobRequest{kJobDownload, shell::Catalogue(kTextDownload)};
    request.job.recordAs = recordAs;
    request.kind = kind;
    request.file = o.file;
    request.backup = !o.noBackup;
    request.askToStart = false;  // the command is its own answer
    request.backupTitle = shell::Catalogue(program ? kTextUploadProgram : kTextUpload);
    auto questions = std::make_unique<TerminalQuestions>(core, o, what, total, run);
    const bool started =
        session::StartSafeDownload(core.Data(), std::move(request), std::move(questions));
    if (started) session.RunUntilIdle();
    if (!run->download) {
        // The backup failed, or the preview was not confirmed.
        core.Engine().CloseLine();
        if (Stopped()) return StoppedExit();
        if (run->previewShown && Link().json) {
            PrintJson({{"file", o.file},
                       {"backup", run->preview.backup},
                       {"completed", false},
                       {"preview", PreviewJson(run->preview)}});
        }
        return ExitCode::SystemError;
    }
    const comm::JobOutcome& results = *run->download;
    const bool ok = results.code == kErrNone;
    const std::string& backup = run->preview.backup;
    if (Link().json) {
        auto document = DownloadJson(results, run->checkList, o.file, total, backup);
        if (!o.noBackup) document["preview"] = PreviewJson(run->preview);
        if (run->restore) {
            document["restore"] = {{"completed", run->restore->code == kErrNone},
                                   {"result", comm::ErrorNumber(run->restore->code)},
                                   {"written", run->restore->itemsWritten}};
        }
        document.update(extra);
        if (program) document["refusedArea"] = comm::ErrorNumber(results.refusedArea);
        PrintJson(document);
    }
    if (Stopped()) return ReportStoppedDownload(what, results.itemsWritten, total, backup);
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

ExitCode RunRestore(session::CoreSession& core, const DownloadOptions& o,
                    const plant::Record& record) {
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
    if (!ok || core.Engine().LastOutcome().facts.programItemCount == 0)
        return ExitCode::SystemError;
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

/// The instrument's data against a file, without writing anything: the
/// comparison the desktop program's Compare with TAVRO runs.
ExitCode RunVerify(session::CoreSession& core, const std::string& file) {
    Session session(core);
    const auto kind = files::DataFileKindOf(file);
    if (!kind) {
        Note(file + ": a parameter file (.7pa) or program file (.7pr) is expected");
        return ExitCode::Usage;
    }
    if (!ReadDataFile(core, *kind, file)) return ExitCode::SystemError;
    if (!session.Attach()) return ExitCode::SystemError;
    std::optional<session::InstrumentComparison> found;
    const bool started = session::StartComparison(
        core.Data(), *kind, files::FileTitleOf(file), session::Screen::DataView, false,
        [&found](const session::InstrumentComparison& comparison) { found = comparison; });
    if (started) session.RunUntilIdle();
    if (!found || !found->uploaded) return Stopped() ? StoppedExit() : ExitCode::SystemError;
    if (!found->otherModel.empty()) {
        Note(found->otherModel + "; nothing compared");
        return ExitCode::SystemError;
    }
    PrintDifferences(file, "instrument", found->notes, found->differences, Link().json);
    return found->Count() == 0 ? ExitCode::Ok : ExitCode::SystemError;
}

}  // namespace rq50::cli
