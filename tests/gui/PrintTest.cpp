// The print dialog, the print preview, the printer check and the CSV file
// dialog on the offscreen platform, with the data of a parameter file and a
// printer that prints into a PDF file (or no printer at all).
#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QFileDialog>
#include <QGraphicsView>
#include <QLineEdit>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTest>
#include <QTimer>

#include <fstream>

#include "../unit/FileSamples.h"
#include "GuiTestSupport.h"
#include "comm/Navigation.h"
#include "comm/jobs/Jobs.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "gui/ReportOutput.h"
#include "gui/Screens.h"
#include "gui/print/PrintDialog.h"
#include "gui/print/PrintPreviewWindow.h"
#include "gui/shell/MainWindow.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

/// A file dialog that answers with a fixed name.
class NamedFile : public shell::FileDialogHost {
  public:
    explicit NamedFile(std::string path) : m_path(std::move(path)) {}
    std::optional<shell::DialogChoice> Show(const shell::FileDialogSpec& dialog) override {
        specs.push_back(dialog);
        return shell::DialogChoice{m_path, m_path.substr(m_path.find_last_of('/') + 1)};
    }
    std::vector<shell::FileDialogSpec> specs;

  private:
    std::string m_path;
};

/// A printer that prints into a PDF file, or no printer at all.
class TestPrinter : public gui::ReportPrinter, public print::PrinterHost {
  public:
    TestPrinter(bool present, QString output) : m_present(present), m_output(std::move(output)) {
        gui::SetPrinter(this);
    }
    ~TestPrinter() override { gui::SetPrinter(nullptr); }
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
    const QString& folder = program.appDir;
    shell::Workspace& ws = program.Ws();
    const std::string path = (folder + "/PLANT.7pa").toStdString();
    const auto bytes = files::EncodeParameterRecord(record);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    QVERIFY(files::ReadParameterFile(ws, path));
}

files::ParameterFileRecord ManyItems() {
    auto record = files::test::SampleParameterRecord();
    for (int mb = 6; mb < 90; ++mb) {
        record.items.push_back(files::test::Block(0xC2, 3, static_cast<std::uint8_t>(mb), 0,
                                                  "SPAN    +0100.00degC    "));
    }
    return record;
}

/// The parameter data view stands in for the screen that opens the dialog.
print::PrintDialog* OpenPrintDialog(Program& program, shell::Screen from) {
    shell::MainWindow& main = program.Main();
    shell::Workspace& ws = program.Ws();
    program.App().Screens().makers.Register(
        from, [from, &ws] { return new StandInScreen(from, ws, comm::kCallerDataView3); });
    shell::ShowDisplay(ws, from == shell::Screen::frmRQ3000 ? shell::kDisplayProgramEditor
                                                            : shell::kDisplayDataView);
    gui::PrintFromScreen(ws, from);
    return qobject_cast<print::PrintDialog*>(main.FindScreen(shell::Screen::frmRQ2800));
}

QPushButton* Button(QWidget* screen, const char* name) {
    return Child<QPushButton>(screen, name);
}

void TypeZoom(print::PrintPreviewWindow* preview, const QString& text) {
    QLineEdit* edit = preview->cboZoom()->lineEdit();
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Backspace);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Return);
}

bool Enabled(shell::MainWindow& main, shell::Screen screen) {
    QWidget* widget = main.FindScreen(screen);
    return widget != nullptr && widget->parentWidget()->isEnabled();
}

}  // namespace

class PrintTest : public QObject {
    Q_OBJECT
  private slots:
    void areasByModeAndMaintMode();
    void nothingHappensWithoutASelectedArea();
    void noPrinterOffersAPdfFile();
    void printsTheSelectedAreas();
    void previewZoomRules();
    void previewPagesOfALongReport();
    void errorListGoesToThePreview();
    void checkListGoesToThePreview();
    void programReportThroughThePreview();
    void printButtonsOfTheParameterScreens();
    void csvDialogWritesWhatTheCommandLineWrites();
};

void PrintTest::areasByModeAndMaintMode() {
    Program program;
    QCOMPARE(program.Start(), 0);
    program.Ws().state.settingMode = 0;
    program.Ws().state.maintMode = false;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    QVERIFY(!Enabled(program.Main(), shell::Screen::frmRQ2400));
    QCOMPARE(dialog->windowTitle(), QString("Print"));
    QVERIFY(dialog->chkPrint(1)->isChecked());
    QVERIFY(dialog->chkPrint(4)->isHidden());
    QCOMPARE(dialog->chkPrint(1)->accessibleName(), QString("DISPLAY"));
    QCOMPARE(Button(dialog, "cmdCSVFile")->accessibleName(), QString("CSV file output"));

    // MAINT Mode switched on while the dialog is open shows and ticks MAINT.
    program.Ws().state.commandMenuUnlocked = true;
    dialog->Std().mnuCommandItems[0]->trigger();
    QVERIFY(program.Ws().state.maintMode);
    QVERIFY(!dialog->chkPrint(4)->isHidden());
    QVERIFY(dialog->chkPrint(4)->isChecked());

    // Cancel by keyboard returns to the data view.
    Button(dialog, "cmdCancel")->setFocus();
    QTest::keyClick(Button(dialog, "cmdCancel"), Qt::Key_Space);
    QVERIFY(
        WaitFor([&] { return program.Main().FindScreen(shell::Screen::frmRQ2800) == nullptr; }));
    QVERIFY(Enabled(program.Main(), shell::Screen::frmRQ2400));

    program.Ws().state.maintMode = false;
    program.Ws().state.commandMenuUnlocked = false;
}

void PrintTest::nothingHappensWithoutASelectedArea() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    // Unticked by keyboard.
    for (int area = 0; area < 4; ++area) QTest::keyClick(dialog->chkPrint(area), Qt::Key_Space);
    for (const char* button : {"cmdPrint", "cmdPreview", "cmdCSVFile"}) {
        QTest::mouseClick(Button(dialog, button), Qt::LeftButton);
    }
    QVERIFY(program.messages.boxes.empty());
    QCOMPARE(printer.jobs, 0);
    QVERIFY(program.Main().FindScreen(shell::Screen::frmRQ2900) == nullptr);
    QVERIFY(Enabled(program.Main(), shell::Screen::frmRQ2800));
}

void PrintTest::noPrinterOffersAPdfFile() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(false, {});
    LoadParameterData(program, files::test::SampleParameterRecord());
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);

    // No: nothing is printed or saved.
    program.messages.answers = {shell::kAnswerNo};
    QTest::mouseClick(Button(dialog, "cmdPrint"), Qt::LeftButton);
    QCOMPARE(program.messages.boxes.size(), std::size_t(1));
    QCOMPARE(program.messages.boxes[0].text,
             shell::Catalogue(2832) + "\n\n" + shell::Catalogue(2837));
    QCOMPARE(printer.jobs, 0);

    // The preview needs no printer: it shows the report at once.
    program.messages.boxes.clear();
    QTest::mouseClick(Button(dialog, "cmdPreview"), Qt::LeftButton);
    QVERIFY(program.messages.boxes.empty());
    auto* preview = qobject_cast<print::PrintPreviewWindow*>(
        program.Main().FindScreen(shell::Screen::frmRQ2900));
    QVERIFY(preview != nullptr);
    QVERIFY(preview->vspData()->pageCount() >= 1);

    // Its Print asks for the printer; Yes: the report goes to the PDF file chosen.
    const QString pdf = program.appDir + "/report.pdf";
    NamedFile named(pdf.toStdString());
    gui::PdfFileDialog() = &named;
    program.messages.answers = {shell::kAnswerYes};
    QTest::mouseClick(Button(preview, "cmdPrint"), Qt::LeftButton);
    gui::PdfFileDialog() = nullptr;
    QCOMPARE(program.messages.boxes.size(), std::size_t(1));
    QCOMPARE(named.specs.size(), std::size_t(1));
    QCOMPARE(QString::fromStdString(named.specs[0].filter), QString("PDF File(*.pdf)|*.pdf"));
    const QString text = PdfText(pdf);
    QVERIFY2(text.contains("DISPLAY") && text.contains("SET,A"), qPrintable(text));
    QCOMPARE(printer.jobs, 0);
}

void PrintTest::printsTheSelectedAreas() {
    Program program;
    QCOMPARE(program.Start(), 0);
    const QString printed = program.appDir + "/printed.pdf";
    TestPrinter printer(true, printed);
    LoadParameterData(program, files::test::SampleParameterRecord());
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    QCheckBox* set = dialog->chkPrint(print::kAreaSet);
    QTest::mouseClick(set, Qt::LeftButton, {}, QPoint(8, set->height() / 2));
    QVERIFY(!set->isChecked());
    QTest::mouseClick(Button(dialog, "cmdPrint"), Qt::LeftButton);
    QCOMPARE(printer.jobs, 1);
    QVERIFY(program.messages.boxes.empty());
    const QString text = PdfText(printed);
    QVERIFY2(text.contains("Information") && text.contains("DISPLAY") && text.contains("PV") &&
                 !text.contains("SET,A"),
             qPrintable(text));
    QVERIFY(text.indexOf("Information") < text.indexOf("DISPLAY"));
    // The dialog stays for another output.
    QVERIFY(Enabled(program.Main(), shell::Screen::frmRQ2800));
}

void PrintTest::previewZoomRules() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    LoadParameterData(program, files::test::SampleParameterRecord());
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    QTest::mouseClick(Button(dialog, "cmdPreview"), Qt::LeftButton);
    auto* preview = qobject_cast<print::PrintPreviewWindow*>(
        program.Main().FindScreen(shell::Screen::frmRQ2900));
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(program.Main(), shell::Screen::frmRQ2800));
    QCOMPARE(preview->windowTitle(), QString("Print Preview"));
    QCOMPARE(preview->cboZoom()->count(), 4);
    QCOMPARE(preview->cboZoom()->currentText(), QString("Whole View"));
    QVERIFY(preview->WholeView());
    // One page: nothing to page through.
    QCOMPARE(preview->vspData()->pageCount(), 1);
    QVERIFY(!preview->txtPage()->isEnabled());

    // The box takes the core's zoom rules: one clamped number, letters dropped.
    TypeZoom(preview, "500");
    QCOMPARE(preview->cboZoom()->currentText(), QString("200"));
    QCOMPARE(qRound(preview->ZoomPercent()), 200);
    // A list choice by key sets the magnification and leaves Whole View.
    preview->cboZoom()->setFocus();
    QTest::keyClick(preview->cboZoom(), Qt::Key_Up);
    QTest::keyClick(preview->cboZoom(), Qt::Key_Up);
    QCOMPARE(preview->cboZoom()->currentText(), QString("100"));
    QCOMPARE(qRound(preview->ZoomPercent()), 100);
    QVERIFY(!preview->WholeView());

    // Print from the preview; Close returns to the print dialog.
    QTest::mouseClick(Button(preview, "cmdPrint"), Qt::LeftButton);
    QCOMPARE(printer.jobs, 1);
    QVERIFY(!preview->Std().mnuPortBaud->isEnabled());
    QTest::keyClick(preview->cboZoom(), Qt::Key_Escape);  // as Close
    QVERIFY(WaitFor([&] { return Enabled(program.Main(), shell::Screen::frmRQ2800); }));
    QVERIFY(program.Main().FindScreen(shell::Screen::frmRQ2900) == nullptr);
}

void PrintTest::previewPagesOfALongReport() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    LoadParameterData(program, ManyItems());
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    QTest::mouseClick(Button(dialog, "cmdPreview"), Qt::LeftButton);
    auto* preview = qobject_cast<print::PrintPreviewWindow*>(
        program.Main().FindScreen(shell::Screen::frmRQ2900));
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

    // Save as PDF from the preview: the same pages.
    const QString pdf = program.appDir + "/long.pdf";
    NamedFile named(pdf.toStdString());
    gui::PdfFileDialog() = &named;
    QTest::mouseClick(Button(preview, "cmdPdf"), Qt::LeftButton);
    gui::PdfFileDialog() = nullptr;
    QCOMPARE(PdfText(pdf).count(QChar('\f')), pages);
}

void PrintTest::errorListGoesToThePreview() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    program.App().Screens().makers.Register(shell::Screen::frmRQ3100, [&program] {
        return new StandInScreen(shell::Screen::frmRQ3100, program.Ws(),
                                 comm::kCallerProgramEditor);
    });
    shell::ShowDisplay(program.Ws(), shell::kDisplayErrorList);
    program.Ws().errorPrintList = {{"P01", "LDX9", "Invalid operator."},
                                   {"P02", "GO99", "Invalid jump address."}};
    // What the error window's Print does.
    shell::DisplayMatrix(program.Ws(), shell::NavEvent::kPrintErrorList);
    auto* preview = qobject_cast<print::PrintPreviewWindow*>(
        program.Main().FindScreen(shell::Screen::frmRQ2900));
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(program.Main(), shell::Screen::frmRQ3100));

    const QString pdf = program.appDir + "/errors.pdf";
    NamedFile named(pdf.toStdString());
    gui::PdfFileDialog() = &named;
    QTest::mouseClick(Button(preview, "cmdPdf"), Qt::LeftButton);
    gui::PdfFileDialog() = nullptr;
    const QString text = PdfText(pdf);
    QVERIFY2(text.indexOf("LDX9") >= 0 && text.indexOf("LDX9") < text.indexOf("GO99"),
             qPrintable(text));
    QTest::mouseClick(Button(preview, "cmdClose"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Enabled(program.Main(), shell::Screen::frmRQ3100); }));
}

// The download check's Print reaches the preview, whose Print prints the list.
void PrintTest::checkListGoesToThePreview() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    comm::jobs::DownloadCheckEntry entry;
    entry.ma = 3;
    entry.mb = 5;
    entry.sentName = "SET,A   ";
    entry.sentData = "1A2B    ";
    entry.setData = "1A2C    ";
    program.Engine().Results().downloadCheck = {entry};
    shell::ShowDisplay(program.Ws(), shell::kDisplayDownloadCheck);
    QWidget* check = program.Main().FindScreen(shell::Screen::frmRQ2700);
    QVERIFY(check != nullptr);
    QTest::mouseClick(Button(check, "cmdPrint"), Qt::LeftButton);
    auto* preview =
        qobject_cast<print::PrintPreviewWindow*>(program.Main().FindScreen(shell::Screen::frmRQ2900));
    QVERIFY(preview != nullptr);
    QVERIFY(!Enabled(program.Main(), shell::Screen::frmRQ2700));
    QTest::mouseClick(Button(preview, "cmdPrint"), Qt::LeftButton);
    QCOMPARE(printer.jobs, 1);
    const QString list = PdfText(program.appDir + "/printed.pdf");
    QVERIFY2(list.contains("Check Downloading to TAVRO") && list.contains("1A2C"),
             qPrintable(list));
    QTest::mouseClick(Button(preview, "cmdClose"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Enabled(program.Main(), shell::Screen::frmRQ2700); }));
}

void PrintTest::programReportThroughThePreview() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    program.Ws().state.settingMode = 1;
    const std::string path = (program.appDir + "/MIX.7pr").toStdString();
    const auto bytes = files::EncodeProgramRecord(files::test::SampleProgramRecord());
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    QVERIFY(files::ReadProgramFile(program.Ws(), path));
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ3000);
    QVERIFY(dialog != nullptr);
    QTest::keyClick(dialog->chkPrint(print::kAreaInformation), Qt::Key_Space);
    QTest::mouseClick(Button(dialog, "cmdPreview"), Qt::LeftButton);
    auto* preview = qobject_cast<print::PrintPreviewWindow*>(
        program.Main().FindScreen(shell::Screen::frmRQ2900));
    QVERIFY(preview != nullptr);
    const QString pdf = program.appDir + "/program.pdf";
    NamedFile named(pdf.toStdString());
    gui::PdfFileDialog() = &named;
    QTest::mouseClick(Button(preview, "cmdPdf"), Qt::LeftButton);
    gui::PdfFileDialog() = nullptr;
    const QString text = PdfText(pdf);
    QVERIFY2(!text.contains("Information") && text.indexOf("LDX1") < text.indexOf("STY1") &&
                 text.indexOf("STY1") < text.indexOf("12.5"),
             qPrintable(text));
    QVERIFY(text.contains("load input"));
    program.Ws().state.settingMode = 0;
}

void PrintTest::printButtonsOfTheParameterScreens() {
    Program program;
    QCOMPARE(program.Start(), 0);
    TestPrinter printer(true, program.appDir + "/printed.pdf");
    LoadParameterData(program, files::test::SampleParameterRecord());
    program.Ws().state.settingMode = 0;

    // The data view's Print option opens the print dialog; Cancel goes back.
    shell::ShowDisplay(program.Ws(), shell::kDisplayDataViewFile);
    QWidget* view = program.Main().FindScreen(shell::Screen::frmRQ2400);
    QVERIFY(view != nullptr);
    Child<QRadioButton>(view, "optPrint")->setChecked(true);
    QTest::mouseClick(Button(view, "cmdOK"), Qt::LeftButton);
    auto* dialog =
        qobject_cast<print::PrintDialog*>(program.Main().FindScreen(shell::Screen::frmRQ2800));
    QVERIFY(dialog != nullptr);
    QVERIFY(!Enabled(program.Main(), shell::Screen::frmRQ2400));
    QTest::mouseClick(Button(dialog, "cmdCancel"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Enabled(program.Main(), shell::Screen::frmRQ2400); }));
}

void PrintTest::csvDialogWritesWhatTheCommandLineWrites() {
    Program program;
    QCOMPARE(program.Start(), 0);
    LoadParameterData(program, files::test::SampleParameterRecord());
    program.Ws().state.settingMode = 0;
    auto* dialog = OpenPrintDialog(program, shell::Screen::frmRQ2400);
    QVERIFY(dialog != nullptr);
    dialog->chkPrint(print::kAreaSet)->setChecked(false);

    const QString gui = program.appDir + "/gui.csv";
    WhenFileDialog(gui);
    QTest::mouseClick(Button(dialog, "cmdCSVFile"), Qt::LeftButton);
    QVERIFY2(
        WaitFor([&] { return QFile::exists(gui); }, 5000),
        program.messages.Texts().empty() ? "no message" : program.messages.Texts().back().c_str());

    const QString cli = program.appDir + "/cli.csv";
    QProcess process;
    process.start(QString(RQ50_BIN_DIR) + "/rq50-cli",
                  {"--app-dir", program.appDir, "csv", program.appDir + "/PLANT.7pa", "-o", cli,
                   "--areas", "information,display,adjust"});
    QVERIFY(process.waitForFinished(30000));
    QCOMPARE(process.exitCode(), 0);
    QVERIFY(!Slurp(cli).isEmpty());
    QCOMPARE(Slurp(gui), Slurp(cli));
}

QTEST_MAIN(PrintTest)
#include "PrintTest.moc"
