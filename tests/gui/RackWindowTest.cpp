// The rack window opened from the top menu: a scan of the sample rack.
#include <QCheckBox>
#include <QLabel>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/jobs/Password.h"
#include "files/Workspace.h"
#include "gui/shell/MainWindow.h"
#include "session/Menus.h"

using namespace rq50;
using namespace rq50::guitest;

class RackWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void scanFillsTheTableFromTheMenu();
};

void RackWindowTest::scanFillsTheTableFromTheMenu() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/ZNC.json";
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(50);
    QAction* item = nullptr;
    for (QAction* menu : program.Main().menuBar()->actions()) {
        if (menu->text() == "Rack(&K)" && menu->menu()) item = menu->menu()->actions().value(0);
    }
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QString("Rack Commissioning...(&C)"));

    QStringList rows;
    QString summary;
    int done = -1;
    bool running = false, fits = false;  // only Stop enabled, slot 1 at work
    bool fast = false;
    QString pacingName;
    WhenModal("RackWindow", [&](QWidget* window) {
        fits = window->screen()->availableGeometry().contains(window->frameGeometry());
        // The run's pacing is chosen here (the top menu keeps Communication
        // Settings closed), as the menu item chooses it.
        auto* pacing = Child<QCheckBox>(window, "chkFastComm");
        pacingName = pacing->accessibleName();
        pacing->setChecked(true);
        fast = session::FastCommunicationOn(program.Ws()) && program.Engine().Pacing().fast;
        pacing->setChecked(false);
        auto* stop = Child<QPushButton>(window, "cmdStop");
        auto* grid = Child<QTableWidget>(window, "grdSlots");
        Press(window, "cmdScan");
        running = stop->isEnabled() && !Child<QPushButton>(window, "cmdClose")->isEnabled() &&
                  grid->item(0, 4)->text() == "working...";
        WaitFor([&] { return !stop->isEnabled(); }, 120000);
        for (int r : {0, 1, 2, 5}) {
            rows << grid->item(r, 1)->text() + "|" + grid->item(r, 2)->text() + "|" +
                        grid->item(r, 4)->text();
        }
        summary = Child<QLabel>(window, "lblSummary")->text();
        done = Child<QProgressBar>(window, "prgSlots")->value();
        Press(window, "cmdClose");
    });
    item->trigger();
    QVERIFY(fits);
    QVERIFY(fast);
    QCOMPARE(pacingName, QString("Fast Communication"));
    QVERIFY(running);
    QCOMPARE(rows, QStringList({"RQB2|FIC-101|instrument", "||empty", "RQG2|TI-204|instrument",
                                "RQK2||instrument"}));
    QCOMPARE(summary, QString("done 3, differs 0, failed 0, empty 13"));
    QCOMPARE(done, 16);
    // The run gave the line and the message host back to the program.
    QVERIFY(!program.Engine().Busy());
    QCOMPARE(program.Ws().hosts.messages, static_cast<shell::MessageBoxHost*>(&program.messages));

    // With a download password stored, Download asks it before anything else.
    comm::jobs::PasswordDialogOk(program.Ws(), shell::PasswordMode::Set, "12", "12");
    program.Ws().state.downloadAllowed = false;
    bool asked = false;
    WhenModal("RackWindow", [&](QWidget* window) {
        WhenModal("frmRQ4300", [&](QWidget* dialog) {
            asked = true;
            Press(dialog, "cmdCancel");
        });
        Press(window, "cmdDownload");
        Press(window, "cmdClose");
    });
    item->trigger();
    QVERIFY(asked);
    QVERIFY(!program.Ws().state.downloadAllowed);
}

QTEST_MAIN(RackWindowTest)
#include "RackWindowTest.moc"
