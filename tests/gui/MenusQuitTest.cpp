// The hidden Command menu across screens, and the quit paths of the main
// window and the screens.
#include <QMenuBar>
#include <QSettings>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/Navigation.h"
#include "gui/shell/MainWindow.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

bool MenuBarShows(shell::MainWindow& main, const QString& title) {
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
    void everyExitPathOffersToSaveUploadedData();
};

void MenusQuitTest::commandMenuUnlockCarriesToScreensOpenedLater() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::MainWindow& main = program.Main();
    shell::ShowDisplay(program.Ws(), shell::kDisplaySettingMenu);
    gui::ScreenBase* setting = main.ActiveScreen();
    QCOMPARE(setting->Id(), shell::Screen::frmRQ2100);
    QVERIFY(!MenuBarShows(main, "Command(&C)"));

    // The gesture (the core holds which keys and which letter) asks for the letter.
    program.messages.inputs = {std::string("q")};
    QTest::mouseClick(setting, Qt::RightButton,
                      Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
    QVERIFY(program.Ws().state.commandMenuUnlocked);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    setting->Std().CommandItem(10)->trigger();
    setting->Std().CommandItem(30)->trigger();
    QVERIFY(program.Ws().state.maintMode);
    QVERIFY(program.Engine().LogFileOn);

    // A screen opened afterwards shows the menu with the marks of the flags.
    shell::DisplayMatrix(program.Ws(), 41, 0, 0);
    gui::ScreenBase* category = main.ActiveScreen();
    QCOMPARE(category->Id(), shell::Screen::frmRQ2200);
    QVERIFY(MenuBarShows(main, "Command(&C)"));
    QVERIFY(category->Std().CommandItem(10)->isChecked());
    QVERIFY(!category->Std().CommandItem(20)->isChecked());
    QVERIFY(category->Std().CommandItem(30)->isChecked());
    // Switching MAINT Mode off there clears its mark and the flag.
    category->Std().CommandItem(10)->trigger();
    QVERIFY(!program.Ws().state.maintMode);
    QVERIFY(!category->Std().CommandItem(10)->isChecked());
}

// No quit while a job runs or with the top menu handed over; an instrument
// left at 9600 bps is warned of by the close box and by File > Exit.
void MenusQuitTest::quitIsRefusedOrWarnedOf() {
    Program program;
    QCOMPARE(program.Start(), 0);
    program.Engine().CommBusy = true;
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
    program.Engine().CommBusy = false;
    program.Main().DisableScreen(shell::Screen::frmRQ2000);
    QVERIFY(!program.Main().menuBar()->isEnabled());
    QVERIFY(!program.Main().close());
    QVERIFY(program.messages.boxes.empty());
    program.Main().EnableScreen(shell::Screen::frmRQ2000);

    program.Ws().state.instrumentSpeed = 9600;
    program.messages.answers = {shell::kAnswerYes};
    QVERIFY(!program.Main().close());
    QCOMPARE(program.messages.Texts(),
             std::vector<std::string>{"Reset TAVRO's baud rate back to 1200bps before you exit. "
                                      "Do you want to cancel termination?"});
    program.messages.answers = {shell::kAnswerNo, shell::kAnswerYes};
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
    shell::ShowDisplay(first.Ws(), shell::kDisplaySettingMenu);
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

/// Uploaded data that is in no file yet: File > Exit of a screen other than
/// the data view and the main window's close box offer to save it first;
/// Cancel keeps the program and the screen, No goes on to the quit question.
/// (Yes, the save and then the quit question:
/// InfoWindow.EachPurposeLeavesTheScreenItWasOpenedFrom.)
void MenusQuitTest::everyExitPathOffersToSaveUploadedData() {
    Program program;
    program.standIns = false;
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(20);
    shell::MainWindow& main = program.Main();
    const std::string saveQuestion = "Do you want to save the parameter data?";
    const std::string quitQuestion = "Is it OK to quit the system RQ50?";
    Press(main.FindScreen(shell::Screen::frmRQ2000), "cmdOK");
    program.messages.answers = {shell::kAnswerOk};
    ChooseAndOk(main.FindScreen(shell::Screen::frmRQ2100), "optParameter1");
    QVERIFY(WaitFor([&] { return !program.Engine().CommBusy; }));
    QVERIFY(main.FindScreen(shell::Screen::frmRQ2400) != nullptr);

    // The content list: File > Exit, Cancel.
    ChooseAndOk(main.FindScreen(shell::Screen::frmRQ2400), "optContent");
    gui::ScreenBase* list = UsableScreen(program);
    QVERIFY(list != nullptr && list->Id() == shell::Screen::frmRQ2500);
    QVERIFY(!list->Std().mnuPortBaud->isEnabled());  // no Baud Rate from here
    program.messages.boxes.clear();
    program.messages.answers = {shell::kAnswerCancel};
    list->Std().mnuFileExit->trigger();
    QCOMPARE(program.messages.Texts(), std::vector<std::string>{saveQuestion});
    QVERIFY(main.isVisible());
    QCOMPARE(UsableScreen(program), list);
    // The main window's close box, No, then No to quitting.
    program.messages.boxes.clear();
    program.messages.answers = {shell::kAnswerNo, shell::kAnswerNo};
    QVERIFY(!main.close());
    QCOMPARE(program.messages.Texts(), (std::vector<std::string>{saveQuestion, quitQuestion}));
    QCOMPARE(UsableScreen(program), list);
}

QTEST_MAIN(MenusQuitTest)
#include "MenusQuitTest.moc"
