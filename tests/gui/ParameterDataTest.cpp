// The data path as a technician walks it in the demo: upload, the data
// view, the content list, saving with the information window, opening the
// file again, and a download whose clamped value the check list shows.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>

#include <memory>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/Navigation.h"
#include "files/ParameterFile.h"
#include "files/SingleByteText.h"
#include "gui/parameter/DataViewScreen.h"
#include "gui/shell/MainWindow.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "program/ProgramTypes.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"

using namespace rq50;
using namespace rq50::guitest;
using shell::Screen;

namespace {

/// The texts of a table's data rows (columns joined by "|"), blank rows kept.
QStringList Rows(QTableView* grid, int columns) {
    QStringList rows;
    for (int r = 0; r < grid->model()->rowCount(); ++r) {
        QStringList cells;
        for (int c = 0; c < columns; ++c)
            cells << grid->model()->index(r, c).data().toString().trimmed();
        rows << cells.join('|');
    }
    return rows;
}

}  // namespace

class ParameterDataTest : public QObject {
    Q_OBJECT
  private slots:
    void uploadSaveOpenAndDownload();
    void everyInformationPurposeLeavesAUsableScreen();
    void informationWindowKeys();

  private:
    gui::ScreenBase* Screen(shell::Screen screen) { return m_program->Main().FindScreen(screen); }
    /// The program on the demo instrument, its clock 20 times faster, its
    /// main window active at the top menu.
    bool StartProgram();
    /// Top menu OK in the mode of `option` (0 parameter, 1 program).
    bool StartWork(int option);
    /// Upload from the setting menu up to the data view.
    gui::ScreenBase* Upload();
    /// The information window is up, opened for `purpose`.
    bool InfoOpen(int purpose);
    /// OK or Cancel in the information window, until it has gone.
    bool CloseInformation(bool ok);
    shell::Screen UsableId();

    std::unique_ptr<Program> m_program;
};

bool ParameterDataTest::StartWork(int option) {
    gui::ScreenBase* top = Screen(Screen::frmRQ2000);
    if (top == nullptr || UsableScreen(*m_program) != top) return false;
    QTest::mouseClick(Child<QRadioButton>(top, option == 0 ? "optPPM0" : "optPPM1"),
                      Qt::LeftButton);
    Press(top, "cmdOK");
    return UsableScreen(*m_program) == Screen(Screen::frmRQ2100);
}

gui::ScreenBase* ParameterDataTest::Upload() {
    m_program->messages.answers = {shell::kAnswerOk};
    if (!ChooseAndOk(Screen(Screen::frmRQ2100), "optParameter1") || !Idle(*m_program))
        return nullptr;
    gui::ScreenBase* view = Screen(Screen::frmRQ2400);
    return view != nullptr && UsableScreen(*m_program) == view ? view : nullptr;
}

bool ParameterDataTest::InfoOpen(int purpose) {
    return WaitFor([&] { return Screen(Screen::frmRQ2600) != nullptr; }) &&
           m_program->Ws().state.infoPurpose == purpose;
}

bool ParameterDataTest::CloseInformation(bool ok) {
    gui::ScreenBase* info = Screen(Screen::frmRQ2600);
    if (info == nullptr) return false;
    QTest::mouseClick(Child<QPushButton>(info, ok ? "cmdOK" : "cmdCancel"), Qt::LeftButton);
    return WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; });
}

/// What a user can work on now; the top menu stands for "nothing" when no
/// screen is usable (the top menu itself is not among the screens walked).
bool ParameterDataTest::StartProgram() {
    m_program = std::make_unique<Program>();
    m_program->standIns = false;
    if (m_program->Start() != 0) return false;
    m_program->Clock().SetRate(20);
    m_program->Main().resize(1000, 700);
    m_program->Main().activateWindow();
    return QTest::qWaitForWindowActive(&m_program->Main());
}

shell::Screen ParameterDataTest::UsableId() {
    gui::ScreenBase* usable = UsableScreen(*m_program);
    return usable != nullptr ? usable->Id() : Screen::frmRQ2000;
}

void ParameterDataTest::uploadSaveOpenAndDownload() {
    QVERIFY(StartProgram());
    Press(Screen(Screen::frmRQ2000), "cmdOK");

    // Upload: the data view for uploaded data.
    m_program->messages.answers = {shell::kAnswerOk};
    QVERIFY(ChooseAndOk(Screen(Screen::frmRQ2100), "optParameter1"));
    QVERIFY(Idle(*m_program));
    QCOMPARE(m_program->Engine().CommResult, int(comm::kErrNone));
    gui::ScreenBase* view = Screen(Screen::frmRQ2400);
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), QString("Data Uploaded from TAVRO"));
    QCOMPARE(m_program->Main().ActiveScreen(), view);

    // Content list: the core's rows, blank ones blank.
    QVERIFY(ChooseAndOk(view, "optContent"));
    gui::ScreenBase* list = Screen(Screen::frmRQ2500);
    QVERIFY(list != nullptr);
    QVERIFY(!view->parentWidget()->isEnabled());
    QCOMPARE(Child<QLabel>(list, "lblModel")->text(), QString(" MODEL:RQB2"));
    const QStringList rows = Rows(Child<QTableView>(list, "ssContent"), 4);
    QCOMPARE(rows.mid(3, 2), (QStringList{"|||", "B|STATUS||"}));
    QVERIFY(rows.contains("C01|INP TYPE|DC|4-20mA"));
    QVERIFY(!rows.join(' ').contains("MAINT"));
    // Its Close has a mnemonic, and Escape closes the list as Close does.
    QVERIFY(Child<QPushButton>(list, "cmdExit")->text().contains('&'));
    QCOMPARE(Child<QPushButton>(list, "cmdExit")->accessibleName(), QString("Close"));
    QTest::keyClick(Child<QTableView>(list, "ssContent"), Qt::Key_Escape);
    QVERIFY(Screen(Screen::frmRQ2500) == nullptr);
    QVERIFY(view->parentWidget()->isEnabled());

    // Save: the file dialog, then the information window; OK writes the file.
    // The folder's name is outside ASCII, as a user's folder may be.
    QVERIFY(QDir(m_program->appDir).mkdir(QString::fromUtf8("Müller")));
    const QString path = m_program->appDir + QString::fromUtf8("/Müller/pump1.7pa");
    WhenFileDialog(path);
    QVERIFY(ChooseAndOk(view, "optSave"));
    gui::ScreenBase* info = Screen(Screen::frmRQ2600);
    QVERIFY(info != nullptr);
    QVERIFY(!view->parentWidget()->isEnabled());
    QCOMPARE(Child<QLabel>(info, "lblInfo3")->text(), QString("pump1.7pa"));
    m_program->Main().activateWindow();  // back from the file dialog
    QVERIFY(QTest::qWaitForWindowActive(&m_program->Main()));
    auto* title1 = Child<QLineEdit>(info, "txtTitle1");
    title1->setFocus();
    QTest::keyClicks(title1, "Pump 1 feed");
    QTest::keyClick(title1, Qt::Key_Return);  // Enter walks on, past the caption
    QVERIFY(Child<QLineEdit>(info, "txtTitle2")->hasFocus());
    auto* created = Child<QLineEdit>(info, "txtCreatedBy");
    created->setFocus();
    QTest::keyClicks(created, "R. Tanaka");
    auto* comment = Child<QPlainTextEdit>(info, "txtComment");
    comment->setFocus();
    QTest::keyClicks(comment, "line one");
    QTest::keyClick(comment, Qt::Key_Return);  // a line break, the focus stays
    QTest::keyClicks(comment, "line two");
    QVERIFY(comment->hasFocus());
    Press(info, "cmdOK");
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; }));
    QVERIFY(view->parentWidget()->isEnabled());
    files::ParameterFileRecord saved;
    QCOMPARE(files::LoadParameterFile(path.toStdString(), saved), 0);
    QCOMPARE(shell::Trim(saved.information.title1), std::string("Pump 1 feed"));
    QCOMPARE(shell::Trim(saved.information.createdBy), std::string("R. Tanaka"));
    QVERIFY(saved.information.comment.find("line one") != std::string::npos);
    QVERIFY(saved.information.comment.find("line two") != std::string::npos);
    QCOMPARE(saved.items.size(), m_program->Ws().items.dataSet.size());

    // Leaving the saved data asks nothing; the file opens again from the menu.
    m_program->messages.boxes.clear();
    Press(view, "cmdCancel");
    QVERIFY(m_program->messages.boxes.empty());
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2400) == nullptr; }));
    m_program->Ws().items.dataSet.clear();
    // A name beyond Latin-1 opens as it is and shows as it is in the caption.
    const QString odd = QString::fromUtf8("ünï cødé ✓.7pa");
    QVERIFY(QFile::copy(path, m_program->appDir + "/" + odd));
    WhenFileDialog(m_program->appDir + "/" + odd);
    QVERIFY(ChooseAndOk(Screen(Screen::frmRQ2100), "optParameter2"));
    view = Screen(Screen::frmRQ2400);
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), QString("Data Read from a File"));
    QCOMPARE(m_program->Ws().items.dataSet.size(), saved.items.size());
    QVERIFY2(m_program->Main().windowTitle().endsWith("[" + odd + "]"),
             qPrintable(m_program->Main().windowTitle()));

    // Download with SCALE HI above what the instrument takes: it keeps its
    // maximum, and the check list shows the difference.
    auto& items = m_program->Ws().items.dataSet;
    for (auto& block : items) {
        const auto item = parameter::DecodeItem(block, false);
        if (shell::Trim(item.name) != "SCALE HI") continue;
        const auto edit = parameter::SetItemValue(block, "200");
        QVERIFY(edit.ok);
        block = edit.block;
    }
    // The instrument's set is kept first, and the list of changes comes before
    // anything is written.
    m_program->messages.answers = {shell::kAnswerOk};
    QStringList changes;
    WhenModal("DownloadPreview", [&changes](QWidget* preview) {
        changes = Rows(preview->findChild<QTableView*>("changes"), 4);
        Press(preview, "cmdDownload");
    });
    QVERIFY(ChooseAndOk(view, "optDownload"));
    QVERIFY(Idle(*m_program));
    QCOMPARE(changes, QStringList{"C03|SCALE HI|100.00 %|200.00 %"});
    QCOMPARE(QDir(m_program->appDir + "/User/BACKUP").entryList(QDir::Files).size(), 1);
    QCOMPARE(m_program->messages.boxes.back().text,
             std::string("Downloading to TAVRO completed.\r\n\r\n1 item holds another value than "
                         "the file; see the check list."));
    gui::ScreenBase* check = Screen(Screen::frmRQ2700);
    QVERIFY(check != nullptr);
    QCOMPARE(check->windowTitle(), QString("Check Downloading to TAVRO"));
    auto* grid = Child<QTableView>(check, "ssWriteCheckTAVRO");
    const QStringList checked = Rows(grid, 4);
    QCOMPARE(checked[0], QString("C03|SCALE HI|+200.00%|+150.00%"));
    QCOMPARE(checked[1], QString("|||"));
    QCOMPARE(grid->model()->headerData(1, Qt::Horizontal).toString(), QString("Display"));
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(),
             QString("Data that has been set"));
    QCOMPARE(check->Std().mnuPortBaud->isEnabled(), false);  // no Baud Rate from here
    QTest::keyClick(grid, Qt::Key_Escape);                   // as Close
    QVERIFY(Screen(Screen::frmRQ2700) == nullptr);
    QCOMPARE(UsableScreen(*m_program), Screen(Screen::frmRQ2400));
    m_program->Close();
}

// Every reason the information window is opened for, through the flows that
// open it, and the screen the user can work on once it has closed (OK and
// Cancel). The quit question after a save-and-exit is answered No. The walk
// notes what it finds and goes on from the screen that should be usable, so
// one run shows every purpose.
void ParameterDataTest::everyInformationPurposeLeavesAUsableScreen() {
    QVERIFY(StartProgram());
    QStringList seen;
    QStringList wanted;
    auto after = [&](int purpose, const QString& how, shell::Screen expected) {
        const shell::Screen actual = UsableId();
        const QString step = QString("%1 %2: ").arg(purpose).arg(how);
        seen << step + shell::ScreenName(actual);
        wanted << step + shell::ScreenName(expected);
        if (actual != expected) m_program->Main().EnableScreen(expected);
    };
    auto okOrCancel = [](bool ok) { return QString(ok ? "OK" : "Cancel"); };
    // A new file every save (the file dialog would ask before overwriting).
    int saves = 0;
    auto newFile = [&](const char* ext) {
        return m_program->appDir + QString("/walk%1.").arg(++saves) + ext;
    };
    QVERIFY(StartWork(0));
    auto* view = qobject_cast<parameter::DataViewScreen*>(Upload());
    QVERIFY(view != nullptr);

    // 10: the data view's File menu.
    view->mnuFileInformation->trigger();
    QVERIFY(InfoOpen(10));
    QVERIFY(CloseInformation(true));
    after(10, "OK", Screen::frmRQ2400);
    // 1: Save to file; Cancel still writes.
    const QString path = newFile("7pa");
    WhenFileDialog(path);
    QVERIFY(ChooseAndOk(view, "optSave"));
    QVERIFY(InfoOpen(1));
    QVERIFY(CloseInformation(false));
    after(1, "Cancel", Screen::frmRQ2400);
    QVERIFY(QFile::exists(path));
    // 3: the print dialog's Information button.
    QVERIFY(ChooseAndOk(view, "optPrint"));
    gui::ScreenBase* print = Screen(Screen::frmRQ2800);
    QVERIFY(print != nullptr);
    for (bool ok : {true, false}) {
        Press(print, "cmdInfo");
        QVERIFY(InfoOpen(3));
        QVERIFY(CloseInformation(ok));
        after(3, okOrCancel(ok), Screen::frmRQ2800);
    }
    Press(print, "cmdCancel");
    QCOMPARE(UsableId(), Screen::frmRQ2400);
    m_program->messages.answers = {shell::kAnswerNo};
    Press(view, "cmdCancel");
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2400) == nullptr; }));

    for (bool ok : {true, false}) {
        view = qobject_cast<parameter::DataViewScreen*>(Upload());
        QVERIFY(view != nullptr);
        // 8: File > Exit with unsaved data, Yes, the save; No to quitting
        // gives the data view back with its menus.
        WhenFileDialog(newFile("7pa"));
        m_program->messages.answers = {shell::kAnswerYes};
        view->Std().mnuFileExit->trigger();
        QCOMPARE(m_program->messages.boxes.back().text,
                 std::string("Do you want to save the parameter data?"));
        QVERIFY(InfoOpen(8));
        m_program->messages.answers = {shell::kAnswerNo};
        QVERIFY(CloseInformation(ok));
        QCOMPARE(m_program->messages.boxes.back().text,
                 std::string("Is it OK to quit the system RQ50?"));
        QVERIFY(m_program->Main().isVisible());
        after(8, okOrCancel(ok) + ", No to quitting", Screen::frmRQ2400);
        QVERIFY(!m_program->Main().menuBar()->actions().isEmpty());
        // 5: leaving the data view, Yes: the setting menu once saved.
        m_program->Ws().state.dataChanged = true;  // unsaved again, as after a new upload
        WhenFileDialog(newFile("7pa"));
        m_program->messages.answers = {shell::kAnswerYes};
        Press(view, "cmdCancel");
        QVERIFY(InfoOpen(5));
        QVERIFY(CloseInformation(ok));
        QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2400) == nullptr; }));
        after(5, okOrCancel(ok), Screen::frmRQ2100);
    }

    // Uploaded data left with No, then a file opened and left untouched:
    // nothing to save.
    QVERIFY(Upload() != nullptr);
    m_program->messages.answers = {shell::kAnswerNo};
    Press(Screen(Screen::frmRQ2400), "cmdCancel");
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2400) == nullptr; }));
    WhenFileDialog(path);
    QVERIFY(ChooseAndOk(Screen(Screen::frmRQ2100), "optParameter2"));
    QCOMPARE(UsableId(), Screen::frmRQ2400);
    QCOMPARE(Screen(Screen::frmRQ2400)->windowTitle(), QString("Data Read from a File"));
    m_program->messages.boxes.clear();
    m_program->messages.answers = {shell::kAnswerNo};
    Press(Screen(Screen::frmRQ2400), "cmdCancel");
    QStringList asked;
    for (const std::string& text : m_program->messages.Texts())
        asked << QString::fromStdString(text);
    seen << "leaving an untouched file after unsaved data was left: " + asked.join('|');
    wanted << "leaving an untouched file after unsaved data was left: ";
    QCOMPARE(UsableId(), Screen::frmRQ2100);

    // The program side: back to the top menu, Program Setting, New.
    Press(Screen(Screen::frmRQ2100), "cmdCancel");
    QVERIFY(StartWork(1));
    auto fileItem = [](gui::ScreenBase* screen, const QString& text) -> QAction* {
        for (QAction* a : screen->Std().mnuFile->actions()) {
            if (a->text() == text) return a;
        }
        return nullptr;
    };
    for (bool ok : {true, false}) {
        QVERIFY(ChooseAndOk(Screen(Screen::frmRQ2100), "optParameter0"));
        gui::ScreenBase* editor = Screen(Screen::frmRQ3000);
        QVERIFY(editor != nullptr);
        QCOMPARE(UsableId(), Screen::frmRQ3000);
        // 9: the editor's File menu.
        fileItem(editor, "Information(&I)")->trigger();
        QVERIFY(InfoOpen(9));
        QVERIFY(CloseInformation(ok));
        after(9, okOrCancel(ok), Screen::frmRQ3000);
        // 2: Save to file.
        WhenFileDialog(newFile("7pr"));
        Press(editor, "cmdSave");
        QVERIFY(InfoOpen(2));
        QVERIFY(CloseInformation(ok));
        after(2, okOrCancel(ok), Screen::frmRQ3000);
        // 7: Close with changes, Yes, the save: the program menu comes back.
        m_program->Ws().program.modified = true;
        const QString programPath = newFile("7pr");
        WhenFileDialog(programPath);
        m_program->messages.answers = {shell::kAnswerYes};
        Press(editor, "cmdClose");
        QVERIFY(InfoOpen(7));
        QVERIFY(CloseInformation(ok));
        QVERIFY(QFile::exists(programPath));
        QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ3000) == nullptr; }));
        after(7, okOrCancel(ok), Screen::frmRQ2100);
        QCOMPARE(Screen(Screen::frmRQ2100)->windowTitle(), QString("Program Setting Menu"));
    }
    QVERIFY2(seen == wanted, qPrintable("\nfound:\n  " + seen.join("\n  ") + "\nwanted:\n  " +
                                        wanted.join("\n  ")));
    m_program->Close();
}

void ParameterDataTest::informationWindowKeys() {
    QVERIFY(StartProgram());
    m_program->Ws().state.infoPurpose = 10;  // from the data view's File menu: nothing is written
    shell::ShowDisplay(m_program->Ws(), shell::kDisplayInformation);
    gui::ScreenBase* info = Screen(Screen::frmRQ2600);
    QVERIFY(info != nullptr);
    auto* title1 = Child<QLineEdit>(info, "txtTitle1");
    // The captions are labels: no typing, no place in the Tab order; the
    // first entry box has the focus.
    QVERIFY(WaitFor([&] { return title1->hasFocus(); }));
    for (const char* name : {"txtCaption1", "txtCaption2", "txtCaption3"}) {
        auto* caption = Child<QLineEdit>(info, name);
        QVERIFY(caption->isReadOnly());
        QCOMPARE(caption->focusPolicy(), Qt::NoFocus);
        QTest::keyClicks(caption, "x");
    }
    QCOMPARE(Child<QLineEdit>(info, "txtCaption1")->text(), QString("Title 1"));
    QTest::keyClick(title1, Qt::Key_Tab);
    QVERIFY(Child<QLineEdit>(info, "txtTitle2")->hasFocus());
    title1->setFocus();
    title1->clear();
    QTest::keyClicks(title1, QString(40, 'x'));
    QTest::keyClick(title1, Qt::Key_Y);  // the 41st is refused
    QCOMPARE(title1->text(), QString(40, 'x'));

    // An impossible date is refused when the box is left; a good one is
    // rewritten in the general form.
    auto* date = Child<QLineEdit>(info, "txtDate");
    date->setFocus();
    date->setText("2026/02/30 10:00:00");
    m_program->messages.boxes.clear();
    Child<QLineEdit>(info, "txtInstrumentNo")->setFocus();
    QVERIFY(WaitFor([&] { return !m_program->messages.boxes.empty(); }));
    QCOMPARE(m_program->messages.Texts(), std::vector<std::string>{"Illegal value entered."});
    QVERIFY(WaitFor([&] { return date->hasFocus(); }));
    date->setText("2026-2-28 10:05");
    Child<QLineEdit>(info, "txtInstrumentNo")->setFocus();
    QVERIFY(WaitFor([&] { return date->text() == "2026/02/28 10:05:00"; }));

    // An empty date stops OK.
    date->clear();
    m_program->messages.boxes.clear();
    Press(info, "cmdOK");
    QVERIFY(WaitFor([&] { return !m_program->messages.boxes.empty(); }));
    QCOMPARE(m_program->messages.Texts().back(), std::string("Date not entered."));
    QVERIFY(Screen(Screen::frmRQ2600) != nullptr);
    // Cancel closes without storing anything.
    Press(info, "cmdCancel");
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; }));
    QVERIFY(shell::Trim(m_program->Ws().information.title1).empty());
    m_program->Close();
}

QTEST_MAIN(ParameterDataTest)
#include "ParameterDataTest.moc"
