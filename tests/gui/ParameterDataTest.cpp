// The data path as a technician walks it in the demo: upload, the data
// view, the content list, saving with the information window, opening the
// file again, and a download whose clamped value the check list shows.
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>

#include <memory>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "files/ParameterFile.h"
#include "files/SingleByteText.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/Navigation.h"
#include "shell/frmRQ0000.h"

using namespace rq50;
using namespace rq50::guitest;
using shell::Screen;

namespace {

template <typename T>
T* Find(QWidget* parent, const char* name) {
    return parent->findChild<T*>(QString::fromLatin1(name));
}

bool Idle() {
    return WaitFor([] { return !comm::CommBusy; });
}

/// Answers the next file dialog with `path` (typed into its name box). The
/// dialog lists its folder in the background; until it has, accepting may
/// leave it open, so the answer is given again until the dialog is gone.
void WhenFileDialog(const QString& path) {
    auto* timer = new QTimer;
    auto seen = std::make_shared<bool>(false);
    auto ticks = std::make_shared<int>(0);
    auto lastAnswer = std::make_shared<int>(-100);
    QObject::connect(timer, &QTimer::timeout, [timer, path, seen, ticks, lastAnswer] {
        ++*ticks;
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (*seen || *ticks > 500) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        *seen = true;
        // A dialog that is still closing is not answered twice.
        if (*ticks - *lastAnswer < 20) return;
        *lastAnswer = *ticks;
        // Typed into the name box, as a user does.
        if (auto* name = dialog->findChild<QLineEdit*>("fileNameEdit")) {
            name->setText(path);
        } else {
            dialog->selectFile(path);
        }
        static_cast<QDialog*>(dialog)->accept();
    });
    timer->start(50);
}

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

  private:
    gui::ScreenBase* Screen(shell::Screen screen) { return m_program->Main().FindScreen(screen); }
    bool Choose(gui::ScreenBase* screen, const char* option);

    std::unique_ptr<Program> m_program;
};

bool ParameterDataTest::Choose(gui::ScreenBase* screen, const char* option) {
    if (screen == nullptr) return false;
    auto* button = Find<QRadioButton>(screen, option);
    QTest::mouseClick(button, Qt::LeftButton);
    QTest::mouseClick(Find<QPushButton>(screen, "cmdOK"), Qt::LeftButton);
    return true;
}

void ParameterDataTest::uploadSaveOpenAndDownload() {
    m_program = std::make_unique<Program>();
    m_program->standIns = false;
    QCOMPARE(m_program->Start(), 0);
    m_program->Clock().SetRate(20);
    m_program->Main().resize(1000, 700);
    m_program->Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_program->Main()));
    QTest::mouseClick(Find<QPushButton>(Screen(Screen::frmRQ2000), "cmdOK"), Qt::LeftButton);

    // Upload: the data view for uploaded data.
    m_program->messages.answers = {shell::kAnswerOk};
    QVERIFY(Choose(Screen(Screen::frmRQ2100), "optParameter1"));
    QVERIFY(Idle());
    QCOMPARE(comm::CommResult, int(comm::kErrNone));
    gui::ScreenBase* view = Screen(Screen::frmRQ2400);
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), QString("Data Uploaded from TAVRO"));
    QCOMPARE(m_program->Main().ActiveScreen(), view);

    // Content list: the groups with a blank row between them, MAINT left out.
    QVERIFY(Choose(view, "optFile0"));
    gui::ScreenBase* list = Screen(Screen::frmRQ2500);
    QVERIFY(list != nullptr);
    QVERIFY(!view->parentWidget()->isEnabled());
    QCOMPARE(Find<QLabel>(list, "lblModel")->text(), QString(" MODEL:RQB2"));
    const QStringList rows = Rows(Find<QTableView>(list, "ssContent"), 4);
    QCOMPARE(rows.mid(0, 5),
             (QStringList{"A|PV||", "A01|PV|" + rows[1].section('|', 2, 2) + "|%",
                          "A02|INPUT|" + rows[2].section('|', 2, 2) + "|mA", "|||", "B|STATUS||"}));
    QVERIFY(rows.contains("C01|INP TYPE|DC|4-20mA"));
    QVERIFY(!rows.join(' ').contains("MAINT"));
    QVERIFY(!rows.last().isEmpty() && !rows.last().startsWith("|"));
    QTest::mouseClick(Find<QPushButton>(list, "cmdExit"), Qt::LeftButton);
    QVERIFY(Screen(Screen::frmRQ2500) == nullptr);
    QVERIFY(view->parentWidget()->isEnabled());

    // Save: the file dialog, then the information window; OK writes the file.
    // The folder's name is outside ASCII, as a user's folder may be.
    QVERIFY(QDir(m_program->appDir).mkdir(QString::fromUtf8("Müller")));
    const QString path = m_program->appDir + QString::fromUtf8("/Müller/pump1.7pa");
    WhenFileDialog(path);
    QVERIFY(Choose(view, "optFile1"));
    gui::ScreenBase* info = Screen(Screen::frmRQ2600);
    QVERIFY(info != nullptr);
    QVERIFY(!view->parentWidget()->isEnabled());
    QCOMPARE(Find<QLabel>(info, "lblInfo3")->text(), QString("pump1.7pa"));
    m_program->Main().activateWindow();  // back from the file dialog
    QVERIFY(QTest::qWaitForWindowActive(&m_program->Main()));
    auto* title1 = Find<QLineEdit>(info, "txtInfo1");
    title1->setFocus();
    QTest::keyClicks(title1, "Pump 1 feed");
    QTest::keyClick(title1, Qt::Key_Return);  // Enter walks on
    QVERIFY(Find<QLineEdit>(info, "txtInfo2")->hasFocus());
    auto* created = Find<QLineEdit>(info, "txtInfo4");
    created->setFocus();
    QTest::keyClicks(created, "R. Tanaka");
    auto* comment = Find<QPlainTextEdit>(info, "txtInfo7");
    comment->setFocus();
    QTest::keyClicks(comment, "line one");
    QTest::keyClick(comment, Qt::Key_Return);  // a line break, the focus stays
    QTest::keyClicks(comment, "line two");
    QVERIFY(comment->hasFocus());
    QTest::mouseClick(Find<QPushButton>(info, "cmdOK"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; }));
    QVERIFY(view->parentWidget()->isEnabled());
    files::ParameterFileRecord saved;
    QCOMPARE(files::LoadParameterFile(path.toStdString(), saved), 0);
    QCOMPARE(files::Trim(saved.information.title1), std::string("Pump 1 feed"));
    QCOMPARE(files::Trim(saved.information.createdBy), std::string("R. Tanaka"));
    QVERIFY(saved.information.comment.find("line one") != std::string::npos);
    QVERIFY(saved.information.comment.find("line two") != std::string::npos);
    QCOMPARE(saved.items.size(), parameter::Items().dataSet.size());

    // Cancel in the information window still writes the file, with the
    // record as it was.
    const QString copy = m_program->appDir + QString::fromUtf8("/Müller/pump1-copy.7pa");
    WhenFileDialog(copy);
    QVERIFY(Choose(view, "optFile1"));
    info = Screen(Screen::frmRQ2600);
    QVERIFY(info != nullptr);
    Find<QLineEdit>(info, "txtInfo1")->setText("not stored");
    QTest::mouseClick(Find<QPushButton>(info, "cmdCancel"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; }));
    files::ParameterFileRecord copied;
    QCOMPARE(files::LoadParameterFile(copy.toStdString(), copied), 0);
    QCOMPARE(files::Trim(copied.information.title1), std::string("Pump 1 feed"));
    QCOMPARE(files::Trim(copied.information.fileName), std::string("pump1-copy.7pa"));
    QVERIFY(view->parentWidget()->isEnabled());

    // Leaving the saved data asks nothing; the file opens again from the menu.
    m_program->messages.boxes.clear();
    QTest::mouseClick(Find<QPushButton>(view, "cmdCancel"), Qt::LeftButton);
    QVERIFY(m_program->messages.boxes.empty());
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2400) == nullptr; }));
    parameter::Items().dataSet.clear();
    // A name beyond Latin-1 opens as it is and shows as it is in the caption.
    const QString odd = QString::fromUtf8("ünï cødé ✓.7pa");
    QVERIFY(QFile::copy(path, m_program->appDir + "/" + odd));
    WhenFileDialog(m_program->appDir + "/" + odd);
    QVERIFY(Choose(Screen(Screen::frmRQ2100), "optParameter2"));
    view = Screen(Screen::frmRQ2400);
    QVERIFY(view != nullptr);
    QCOMPARE(view->windowTitle(), QString("Data Read from a File"));
    QCOMPARE(parameter::Items().dataSet.size(), saved.items.size());
    QVERIFY2(m_program->Main().windowTitle().endsWith("[" + odd + "]"),
             qPrintable(m_program->Main().windowTitle()));

    // Download with SCALE HI above what the instrument takes: it keeps its
    // maximum, and the check list shows the difference.
    auto& items = parameter::Items().dataSet;
    for (auto& block : items) {
        const auto item = parameter::DecodeItem(block, false);
        if (files::Trim(item.name) != "SCALE HI") continue;
        const auto edit = parameter::SetItemValue(block, "200");
        QVERIFY(edit.ok);
        block = edit.block;
    }
    m_program->messages.answers = {shell::kAnswerOk};
    QVERIFY(Choose(view, "optFile2"));
    QVERIFY(Idle());
    gui::ScreenBase* check = Screen(Screen::frmRQ2700);
    QVERIFY(check != nullptr);
    QCOMPARE(check->windowTitle(), QString("Check Downloading to TAVRO"));
    auto* grid = Find<QTableView>(check, "ssWriteCheckTAVRO");
    QCOMPARE(grid->model()->rowCount(), 20);
    const QStringList checked = Rows(grid, 4);
    QCOMPARE(checked[0], QString("C03|SCALE HI|+200.00%|+150.00%"));
    QCOMPARE(checked[1], QString("|||"));
    QCOMPARE(grid->model()->headerData(3, Qt::Horizontal).toString(),
             QString("Data that has been set"));
    QTest::mouseClick(Find<QPushButton>(check, "cmdRet"), Qt::LeftButton);
    QVERIFY(Screen(Screen::frmRQ2700) == nullptr);
    QCOMPARE(m_program->Main().ActiveScreen(), Screen(Screen::frmRQ2400));
    m_program->Close();
}

void ParameterDataTest::informationWindowKeys() {
    m_program = std::make_unique<Program>();
    m_program->standIns = false;
    QCOMPARE(m_program->Start(), 0);
    m_program->Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&m_program->Main()));
    shell::G().infoPurpose = 10;  // from the data view's File menu: nothing is written
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayInformation);
    gui::ScreenBase* info = Screen(Screen::frmRQ2600);
    QVERIFY(info != nullptr);
    auto* title1 = Find<QLineEdit>(info, "txtInfo1");
    title1->setFocus();
    title1->clear();
    QTest::keyClicks(title1, QString(40, 'x'));
    QTest::keyClick(title1, Qt::Key_Y);  // the 41st is refused
    QCOMPARE(title1->text(), QString(40, 'x'));

    // An impossible date is refused when the box is left; a good one is
    // rewritten in the general form.
    auto* date = Find<QLineEdit>(info, "txtInfo5");
    date->setFocus();
    date->setText("2026/02/30 10:00:00");
    m_program->messages.boxes.clear();
    Find<QLineEdit>(info, "txtInfo8")->setFocus();
    QVERIFY(WaitFor([&] { return !m_program->messages.boxes.empty(); }));
    QCOMPARE(m_program->messages.Texts(), std::vector<std::string>{"Illegal value entered."});
    QVERIFY(WaitFor([&] { return date->hasFocus(); }));
    date->setText("2026-2-28 10:05");
    Find<QLineEdit>(info, "txtInfo8")->setFocus();
    QVERIFY(WaitFor([&] { return date->text() == "2026/02/28 10:05:00"; }));

    // An empty date stops OK.
    date->clear();
    m_program->messages.boxes.clear();
    QTest::mouseClick(Find<QPushButton>(info, "cmdOK"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !m_program->messages.boxes.empty(); }));
    QCOMPARE(m_program->messages.Texts().back(), std::string("Date not entered."));
    QVERIFY(Screen(Screen::frmRQ2600) != nullptr);
    // Cancel closes without storing anything.
    QTest::mouseClick(Find<QPushButton>(info, "cmdCancel"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Screen(Screen::frmRQ2600) == nullptr; }));
    QVERIFY(files::Trim(files::CurrentInformation().title1).empty());
    m_program->Close();
}

QTEST_MAIN(ParameterDataTest)
#include "ParameterDataTest.moc"
