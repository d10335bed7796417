#include "gui/ReportOutput.h"

#include "files/OleDate.h"
#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "platform/print/QtPrinter.h"
#include "platform/print/QtReportSurface.h"
#include "print/PrintControl.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"

#include <QApplication>
#include <QFileInfo>
#include <QPrinter>
#include <QPrinterInfo>

namespace rq50::gui {

namespace {

class DefaultPrinter : public ReportPrinter {
  public:
    print::PrinterHost& Host() override { return m_host; }
    std::unique_ptr<QPrinter> MakePrinter() override {
        return std::make_unique<QPrinter>(QPrinterInfo::defaultPrinter(), QPrinter::HighResolution);
    }

  private:
    platform::QtPrinterHost m_host;
};

void ShowFailure(const shell::Services& hosts, const std::string& text) {
    ShowAlert(hosts, {text, shell::Catalogue(kTextPrintCaption), shell::MsgButtons::Ok,
                      shell::MsgIcon::Critical});
}

}  // namespace

ReportDevices::ReportDevices() = default;
ReportDevices::~ReportDevices() = default;

ReportPrinter& ReportDevices::Printer() {
    if (m_installed != nullptr) return *m_installed;
    // Made when first asked for: the platform's printer list is read then.
    if (m_platform == nullptr) m_platform = std::make_unique<DefaultPrinter>();
    return *m_platform;
}

print::ReportSetup CurrentReportSetup() {
    return print::ReportSetup{platform::DefaultPageFormat(), files::OleDateNow()};
}

bool CheckPrinter(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind) {
    auto* messages = ws.hosts.messages;
    if (messages == nullptr) return false;
    switch (print::CheckPrintDevice(devices.Printer().Host(), *messages)) {
        case print::PrinterCheck::Ready:
            return true;
        case print::PrinterCheck::SaveAsPdf:
            SaveReportAsPdf(devices, ws, kind);
            return false;
        case print::PrinterCheck::NoPrinter:
            break;
    }
    return false;
}

namespace {

print::ReportWriter WriterOf(files::Workspace& ws, files::ReportKind kind) {
    return [&ws, kind](print::PrintControl& control, const print::ReportSetup& setup) {
        return print::PrintReportOf(ws, kind, control, setup);
    };
}

bool PrintWith(ReportDevices& devices, files::Workspace& ws, const print::ReportWriter& write) {
    const shell::BusyPointer busy(ws.hosts.navigation);
    const std::unique_ptr<QPrinter> printer = devices.Printer().MakePrinter();
    bool printed = false;
    if (printer != nullptr) {
        const print::ReportSetup setup{platform::PageFormatOf(*printer), files::OleDateNow()};
        platform::QtReportSurface surface(*printer);
        print::PrintControl control(surface);
        printed = write(control, setup);
    }
    if (!printed) ShowFailure(ws.hosts, shell::Catalogue(kTextNotPrinted));
    return printed;
}

bool SavePdfWith(ReportDevices& devices, files::Workspace& ws, const print::ReportWriter& write) {
    session::FileDialogSpec pdfDialog;
    pdfDialog.save = true;
    pdfDialog.title = shell::Catalogue(kTextSaveAsPdf);
    pdfDialog.filter = shell::Catalogue(kTextPdfFile) + "(*.pdf)|*.pdf";
    pdfDialog.defaultExt = "pdf";
    pdfDialog.startFolder = session::FileDialogFor(ws, session::FileDialogMode::Csv).startFolder;
    pdfDialog.overwritePrompt = true;
    pdfDialog.pathMustExist = true;
    QtFileDialogHost standard(ws.hosts);
    session::FileDialogHost& dialog = devices.pdfDialog != nullptr ? *devices.pdfDialog : standard;
    const auto choice = dialog.Show(pdfDialog);
    if (!choice || choice->fileName.empty()) return false;
    QString path = Text(choice->fileName);
    if (QFileInfo(path).suffix().isEmpty()) path += QStringLiteral(".pdf");

    const shell::BusyPointer busy(ws.hosts.navigation);
    platform::PdfReport pdf(path);
    bool written = false;
    if (pdf.Surface() != nullptr) {
        print::PrintControl control(*pdf.Surface());
        written = write(control, CurrentReportSetup()) && pdf.Commit();
    }
    if (!written)
        ShowFailure(ws.hosts, shell::Catalogue(kTextPdfNotWritten) + Bytes(pdf.ErrorText()));
    return written;
}

}  // namespace

bool PrintOnPrinter(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind) {
    return PrintWith(devices, ws, WriterOf(ws, kind));
}

bool SaveReportAsPdf(ReportDevices& devices, files::Workspace& ws, files::ReportKind kind) {
    return SavePdfWith(devices, ws, WriterOf(ws, kind));
}

void PrintReport(ReportDevices& devices, files::Workspace& ws, const print::ReportWriter& write) {
    auto* messages = ws.hosts.messages;
    if (messages == nullptr) return;
    switch (print::CheckPrintDevice(devices.Printer().Host(), *messages)) {
        case print::PrinterCheck::Ready:
            PrintWith(devices, ws, write);
            return;
        case print::PrinterCheck::SaveAsPdf:
            SavePdfWith(devices, ws, write);
            return;
        case print::PrinterCheck::NoPrinter:
            return;
    }
}

void PrintFromScreen(files::Workspace& ws, shell::Screen screen) {
    auto* navigation = ws.hosts.navigation;
    if (navigation == nullptr) return;
    files::ReportKind kind = files::ReportKind::Current;
    switch (screen) {
        case shell::Screen::DataView:
            session::DisplayMatrix(ws, shell::NavEvent::kPrintParameterData, 0,
                                   session::kAnswerNoChange);
            navigation->DisableScreen(screen);
            return;
        case shell::Screen::ProgramEditor:
            session::DisplayMatrix(ws, shell::NavEvent::kPrintProgram, 0, session::kAnswerNoChange);
            navigation->DisableScreen(screen);
            return;
        case shell::Screen::DownloadCheck:
            kind = files::ReportKind::DownloadCheck;
            break;
        case shell::Screen::ErrorList:
            kind = files::ReportKind::ErrorList;
            break;
        default:
            return;
    }
    ws.previewReport = kind;
    session::ShowDisplay(ws, session::Display::PrintPreview);
    navigation->DisableScreen(screen);
}

}  // namespace rq50::gui
