// The instrument list window opened from the Rack menu: a list with a bad
// cell shown red with its tip and problem, and a good list commissioned into
// the sample rack with the report saved.
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QTableWidget>
#include <QTest>

#include <fstream>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "files/Workspace.h"
#include "gui/shell/InstrumentListWindow.h"
#include "gui/shell/MainWindow.h"

using namespace rq50;
using namespace rq50::guitest;

class InstrumentListWindowTest : public QObject {
    Q_OBJECT
  private slots:
    void badCellsAreRedAndAGoodListIsCommissioned();
};

namespace {

void WriteText(const QString& path, const std::string& text) {
    std::ofstream(path.toStdString(), std::ios::binary) << text;
}

std::string ReadText(const QString& path) {
    std::ifstream in(path.toStdString(), std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

void InstrumentListWindowTest::badCellsAreRedAndAGoodListIsCommissioned() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/ZNC.json";
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(50);
    const QString dir = program.appDir;
    for (const char* model : {"RQB2", "RQG2"}) {
        const std::string command = std::string(RQ50_BIN_DIR) + "/rq50-cli --app-dir '" +
                                    dir.toStdString() + "' --sim " + RQ50_SIM_INSTRUMENTS_DIR +
                                    "/" + model + ".json --quiet --no-register upload -o '" +
                                    dir.toStdString() + "/tpl/" + model + ".7pa' >/dev/null 2>&1";
        QCOMPARE(std::system(("mkdir -p '" + dir.toStdString() + "/tpl' && " + command).c_str()),
                 0);
    }
    WriteText(dir + "/bad.csv", "TAG,MODEL,SLOT,C02\nFIC-101,RQB2,1,5000\nTI-204,RQG2,3,\n");
    WriteText(dir + "/good.csv", "TAG;MODEL;SLOT;C03\nFIC-101;RQB2;1;150\nTI-204;RQG2;3;\n");

    QAction* item = nullptr;
    for (QAction* menu : program.Main().menuBar()->actions()) {
        if (menu->text() == "Rack(&K)" && menu->menu()) item = menu->menu()->actions().value(1);
    }
    QVERIFY(item != nullptr);
    QCOMPARE(item->text(), QString("Instrument List...(&I)"));

    bool fits = false, red = false, makeOff = false, wentToCell = false, ran = false;
    QString tip, problem, progress;
    QStringList names;
    std::string report;
    WhenModal("InstrumentListWindow", [&](QWidget* w) {
        auto* window = static_cast<gui::InstrumentListWindow*>(w);
        fits = window->screen()->availableGeometry().contains(window->frameGeometry());
        for (auto* b : window->findChildren<QPushButton*>()) names << b->accessibleName();
        auto* grid = Child<QTableWidget>(window, "grdList");
        auto* problems = Child<QListWidget>(window, "lstProblems");
        if (!window->OpenList(dir + "/bad.csv", dir + "/tpl")) return;
        red = grid->item(0, 3)->background().color().red() == 255 &&
              grid->item(0, 3)->background().color().green() < 200 &&
              grid->item(1, 3)->background().style() == Qt::NoBrush;
        tip = grid->item(0, 3)->toolTip();
        problem = problems->count() == 1 ? problems->item(0)->text() : QString();
        makeOff = !Child<QPushButton>(window, "cmdMake")->isEnabled();
        problems->setFocus();
        problems->setCurrentRow(0);
        QTest::keyClick(problems, Qt::Key_Return);
        wentToCell = grid->currentRow() == 0 && grid->currentColumn() == 3 && grid->hasFocus();

        if (!window->OpenList(dir + "/good.csv", dir + "/tpl")) return;
        // Commission...: the folder, then each slot's changes to confirm.
        WhenFileDialog(dir + "/made");
        WhenModal("DownloadPreview", [](QWidget* first) {
            WhenModal("DownloadPreview", [](QWidget* second) { Press(second, "cmdDownload"); });
            Press(first, "cmdDownload");
        });
        QDir().mkpath(dir + "/made");
        Press(window, "cmdCommission");
        auto* save = Child<QPushButton>(window, "cmdSaveReport");
        ran = WaitFor([&] { return save->isEnabled(); }, 120000);
        progress = Child<QLabel>(window, "lblProgress")->text();
        WhenFileDialog(dir + "/report.csv");
        Press(window, "cmdSaveReport");
        report = ReadText(dir + "/report.csv");
        Press(window, "cmdClose");
    });
    item->trigger();
    QVERIFY(fits);
    QVERIFY(names.contains("Make Files...") && names.contains("Commission..."));
    QVERIFY(red);
    QCOMPARE(tip, QString("C02 5000 is above the maximum 999.99"));
    QCOMPARE(problem, QString("bad.csv:2:4: C02 5000 is above the maximum 999.99"));
    QVERIFY(makeOff);
    QVERIFY(wentToCell);
    QVERIFY(ran);
    QCOMPARE(progress, QString("done 2, differs 0, failed 0, empty 0"));
    QVERIFY(QFile::exists(dir + "/made/S01_RQB2_FIC-101.7pa"));
    QVERIFY2(report.find("FIC-101,RQB2,1,downloaded,") != std::string::npos, report.c_str());
    QVERIFY2(report.find("C03 SCALE HI = +150.00") != std::string::npos, report.c_str());
    QVERIFY(!program.Engine().Busy());
}

QTEST_MAIN(InstrumentListWindowTest)
#include "InstrumentListWindowTest.moc"
