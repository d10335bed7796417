// The communication dialogs driven by the engine against the simulated
// instrument: the Baud Rate command, the SLOT No. dialog on a rack, and
// Terminate.
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/jobs/Jobs.h"
#include "gui/comm/CommunicatingDialog.h"
#include "gui/shell/MainWindow.h"
#include "session/Menus.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"
#include "sim/Instrument.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

QPushButton* Button(QWidget* parent, const char* name) {
    return parent->findChild<QPushButton*>(name);
}

/// The status bar's panel that names the line.
QString LineText(gui::MainWindow& main) {
    for (QLabel* label : main.statusBar()->findChildren<QLabel*>()) {
        if (label->accessibleName() == "Line") return label->text();
    }
    return {};
}

/// The Serial Port items that are shown, "*" before the checked ones.
QStringList PortMenu(gui::ScreenBase* screen) {
    QStringList items;
    for (QAction* a : screen->Std().mnuPortSerial->actions()) {
        if (a->isVisible() && !a->isSeparator() && a->isCheckable())
            items << (a->isChecked() ? "*" : "") + a->text();
    }
    return items;
}

/// Once the list of "Port Device..." is up, types `path` into it.
void TypeIntoPortList(const QString& path) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, path] {
        auto* dialog = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) return;
        timer->stop();
        timer->deleteLater();
        dialog->setTextValue(path);
        dialog->accept();
    });
    timer->start(20);
}

}  // namespace

class CommDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void baudRateMenuRunsTheCheckAndOpensTheDialog();
    void slotDialogOnARack();
    void terminateEndsAJobAndTakesTheWriteOnTheLine();
    void sessionPortStatusBarAndASilentLine();
    void busyPointerComesBackWithTheLastHolder();
};

void CommDialogsTest::baudRateMenuRunsTheCheckAndOpensTheDialog() {
    Program program;
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    session::ShowDisplay(program.Ws(), session::Display::SettingMenu);
    program.Ws().state.currentScreenId = shell::ScreenId::SettingMenu;
    gui::ScreenBase* setting = main.ActiveScreen();
    program.messages.answers = {shell::MsgAnswer::Ok};  // "Starts communication..."
    setting->Std().mnuPortBaud->trigger();

    // The job runs behind "Now Communicating." with the screen disabled.
    auto* progress = main.FindScreen(shell::Screen::Communicating);
    QVERIFY(progress != nullptr);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->windowTitle(), QString("Now Communicating."));
    QVERIFY(!setting->parentWidget()->isEnabled());
    QVERIFY(program.Engine().Busy());

    // It ends, and the hand-back opens the baud-rate dialog for the model.
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QVERIFY(main.FindScreen(shell::Screen::Communicating) == nullptr);
    gui::ScreenBase* baud = main.FindScreen(shell::Screen::BaudRate);
    QVERIFY(baud != nullptr);
    QCOMPARE(main.ActiveScreen(), baud);
    QCOMPARE(baud->findChild<QLabel*>("lblModel")->text().trimmed(), QString("MODEL:RQB2"));
    QVERIFY(baud->findChild<QRadioButton*>("opt1200")->isChecked());

    // OK changes the rate; success closes the dialog and gives the screen back.
    baud->findChild<QRadioButton*>("opt9600")->setChecked(true);
    program.messages.answers.clear();
    Press(baud, "cmdOK");
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QCOMPARE(program.Ws().state.instrumentSpeed, 9600);
    QCOMPARE(program.Engine().Speed(), 9600);
    QCOMPARE(program.messages.boxes.back().text,
             shell::Catalogue(1516));  // the reminder to set it back
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::BaudRate) == nullptr; }));
    QVERIFY(setting->parentWidget()->isEnabled());

    // Escape in the dialog is its Cancel: the screen comes back unchanged.
    program.messages.answers = {shell::MsgAnswer::Ok};
    setting->Std().mnuPortBaud->trigger();
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::BaudRate) != nullptr; }));
    baud = main.FindScreen(shell::Screen::BaudRate);
    QVERIFY(Button(baud, "cmdCancel")->text().contains('&'));
    QTest::keyClick(baud->findChild<QRadioButton*>("opt9600"), Qt::Key_Escape);
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::BaudRate) == nullptr; }));
    QVERIFY(setting->parentWidget()->isEnabled());
    QCOMPARE(program.Ws().state.instrumentSpeed, 9600);
}

// Numbers outside the rack are refused with the dialog kept, Escape is its
// Cancel; a number typed (letters refused) and OK reach the rack's slot.
void CommDialogsTest::slotDialogOnARack() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/ZNC.json";
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    session::ShowDisplay(program.Ws(), session::Display::SettingMenu);
    session::DisplayMatrix(program.Ws(), 41, 0, 0);
    gui::ScreenBase* category = main.ActiveScreen();

    std::vector<std::string> refused;
    WhenModal("frmRQ4100", [&](QWidget* dialog) {
        auto* slot = dialog->findChild<QLineEdit*>("txtSlot");
        QVERIFY(Button(dialog, "cmdOK")->text().contains('&'));
        for (const char* text : {"0", "17"}) {
            slot->setText(text);
            Press(dialog, "cmdOK");
            refused.push_back(program.messages.boxes.back().text);
            QVERIFY(dialog->isVisible());
        }
        QTest::keyClick(slot, Qt::Key_Escape);
    });
    category->Std().mnuPortSlot->trigger();
    QCOMPARE(refused,
             (std::vector<std::string>{"Illegal value entered.", "Illegal value entered."}));
    QVERIFY(!program.Engine().Busy());
    QVERIFY(main.FindScreen(shell::Screen::Communicating) == nullptr);

    WhenModal("frmRQ4100", [&](QWidget* dialog) {
        auto* slot = dialog->findChild<QLineEdit*>("txtSlot");
        QCOMPARE(slot->accessibleName(), QString("SLOT No."));
        QTest::keyClicks(slot, "x3");
        QCOMPARE(slot->text(), QString("3"));
        Press(dialog, "cmdOK");
    });
    category->Std().mnuPortSlot->trigger();
    QVERIFY(main.FindScreen(shell::Screen::Communicating) != nullptr);
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    QVERIFY(category->parentWidget()->isEnabled());
    QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QVERIFY(program.Engine().LastOutcome().facts.rackAnswered);
    QCOMPARE(program.Engine().SlotNumber(), 3);
    // The status bar names the rack's slot and what sits in it.
    const QString slotModel =
        QString::fromStdString(program.Engine().LastOutcome().slotModel).trimmed();
    QVERIFY(!slotModel.isEmpty());
    QVERIFY2(WaitFor([&] { return LineText(main).contains("ZNC slot 3: " + slotModel); }, 2000),
             qPrintable(LineText(main)));
}

// Terminate ends an upload, which hands back to the setting menu. During a
// download's write that waits for its answer, the answer is taken, so the
// write counts as written, and nothing more is sent.
void CommDialogsTest::terminateEndsAJobAndTakesTheWriteOnTheLine() {
    Program program;
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    session::ShowDisplay(program.Ws(), session::Display::SettingMenu);
    auto start = [&](comm::Job job, int text, session::JobCaller caller, shell::Screen from) {
        return session::StartScreenJob(program.Engine(), {job, shell::Catalogue(text)}, caller,
                                       from, false);
    };
    auto stop = [&] {
        auto* progress =
            qobject_cast<gui::CommunicatingDialog*>(main.FindScreen(shell::Screen::Communicating));
        QVERIFY(progress != nullptr);
        Press(progress, "cmdStop");
        QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
        QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
                 comm::ErrorNumber(comm::kErrTerminated));
    };
    const auto upload = session::kCallerSettingMenuUpload;
    QVERIFY(start(comm::kJobUpload, 2112, upload, shell::Screen::SettingMenu));
    QVERIFY(WaitFor([&] {
        auto* progress =
            qobject_cast<gui::CommunicatingDialog*>(main.FindScreen(shell::Screen::Communicating));
        return progress != nullptr && progress->Progress() > 0;
    }));
    stop();
    QCOMPARE(program.messages.boxes.back().text, std::string("Communication terminated."));
    gui::ScreenBase* setting = main.FindScreen(shell::Screen::SettingMenu);
    QVERIFY(setting->parentWidget()->isEnabled());
    QCOMPARE(main.ActiveScreen(), setting);

    program.Clock().SetRate(20);
    QVERIFY(start(comm::kJobUpload, 2112, upload, shell::Screen::SettingMenu));
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    program.Clock().SetRate(1);
    program.messages.boxes.clear();
    QVERIFY(
        start(comm::kJobDownload, 2403, session::kCallerDataViewDownload, shell::Screen::DataView));
    QVERIFY(WaitFor([&] {
        return program.Engine().OutcomeSoFar().itemsWritten == 1 &&
               program.Engine().AwaitingAnswer();
    }));
    stop();
    const std::string text = program.messages.boxes.back().text;
    QVERIFY2(text.find("Items written: 2") != std::string::npos, text.c_str());
    QVERIFY2(text.find("No answer came") == std::string::npos, text.c_str());
}

void CommDialogsTest::sessionPortStatusBarAndASilentLine() {
    Program program;
    program.options.port = "/dev/ttyRQ50a";
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    gui::ScreenBase* top = main.ActiveScreen();

    // --port is the port of the session: the menu marks it, no COMn.
    QCOMPARE(PortMenu(top), (QStringList{"COM1", "COM2", "COM3", "COM4", "*/dev/ttyRQ50a"}));
    // The status bar names the line (here the simulated instrument) and its speed.
    QVERIFY(WaitFor([&] { return LineText(main).contains("1200 bps"); }, 2000));
    QVERIFY2(LineText(main).contains("Demo"), qPrintable(LineText(main)));

    // A device typed into "Port Device..." is the one the next job opens.
    TypeIntoPortList("/dev/ttyUSB9");
    top->Std().mnuPortDevice->trigger();
    QCOMPARE(program.Engine().CommDevice(), std::string("/dev/ttyUSB9"));
    QCOMPARE(PortMenu(top), (QStringList{"COM1", "COM2", "COM3", "COM4", "*/dev/ttyUSB9"}));
    // So is a serial device server's URL.
    TypeIntoPortList("rfc2217://rack7:4001");
    top->Std().mnuPortDevice->trigger();
    QCOMPARE(program.Engine().CommDevice(), std::string("rfc2217://rack7:4001"));
    // A COMn chosen from the menu takes over at the next job.
    top->Std().PortItem(session::PortMenuItem::Com2)->trigger();
    QCOMPARE(PortMenu(top), (QStringList{"COM1", "*COM2", "COM3", "COM4"}));
    QCOMPARE(program.Engine().CommDevice(), comm::DeviceForPort(program.Ws().hosts, 2));

    // After a job the status bar names the instrument it reached.
    session::ShowDisplay(program.Ws(), session::Display::SettingMenu);
    program.Ws().state.currentScreenId = shell::ScreenId::SettingMenu;
    gui::ScreenBase* setting = main.ActiveScreen();
    program.messages.answers = {shell::MsgAnswer::Ok};
    setting->Std().mnuPortBaud->trigger();
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    QVERIFY(WaitFor([&] { return LineText(main).endsWith("bps  |  RQB2"); }, 2000));
    main.UnloadScreen(shell::Screen::BaudRate);

    // An instrument that stays silent: the time-out names the device and
    // both speeds tried.
    program.App().DemoInstrument()->Faults().drop.all = true;
    program.Clock().SetRate(50);
    program.messages.boxes.clear();
    program.messages.answers = {shell::MsgAnswer::Ok};
    setting->Std().mnuPortBaud->trigger();
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }, 60000));
    QCOMPARE(comm::ErrorNumber(program.Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNoResponse));
    const QString text = QString::fromStdString(program.messages.boxes.back().text);
    QVERIFY2(
        text.startsWith("Response time out.") &&
            text.contains(QString::fromStdString(comm::DeviceForPort(program.Ws().hosts, 2))) &&
            text.contains("1200 bps") && text.contains("9600 bps"),
        qPrintable(text));
    // The silent job reached no instrument.
    QVERIFY(WaitFor([&] { return LineText(main).endsWith("bps"); }, 2000));
}

// The core's holders nest, and the engine's on and off is one holder among
// them: the normal pointer comes back once, when the last lets go.
void CommDialogsTest::busyPointerComesBackWithTheLastHolder() {
    Program program;
    QCOMPARE(program.Start(), 0);
    comm::CommHost& engine = program.Engine().Host();
    {
        const shell::BusyPointer outer(&program.Main());
        engine.SetBusyPointer(true);
        engine.SetBusyPointer(true);  // its port open still
        { const shell::BusyPointer inner(&program.Main()); }
        engine.SetBusyPointer(false);
        engine.SetBusyPointer(false);
        QVERIFY(QApplication::overrideCursor() != nullptr);
    }
    QCOMPARE(QApplication::overrideCursor(), nullptr);
}

QTEST_MAIN(CommDialogsTest)
#include "CommDialogsTest.moc"
