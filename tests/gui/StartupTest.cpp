// Start-up, the main window, the standard menus' port marks and window
// positions, on a program started on scratch folders.
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Frame.h"
#include "gui/ScreenBase.h"
#include "shell/GlobalState.h"
#include "shell/MessageBoxHost.h"
#include "shell/frmRQ0000.h"
#include "shell/frmRQ2000.h"

using namespace rq50;
using namespace rq50::guitest;

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void missingConfigurationEndsTheStart_data();
    void missingConfigurationEndsTheStart();
    void secondInstanceIsRefused();
    void topMenuInsideTheMainWindow();
    void chosenPortIsStoredMarkedAfterRestartAndMapped();
    void windowPositionsSurviveARestart();
};

void StartupTest::missingConfigurationEndsTheStart_data() {
    QTest::addColumn<QString>("file");
    QTest::addColumn<int>("icon");
    QTest::newRow("V3Model.ini") << "V3Model.ini" << int(shell::MsgIcon::Critical);
    QTest::newRow("Category.ini") << "Category.ini" << int(shell::MsgIcon::Exclamation);
}

void StartupTest::missingConfigurationEndsTheStart() {
    QFETCH(QString, file);
    QFETCH(int, icon);
    Program program;
    QVERIFY(QFile::remove(program.appDir + "/" + file));
    QVERIFY(program.Start() != 0);
    QCOMPARE(program.messages.boxes.size(), std::size_t(1));
    const auto& box = program.messages.boxes.front();
    QCOMPARE(box.text, std::string("Failed to initialize settings."));
    QCOMPARE(int(box.icon), icon);
    QVERIFY(QString::fromStdString(box.title).startsWith("RQ50  "));
    QVERIFY(QString::fromStdString(box.title).endsWith(file));
    QVERIFY(program.App().MainWindow() == nullptr || !program.App().MainWindow()->isVisible());
}

void StartupTest::secondInstanceIsRefused() {
    Program first;
    QCOMPARE(first.Start(), 0);
    Program second(&first);
    QVERIFY(second.Start() != 0);
    QCOMPARE(second.messages.Texts(), std::vector<std::string>{"System is already started up."});
    QCOMPARE(int(second.messages.boxes.front().icon), int(shell::MsgIcon::Exclamation));
    QCOMPARE(second.messages.boxes.front().title, std::string("RQ50"));
    // The running program is untouched, and a start after it has ended works.
    QVERIFY(first.Main().isVisible());
    first.Close();
    Program third(&first);
    QCOMPARE(third.Start(), 0);
}

void StartupTest::topMenuInsideTheMainWindow() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    QCOMPARE(main.windowTitle(), QString("MODEL:RQ50 - [NewFile]"));
    auto* top = main.ActiveScreen();
    QVERIFY(top != nullptr);
    QCOMPARE(top->Id(), shell::Screen::frmRQ2000);
    QCOMPARE(top->windowTitle(), QString("Parameter/Program Setting Menu"));
    // The active screen's menus are the menu bar; the hidden Command menu and
    // the disabled Communication Settings stay out of reach.
    QStringList menus;
    for (QAction* a : main.menuBar()->actions()) {
        if (a->isVisible()) menus << a->text();
    }
    QCOMPARE(menus,
             (QStringList{"File(&F)", "Communication Settings(&S)", "Help(&H)", "Password"}));
    QVERIFY(!top->Std().mnuPort->isEnabled());
    auto* topMenu = static_cast<shell::frmRQ2000*>(top);
    QVERIFY(topMenu->mnuPasswordSet->isEnabled());
    QVERIFY(!topMenu->mnuPasswordChange->isEnabled());
    // Every control is reachable by its caption.
    for (const char* name : {"optPPM0", "optPPM1", "cmdOK"}) {
        auto* w = top->findChild<QWidget*>(name);
        QVERIFY(w != nullptr);
        QCOMPARE(w->accessibleName(), w->property("text").toString().remove('&'));
        QVERIFY(!w->accessibleName().isEmpty());
    }
}

void StartupTest::chosenPortIsStoredMarkedAfterRestartAndMapped() {
    Program first;
    QCOMPARE(first.Start(), 0);
    gui::ScreenBase* top = first.Main().ActiveScreen();
    QVERIFY(top->Std().PortItem(10)->isChecked());
    top->Std().PortItem(30)->trigger();
    QVERIFY(top->Std().PortItem(30)->isChecked());
    QVERIFY(!top->Std().PortItem(10)->isChecked());
    first.Close();
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        QCOMPARE(stored.value("Settings/COMPORT").toString(), QString("3"));
        stored.setValue("Settings/COM3Device", "/dev/ttyUSB7");
    }

    Program second(&first);
    QCOMPARE(second.Start(), 0);
    gui::ScreenBase* again = second.Main().ActiveScreen();
    QVERIFY(again->Std().PortItem(30)->isChecked());
    QVERIFY(!again->Std().PortItem(10)->isChecked());
    QCOMPARE(shell::G().comPort, std::int16_t(3));
    QCOMPARE(comm::CommDevice(), std::string("/dev/ttyUSB7"));
}

void StartupTest::windowPositionsSurviveARestart() {
    Program first;
    QCOMPARE(first.Start(), 0);
    first.Main().move(123, 77);
    QMdiSubWindow* sub = first.Main().MdiArea()->activeSubWindow();
    QVERIFY(sub != nullptr);
    sub->move(31, 42);
    const QSize size = sub->size();
    first.Close();
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        // Stored in twips, 15 to a pixel.
        QCOMPARE(stored.value("Settings/frmRQ2000Left").toString(), QString("465"));
        QCOMPARE(stored.value("Settings/frmRQ2000Top").toString(), QString("630"));
        QVERIFY(stored.contains("Settings/frmRQ0000Width"));
    }

    Program second(&first);
    QCOMPARE(second.Start(), 0);
    QCOMPARE(second.Main().pos(), QPoint(123, 77));
    QMdiSubWindow* again = second.Main().MdiArea()->activeSubWindow();
    QCOMPARE(again->pos(), QPoint(31, 42));
    QCOMPARE(again->size(), size);
}

QTEST_MAIN(StartupTest)
#include "StartupTest.moc"
