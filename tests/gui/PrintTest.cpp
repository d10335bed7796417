// The print dialog, the print preview, the printer check and the CSV file
// dialog on the offscreen platform, with the data of a parameter file and a
// printer that prints into a PDF file (or no printer at all).
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>

#include <fstream>
#include <memory>

#include "../unit/FileSamples.h"
#include "GuiTestSupport.h"
#include "comm/EngineCore.h"
#include "comm/jobs/Jobs.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "gui/ReportOutput.h"
#include "gui/Screens.h"
#include "gui/print/PrintDialog.h"
#include "gui/print/PrintPreviewWindow.h"
#include "gui/shell/MainWindow.h"
#include "session/Navigation.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

/// A file dialog that answers with a fixed name.
class NamedFile : public session::FileDialogHost {
  public:
    explicit NamedFile(std::string path) : m_path(std::move(path)) {}
    std::optional<session::DialogChoice> Show(const session::FileDialogSpec& dialog) override {
        specs.push_back(dialog);
        return session::DialogChoice{m_path, m_path.substr(m_path.find_last_of('/') + 1)};
    }
    std::vector<session::FileDialogSpec> specs;

  private:
    std::string m_path;
};

/// A printer that prints into a PDF file, or no printer at all.
class TestPrinter : public gui::ReportPrinter, public print::PrinterHost {
  public:
    TestPrinter(gui::ReportDevices& devices, bool present, QString output)
        : m_devices(devices), m_present(present), m_output(std::move(output)) {
        m_devices.SetPrinter(this);
    }
    ~TestPrinter() override { m_devices.SetPrinter(nullptr); }
    print::PrinterHost& Host() override { return *this; }
    std::unique_ptr<QPrinter> MakePrinter() override {
        auto printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
        printer->setOutputFormat(QPrinter::PdfFormat);
        printer->setOutputFileName(m_output);
        ++jobs;
        return printer;
    }
    std::string DefaultPrinterName(std::string& error) override {
        error.clear();
        return m_present ? "Test printer" : "";
    }
    int jobs = 0;

  private:
    gui::ReportDevices& m_devices;
    bool m_present;
    QString m_output;
};

/// The text of a PDF file, page breaks as form feeds.
QString PdfText(const QString& path) {
    QProcess process;
    process.start("pdftotext", {"-layout", path, "-"});
    process.waitForFinished(30000);
    return QString::fromUtf8(process.readAllStandardOutput());
}

QString Slurp(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromLatin1(file.readAll());
}

/// Writes `record` as a parameter file and reads it as the open dialog does.
void LoadParameterData(Program& program, const files::ParameterFileRecord& record) {
    const std::string path = (program.appDir + "/PLANT.7pa").toStdString();
    const auto bytes = files::EncodeParameterRecord(record);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    QVERIFY(files::ReadParameterFile(program.Ws(), path));
}

files::ParameterFileRecord ManyItems() {
    auto record = files::test::SampleParameterRecord();
    for (int mb = 6; mb < 90; ++mb) {
        record.items.push_back(files::test::Block(0xC2, 3, static_cast<std::uint8_t>(mb), 0,
                                                  "SPAN    +0100.00degC    "));
    }
    return record;
}

QPushButton* Button(QWidget* screen, const char* name) {
    return Child<QPushButton>(screen, name);
}

void TypeZoom(gui::PrintPreviewWindow* preview, const QString& text) {
    QLineEdit* edit = preview->cboZoom()->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

}  // namespace

/// Each case: a started program whose printer prints into printed.pdf.
class PrintTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void areasByModeAndMaintMode();
    void printsOnlyTheSelectedAreas();
    void noPrinterOffersAPdfFile();
    void previewZoomRules();
    void previewPagesOfALongReport();
    void errorAndCheckListsGoToThePreview();
    void programReportThroughThePreview();
    void csvDialogWritesWhatTheCommandLineWrites();

  private:
    /// The parameter data view (a stand-in) or the program editor opens
    /// the print dialog, with `record` loaded in parameter mode.
    gui::PrintDialog* OpenPrintDialog(
        shell::Screen from = shell::Screen::DataView,
        const files::ParameterFileRecord& record = files::test::SampleParameterRecord());
    gui::PrintPreviewWindow* Preview() {
        return qobject_cast<gui::PrintPreviewWindow*>(
            Main().FindScreen(shell::Screen::PrintPreview));
    }
    /// The preview's "Save as PDF" into `name`; the text of the file.
    QString SavePdf(gui::PrintPreviewWindow* preview, const QString& name);
    bool Enabled(shell::Screen screen) { return ScreenEnabled(Main().FindScreen(screen)); }
    gui::MainWindow& Main() { return m_program->Main(); }

    std::unique_ptr<Program> m_program;
    std::unique_ptr<TestPrinter> m_printer;
    QString m_printed;
};

void PrintTest::init() {
    m_program = std::make_unique<Program>();
    QCOMPARE(m_program->Start(), 0);
    m_printed = m_program->appDir + "/printed.pdf";
    m_printer = std::make_unique<TestPrinter>(m_program->App().Reports(), true, m_printed);
}

void PrintTest::cleanup() {
    m_printer.reset();
    m_program.reset();
}

gui::PrintDialog* PrintTest::OpenPrintDialog(shell::Screen from,
                                             const files::ParameterFileRecord& record) {
    files::Workspace& ws = m_program->Ws();
    if (from == shell::Screen::DataView) {
        LoadParameterData(*m_program, record);
        ws.state.settingMode = shell::SettingMode::Parameter;
    }
    m_program->App().Screens().makers.Register(
        from, [from, &ws] { return new StandInScreen(from, ws, session::kCallerDataView3); });
    session::ShowDisplay(ws, from == shell::Screen::ProgramEditor ? session::Display::ProgramEditor
                                                                  : session::Display::DataView);
    gui::PrintFromScreen(ws, from);
    return qobject_cast<gui::PrintDialog*>(Main().FindScreen(shell::Screen::PrintDialog));
}

QString PrintTest::SavePdf(gui::PrintPreviewWindow* preview, const QString& name) {
    const QString pdf = m_program->appDir + "/" + name;
    NamedFile named(pdf.toStdString());
    m_program->App().Reports().pdfDialog = &named;
    Press(preview, "cmdPdf");
    m_program->App().Reports().pdfDialog = nullptr;
    return PdfText(pdf);
}

void PrintTest::areasByModeAndMaintMode() {
    m_program->Ws().state.maintMode = false;
    auto* dialog = OpenPrintDialog();
    QVERIFY(dialog != nullptr);
    QVERIFY(!Enabled(shell::Screen::DataView));
    QCOMPARE(dialog->windowTitle(), QString("Print"));
    QVERIFY(dialog->AreaBox(print::PrintArea::Display)->isChecked());
    QVERIFY(dialog->AreaBox(print::PrintArea::Maint)->isHidden());
    QCOMPARE(dialog->AreaBox(print::PrintArea::Display)->accessibleName(), QString("DISPLAY"));
    QCOMPARE(Button(dialog, "cmdCSVFile")->accessibleName(), QString("CSV file output"));

    // MAINT Mode switched on while the dialog is open shows and ticks MAINT.
    m_program->Ws().state.commandMenuUnlocked = true;
    dialog->Std().mnuMaintMode->trigger();
    QVERIFY(m_program->Ws().state.maintMode);
    QVERIFY(!dialog->AreaBox(print::PrintArea::Maint)->isHidden());
    QVERIFY(dialog->AreaBox(print::PrintArea::Maint)->isChecked());

    // Cancel by keyboard returns to the data view.
    Button(dialog, "cmdCancel")->setFocus();
    QTest::keyClick(Button(dialog, "cmdCancel"), Qt::Key_Space);
    QVERIFY(WaitFor([&] { return Main().FindScreen(shell::Screen::PrintDialog) == nullptr; }));
    QVERIFY(Enabled(shell::Screen::DataView));
}

// Print holds to the ticked boxes; with none ticked, Print, Preview and CSV
// do nothing at all.
void PrintTest::printsOnlyTheSelectedAreas() {
    auto* dialog = OpenPrintDialog();
    QVERIFY(dialog != nullptr);
    QCheckBox* set = dialog->AreaBox(print::PrintArea::Set);
    QTest::mouseClick(set, Qt::LeftButton, {}, QPoint(8, set->height() / 2));
    QVERIFY(!set->isChecked());
    Press(dialog, "cmdPrint");
    QCOMPARE(m_printer->jobs, 1);
    QVERIFY(m_program->messages.boxes.empty());
    const QString text = PdfText(m_printed);
    QVERIFY2(text.contains("Information") && text.contains("DISPLAY") && text.contains("PV") &&
                 !text.contains("SET,A"),
             qPrintable(text));
    QVERIFY(text.indexOf("Information") < text.indexOf("DISPLAY"));
    QVERIFY(Enabled(shell::Screen::PrintDialog));  // the dialog stays for another output

    for (print::PrintArea area :
         {print::PrintArea::Information, print::PrintArea::Display, print::PrintArea::Adjust})
        QTest::keyClick(dialog->AreaBox(area), Qt::Key_Space);
    for (const char* button : {"cmdPrint", "cmdPreview", "cmdCSVFile"})
        QTest::mouseClick(Button(dialog, button), Qt::LeftButton);
    QVERIFY(m_program->messages.boxes.empty());
    QCOMPARE(m_printer->jobs, 1);
    QVERIFY(Preview() == nullptr);
    QVERIFY(Enabled(shell::Screen::PrintDialog));
}

void PrintTest::noPrinterOffersAPdfFile() {
    m_printer.reset();
    m_printer = std::make_unique<TestPrinter>(m_program->App().Reports(), false, QString());
    auto* dialog = OpenPrintDialog();
    QVERIFY(dialog != nullptr);

    // No: nothing is printed or saved.
    m_program->messages.answers = {shell::MsgAnswer::No};
    Press(dialog, "cmdPrint");
    QCOMPARE(m_program->messages.boxes.size(), std::size_t(1));
    QCOMPARE(m_program->messages.boxes[0].text,
             shell::Catalogue(2832) + "\n\n" + shell::Catalogue(2837));
    QCOMPARE(m_printer->jobs, 0);

    // The preview needs no printer: it shows the report at once.
    m_program->messages.boxes.clear();
    Press(dialog, "cmdPreview");
    QVERIFY(m_program->messages.boxes.empty());
    auto* preview = Preview();
    QVERIFY(preview != nullptr);
    QVERIFY(preview->vspData()->pageCount() >= 1);

    // Its Print asks for the printer; Yes: the report goes to the PDF file chosen.
    const QString pdf = m_program->appDir + "/report.pdf";
    NamedFile named(pdf.toStdString());
    m_program->App().Reports().pdfDialog = &named;
    m_program->messages.answers = {shell::MsgAnswer::Yes};
    Press(preview, "cmdPrint");
    m_program->App().Reports().pdfDialog = nullptr;
    QCOMPARE(m_program->messages.boxes.size(), std::size_t(1));
    QCOMPARE(named.specs.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(named.specs[0].filter), QString("PDF File(*.pdf)|*.pdf"));
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("DISPLAY") && text.contains("SET,A"), qPrintable(text));
    QCOMPARE(m_printer->jobs, 0);
}

void PrintTest::previewZoomRules() {
    auto* dialog = OpenPrintDialog();
    QVERIFY(dialog != nullptr);
    Press(dialog, "cmdPreview");
    auto* preview = Preview();
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(shell::Screen::PrintDialog));
    QCOMPARE(preview->windowTitle(), QString("Print Preview"));
    QCOMPARE(preview->cboZoom()->count(), 4);
    QCOMPARE(preview->cboZoom()->currentText(), QString("Whole View"));
    QVERIFY(preview->WholeView());
    QCOMPARE(preview->vspData()->pageCount(), 1);
    QVERIFY(!preview->txtPage()->isEnabled());  // one page: nothing to page through

    // The box takes the core's zoom rules; a list choice by key sets the
    // magnification and leaves Whole View.
    TypeZoom(preview, "500");
    QCOMPARE(preview->cboZoom()->currentText(), QString("200"));
    QCOMPARE(qRound(preview->ZoomPercent()), 200);
    preview->cboZoom()->setFocus();
    QTest::keyClick(preview->cboZoom(), Qt::Key_Up);
    QTest::keyClick(preview->cboZoom(), Qt::Key_Up);
    QCOMPARE(preview->cboZoom()->currentText(), QString("100"));
    QCOMPARE(qRound(preview->ZoomPercent()), 100);
    QVERIFY(!preview->WholeView());

    // Print from the preview; Escape, as Close, returns to the print dialog.
    Press(preview, "cmdPrint");
    QCOMPARE(m_printer->jobs, 1);
    QVERIFY(!preview->Std().mnuPortBaud->isEnabled());
    QTest::keyClick(preview->cboZoom(), Qt::Key_Escape);
    QVERIFY(WaitFor([&] { return Enabled(shell::Screen::PrintDialog); }));
    QVERIFY(Preview() == nullptr);
}

void PrintTest::previewPagesOfALongReport() {
    auto* dialog = OpenPrintDialog(shell::Screen::DataView, ManyItems());
    QVERIFY(dialog != nullptr);
    Press(dialog, "cmdPreview");
    auto* preview = Preview();
    QVERIFY(preview != nullptr);
    const int pages = preview->vspData()->pageCount();
    QVERIFY(pages >= 3);
    QVERIFY(preview->txtPage()->isEnabled());
    QCOMPARE(preview->txtPage()->maximum(), pages);
    preview->txtPage()->setFocus();
    QTest::keyClick(preview->txtPage(), Qt::Key_Up);
    QCOMPARE(preview->vspData()->currentPage(), 2);
    // Scrolling in the preview to the last page shows in the page box.
    preview->cboZoom()->setCurrentIndex(1);
    emit preview->cboZoom()->activated(1);
    QScrollBar* bar = preview->vspData()->findChild<QGraphicsView*>()->verticalScrollBar();
    bar->setValue(bar->maximum());
    QCOMPARE(preview->txtPage()->value(), pages);
    QCOMPARE(SavePdf(preview, "long.pdf").count(QChar('\f')), pages);
}

// The error window's and the download check's Print reach the preview, which
// prints or saves the list and gives its window back.
void PrintTest::errorAndCheckListsGoToThePreview() {
    m_program->App().Screens().makers.Register(shell::Screen::ErrorList, [this] {
        return new StandInScreen(shell::Screen::ErrorList, m_program->Ws(),
                                 session::kCallerProgramEditor);
    });
    session::ShowDisplay(m_program->Ws(), session::Display::ErrorList);
    m_program->Ws().errorPrintList = {{"P01", "LDX9", "Invalid operator."},
                                      {"P02", "GO99", "Invalid jump address."}};
    session::DisplayMatrix(m_program->Ws(), shell::NavEvent::kPrintErrorList);
    auto* preview = Preview();
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(shell::Screen::ErrorList));
    const QString errors = SavePdf(preview, "errors.pdf");
    QVERIFY2(errors.indexOf("LDX9") >= 0 && errors.indexOf("LDX9") < errors.indexOf("GO99"),
             qPrintable(errors));
    Press(preview, "cmdClose");
    QVERIFY(WaitFor([&] { return Enabled(shell::Screen::ErrorList); }));

    comm::jobs::DownloadCheckEntry entry;
    entry.ma = 3;
    entry.mb = 5;
    entry.sentName = "SET,A   ";
    entry.sentData = "1A2B    ";
    entry.setData = "1A2C    ";
    m_program->Ws().checkList = {entry};
    session::ShowDisplay(m_program->Ws(), session::Display::DownloadCheck);
    QWidget* check = Main().FindScreen(shell::Screen::DownloadCheck);
    QVERIFY(check != nullptr);
    Press(check, "cmdPrint");
    preview = Preview();
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(shell::Screen::DownloadCheck));
    Press(preview, "cmdPrint");
    QCOMPARE(m_printer->jobs, 1);
    const QString list = PdfText(m_printed);
    QVERIFY2(list.contains("Check Downloading to TAVRO") && list.contains("1A2C"),
             qPrintable(list));
    Press(preview, "cmdClose");
    QVERIFY(WaitFor([&] { return Enabled(shell::Screen::DownloadCheck); }));
}

void PrintTest::programReportThroughThePreview() {
    m_program->Ws().state.settingMode = shell::SettingMode::Program;
    const std::string path = (m_program->appDir + "/MIX.7pr").toStdString();
    const auto bytes = files::EncodeProgramRecord(files::test::SampleProgramRecord());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    QVERIFY(files::ReadProgramFile(m_program->Ws(), path));
    auto* dialog = OpenPrintDialog(shell::Screen::ProgramEditor);
    QVERIFY(dialog != nullptr);
    QTest::keyClick(dialog->AreaBox(print::PrintArea::Information), Qt::Key_Space);
    Press(dialog, "cmdPreview");
    QVERIFY(Preview() != nullptr);
    const QString text = SavePdf(Preview(), "program.pdf");
    QVERIFY2(!text.contains("Information") && text.indexOf("LDX1") < text.indexOf("STY1") &&
                 text.indexOf("STY1") < text.indexOf("12.5") && text.contains("load input"),
             qPrintable(text));
}

void PrintTest::csvDialogWritesWhatTheCommandLineWrites() {
    auto* dialog = OpenPrintDialog();
    QVERIFY(dialog != nullptr);
    dialog->AreaBox(print::PrintArea::Set)->setChecked(false);
    const QString gui = m_program->appDir + "/gui.csv";
    WhenFileDialog(gui);
    Press(dialog, "cmdCSVFile");
    QVERIFY2(WaitFor([&] { return QFile::exists(gui); }, 5000),
             m_program->messages.Texts().empty() ? "no message"
                                                 : m_program->messages.Texts().back().c_str());

    const QString cli = m_program->appDir + "/cli.csv";
    QProcess process;
    process.start(QString(RQ50_BIN_DIR) + "/rq50-cli",
                  {"--app-dir", m_program->appDir, "csv", m_program->appDir + "/PLANT.7pa", "-o",
                   cli, "--areas", "information,display,adjust"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!Slurp(cli).isEmpty());
    QCOMPARE(Slurp(gui), Slurp(cli));
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
