// The password dialog's fields and modes, and the top menu's use of it.
#include <QFile>
#include <QLineEdit>
#include <QRadioButton>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "files/SettingFile.h"
#include "gui/comm/PasswordDialog.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/TopMenuScreen.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "sim/Instrument.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

QLineEdit* Field(QWidget* dialog, const char* name) {
    return dialog->findChild<QLineEdit*>(name);
}

}  // namespace

class PasswordTest : public QObject {
    Q_OBJECT
  private slots:
    void fieldsTakeFourMaskedDigits();
    void setThenEnterBeforeWork();
    void wrongPasswordKeepsTheDataViewFromDownloading();
};

void PasswordTest::fieldsTakeFourMaskedDigits() {
    Program program;
    QCOMPARE(program.Start(), 0);
    gui::PasswordDialog dialog(program.Ws(), shell::PasswordMode::Set, &program.Main());
    QLineEdit* first = Field(&dialog, "txtPassword");
    QCOMPARE(first->echoMode(), QLineEdit::Password);
    QTest::keyClicks(first, "1a2-3.45");
    QCOMPARE(first->text(), QString("1234"));
    QTest::keyClick(first, Qt::Key_Backspace);
    QCOMPARE(first->text(), QString("123"));
    QCOMPARE(first->accessibleName(), QString("New Password"));
    QVERIFY(Field(&dialog, "txtConfirm")->isVisibleTo(&dialog));
    QCOMPARE(dialog.windowTitle(), QString("Set/Change Password"));

    gui::PasswordDialog entry(program.Ws(), shell::PasswordMode::Entry, &program.Main());
    QCOMPARE(entry.windowTitle(), QString("Password Entry"));
    QVERIFY(!Field(&entry, "txtConfirm")->isVisibleTo(&entry));
    QCOMPARE(Field(&entry, "txtPassword")->accessibleName(), QString("Password"));
}

void PasswordTest::setThenEnterBeforeWork() {
    Program program;
    QCOMPARE(program.Start(), 0);
    auto* top = static_cast<gui::TopMenuScreen*>(program.Main().ActiveScreen());

    // Set: a mismatch keeps the dialog; a match stores "12" and two blanks.
    WhenModal("frmRQ4300", [&](QWidget* dialog) {
        QTest::keyClicks(Field(dialog, "txtPassword"), "12");
        QTest::keyClicks(Field(dialog, "txtConfirm"), "13");
        Press(dialog, "cmdOK");
        QVERIFY(dialog->isVisible());
        Field(dialog, "txtConfirm")->setText("12");
        Press(dialog, "cmdOK");
    });
    top->mnuPasswordSet->trigger();
    QCOMPARE(program.messages.Texts(),
             (std::vector<std::string>{
                 "New password does not match. Enter the new password again for verification.",
                 "Password has been set."}));
    QVERIFY(!top->mnuPasswordSet->isEnabled());
    QVERIFY(top->mnuPasswordChange->isEnabled());

    // OK now asks for it; Cancel keeps the top menu, the right one lets the
    // work go on with downloads.
    WhenModal("frmRQ4300", [](QWidget* dialog) { Press(dialog, "cmdCancel"); });
    Press(top, "cmdOK");
    QCOMPARE(program.Main().ActiveScreen(), top);
    QVERIFY(top->parentWidget()->isEnabled());
    WhenModal("frmRQ4300", [&](QWidget* dialog) {
        QTest::keyClicks(Field(dialog, "txtPassword"), "12");
        Press(dialog, "cmdOK");
    });
    Press(top, "cmdOK");
    QVERIFY(program.Ws().state.downloadAllowed);
    QCOMPARE(program.Main().ActiveScreen()->Id(), shell::Screen::SettingMenu);
    QVERIFY(!top->parentWidget()->isEnabled());
}

void PasswordTest::wrongPasswordKeepsTheDataViewFromDownloading() {
    Program program;
    program.standIns = false;
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(20);
    QFile file(program.appDir + "/Setting.ini");
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(QByteArray("4\0003\0002\0001\000", 8));
    file.close();
    auto* top = static_cast<gui::TopMenuScreen*>(program.Main().ActiveScreen());
    WhenModal("frmRQ4300", [](QWidget* dialog) {
        QTest::keyClicks(Field(dialog, "txtPassword"), "1111");
        Press(dialog, "cmdOK");
    });
    Press(top, "cmdOK");
    QVERIFY(!program.Ws().state.downloadAllowed);

    // Upload is allowed; the data view offers no download.
    gui::ScreenBase* setting = program.Main().FindScreen(shell::Screen::SettingMenu);
    QVERIFY(setting != nullptr);
    program.messages.answers = {shell::MsgAnswer::Ok};
    ChooseAndOk(setting, "optUpload");
    QVERIFY(WaitFor([&] { return !program.Engine().Busy(); }));
    gui::ScreenBase* view = program.Main().FindScreen(shell::Screen::DataView);
    QVERIFY(view != nullptr);
    auto* download = view->findChild<QRadioButton*>("optDownload");
    QVERIFY(!download->isEnabled());
    // Chosen all the same, it is refused with the wrong-password message and
    // nothing is sent.
    download->setChecked(true);
    const int requests = program.App().DemoInstrument()->RequestCount();
    program.messages.answers = {shell::MsgAnswer::Ok, shell::MsgAnswer::Ok};
    Press(view, "cmdOK");
    QVERIFY(!program.Engine().Busy());
    QCOMPARE(program.App().DemoInstrument()->RequestCount(), requests);
    QCOMPARE(program.messages.boxes.back().text,
             std::string("Wrong password. You can upload parameter values from TAVRO but cannot "
                         "download to TAVRO."));
    QCOMPARE(UsableScreen(program), view);
}

QTEST_MAIN(PasswordTest)
#include "PasswordTest.moc"
