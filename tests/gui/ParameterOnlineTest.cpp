// The online path as a technician walks it in the demo: top menu, setting
// menu "Set", category menu, and the parameter screen with its tabs, moves,
// reads, writes, periodic reading and the communication monitor.
#include <QComboBox>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QPushButton>
#include <QRadioButton>
#include <QRegularExpression>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <QToolButton>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "gui/parameter/OnlineParameterScreen.h"
#include "gui/parameter/TrendWindow.h"
#include "gui/shell/MainWindow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "sim/Instrument.h"

using namespace rq50;
using namespace rq50::guitest;
using shell::Screen;

namespace {

/// The demo instrument with a SET group of 15 items: the selection INP TYPE,
/// then 14 numbers, so moves by rows and pages have room.
QString LongGroupInstrument(const QString& folder) {
    QFile sample(QString::fromStdString(gui::DefaultDemoInstrument()));
    sample.open(QIODevice::ReadOnly);
    QJsonObject described = QJsonDocument::fromJson(sample.readAll()).object();
    QJsonArray set = described["set"].toArray();
    QJsonObject input = set[0].toObject();
    QJsonArray items;
    items.append(input["items"].toArray()[0]);
    for (int i = 2; i <= 15; ++i) {
        items.append(QJsonObject{{"name", QString("ITEM%1").arg(i)},
                                 {"kind", "numeric"},
                                 {"data", "+000.00"},
                                 {"min", -100},
                                 {"max", 100}});
    }
    input["name"] = "LONG";
    input["items"] = items;
    set[0] = input;
    described["set"] = set;
    const QString path = folder + "/LONG.json";
    QFile out(path);
    out.open(QIODevice::WriteOnly);
    out.write(QJsonDocument(described).toJson());
    return path;
}

/// A double click on a data cell as the window system delivers it: press,
/// release, then the double click.
void DoubleClick(QTableView* grid, int row) {
    const QPoint at = grid->visualRect(grid->model()->index(row, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
}

}  // namespace

class ParameterOnlineTest : public QObject {
    Q_OBJECT
  private slots:
    void init();
    void cleanup();
    void categoryMenuPageMovesAndTabs();
    void readAndWriteANumberAndAChoice();
    void periodicReadingAndMonitor();
    void cancelForcedOutputOnAdjust();
    void lostAnswerDuringAMovePutsThePageBack();
    void trendWindowAndReadingInterval();

  private:
    /// Requests the demo instrument has taken so far.
    int Requests() { return m_program->App().DemoInstrument()->RequestCount(); }
    /// Top menu OK, "Set" OK (answering the prompt), up to the category menu.
    gui::ScreenBase* ToCategoryMenu();
    /// Category menu: the option of `category` and OK, up to the page.
    gui::ScreenBase* OpenCategory(int category);
    QString Cell(int row, int col) const;

    std::unique_ptr<Program> m_program;
    QTemporaryDir m_dir;
    gui::ScreenBase* m_page = nullptr;
};

void ParameterOnlineTest::init() {
    m_program = std::make_unique<Program>();
    m_program->standIns = false;
    m_program->options.demoInstrument = LongGroupInstrument(m_dir.path()).toStdString();
    QCOMPARE(m_program->Start(), 0);
    m_program->Clock().SetRate(20);
    m_program->Main().resize(1000, 700);
}

void ParameterOnlineTest::cleanup() {
    m_program->Close();
    m_program.reset();
    m_page = nullptr;
}

QString ParameterOnlineTest::Cell(int row, int col) const {
    auto* grid = Child<QTableView>(m_page, "ssPage");
    if (col == 0) return grid->model()->headerData(row - 1, Qt::Vertical).toString().trimmed();
    return grid->model()->index(row - 1, col - 1).data().toString().trimmed();
}

gui::ScreenBase* ParameterOnlineTest::ToCategoryMenu() {
    gui::MainWindow& main = m_program->Main();
    gui::ScreenBase* top = main.FindScreen(Screen::TopMenu);
    Press(top, "cmdOK");
    gui::ScreenBase* setting = main.FindScreen(Screen::SettingMenu);
    if (setting == nullptr) return nullptr;
    if (setting->windowTitle() != "Parameter Setting Menu") return nullptr;
    if (!Child<QRadioButton>(setting, "optSetOrNew")->isChecked()) return nullptr;
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    // The keyboard: Enter on the chosen option confirms it.
    Child<QRadioButton>(setting, "optSetOrNew")->setFocus();
    QTest::keyClick(Child<QRadioButton>(setting, "optSetOrNew"), Qt::Key_Return);
    if (!Idle(*m_program)) return nullptr;
    gui::ScreenBase* category = main.FindScreen(Screen::CategoryMenu);
    if (category == nullptr || main.ActiveScreen() != category) return nullptr;
    return category;
}

gui::ScreenBase* ParameterOnlineTest::OpenCategory(int category) {
    gui::MainWindow& main = m_program->Main();
    gui::ScreenBase* menu = main.FindScreen(Screen::CategoryMenu);
    m_program->messages.answers = {shell::MsgAnswer::Ok};
    const char* options[] = {"optDisplay", "optSet", "optAdjust", "optMaint"};
    ChooseAndOk(menu, options[category]);
    // The screen is up, with its tabs, while the first page is still read.
    m_page = main.FindScreen(Screen::OnlineParameter);
    if (m_page == nullptr || !Idle(*m_program)) return nullptr;
    if (main.ActiveScreen() != m_page || !m_page->parentWidget()->isEnabled()) return nullptr;
    return m_page;
}

// The category menu on the way in and out; the SET page's moves and tabs.
void ParameterOnlineTest::categoryMenuPageMovesAndTabs() {
    gui::ScreenBase* menu = ToCategoryMenu();
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->windowTitle(), QString("Menu"));
    QVERIFY(WaitFor([&] { return menu->width() >= menu->sizeHint().width(); }));  // nothing cut off
    QCOMPARE(Child<QLabel>(menu, "lblModel")->text(), QString(" MODEL:RQB2"));
    QVERIFY(Child<QRadioButton>(menu, "optMaint")->isHidden());  // MAINT only in MAINT Mode
    QVERIFY(!Child<QRadioButton>(menu, "optAdjust")->isHidden());
    QCOMPARE(m_program->messages.boxes.front().title, std::string("Set"));  // the option's caption
    QVERIFY(OpenCategory(1) != nullptr);
    QCOMPARE(m_page->windowTitle(), QString("SET"));
    auto* tabs = Child<QTabBar>(m_page, "tabGroups");
    QCOMPARE(tabs->count(), 2);
    QCOMPARE(tabs->tabText(0), QString("LONG"));
    QCOMPARE(tabs->tabText(1), QString("OUTPUT"));
    QCOMPARE(Cell(1, 0), QString("C01"));
    QCOMPARE(Cell(12, 1), QString("ITEM12"));
    // The address columns are hidden without the monitor, but filled.
    auto* grid = Child<QTableView>(m_page, "ssPage");
    QVERIFY(grid->isColumnHidden(3));
    QCOMPARE(Cell(12, 5), QString("12"));
    QVERIFY(!Child<QToolButton>(m_page, "cmdPrevious")->isEnabled());
    QVERIFY(Child<QToolButton>(m_page, "cmdNext")->isEnabled());

    auto* screen = qobject_cast<gui::OnlineParameterScreen*>(m_page);
    // "3 rows forward", from the Next menu.
    screen->NextMenu()->actions().at(2)->trigger();
    QVERIFY(Idle(*m_program));
    QCOMPARE(Cell(1, 1), QString("ITEM4"));
    QCOMPARE(Cell(12, 1), QString("ITEM15"));
    QVERIFY(Child<QToolButton>(m_page, "cmdPrevious")->isEnabled());
    // "Next page" from the keyboard: nothing lies beyond, and Next goes off.
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_PageDown, Qt::ControlModifier);
    QVERIFY(Idle(*m_program));
    QCOMPARE(Cell(12, 1), QString("ITEM15"));
    QVERIFY(!Child<QToolButton>(m_page, "cmdNext")->isEnabled());

    // The second tab shows the other group; the already selected tab starts nothing.
    const int before = Requests();
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(0).center());
    QCOMPARE(Requests(), before);
    QTest::mouseClick(tabs, Qt::LeftButton, {}, tabs->tabRect(1).center());
    QVERIFY(Idle(*m_program));
    QCOMPARE(tabs->currentIndex(), 1);
    QCOMPARE(Cell(1, 1), QString("OUT1UNIT"));
    QCOMPARE(Cell(1, 0), QString("D01"));
    QCOMPARE(Cell(5, 1), QString());

    // Close: back to the category menu.
    Press(m_page, "cmdExit");
    QVERIFY(
        WaitFor([&] { return m_program->Main().FindScreen(Screen::OnlineParameter) == nullptr; }));
    QCOMPARE(m_program->Main().ActiveScreen(), menu);
    QVERIFY(m_program->Engine().OnlinePage() == nullptr);
    // Its Cancel goes back to the setting menu.
    Press(menu, "cmdCancel");
    QVERIFY(m_program->Main().FindScreen(Screen::CategoryMenu) == nullptr);
    QCOMPARE(m_program->Main().ActiveScreen(), m_program->Main().FindScreen(Screen::SettingMenu));
}

void ParameterOnlineTest::readAndWriteANumberAndAChoice() {
    QVERIFY(ToCategoryMenu() != nullptr);
    QVERIFY(OpenCategory(1) != nullptr);
    auto* grid = Child<QTableView>(m_page, "ssPage");
    auto* entry = Child<QLineEdit>(m_page, "txtSetData");
    auto* list = Child<QComboBox>(m_page, "cboSetData");
    auto* write = Child<QPushButton>(m_page, "cmdWrite");
    QVERIFY(!entry->isEnabled());
    // The main window's caption says the work is online.
    QCOMPARE(m_program->Main().windowTitle(), QString("MODEL:RQ50 - [Online RQB2]"));

    // A number: row 2 opened by the keyboard (Ctrl+Enter on the cell).
    grid->setFocus();
    grid->setCurrentIndex(grid->model()->index(1, 1));
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    QVERIFY(Idle(*m_program));
    QVERIFY(entry->isEnabled() && entry->isVisible());
    // The keyboard goes on in the box: what is typed next is the value.
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget*>(entry));
    QVERIFY(write->isEnabled());
    QCOMPARE(grid->model()->index(1, 0).data(Qt::BackgroundRole).value<QColor>(),
             QColor(255, 255, 0));
    QCOMPARE(entry->text().trimmed(), QString("0.00"));
    auto* note = Child<QLabel>(m_page, "lblWriteNote");
    QVERIFY(note->text().startsWith("Takes a number from -999.99 to 999.99"));
    // A value outside the item's range is refused, nothing is sent, and the
    // box gets the item's data text back.
    entry->selectAll();
    QTest::keyClicks(entry, "1000");
    const int before = Requests();
    QTest::mouseClick(write, Qt::LeftButton);
    QVERIFY(!m_program->Engine().Busy());
    QCOMPARE(Requests(), before);
    QCOMPARE(m_program->messages.Texts().back(), std::string("Illegal value entered."));
    QCOMPARE(entry->text().trimmed(), QString("+000.00"));
    QCOMPARE(note->text(), QString("Not written: 1000 is above the maximum 999.99."));
    QCOMPARE(note->accessibleName(), note->text());
    entry->selectAll();
    QTest::keyClicks(entry, "12x.5");  // the x is refused by the number filter
    QCOMPARE(entry->text(), QString("12.5"));
    QTest::keyClick(entry, Qt::Key_Return);  // Enter writes
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QCOMPARE(Cell(2, 2), QString("12.50"));
    QVERIFY(note->text().startsWith("Takes "));  // held as asked: nothing to say
    QVERIFY(!grid->model()->index(1, 0).data(Qt::BackgroundRole).isValid());

    // A choice: double-click on row 1 shows the list in place of the box.
    DoubleClick(grid, 0);
    QVERIFY(Idle(*m_program));
    QVERIFY(list->isVisible() && list->isEnabled());
    QVERIFY(!entry->isVisible());
    QCOMPARE(list->count(), 3);
    // The current choice is preselected; the user picks another.
    QVERIFY(list->currentText().contains("4-20mA"));
    list->setCurrentIndex(list->findText("0-10V", Qt::MatchContains));
    QVERIFY(list->currentIndex() >= 0);
    QTest::keyClick(list, Qt::Key_Return);  // Enter on the list writes
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QCOMPARE(Cell(1, 3), QString("0-10V"));

    // Moving to another row closes the item.
    grid->setCurrentIndex(grid->model()->index(4, 1));
    QVERIFY(!list->isVisible());
    QVERIFY(!write->isEnabled());
}

void ParameterOnlineTest::periodicReadingAndMonitor() {
    QVERIFY(ToCategoryMenu() != nullptr);
    m_program->Engine().SetMonitorOn(true);
    QVERIFY(OpenCategory(0) != nullptr);
    QCOMPARE(m_page->windowTitle(), QString("DISPLAY"));
    auto* screen = qobject_cast<gui::OnlineParameterScreen*>(m_page);
    auto* readStop = Child<QPushButton>(m_page, "cmdReadStop");
    auto* log = Child<QTableWidget>(m_page, "ssLog");
    QVERIFY(Child<QWidget>(m_page, "fraHideDisp")->isVisible());
    QVERIFY(!Child<QTableView>(m_page, "ssPage")->isColumnHidden(3));
    // The page holds measured items: reading runs by itself, the grid locked.
    QCOMPARE(readStop->text(), QString("READ STOP"));
    QVERIFY(readStop->isEnabled());
    QCOMPARE(Child<QTableView>(m_page, "ssPage")->focusPolicy(), Qt::NoFocus);
    QVERIFY(screen->CycleTimer().isActive());
    const int quiet = Requests();
    DoubleClick(Child<QTableView>(m_page, "ssPage"), 0);  // the locked grid opens nothing
    QVERIFY(!m_program->Engine().Busy());
    QCOMPARE(Requests(), quiet);

    // Each tick of the cycle re-reads the measured values (a fast cycle here).
    const QString first = Cell(1, 2);
    screen->CycleTimer().setInterval(50);
    screen->CycleTimer().start();
    QVERIFY(WaitFor([&] { return Cell(1, 2) != first; }));
    screen->CycleTimer().setInterval(parameter::kPeriodicReadMs);
    QVERIFY(Idle(*m_program));
    // The monitor shows the last request and answer of the reading.
    QVERIFY(!log->item(1, 0)->text().isEmpty());
    QVERIFY(!log->item(0, 0)->text().isEmpty());

    // READ STOP stops the cycle at once and hands the grid back.
    QVERIFY(WaitFor([&] { return readStop->isEnabled(); }));
    QTest::mouseClick(readStop, Qt::LeftButton);
    QCOMPARE(readStop->text(), QString("READ START"));
    QVERIFY(readStop->isEnabled());
    QVERIFY(!screen->CycleTimer().isActive());
    QCOMPARE(Child<QTableView>(m_page, "ssPage")->focusPolicy(), Qt::StrongFocus);
    // READ START reads at once.
    const int before = Requests();
    QTest::mouseClick(readStop, Qt::LeftButton);
    QVERIFY(m_program->Engine().Busy());
    QVERIFY(Idle(*m_program));
    QVERIFY(Requests() > before);
    QCOMPARE(readStop->text(), QString("READ STOP"));

    // The monitor off hides the frame and the address columns again.
    m_program->Engine().SetMonitorOn(false);
    screen->OnMonitorChanged(false);
    QVERIFY(!Child<QWidget>(m_page, "fraHideDisp")->isVisible());
    QVERIFY(Child<QTableView>(m_page, "ssPage")->isColumnHidden(3));
}

void ParameterOnlineTest::cancelForcedOutputOnAdjust() {
    QVERIFY(ToCategoryMenu() != nullptr);
    QVERIFY(OpenCategory(2) != nullptr);
    QCOMPARE(m_page->windowTitle(), QString("ADJUST"));
    auto* outputOff = Child<QPushButton>(m_page, "cmdOutputOff");
    QVERIFY(outputOff->isVisible());
    QVERIFY(Child<QPushButton>(m_page, "cmdReadStop")->isHidden());
    QVERIFY(outputOff->isEnabled());
    const int before = Requests();
    QTest::mouseClick(outputOff, Qt::LeftButton);
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QVERIFY(Requests() > before);
    QVERIFY(outputOff->isEnabled());
}

void ParameterOnlineTest::lostAnswerDuringAMovePutsThePageBack() {
    QVERIFY(ToCategoryMenu() != nullptr);
    QVERIFY(OpenCategory(1) != nullptr);
    auto* screen = qobject_cast<gui::OnlineParameterScreen*>(m_page);
    m_program->App().DemoInstrument()->Faults().drop.all = true;
    m_program->messages.boxes.clear();
    screen->NextMenu()->actions().at(2)->trigger();
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNoResponse));
    QCOMPARE(m_program->messages.Texts().size(), std::size_t(1));
    QVERIFY(m_program->messages.Texts()[0].starts_with(shell::Catalogue(1501)));
    QCOMPARE(Cell(1, 1), QString("INP TYPE"));
    QCOMPARE(Cell(12, 1), QString("ITEM12"));
    QVERIFY(Child<QToolButton>(m_page, "cmdNext")->isEnabled());
    QVERIFY(Child<QPushButton>(m_page, "cmdExit")->isEnabled());
    // The instrument answers again: the same move works.
    m_program->App().DemoInstrument()->Faults().drop.all = false;
    screen->NextMenu()->actions().at(2)->trigger();
    QVERIFY(Idle(*m_program));
    QCOMPARE(comm::ErrorNumber(m_program->Engine().LastOutcome().code),
             comm::ErrorNumber(comm::kErrNone));
    QCOMPARE(Cell(1, 1), QString("ITEM4"));
}

// DISPLAY: the reading interval drives the cycle; the trend window draws the
// page's readings, a failed one as a gap, and exports them.
void ParameterOnlineTest::trendWindowAndReadingInterval() {
    QVERIFY(ToCategoryMenu() != nullptr);
    QVERIFY(OpenCategory(0) != nullptr);
    auto* screen = qobject_cast<gui::OnlineParameterScreen*>(m_page);
    QTimer& cycle = screen->CycleTimer();
    auto* interval = Child<QComboBox>(m_page, "cboInterval");
    QCOMPARE(interval->accessibleName(), QString("Reading interval"));
    QCOMPARE(interval->count(), 3);
    QCOMPARE(interval->currentText(), QString("5 s"));
    QCOMPARE(cycle.interval(), 5000);
    // Fast pacing offers reading as fast as the line allows.
    screen->Std().mnuPortFast->trigger();
    QCOMPARE(interval->itemText(3), QString("As fast as the line allows"));
    interval->setFocus();
    QTest::keyClick(interval, Qt::Key_End);
    QCOMPARE(cycle.interval(), parameter::kReadAgainPollMs);
    screen->Std().mnuPortFast->trigger();
    QCOMPARE(interval->count(), 3);
    QCOMPARE(cycle.interval(), 5000);
    QTest::keyClick(interval, Qt::Key_Home);
    QCOMPARE(interval->currentText(), QString("1 s"));
    QVERIFY(cycle.isActive());
    QCOMPARE(cycle.interval(), 1000);
    QCOMPARE(m_program->Ws().hosts.settings->Get("READINTERVAL"),
             std::optional<std::string>("1000"));

    auto* trendButton = Child<QPushButton>(m_page, "cmdTrend");
    QVERIFY(trendButton->isVisible() && trendButton->isEnabled());
    Press(m_page, "cmdTrend");
    auto* window = m_page->findChild<gui::TrendWindow*>("TrendWindow");
    QVERIFY(window != nullptr && window->isVisible());
    QVERIFY(window->screen()->availableGeometry().contains(window->frameGeometry()));
    QCOMPARE(Child<QComboBox>(window, "cboSpan")->currentText(), QString("10 min"));
    QVERIFY(
        WaitFor([&] { return !window->Lines(1).empty() && window->Lines(0)[0]->count() >= 3; }));
    QCOMPARE(window->Lines(0).front()->name(), QString("A01 PV (%)"));
    // Each unit its own scale: PV in % and the input in its unit are not
    // squeezed onto one axis.
    const auto scales = window->Lines(0).front()->attachedAxes();
    const auto inputScales = window->Lines(1).front()->attachedAxes();
    QCOMPARE(scales.size(), 2);
    QVERIFY(scales.last() != inputScales.last());
    auto* last = Child<QLabel>(m_page, "lblLastReading");
    QVERIFY(last->text().startsWith("Last reading "));

    // A reading without an answer: "failed", and the line goes on after a gap.
    m_program->App().DemoInstrument()->Faults().drop.all = true;
    QVERIFY(WaitFor([&] { return last->text().endsWith(" failed"); }, 60000));
    QVERIFY(Idle(*m_program));
    m_program->App().DemoInstrument()->Faults().drop.all = false;
    // Reading stopped with the error; READ START takes it up again.
    QCOMPARE(Child<QPushButton>(m_page, "cmdReadStop")->text(), QString("READ START"));
    Press(m_page, "cmdReadStop");
    QVERIFY(
        WaitFor([&] { return window->Lines(0).size() == 2 && window->Lines(0)[1]->count() > 1; }));
    Press(m_page, "cmdReadStop");  // READ STOP: the page and the chart stand
    QVERIFY(Idle(*m_program));
    window->Redraw();
    for (int series = 0; series < 2; ++series) {
        const QLineSeries* line = window->Lines(std::size_t(series)).back();
        QCOMPARE(line->at(line->count() - 1).y(), Cell(series + 1, 2).toDouble());
    }

    // The cursor by the keyboard: the last reading's values.
    auto* chart = Child<QWidget>(window, "chtTrend");
    chart->setFocus();
    QTest::keyClick(chart, Qt::Key_Left);
    const QString readout = Child<QLabel>(window, "lblReadout")->text();
    QVERIFY2(readout.contains("A01 PV " + Cell(1, 2) + " %"), qPrintable(readout));

    const QString csvPath = m_dir.filePath("trend.csv");
    WhenFileDialog(csvPath);
    Press(window, "cmdExportCsv");
    QFile csv(csvPath);
    QVERIFY(csv.open(QIODevice::ReadOnly));
    const QStringList rows = QString::fromUtf8(csv.readAll()).split("\r\n", Qt::SkipEmptyParts);
    QCOMPARE(rows.front(), QString("time,\"A01 PV\",\"A02 INPUT\""));
    QVERIFY(rows.size() >= 5);
    QVERIFY(QRegularExpression("^\\d{4}-\\d\\d-\\d\\dT\\d\\d:\\d\\d:\\d\\d\\.\\d{3},[-0-9.]+,")
                .match(rows.back())
                .hasMatch());
    QVERIFY(rows.filter(QRegularExpression(",,$")).size() == 1);  // the failed reading
    // A parameter file's name chosen by mistake is refused; nothing is written.
    const QString dataFile = m_dir.filePath("plant.7pa");
    WhenFileDialog(dataFile);
    Press(window, "cmdExportCsv");
    QVERIFY(QString::fromStdString(m_program->messages.Texts().back()).contains(".7pa"));
    QVERIFY(!QFile::exists(dataFile));

    QTest::keyClick(chart, Qt::Key_Escape);
    QVERIFY(!window->isVisible());
}

QTEST_MAIN(ParameterOnlineTest)
#include "ParameterOnlineTest.moc"
