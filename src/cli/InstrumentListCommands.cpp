// rq50-cli instruments: the plant's instrument list checked against the
// templates, made into one parameter file per tag, and written back from a
// folder of files.
#include "cli/Cli.h"
#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "cli/InstrumentSession.h"
#include "cli/RackPorts.h"
#include "files/Csv.h"
#include "files/FileError.h"
#include "files/InstrumentList.h"
#include "files/OleDate.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "files/Workspace.h"
#include "session/Commissioning.h"
#include "session/CoreSession.h"
#include "session/InstrumentList.h"
#include "shell/PlatformFile.h"
#include "shell/UntrustedText.h"

#include <filesystem>
#include <iostream>
#include <memory>
#include <optional>

#if RQ50_HAVE_QT_PORT
#include <QGuiApplication>

#include "platform/Account.h"

#include "platform/print/QtReportSurface.h"
#include "print/PrintControl.h"
#endif

namespace rq50::cli {

namespace {

struct InstrumentsOptions {
    std::string list;
    std::string templates;
    std::string folder;
    std::string output;
    std::string report;  ///< commission: the report's CSV file
    std::string pdf;     ///< commission: the report's PDF file
    std::optional<std::string> password;
    bool json = false;
    bool force = false;
    bool yes = false;
};

bool IsFolder(const std::string& path) {
    std::error_code ec;
    return std::filesystem::is_directory(shell::platform::PathFromUtf8(path), ec);
}

/// The list checked against the templates; the problems printed (as JSON
/// with `json`). nullopt when the list or the folder cannot be read at all.
std::optional<session::ListCheck> CheckList(const InstrumentsOptions& o, bool json) {
    if (!IsFolder(o.templates)) {
        Note("--templates " + o.templates + " is not a folder");
        return std::nullopt;
    }
    files::InstrumentListTable table;
    if (const auto e = files::ReadInstrumentList(o.list, table); e != files::FileError::Ok) {
        Note("cannot read " + o.list + ": " + files::FileErrorDescription(e));
        return std::nullopt;
    }
    session::TemplateFolder templates(o.templates);
    auto check = session::CheckInstrumentList(table, templates, files::OleDateNow());
    if (json) {
        ordered_json problems = ordered_json::array();
        for (const auto& p : check.problems)
            problems.push_back({{"line", p.line}, {"column", p.column}, {"text", p.text}});
        ordered_json rows = ordered_json::array();
        for (const auto& f : check.files) {
            rows.push_back({{"line", f.line},
                            {"tag", f.tag},
                            {"model", f.model},
                            {"slot", f.slot},
                            {"template", f.templateName},
                            {"file", f.fileName}});
        }
        ordered_json notes = ordered_json::array();
        for (const auto& n : check.notes)
            notes.push_back({{"line", n.line}, {"column", n.column}, {"text", n.text}});
        PrintJson({{"list", o.list},
                   {"rows", table.rows.size()},
                   {"ok", check.Ok()},
                   {"problems", problems},
                   {"notes", notes},
                   {"files", rows}});
        return check;
    }
    for (const auto& p : check.problems)
        std::cout << shell::TerminalText(session::FormatListProblem(o.list, p)) << "\n";
    for (auto n : check.notes) {
        n.text = "note: " + n.text;
        std::cout << shell::TerminalText(session::FormatListProblem(o.list, n)) << "\n";
    }
    std::cout << shell::TerminalText(o.list) << ": " << table.rows.size() << " rows, "
              << (check.Ok() ? std::string("no problems")
                             : std::to_string(check.problems.size()) + " problems")
              << "\n";
    return check;
}

ExitCode RunCheck(const InstrumentsOptions& o) {
    const auto check = CheckList(o, o.json);
    if (!check) return ExitCode::SystemError;
    return check->Ok() ? ExitCode::Ok : ExitCode::SystemError;
}

ExitCode RunMake(const InstrumentsOptions& o) {
    const auto check = CheckList(o, false);
    if (!check) return ExitCode::SystemError;
    if (!check->Ok()) {
        Note("nothing was made: the list has problems");
        return ExitCode::SystemError;
    }
    const auto made = session::MakeInstrumentFiles(*check, o.output, o.force);
    for (const auto& problem : made.problems) Note(shell::TerminalText(problem));
    for (const auto& path : made.written) std::cout << shell::TerminalText(path) << "\n";
    if (!made.problems.empty()) {
        if (made.written.empty()) Note("nothing was made");
        return ExitCode::SystemError;
    }
    std::cout << made.written.size() << " files made in " << shell::TerminalText(o.output) << "\n";
    return ExitCode::Ok;
}

ExitCode RunExport(const InstrumentsOptions& o) {
    if (!IsFolder(o.folder)) {
        Note(o.folder + " is not a folder of parameter files");
        return ExitCode::Usage;
    }
    if (const auto problem = files::OutputTargetProblem(o.output, {}, o.force); !problem.empty()) {
        Note(problem);
        return ExitCode::SystemError;
    }
    std::vector<std::string> problems;
    const auto lines = session::ExportInstrumentList(o.folder, problems);
    for (const auto& problem : problems) Note(shell::TerminalText(problem));
    if (lines.size() < 2) {
        Note(o.folder + " holds no parameter file that can be read; nothing was written");
        return ExitCode::SystemError;
    }
    if (const auto e = files::WriteCsvLines(o.output, lines); e != files::FileError::Ok) {
        Note(o.output + " was not written: " + files::FileErrorDescription(e));
        return ExitCode::SystemError;
    }
    std::cout << lines.size() - 1 << " rows written to " << shell::TerminalText(o.output) << "\n";
    return problems.empty() ? ExitCode::Ok : ExitCode::SystemError;
}

/// The commissioning report as a PDF through the report layout.
bool WriteReportPdf(const session::CommissioningReport& report, const std::string& path) {
#if RQ50_HAVE_QT_PORT
    // Fonts and painting need a GUI application, which needs no screen here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "rq50-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);
    platform::PdfReport pdf(QString::fromStdString(path));
    if (pdf.Surface() != nullptr) {
        print::PrintControl control(*pdf.Surface());
        const print::ReportSetup setup{print::PageFormat{}, report.date};
        if (session::PrintCommissioningReport(control, report, setup) && pdf.Commit()) return true;
    }
    Note(path + " was not written: " + pdf.ErrorText().toStdString());
    return false;
#else
    Note(path + " was not written: this rq50-cli draws no PDF");
    return false;
#endif
}

/// make, then the rack download of the made files, then the report.
ExitCode RunCommission(session::CoreSession& core, const InstrumentsOptions& o) {
    for (const auto* output : {&o.report, &o.pdf}) {
        if (output->empty()) continue;
        if (const auto problem = files::OutputTargetProblem(*output, o.list, o.force);
            !problem.empty()) {
            Note(problem);
            return ExitCode::Usage;
        }
    }
    if (!DownloadAllowed(core, o.password)) return ExitCode::SystemError;
    const auto check = CheckList(o, false);
    if (!check) return ExitCode::SystemError;
    if (!check->Ok()) {
        Note("nothing was made or downloaded: the list has problems");
        return ExitCode::SystemError;
    }
    const auto made = session::MakeInstrumentFiles(*check, o.output, o.force);
    for (const auto& problem : made.problems) Note(shell::TerminalText(problem));
    if (!made.problems.empty()) return ExitCode::SystemError;
    std::cout << made.written.size() << " files made in " << shell::TerminalText(o.output) << "\n";

    Session session(core);
    if (!session.Attach()) return ExitCode::SystemError;
    std::optional<session::CommissioningReport> report;
    session::CommissioningOptions options;
    options.list = files::FileTitleOf(o.list);
    options.folder = o.output;
#if RQ50_HAVE_QT_PORT
    options.user = platform::AccountName();
#else
    options.user = "unknown";
#endif
    options.confirm = [&o](const session::SlotOutcome& slot, const session::DownloadPreview& p) {
        std::cout << "slot " << slot.slot << ": backup: " << p.backup << "\n";
        return ConfirmDownloadPreview(p, o.yes);
    };
    options.onSlot = [](const session::SlotOutcome& s) { PrintRackSlot(s); };
    options.onEnd = [&report](const session::CommissioningReport& r) { report = r; };
    std::string why;
    auto run = session::StartCommissioning(core.Data(), *check, std::move(options), why);
    if (!run) {
        Note(why);
        return ExitCode::SystemError;
    }
    while (run->Running() && core.Engine().Busy()) core.Engine().RunCommJob(kJobLimitMs, Stopped);
    if (run->Running()) run->Stop();
    if (!report) return Stopped() ? StoppedExit() : ExitCode::SystemError;

    std::cout << "\n"
              << shell::TerminalText(files::TerminalLines(session::CommissioningTable(*report)),
                                     true)
              << report->summary << (Stopped() ? " (stopped)" : "") << "\n";
    bool written = true;
    if (!o.report.empty()) {
        if (const auto e = files::WriteCsvLines(o.report, session::CommissioningCsv(*report)); e != files::FileError::Ok) {
            Note(o.report + " was not written: " + files::FileErrorDescription(e));
            written = false;
        }
    }
    if (!o.pdf.empty()) written = WriteReportPdf(*report, o.pdf) && written;
    if (Stopped()) return StoppedExit();
    return session::CommissioningSucceeded(*report) && written ? ExitCode::Ok : ExitCode::SystemError;
}

void AddInstrumentListCommands(CLI::App& app, CliContext& context) {
    auto* in = app.add_subcommand(
        "instruments",
        "commissioning from the plant's instrument list (CSV): check, make, export, commission");
    in->require_subcommand(1);
    in->fallthrough();
    auto o = std::make_shared<InstrumentsOptions>();

    auto* check = in->add_subcommand(
        "check", "check every cell of the list by the entry rules of set (exit 1 on any problem)");
    check->add_option("LIST", o->list, "the instrument list (.csv)")->required();
    check->add_option("--templates", o->templates, "the folder of the models' .7pa templates")
        ->required();
    check->add_flag("--json", o->json, "print the problems as JSON (see docs/cli.md)");
    check->callback(
        [o, &context] { context.run = [o](session::CoreSession&) { return RunCheck(*o); }; });

    auto* make = in->add_subcommand(
        "make", "one .7pa per row of a list without problems (Snn_<model>_<tag>.7pa with a SLOT)");
    make->add_option("LIST", o->list, "the instrument list (.csv)")->required();
    make->add_option("--templates", o->templates, "the folder of the models' .7pa templates")
        ->required();
    make->add_option("-o,--output", o->output, "the folder the files go to (made when missing)")
        ->required();
    make->add_flag("--force", o->force, "replace files that exist");
    make->callback(
        [o, &context] { context.run = [o](session::CoreSession&) { return RunMake(*o); }; });

    auto* exp = in->add_subcommand(
        "export", "write the instrument list of a folder of .7pa files (one row per file)");
    exp->add_option("FOLDER", o->folder, "the folder of .7pa files")->required();
    exp->add_option("-o,--output", o->output, "the list to write (.csv)")->required();
    exp->add_flag("--force", o->force, "replace a list that exists");
    exp->callback(
        [o, &context] { context.run = [o](session::CoreSession&) { return RunExport(*o); }; });

    auto* com = in->add_subcommand(
        "commission",
        "make the list's files, download each into its rack slot (backup, changes, read-back) "
        "and print the commissioning report");
    com->fallthrough();
    com->add_option("LIST", o->list, "the instrument list (.csv)")->required();
    com->add_option("--templates", o->templates, "the folder of the models' .7pa templates")
        ->required();
    com->add_option("-o,--output", o->output, "the folder the files go to (made when missing)")
        ->required();
    com->add_flag("--force", o->force, "replace files that exist (the made files and the report)");
    com->add_flag("--yes", o->yes, "go on after each slot's list of changes");
    com->add_option_function<std::string>(
        "--password", [o](const std::string& p) { o->password = p; },
        "the download password, when one is set");
    com->add_option("--report", o->report, "write the commissioning report as CSV to this file");
    com->add_option("--pdf", o->pdf, "write the commissioning report as PDF to this file");
    com->callback([o, &context] {
        context.run = [o](session::CoreSession& core) { return RunCommission(core, *o); };
    });
}

const RegisterCommands kInstrumentListCommands(&AddInstrumentListCommands);

}  // namespace

}  // namespace rq50::cli
