// The hidden Command menu across screens, and the quit path of the main
// window.
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "shell/GlobalState.h"
#include "shell/Navigation.h"
#include "shell/frmRQ0000.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

bool MenuBarShows(shell::frmRQ0000& main, const QString& title) {
    for (QAction* a : main.menuBar()->actions()) {
        if (a->text() == title && a->isVisible()) return true;
    }
    return false;
}

}  // namespace

class MenusQuitTest : public QObject {
    Q_OBJECT
  private slots:
    void commandMenuUnlockCarriesToScreensOpenedLater();
    void quitIsRefusedWhileAJobRuns();
    void quitWarnsWhenTheInstrumentWasLeftAt9600();
    void fastCommunicationIsMarkedStoredAndKeptAfterARestart();
};

void MenusQuitTest::commandMenuUnlockCarriesToScreensOpenedLater() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    gui::ScreenBase* setting = main.ActiveScreen();
    QCOMPARE(setting->Id(), shell::Screen::frmRQ2100);
    QVERIFY(!MenuBarShows(main, "Command(&C)"));

    // Without all three keys, or with the wrong letter, nothing happens.
    program.messages.inputs = {std::string("q")};
    QTest::mouseClick(setting, Qt::RightButton, Qt::ShiftModifier | Qt::ControlModifier);
    QVERIFY(program.messages.prompts.empty());
    program.messages.inputs = {std::string("z")};
    QTest::mouseClick(setting, Qt::RightButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    QCOMPARE(program.messages.prompts.size(), std::size_t(1));
    QVERIFY(!MenuBarShows(main, "Command(&C)"));

    program.messages.inputs = {std::string("q")};
    QTest::mouseClick(setting, Qt::RightButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(shell::G().commandMenuUnlocked);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    setting->Std().CommandItem(10)->trigger();
    setting->Std().CommandItem(30)->trigger();
    QVERIFY(shell::G().maintMode);
    QVERIFY(shell::G().logFileOnCopy);

    // A screen opened afterwards shows the menu with the marks of the flags.
    shell::DisplayMatorix(41, 0, 0);
    gui::ScreenBase* category = main.ActiveScreen();
    QCOMPARE(category->Id(), shell::Screen::frmRQ2200);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    QVERIFY(category->Std().CommandItem(10)->isChecked());
    QVERIFY(!category->Std().CommandItem(20)->isChecked());
    QVERIFY(category->Std().CommandItem(30)->isChecked());
    // Switching MAINT Mode off there clears its mark and the flag.
    category->Std().CommandItem(10)->trigger();
    QVERIFY(!shell::G().maintMode);
    QVERIFY(!category->Std().CommandItem(10)->isChecked());
}

void MenusQuitTest::quitIsRefusedWhileAJobRuns() {
    Program program;
    QCOMPARE(program.Start(), 0);
    comm::CommBusy = true;
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
    comm::CommBusy = false;

    // With the top menu disabled (handed over) its Exit cannot be used.
    program.Main().DisableScreen(shell::Screen::frmRQ2000);
    QVERIFY(!program.Main().menuBar()->isEnabled());
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
}

void MenusQuitTest::quitWarnsWhenTheInstrumentWasLeftAt9600() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::G().instrumentSpeed = 9600;
    program.messages.answers = {shell::kAnswerYes};
    QVERIFY(!program.Main().close());
    QCOMPARE(program.messages.Texts(),
             std::vector<std::string>{"Reset TAVRO's baud rate back to 1200bps before you exit. "
                                      "Do you want to cancel termination?"});

    // No: the quit question follows; No keeps the program, Yes ends it.
    program.messages.answers = {shell::kAnswerNo, shell::kAnswerNo};
    QVERIFY(!program.Main().close());
    QCOMPARE(program.messages.boxes.back().text, std::string("Is it OK to quit the system RQ50?"));
    program.messages.answers = {shell::kAnswerNo, shell::kAnswerYes};
    program.Main().ActiveScreen()->Std().mnuFileExit->trigger();
    QVERIFY(!program.Main().isVisible());
}

void MenusQuitTest::fastCommunicationIsMarkedStoredAndKeptAfterARestart() {
    Program first;
    QCOMPARE(first.Start(), 0);
    gui::ScreenBase* top = first.Main().ActiveScreen();
    QAction* fast = top->Std().mnuPortFast;
    QCOMPARE(fast->text(), QString("Fast Communication(&F)"));
    QVERIFY(fast->isCheckable());
    QVERIFY(!fast->isChecked());
    QVERIFY(!comm::Pacing().fast);
    fast->trigger();
    QVERIFY(fast->isChecked());
    QVERIFY(comm::Pacing().fast);
    // Another screen shows the same state in its own menu.
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    QVERIFY(first.Main().ActiveScreen()->Std().mnuPortFast->isChecked());
    first.Close();
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        QCOMPARE(stored.value("Settings/FASTCOMM").toString(), QString("1"));
    }
    comm::ResetCommEngine();

    Program second(&first);
    QCOMPARE(second.Start(), 0);
    QVERIFY(comm::Pacing().fast);
    QVERIFY(second.Main().ActiveScreen()->Std().mnuPortFast->isChecked());
    second.Main().ActiveScreen()->Std().mnuPortFast->trigger();
    QVERIFY(!comm::Pacing().fast);
}

QTEST_MAIN(MenusQuitTest)
#include "MenusQuitTest.moc"
