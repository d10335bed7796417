// The hidden Command menu across screens, and the quit paths of the main
// window and the screens.
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "gui/shell/MainWindow.h"
#include "session/Navigation.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

bool MenuBarShows(gui::MainWindow& main, const QString& title) {
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
    void quitIsRefusedOrWarnedOf();
    void fastCommunicationIsMarkedStoredAndKeptAfterARestart();
};

void MenusQuitTest::commandMenuUnlockCarriesToScreensOpenedLater() {
    Program program;
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    session::ShowDisplay(program.Ws(), session::Display::SettingMenu);
    gui::ScreenBase* setting = main.ActiveScreen();
    QCOMPARE(setting->Id(), shell::Screen::SettingMenu);
    QVERIFY(!MenuBarShows(main, "Command(&C)"));

    // The gesture (the core holds which keys and which letter) asks for the letter.
    program.messages.inputs = {std::string("q")};
    QTest::mouseClick(setting, Qt::RightButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(program.Ws().state.commandMenuUnlocked);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    setting->Std().CommandItem(session::CommandMenuItem::MaintMode)->trigger();
    setting->Std().CommandItem(session::CommandMenuItem::LogFile)->trigger();
    QVERIFY(program.Ws().state.maintMode);
    QVERIFY(program.Engine().LogFileOn());

    // A screen opened afterwards shows the menu with the marks of the flags.
    session::DisplayMatrix(program.Ws(), 41, 0, 0);
    gui::ScreenBase* category = main.ActiveScreen();
    QCOMPARE(category->Id(), shell::Screen::CategoryMenu);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    QVERIFY(category->Std().CommandItem(session::CommandMenuItem::MaintMode)->isChecked());
    QVERIFY(!category->Std().CommandItem(session::CommandMenuItem::Monitor)->isChecked());
    QVERIFY(category->Std().CommandItem(session::CommandMenuItem::LogFile)->isChecked());
    // Switching MAINT Mode off there clears its mark and the flag.
    category->Std().CommandItem(session::CommandMenuItem::MaintMode)->trigger();
    QVERIFY(!program.Ws().state.maintMode);
    QVERIFY(!category->Std().CommandItem(session::CommandMenuItem::MaintMode)->isChecked());
}

// No quit while a job runs or with the top menu handed over; an instrument
// left at 9600 bps is warned of by the close box and by File > Exit.
void MenusQuitTest::quitIsRefusedOrWarnedOf() {
    Program program;
    QCOMPARE(program.Start(), 0);
    comm::CoreOf(program.Engine()).CommBusy = true;
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
    comm::CoreOf(program.Engine()).CommBusy = false;
    program.Main().DisableScreen(shell::Screen::TopMenu);
    QVERIFY(!program.Main().menuBar()->isEnabled());
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
    program.Main().EnableScreen(shell::Screen::TopMenu);

    program.Ws().state.instrumentSpeed = 9600;
    program.messages.answers = {shell::MsgAnswer::Yes};
    QVERIFY(!program.Main().close());
    QCOMPARE(program.messages.Texts(),
             std::vector<std::string>{"Reset TAVRO's baud rate back to 1200bps before you exit. "
                                      "Do you want to cancel termination?"});
    program.messages.answers = {shell::MsgAnswer::No, shell::MsgAnswer::Yes};
    program.Main().ActiveScreen()->Std().mnuFileExit->trigger();
    QVERIFY(!program.Main().isVisible());
}

void MenusQuitTest::fastCommunicationIsMarkedStoredAndKeptAfterARestart() {
    Program first;
    QCOMPARE(first.Start(), 0);
    gui::ScreenBase* top = first.Main().ActiveScreen();
    QAction* fast = top->Std().mnuPortFast;
    QVERIFY(!fast->isChecked());
    QVERIFY(!first.Engine().Pacing().fast);
    fast->trigger();
    QVERIFY(fast->isChecked());
    QVERIFY(first.Engine().Pacing().fast);
    // Another screen shows the same state in its own menu.
    session::ShowDisplay(first.Ws(), session::Display::SettingMenu);
    QVERIFY(first.Main().ActiveScreen()->Std().mnuPortFast->isChecked());
    first.Close();
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        QCOMPARE(stored.value("Settings/FASTCOMM").toString(), QString("1"));
    }
    Program second(&first);
    QCOMPARE(second.Start(), 0);
    QVERIFY(second.Engine().Pacing().fast);
    QVERIFY(second.Main().ActiveScreen()->Std().mnuPortFast->isChecked());
    second.Main().ActiveScreen()->Std().mnuPortFast->trigger();
    QVERIFY(!second.Engine().Pacing().fast);
}

QTEST_MAIN(MenusQuitTest)
#include "MenusQuitTest.moc"
