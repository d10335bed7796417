// The communication dialogs driven by the engine against the simulated
// instrument: the Baud Rate command, the SLOT No. dialog on a rack, and
// Terminate.
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/ScreenJob.h"
#include "comm/frmRQ4000.h"
#include "comm/jobs/Jobs.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/Menus.h"
#include "shell/Navigation.h"
#include "shell/frmRQ0000.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

QPushButton* Button(QWidget* parent, const char* name) {
    return parent->findChild<QPushButton*>(name);
}

}  // namespace

class CommDialogsTest : public QObject {
    Q_OBJECT
  private slots:
    void baudRateMenuRunsTheCheckAndOpensTheDialog();
    void slotDialogOnARack();
    void slotDialogRefusesNumbersOutsideTheRack();
    void terminateEndsAJob();
    void terminateLetsTheWriteOnTheLineBeAnswered();
};

void CommDialogsTest::baudRateMenuRunsTheCheckAndOpensTheDialog() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    shell::G().currentScreenId = 1;
    gui::ScreenBase* setting = main.ActiveScreen();
    program.messages.answers = {shell::kAnswerOk};  // "Starts communication..."
    setting->Std().mnuPortBaud->trigger();

    // The job runs behind "Now Communicating." with the screen disabled.
    auto* progress = main.FindScreen(shell::Screen::frmRQ4000);
    QVERIFY(progress != nullptr);
    QVERIFY(progress->isVisible());
    QCOMPARE(progress->windowTitle(), QString("Now Communicating."));
    QVERIFY(!setting->parentWidget()->isEnabled());
    QVERIFY(comm::CommBusy);

    // It ends, and the hand-back opens the baud-rate dialog for the model.
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QCOMPARE(comm::CommResult, int(comm::kErrNone));
    QVERIFY(main.FindScreen(shell::Screen::frmRQ4000) == nullptr);
    gui::ScreenBase* baud = main.FindScreen(shell::Screen::frmRQ4200);
    QVERIFY(baud != nullptr);
    QCOMPARE(main.ActiveScreen(), baud);
    QCOMPARE(baud->findChild<QLabel*>("lblModel")->text().trimmed(), QString("MODEL:RQB2"));
    QVERIFY(baud->findChild<QRadioButton*>("opt1200")->isChecked());

    // OK changes the rate; success closes the dialog and gives the screen back.
    baud->findChild<QRadioButton*>("opt9600")->setChecked(true);
    program.messages.answers.clear();
    QTest::mouseClick(Button(baud, "cmdOK"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QCOMPARE(comm::CommResult, int(comm::kErrNone));
    QCOMPARE(shell::G().instrumentSpeed, 9600);
    QCOMPARE(comm::CommSpeed, 9600);
    QCOMPARE(program.messages.boxes.back().text,
             shell::Catalogue(1516));  // the reminder to set it back
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::frmRQ4200) == nullptr; }));
    QVERIFY(setting->parentWidget()->isEnabled());

    // Escape in the dialog is its Cancel: the screen comes back unchanged.
    program.messages.answers = {shell::kAnswerOk};
    setting->Std().mnuPortBaud->trigger();
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::frmRQ4200) != nullptr; }));
    baud = main.FindScreen(shell::Screen::frmRQ4200);
    QVERIFY(Button(baud, "cmdCancel")->text().contains('&'));
    QTest::keyClick(baud->findChild<QRadioButton*>("opt9600"), Qt::Key_Escape);
    QVERIFY(WaitFor([&] { return main.FindScreen(shell::Screen::frmRQ4200) == nullptr; }));
    QVERIFY(setting->parentWidget()->isEnabled());
    QCOMPARE(shell::G().instrumentSpeed, 9600);
}

void CommDialogsTest::slotDialogOnARack() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/ZNC.json";
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    shell::DisplayMatorix(41, 0, 0);
    gui::ScreenBase* category = main.ActiveScreen();

    bool sawProgress = false;
    WhenModal("frmRQ4100", [&](QWidget* dialog) {
        auto* slot = dialog->findChild<QLineEdit*>("txtSlot");
        QCOMPARE(slot->accessibleName(), QString("SLOT No."));
        QTest::keyClicks(slot, "x3");  // the letter is refused
        QCOMPARE(slot->text(), QString("3"));
        QTest::mouseClick(Button(dialog, "cmdOK"), Qt::LeftButton);
    });
    category->Std().mnuPortSlot->trigger();
    sawProgress = main.FindScreen(shell::Screen::frmRQ4000) != nullptr;
    QVERIFY(sawProgress);
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QVERIFY(category->parentWidget()->isEnabled());
    QCOMPARE(comm::CommResult, int(comm::kErrNone));
    QVERIFY(comm::CommFacts.rackAnswered);
    QCOMPARE(comm::SlotNumber, 3);
    QVERIFY(!comm::jobs::Results().slotModel.empty());
}

void CommDialogsTest::slotDialogRefusesNumbersOutsideTheRack() {
    Program program;
    QCOMPARE(program.Start(), 0);
    std::vector<QString> seen;
    QString okCaption;
    WhenModal("frmRQ4100", [&](QWidget* dialog) {
        auto* slot = dialog->findChild<QLineEdit*>("txtSlot");
        for (const char* text : {"0", "17"}) {
            slot->setText(text);
            QTest::mouseClick(Button(dialog, "cmdOK"), Qt::LeftButton);
            seen.push_back(QString::fromStdString(program.messages.boxes.back().text));
            QVERIFY(dialog->isVisible());
        }
        okCaption = Button(dialog, "cmdOK")->text();
        QTest::keyClick(slot, Qt::Key_Escape);  // as Cancel
    });
    shell::MenuCommand(shell::kMenuSlotNo);
    QVERIFY(okCaption.contains('&'));
    QCOMPARE(seen, (std::vector<QString>{"Illegal value entered.", "Illegal value entered."}));
    QVERIFY(!comm::CommBusy);
    QVERIFY(program.Main().FindScreen(shell::Screen::frmRQ4000) == nullptr);
}

void CommDialogsTest::terminateEndsAJob() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    QVERIFY(comm::StartScreenJob(comm::kJobUpload, shell::Catalogue(2112),
                                 comm::kCallerSettingMenuUpload, shell::Screen::frmRQ2100, false));
    auto* progress = qobject_cast<comm::frmRQ4000*>(main.FindScreen(shell::Screen::frmRQ4000));
    QVERIFY(progress != nullptr);
    QVERIFY(WaitFor([&] { return progress->Progress() > 0; }));
    QTest::mouseClick(Button(progress, "cmdStop"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QCOMPARE(comm::CommResult, int(comm::kErrTerminated));
    QCOMPARE(program.messages.boxes.back().text, std::string("Communication terminated."));
    // The failed upload hands back to the setting menu, enabled again.
    gui::ScreenBase* setting = main.FindScreen(shell::Screen::frmRQ2100);
    QVERIFY(setting->parentWidget()->isEnabled());
    QCOMPARE(main.ActiveScreen(), setting);
}

// Terminate while a download's write waits for its answer: the answer is
// taken, so the write counts as written, and nothing more is sent.
void CommDialogsTest::terminateLetsTheWriteOnTheLineBeAnswered() {
    Program program;
    QCOMPARE(program.Start(), 0);
    shell::frmRQ0000& main = program.Main();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplaySettingMenu);
    program.Clock().SetRate(20);
    QVERIFY(comm::StartScreenJob(comm::kJobUpload, shell::Catalogue(2112),
                                 comm::kCallerSettingMenuUpload, shell::Screen::frmRQ2100, false));
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QCOMPARE(comm::CommResult, int(comm::kErrNone));

    program.Clock().SetRate(1);
    program.messages.boxes.clear();
    QVERIFY(comm::StartScreenJob(comm::kJobDownload, shell::Catalogue(2403),
                                 comm::kCallerDataViewDownload, shell::Screen::frmRQ2400, false));
    auto* progress = qobject_cast<comm::frmRQ4000*>(main.FindScreen(shell::Screen::frmRQ4000));
    QVERIFY(progress != nullptr);
    QVERIFY(WaitFor([] {
        return comm::jobs::Results().itemsWritten == 1 && comm::CommState == comm::kStateWait;
    }));
    QTest::mouseClick(Button(progress, "cmdStop"), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !comm::CommBusy; }));
    QCOMPARE(comm::CommResult, int(comm::kErrTerminated));
    const std::string text = program.messages.boxes.back().text;
    QVERIFY2(text.find("Items written: 2") != std::string::npos, text.c_str());
    QVERIFY2(text.find("No answer came") == std::string::npos, text.c_str());
}

QTEST_MAIN(CommDialogsTest)
#include "CommDialogsTest.moc"
