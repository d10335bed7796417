// The data path as a technician walks it in the demo: upload, the data
// view, the content list, saving with the information window, opening the
// file again, and a download whose clamped value the check list shows.
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTreeWidget>
#include <QTreeWidgetItemIterator>

#include <memory>

#include <unistd.h>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "files/ParameterFile.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/PlantRegisterWindow.h"
#include "gui/shell/TopMenuScreen.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/Navigation.h"
#include "session/SafeDownload.h"
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
    void informationWindowKeys();
    void plantRegisterShowsTheTransfers();
    void plantRegisterReadOnly();
    void downloadWithoutBackupAsksTheReason();

  private:
    gui::ScreenBase* Screen(shell::Screen screen) { return m_program->Main().FindScreen(screen); }
    /// The program on the demo instrument, its clock 20 times faster, its
    /// main window active at the top menu.
    bool StartProgram();

    std::unique_ptr<Program> m_program;
};

bool ParameterDataTest::StartProgram() {
    m_program = std::make_unique<Program>();
    m_program->standIns = false;
    m_program->options.registerName = "sqlite:" + m_program->appDir.toStdString() + "/plant.sqlite";
    if (m_program->Start() != 0) return false;
    m_program->Clock().SetRate(20);
    m_program->Main().resize(1000, 700);
    m_program->Main().activateWindow();
    return QTest::qWaitForWindowActive(&m_program->Main());
}

void ParameterDataTest::uploadSaveOpenAndDownload() {
    QVERIFY(StartProgram());
    Press(Screen(Screen::TopMenu), "cmdOK");

    // Upload: the data view for uploaded data.
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    QVERIFY(ChooseAndOk(Screen(Screen::SettingMenu), "optUpload"));
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    gui::ScreenBase* view = Screen(Screen::DataView);
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), QString("Data Uploaded from TAVRO"));
    QCOMPARE(m_program->Main().ActiveScreen(), view);

    // Content list: the core's rows, blank ones blank.
    QVERIFY(ChooseAndOk(view, "optContent"));
    gui::ScreenBase* list = Screen(Screen::ContentList);
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
    QVERIFY(Screen(Screen::ContentList) == nullptr);
    QVERIFY(view->parentWidget()->isEnabled());

    // Edit: SCALE HI changed in the editor is marked, undone, changed again,
    // and OK puts it into the data set.
    QString marks;
    WhenModal("OfflineEditor", [&marks](QWidget* editor) {
        auto* grid = editor->findChild<QTableWidget*>("grdItems");
        const auto found = grid->findItems("SCALE HI", Qt::MatchExactly);
        QVERIFY(!found.isEmpty());
        const int row = found[0]->row();  // the items are made anew on each change
        grid->setCurrentCell(row, 2);
        auto* value = editor->findChild<QLineEdit*>("txtValue");
        for (const char* key : {"200", "undo", "200"}) {
            if (QString(key) == "undo") {
                QTest::keySequence(grid, QKeySequence::Undo);  // Ctrl+Z on the grid
            } else {
                value->setText(key);
                QTest::keyClick(value, Qt::Key_Return);
            }
            marks += grid->item(row, 3)->text() + "|";
        }
        QVERIFY2(editor->isVisible(), "Enter in the value box sets the value only");
        Press(editor, "cmdOK");
    });
    QVERIFY(ChooseAndOk(view, "optEdit"));
    QCOMPARE(marks, QString("*||*|"));
    // Compare with TAVRO: the check list holds the edited item, File / TAVRO.
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    QVERIFY(ChooseAndOk(view, "optCompare"));
    QVERIFY(Idle(*m_program));
    gui::ScreenBase* compared = Screen(Screen::DownloadCheck);
    QVERIFY(compared != nullptr);
    QCOMPARE(compared->windowTitle(), QString("Compare with TAVRO"));
    auto* comparedGrid = Child<QTableView>(compared, "ssWriteCheckTAVRO");
    QCOMPARE(Rows(comparedGrid, 4)[0], QString("C03|SCALE HI|200.00 %|100.00 %"));
    QCOMPARE(comparedGrid->model()->headerData(3, Qt::Horizontal).toString(), QString("TAVRO"));
    Press(compared, "cmdRet");
    QCOMPARE(UsableScreen(*m_program), view);

    // Save: the file dialog, then the information window; OK writes the file.
    // The folder's name is outside ASCII, as a user's folder may be.
    QVERIFY(QDir(m_program->appDir).mkdir(QString::fromUtf8("Müller")));
    const QString path = m_program->appDir + QString::fromUtf8("/Müller/pump1.7pa");
    WhenFileDialog(path);
    QVERIFY(ChooseAndOk(view, "optSave"));
    gui::ScreenBase* info = Screen(Screen::Information);
    QVERIFY(info != nullptr);
    QVERIFY(!view->parentWidget()->isEnabled());
    QCOMPARE(Child<QLabel>(info, "lblFile")->text(), QString("pump1.7pa"));
    m_program->Main().activateWindow();  // back from the file dialog
    QVERIFY(QTest::qWaitForWindowActive(&m_program->Main()));
    auto* title1 = Child<QLineEdit>(info, "txtFirstTitle");
    title1->setFocus();
    QTest::keyClicks(title1, "Pump 1 feed");
    QTest::keyClick(title1, Qt::Key_Return);  // Enter walks on, past the caption
    QVERIFY(Child<QLineEdit>(info, "txtSecondTitle")->hasFocus());
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
    QVERIFY(WaitFor([&] { return Screen(Screen::Information) == nullptr; }));
    QVERIFY(view->parentWidget()->isEnabled());
    files::ParameterFileRecord saved;
    QCOMPARE(files::LoadParameterFile(path.toStdString(), saved), files::FileError::Ok);
    QCOMPARE(shell::Trim(saved.information.title1), std::string("Pump 1 feed"));
    QCOMPARE(shell::Trim(saved.information.createdBy), std::string("R. Tanaka"));
    QVERIFY(saved.information.comment.find("line one") != std::string::npos);
    QVERIFY(saved.information.comment.find("line two") != std::string::npos);
    QCOMPARE(saved.items.size(), m_program->Ws().items.dataSet.size());

    // Leaving the saved data asks nothing; the file opens again from the menu.
    m_program->messages.boxes.clear();
    Press(view, "cmdCancel");
    QVERIFY(m_program->messages.boxes.empty());
    QVERIFY(WaitFor([&] { return Screen(Screen::DataView) == nullptr; }));
    m_program->Ws().items.dataSet.clear();
    // A name beyond Latin-1 opens as it is and shows as it is in the caption.
    const QString odd = QString::fromUtf8("ünï cødé ✓.7pa");
    QVERIFY(QFile::copy(path, m_program->appDir + "/" + odd));
    WhenFileDialog(m_program->appDir + "/" + odd);
    QVERIFY(ChooseAndOk(Screen(Screen::SettingMenu), "optOpenFile"));
    view = Screen(Screen::DataView);
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
    m_program->messages.answers = {shell::MsgAnswer::Ok};
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
    gui::ScreenBase* check = Screen(Screen::DownloadCheck);
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
    QVERIFY(Screen(Screen::DownloadCheck) == nullptr);
    QCOMPARE(UsableScreen(*m_program), Screen(Screen::DataView));
    m_program->Close();
}

void ParameterDataTest::informationWindowKeys() {
    QVERIFY(StartProgram());
    m_program->Ws().state.infoPurpose =
        shell::InfoPurpose::FileMenu;  // from the data view's File menu: nothing is written
    session::ShowDisplay(m_program->Ws(), session::Display::Information);
    gui::ScreenBase* info = Screen(Screen::Information);
    QVERIFY(info != nullptr);
    auto* title1 = Child<QLineEdit>(info, "txtFirstTitle");
    // The captions are labels: no typing, no place in the Tab order; the
    // first entry box has the focus.
    QVERIFY(WaitFor([&] { return title1->hasFocus(); }));
    for (const char* name :
         {"txtFirstTitleCaption", "txtSecondTitleCaption", "txtCommentCaption"}) {
        auto* caption = Child<QLineEdit>(info, name);
        QVERIFY(caption->isReadOnly());
        QCOMPARE(caption->focusPolicy(), Qt::NoFocus);
        QVERIFY2(!caption->hasFrame(), "drawn as a label, not as a box");
        QTest::keyClicks(caption, "x");
    }
    QCOMPARE(Child<QLineEdit>(info, "txtFirstTitleCaption")->text(), QString("Title 1"));
    QTest::keyClick(title1, Qt::Key_Tab);
    QVERIFY(Child<QLineEdit>(info, "txtSecondTitle")->hasFocus());
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
    QCOMPARE(m_program->messages.boxes.back().title, std::string("Date"));  // which field
    QVERIFY(WaitFor([&] { return date->hasFocus(); }));
    date->setText("2026-2-28 10:05");
    Child<QLineEdit>(info, "txtInstrumentNo")->setFocus();
    QVERIFY(WaitFor([&] { return date->text() == "2026/02/28 10:05:00"; }));

    // Cancel closes without storing anything.
    Press(info, "cmdCancel");
    QVERIFY(WaitFor([&] { return Screen(Screen::Information) == nullptr; }));
    QVERIFY(shell::Trim(m_program->Ws().information.title1).empty());
    m_program->Close();
}

// An upload and a download are in the register: the top menu's window shows
// the instrument and its records, exports one as its bytes, and Enter opens
// one in the data view.
void ParameterDataTest::plantRegisterShowsTheTransfers() {
    QVERIFY(StartProgram());
    Press(Screen(Screen::TopMenu), "cmdOK");
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    QVERIFY(ChooseAndOk(Screen(Screen::SettingMenu), "optUpload"));
    QVERIFY(Idle(*m_program));
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    WhenModal("DownloadPreview", [](QWidget* preview) { Press(preview, "cmdDownload"); });
    QVERIFY(ChooseAndOk(Screen(Screen::DataView), "optDownload"));
    QVERIFY(Idle(*m_program));
    m_program->messages.answers = {shell::MsgAnswer::No};  // the upload is not saved
    Press(Screen(Screen::DataView), "cmdCancel");
    Press(Screen(Screen::SettingMenu), "cmdCancel");
    auto* top = static_cast<gui::TopMenuScreen*>(Screen(Screen::TopMenu));
    QVERIFY(WaitFor([&] { return UsableScreen(*m_program) == top; }));

    const QString exported = m_program->appDir + "/upload.7pa";
    QStringList tree, kinds;
    WhenModal("PlantRegister", [&](QWidget* window) {
        for (auto* item : window->findChild<QTreeWidget*>("tvwInstruments")
                              ->findItems("*", Qt::MatchWildcard | Qt::MatchRecursive))
            tree << item->text(0);
        auto* records = window->findChild<QTableWidget*>("grdRecords");
        for (int r = 0; r < records->rowCount(); ++r) kinds << records->item(r, 1)->text();
        records->selectRow(records->rowCount() - 1);
        WhenFileDialog(exported);
        Press(window, "cmdExport");
        Press(window, "cmdClose");
    });
    top->mnuPlantRegister->trigger();
    auto& reg = m_program->Ws().hosts.recorder->Open();
    QCOMPARE(reg.Instruments().size(), std::size_t(1));
    const auto instrument = reg.Instruments()[0];
    QCOMPARE(tree, (QStringList{"(no plant)", "(no area)",
                                QString::fromStdString(instrument.Name()) + " (RQB2)"}));
    QCOMPARE(kinds, (QStringList{"download", "backup", "upload"}));
    const auto upload = reg.Get(reg.History(instrument.Name()).back().id);
    QFile file(exported);
    QVERIFY(file.open(QIODevice::ReadOnly));
    QCOMPARE(file.readAll(), QByteArray(reinterpret_cast<const char*>(upload->bytes.data()),
                                        static_cast<qsizetype>(upload->bytes.size())));

    WhenModal("PlantRegister", [](QWidget* window) {
        auto* records = window->findChild<QTableWidget*>("grdRecords");
        records->setFocus();
        QTest::keyClick(records, Qt::Key_Return);
    });
    top->mnuPlantRegister->trigger();
    gui::ScreenBase* view = Screen(Screen::DataView);
    QVERIFY(view != nullptr);
    QCOMPARE(UsableScreen(*m_program), view);
    QCOMPARE(view->windowTitle(), QString("Data Read from a File"));
    files::ParameterFileRecord uploaded;  // the download wrote the set uploaded
    QCOMPARE(files::DecodeParameterRecord(upload->bytes, uploaded), files::FileError::Ok);
    QVERIFY(m_program->Ws().items.dataSet == uploaded.items);
    m_program->Close();
}

// A register in a folder the user may only read: the window lists its
// records, and naming an instrument, which would write, says why it cannot;
// the register is left as it was.
void ParameterDataTest::plantRegisterReadOnly() {
    if (::geteuid() == 0) {
        // The superuser passes every permission: the case runs as nobody.
        if (QStandardPaths::findExecutable(QStringLiteral("runuser")).isEmpty())
            QSKIP("the superuser passes every permission, and runuser is missing");
        QProcess run;
        run.setProcessChannelMode(QProcess::ForwardedChannels);
        run.start(
            QStringLiteral("runuser"),
            {QStringLiteral("-u"), QStringLiteral("nobody"), QStringLiteral("--"),
             QCoreApplication::applicationFilePath(), QStringLiteral("plantRegisterReadOnly")});
        QVERIFY(run.waitForFinished(150000));
        QCOMPARE(run.exitCode(), 0);
        return;
    }
    m_program = std::make_unique<Program>();
    const QString folder = m_program->appDir + "/plant";
    const QString file = folder + "/register.sqlite";
    QVERIFY(QDir().mkpath(folder));
    {
        auto db = platform::OpenRegisterDatabase("sqlite:" + file.toStdString());
        plant::Record record;
        record.kind = plant::RecordKind::kUpload;
        record.time = "2026-11-01T08:00:00Z";
        record.port = "/dev/ttyUSB0";
        record.slot = 7;
        record.instrument.model = "RQS2";
        record.bytes = {1, 2, 3};
        record.result = "completed";
        plant::PlantRegister(*db).Add(record);
    }
    QFile::setPermissions(file, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup |
                                      QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    QFile before(file);
    QVERIFY(before.open(QIODevice::ReadOnly));
    const QByteArray bytes = before.readAll();
    const QDateTime written = QFileInfo(file).lastModified();
    m_program->options.registerName = "sqlite:" + file.toStdString();
    QCOMPARE(m_program->Start(), 0);

    QStringList tree, kinds;
    WhenModal("PlantRegister", [&](QWidget* window) {
        for (QTreeWidgetItemIterator it(window->findChild<QTreeWidget*>("tvwInstruments")); *it;
             ++it)
            tree << (*it)->text(0);
        auto* records = window->findChild<QTableWidget*>("grdRecords");
        for (int r = 0; r < records->rowCount(); ++r) kinds << records->item(r, 1)->text();
        WhenModal("", [](QWidget* dialog) {
            auto* ask = qobject_cast<QInputDialog*>(dialog);
            QVERIFY(ask != nullptr);
            ask->setTextValue("FT-7");
            ask->accept();
        });
        Press(window, "cmdName");
        Press(window, "cmdClose");
    });
    gui::PlantRegisterWindow::Run(m_program->Ws(), m_program->App().Reports(), &m_program->Main());
    m_program->Close();
    QFile after(file);
    QVERIFY(after.open(QIODevice::ReadOnly));
    const bool unchanged = after.readAll() == bytes && QFileInfo(file).lastModified() == written;
    const QStringList files = QDir(folder).entryList(QDir::Files);
    QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    QVERIFY(unchanged);
    QCOMPARE(files, QStringList{"register.sqlite"});
    QVERIFY2(tree.contains("RQS2 at /dev/ttyUSB0 slot 7 (RQS2)"), qPrintable(tree.join("; ")));
    QCOMPARE(kinds, QStringList{"upload"});
    std::string said;
    for (const auto& text : m_program->messages.Texts()) said += text + "\n";
    QVERIFY2(said.find("reading only") != std::string::npos &&
                 said.find("unable to open") == std::string::npos,
             said.c_str());
}

// With "Backup before download" off there is no preview: a register that
// requires a reason has it asked in a dialog of its own, by keyboard;
// Escape writes nothing, a reason and Enter download and record it.
void ParameterDataTest::downloadWithoutBackupAsksTheReason() {
    QVERIFY(StartProgram());
    Press(Screen(Screen::TopMenu), "cmdOK");
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    QVERIFY(ChooseAndOk(Screen(Screen::SettingMenu), "optUpload"));
    QVERIFY(Idle(*m_program));
    auto& ws = m_program->Ws();
    ws.hosts.recorder->Open().SetSetting("REASONREQUIRED", "1");
    QVERIFY(!session::ToggleBackupBeforeDownload(ws));
    QStringList names;
    WhenModal("WriteReason", [&names](QWidget* dialog) {
        for (const char* name : {"txtReason", "cmdDownload", "cmdCancel"})
            names << dialog->findChild<QWidget*>(name)->accessibleName();
        QVERIFY(!dialog->findChild<QPushButton*>("cmdDownload")->isEnabled());
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Escape);
    });
    QVERIFY(ChooseAndOk(Screen(Screen::DataView), "optDownload"));
    QVERIFY(Idle(*m_program));
    QCOMPARE(names, (QStringList{"Reason", "Download", "Cancel"}));
    auto& reg = ws.hosts.recorder->Open();
    const std::string name = reg.Instruments().at(0).Name();
    QCOMPARE(reg.History(name).size(), std::size_t(1));  // the upload alone

    m_program->messages.answers = {shell::MsgAnswer::Ok};
    WhenModal("WriteReason", [](QWidget* dialog) {
        QTest::keyClicks(dialog->focusWidget(), "work order 9");
        QTest::keyClick(dialog->focusWidget(), Qt::Key_Return);
    });
    QVERIFY(ChooseAndOk(Screen(Screen::DataView), "optDownload"));
    QVERIFY(Idle(*m_program));
    const auto history = reg.History(name);
    QCOMPARE(history.size(), std::size_t(2));
    QCOMPARE(history.front().kind, plant::RecordKind::kDownload);
    QCOMPARE(history.front().reason, std::string("work order 9"));
    m_program->Close();
}

QTEST_MAIN(ParameterDataTest)
#include "ParameterDataTest.moc"
