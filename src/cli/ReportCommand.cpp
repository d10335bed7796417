// rq50-cli report: the printed report of a parameter (.7pa) or program (.7pr)
// file, written as a PDF file without a window.
#include "cli/Cli.h"
#include "cli/CliHosts.h"
#include "files/OleDate.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/RecordFile.h"
#include "files/SaveTarget.h"
#include "platform/print/QtReportSurface.h"
#include "print/Reports.h"
#include "session/CoreSession.h"

#include <QGuiApplication>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <iostream>
#include <map>
#include <optional>
#include <sstream>

namespace rq50::cli {

namespace {

struct ReportOptions {
    std::string file;
    std::string pdf;
    std::optional<std::string> areas;
    bool force = false;
};

ExitCode UsageError(const std::string& text) {
    std::cerr << "rq50-cli: " << text << "\n";
    return ExitCode::Usage;
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

// The print areas named on the command line; without --areas, those the
// print dialog selects when it opens (MAINT only when asked for).
std::optional<print::PrintAreas> ParseAreas(const std::optional<std::string>& list, bool parameter,
                                            std::string& error) {
    print::PrintAreas areas;
    areas.maint = false;
    if (!list) return areas;
    areas = {false, false, false, false, false, false, false};
    std::map<std::string, print::PrintArea> names = {{"info", print::PrintArea::Information},
                                        {"information", print::PrintArea::Information}};
    if (parameter) {
        names.insert({{"display", print::PrintArea::Display},
                      {"set", print::PrintArea::Set},
                      {"adjust", print::PrintArea::Adjust},
                      {"maint", print::PrintArea::Maint}});
    } else {
        names.insert({{"program", print::PrintArea::Program}, {"const", print::PrintArea::Const}});
    }
    std::stringstream in(*list);
    std::string name;
    bool any = false;
    while (std::getline(in, name, ',')) {
        const auto it = names.find(Lower(name));
        if (it == names.end()) {
            error = "unknown print area \"" + name + "\" for this kind of file";
            return std::nullopt;
        }
        print::AreaFlag(areas, it->second) = true;
        any = true;
    }
    if (!any) {
        error = "no print area selected";
        return std::nullopt;
    }
    return areas;
}

ExitCode RunReport(session::CoreSession& core, const ReportOptions& o) {
    const std::string ext = Lower(std::filesystem::path(o.file).extension().string());
    if (ext != ".7pa" && ext != ".7pr") {
        return UsageError(o.file + ": a parameter file (.7pa) or program file (.7pr) is expected");
    }
    const bool parameter = ext == ".7pa";
    std::string error;
    const auto areas = ParseAreas(o.areas, parameter, error);
    if (!areas) return UsageError(error);
    if (const auto problem = files::OutputTargetProblem(o.pdf, o.file, o.force); !problem.empty()) {
        std::cerr << "rq50-cli: " << problem << "\n";
        return ExitCode::SystemError;
    }

    CliServices services(core.Data());
    const std::string title = files::FileTitleOf(o.file);
    const bool read = parameter ? files::ReadParameterFile(core.Data(), o.file, title)
                                : files::ReadProgramFile(core.Data(), o.file, title);
    if (!read) {
        if (services.MessagesShown() == 0)
            std::cerr << "rq50-cli: " << o.file << " could not be read\n";
        return ExitCode::SystemError;
    }

    // Fonts and painting need a GUI application, which needs no screen here.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
    int argc = 1;
    char name[] = "rq50-cli";
    char* argv[] = {name, nullptr};
    QGuiApplication application(argc, argv);

    platform::PdfReport pdf(QString::fromStdString(o.pdf));
    if (!pdf.Surface()) {
        std::cerr << "rq50-cli: " << o.pdf << ": " << pdf.ErrorText().toStdString() << "\n";
        return ExitCode::SystemError;
    }
    print::PrintControl control(*pdf.Surface());
    const print::ReportSetup setup{print::PageFormat{}, files::OleDateNow()};
    const bool printed =
        parameter ? print::PrintParameterReport(control, files::CurrentParameterRecord(core.Data()),
                                                *areas, areas->maint, setup)
                  : print::PrintProgramReport(control, files::CurrentProgramRecord(core.Data()),
                                              *areas, setup);
    if (!printed || !pdf.Commit()) {
        std::cerr << "rq50-cli: " << o.pdf << " was not written";
        const QString reason = pdf.ErrorText();
        if (!reason.isEmpty()) std::cerr << ": " << reason.toStdString();
        std::cerr << "\n";
        return ExitCode::SystemError;
    }
    std::cout << o.pdf << ": " << control.PageCount()
              << (control.PageCount() == 1 ? " page" : " pages") << "\n";
    return ExitCode::Ok;
}

void AddReportCommand(CLI::App& app, CliContext& context) {
    auto options = std::make_shared<ReportOptions>();
    auto* command = app.add_subcommand(
        "report", "write the printed report of a parameter or program file as PDF");
    command->add_option("FILE", options->file, "the .7pa or .7pr file")->required();
    command->add_option("--pdf", options->pdf, "the PDF file to write")->required();
    command->add_flag("--force", options->force, "replace the PDF file when it exists");
    command->add_option("--areas", options->areas,
                        "print areas, comma-separated: info,display,set,adjust,maint or "
                        "info,program,const (default: as the print dialog opens, MAINT off)");
    command->callback([options, &context] {
        context.run = [options](session::CoreSession& core) { return RunReport(core, *options); };
    });
}

const RegisterCommands kReportCommand(&AddReportCommand);

}  // namespace

}  // namespace rq50::cli
