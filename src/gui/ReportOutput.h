#pragma once

// The printed outputs of the desktop program: the printer check, printing on
// the default printer, saving a report as PDF, and the one call each screen's
// Print button makes.

#include "print/PrintDialogRules.h"
#include "print/Reports.h"
#include "session/FileDialog.h"
#include "shell/NavigationHost.h"

#include <memory>

class QPrinter;
class QWidget;

namespace rq50::gui {

/// The printer the print actions use: the platform's default printer, unless
/// another is installed (the tests install one that prints into a PDF file).
class ReportPrinter {
  public:
    virtual ~ReportPrinter() = default;
    /// What the printer check asks.
    virtual print::PrinterHost& Host() = 0;
    /// A printer for one print job, set to the default printer's paper.
    virtual std::unique_ptr<QPrinter> MakePrinter() = 0;
};

/// The printer and the PDF file dialog the print actions use. The desktop
/// program (GuiApp) owns one and hands it to the screens that print; a test
/// installs its own printer or dialog in the program's.
class ReportDevices {
  public:
    ReportDevices();
    ~ReportDevices();
    ReportDevices(const ReportDevices&) = delete;
    ReportDevices& operator=(const ReportDevices&) = delete;

    /// The installed printer, else the platform's default printer.
    ReportPrinter& Printer();
    /// Installs `printer` (nullptr: the platform's default printer again).
    void SetPrinter(ReportPrinter* printer) { m_installed = printer; }

    /// The dialog that asks for a PDF file name; nullptr for the common file
    /// dialog (tests put a scripted one here).
    session::FileDialogHost* pdfDialog = nullptr;

  private:
    std::unique_ptr<ReportPrinter> m_platform;
    ReportPrinter* m_installed = nullptr;
};

/// The paper of the default printer (A4 without one) and today's date.
print::ReportSetup CurrentReportSetup();

/// The printer check: true when there is a printer. Without one the user is
/// told so and may save report `kind` as a PDF file instead.
bool CheckPrinter(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind);

/// Prints report `kind` on the printer, with its paper and orientation; the
/// busy pointer shows meanwhile. A failure is shown.
bool PrintOnPrinter(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind);

/// Asks for a PDF file name and writes report `kind` there. False when
/// cancelled or failed (a failure is shown).
bool SaveReportAsPdf(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind);

/// Prints what `write` draws on the printer after the printer check; without
/// a printer the user may save it as a PDF file instead (a window's own
/// report: the plant register's history).
void PrintReport(ReportDevices& devices, files::Workspace& ws, const print::ReportWriter& write);

/// The Print command of a screen; each screen's Print button calls this with
/// its own name once its data is in place:
/// - DataViewScreen (parameter data view), ProgramEditorWindow (program editor): the print
///   dialog opens for the data held (parameter or program, by SettingMode)
///   and the screen waits, disabled, until the dialog returns to it;
/// - DownloadCheckList (download check): the list of the last download,
///   ErrorListWindow (error list): the lines the window put in
///   the workspace's errorPrintList; the print preview shows the list, printer or
///   not, to be printed or saved as PDF from there.
void PrintFromScreen(files::Workspace& ws, shell::Screen screen);

}  // namespace rq50::gui
