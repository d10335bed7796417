// The program editor and its error list on screen, driven by keys and mouse,
// and the program flows of the setting menu against the simulated RQK2.
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QHeaderView>
#include <QLineEdit>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QTableWidget>
#include <QTest>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "files/ProgramFile.h"
#include "gui/CellGridView.h"
#include "gui/Screens.h"
#include "gui/program/ProgramEditorWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/TopMenuScreen.h"
#include "program/ProgramModel.h"
#include "program/ProgramText.h"
#include "session/FileDialog.h"
#include "session/Navigation.h"
#include "session/ProgramMenu.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;
using program::GridId;
using session::ProgramMenuOption;
using shell::Screen;

namespace {

struct Editor {
    gui::ProgramEditorWindow* screen = nullptr;
    gui::CellGridView* program = nullptr;
    gui::CellGridView* consts = nullptr;
    // The buttons in their row: Close, Insert, Delete, Undo, Command Check,
    // Save, Download, Compare, Print.
    QPushButton* Button(int i) const {
        static const char* const names[] = {"cmdClose",    "cmdInsert",       "cmdDelete",
                                            "cmdUndo",     "cmdCommandCheck", "cmdSave",
                                            "cmdDownload", "cmdCompare",      "cmdPrint"};
        return screen->findChild<QPushButton*>(QString::fromLatin1(names[i]));
    }
};

Editor Find(Program& p) {
    Editor e;
    e.screen = qobject_cast<gui::ProgramEditorWindow*>(p.Main().FindScreen(Screen::ProgramEditor));
    if (e.screen != nullptr) {
        e.program = e.screen->View(GridId::kProgram);
        e.consts = e.screen->View(GridId::kConst);
    }
    return e;
}

/// The program menu (a stand-in window) with the undo folder made, as its
/// load does in program mode.
void OpenProgramMenu(Program& p) {
    p.Main().show();
    p.Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.Main()));
    p.Ws().state.settingMode = shell::SettingMode::Program;
    session::ShowDisplay(p.Ws(), session::Display::SettingMenuProgram);
    QVERIFY(session::ProgramMenuLoad(p.Ws()));
}

Editor OpenNew(Program& p) {
    files::Workspace& ws = p.Ws();
    OpenProgramMenu(p);
    session::ProgramMenuConfirm(ws, ProgramMenuOption::kNew);
    return Find(p);
}

QString Cell(const QTableView* view, int row, int col) {
    return view->model()->index(row - 1, col - 1).data().toString();
}

QString RowHeading(const QTableView* view, int row) {
    return view->model()->headerData(row - 1, Qt::Vertical).toString();
}

void Select(gui::CellGridView* view, int row, int col) {
    view->setFocus();
    view->setCurrentIndex(view->model()->index(row - 1, col - 1));
}

/// F2 on the cell, the old text selected and replaced by typing, Enter.
void Type(gui::CellGridView* view, int row, int col, const QString& text) {
    Select(view, row, col);
    QTest::keyClick(view, Qt::Key_F2);
    QLineEdit* editor = nullptr;  // closed editors linger until deleted
    for (QLineEdit* open : view->viewport()->findChildren<QLineEdit*>()) {
        if (open->isVisible()) editor = open;
    }
    QVERIFY(editor != nullptr);
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, text);
    QTest::keyClick(editor, Qt::Key_Return);
    // The cell editor commits from the event loop, after its own key handling.
    QApplication::processEvents();
}

QString LastMessage(const Program& p) {
    return p.messages.boxes.empty() ? QString()
                                    : QString::fromStdString(p.messages.boxes.back().text);
}

void Drop(gui::CellGridView* view, const program::CellRange& block, int row, int col) {
    const QPoint at = view->visualRect(view->model()->index(row - 1, col - 1)).center();
    QMimeData* mime = gui::CellGridView::BlockMime(block);
    QDragEnterEvent enter(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &enter);
    QDropEvent drop(at, Qt::MoveAction, mime, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(view->viewport(), &drop);
    delete mime;
}

QMenu* RightClick(gui::CellGridView* view, int row, int col) {
    const QPoint at = view->visualRect(view->model()->index(row - 1, col - 1)).center();
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    const char* name = view->objectName() == "ssProgram" ? "mnuPopUpProgram" : "mnuPopUpConst";
    return view->window()->findChild<QMenu*>(name);
}

QAction* Action(QMenu* menu, const QString& text) {
    for (QAction* a : menu->actions()) {
        if (a->text() == text) return a;
    }
    return nullptr;
}

/// A left click delivered to the widget itself.
void Click(QWidget* widget, const QPoint& at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(at), global, Qt::LeftButton, Qt::LeftButton,
                      Qt::NoModifier);
    QApplication::sendEvent(widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(at), global, Qt::LeftButton,
                        Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &release);
}

}  // namespace

class ProgramEditorTest : public QObject {
    Q_OBJECT
  private slots:
    void newProgramFromTheSettingMenuAndBack();
    void typingRowKeysAndUndoReachTheCore();
    void clipboardAndPopUpMenus();
    void dragAndDropWithTheDropCheck();
    void modelBoxTypesCapitalsAndRefusesAModelWithoutProgram();
    void commandCheckOpensTheErrorListAtTheFirstError();
    void downloadWithErrorsAsksAndFollowsTheAnswerThenUploads();
    void saveWritesWhatTheCliListsAndReadsBack();
    void exitOffersToSaveTheProgram();
};

// The real top and program menus: New opens the editor on the template;
// Close gives the menu back, and leaving the menu removes its undo folder.
void ProgramEditorTest::newProgramFromTheSettingMenuAndBack() {
    Program p;
    p.standIns = false;
    QCOMPARE(p.Start(), 0);
    p.Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.Main()));
    gui::ScreenBase* top = p.Main().ActiveScreen();
    QTest::mouseClick(top->findChild<QRadioButton*>("optProgramSetting"), Qt::LeftButton);
    Press(top, "cmdOK");
    gui::ScreenBase* menu = p.Main().FindScreen(Screen::SettingMenu);
    QVERIFY(menu != nullptr);
    QCOMPARE(menu->windowTitle(), QString("Program Setting Menu"));
    QVERIFY(QDir(p.appDir + "/Undo").exists());
    Press(menu, "cmdOK");  // New
    Editor e = Find(p);
    QVERIFY(e.screen != nullptr);
    QCOMPARE(p.Main().ActiveScreen(), e.screen);
    QVERIFY(!ScreenEnabled(menu));
    QCOMPARE(e.screen->windowTitle(), QString("Program Editor"));
    QCOMPARE(Cell(e.program, 1, 1), QString("LDX1"));  // the core's template, shown
    QCOMPARE(e.screen->findChild<QComboBox*>("cboModel")->currentText(), QString("RQK2"));
    QVERIFY(!p.Engine().Busy());  // the template does not contact the unit

    // Buttons: captions, accessible names, enabling.
    const QStringList captions{
        "Close",        "Insert Row",        "Delete Row",         "Undo", "Command Check",
        "Save to file", "Download to TAVRO", "Compare with TAVRO", "Print"};
    // Each button has a mnemonic of its own (none of the menu bar's).
    QString mnemonics = "FSHC";
    for (int i = 0; i < 9; ++i) {
        const QString text = e.Button(i)->text();
        QCOMPARE(QString(text).remove('&'), captions[i]);
        QCOMPARE(e.Button(i)->accessibleName(), captions[i]);
        const qsizetype mark = text.indexOf('&');
        QVERIFY2(mark >= 0 && mark + 1 < text.size(), qPrintable(text));
        QVERIFY2(!mnemonics.contains(text.at(mark + 1).toUpper()), qPrintable(text));
        mnemonics += text.at(mark + 1).toUpper();
    }
    QVERIFY(!e.Button(3)->isEnabled());  // nothing to undo yet
    QVERIFY(e.Button(1)->isEnabled());   // the PROGRAM grid is active
    QVERIFY(!e.program->accessibleName().isEmpty());
    QVERIFY(!e.consts->accessibleName().isEmpty());
    QVERIFY(!e.screen->findChild<QComboBox*>("cboModel")->accessibleName().isEmpty());

    // The CONST grid active: the row buttons are disabled and F3 does nothing.
    Select(e.consts, 1, 1);
    QVERIFY(!e.Button(1)->isEnabled());
    QVERIFY(!e.Button(2)->isEnabled());
    QTest::keyClick(e.consts, Qt::Key_F3);
    QCOMPARE(Cell(e.program, 1, 1), QString("LDX1"));
    Select(e.program, 1, 1);
    QVERIFY(e.Button(1)->isEnabled());

    p.messages.answers = {shell::MsgAnswer::No};
    QTest::mouseClick(e.Button(0), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Find(p).screen == nullptr; }));
    QVERIFY(ScreenEnabled(menu));
    Press(menu, "cmdCancel");
    QVERIFY(WaitFor([&] { return p.Main().FindScreen(Screen::SettingMenu) == nullptr; }));
    QVERIFY(!QDir(p.appDir + "/Undo").exists());
}

// The grids' cell editors carry the core's filters and checks, the row keys
// and buttons reach the core's row operations, and Undo its snapshots: one
// case each (the rules themselves are the core's tests).
void ProgramEditorTest::typingRowKeysAndUndoReachTheCore() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    QVERIFY(!e.Button(3)->isEnabled());
    QStringList opened;
    for (int r = 1; r <= 8; ++r) opened << Cell(e.program, r, 1) << Cell(e.consts, r, 1);
    Type(e.program, 5, 1, "l@d[x1");
    QCOMPARE(Cell(e.program, 5, 1), QString("ldx1"));
    Type(e.consts, 1, 1, "1a2.5");
    QCOMPARE(Cell(e.consts, 1, 1).toDouble(), 12.5);
    const QString before = Cell(e.consts, 2, 1);
    Type(e.consts, 2, 1, "32000.5");
    QCOMPARE(LastMessage(p), QString("Illegal value entered."));
    QCOMPARE(Cell(e.consts, 2, 1), before);
    // Escape keeps the old text.
    Select(e.program, 1, 1);
    QTest::keyClick(e.program, Qt::Key_F2);
    QWidget* editor = QApplication::focusWidget();
    QTest::keyClick(editor, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(editor, "MUL");
    QTest::keyClick(editor, Qt::Key_Escape);
    QApplication::processEvents();
    QCOMPARE(Cell(e.program, 1, 1), QString("LDX1"));

    // F3 and F4 insert and delete a row, jumps renumbered; so does the button.
    Type(e.program, 3, 1, "GO5");
    Select(e.program, 2, 1);
    QTest::keyClick(e.program, Qt::Key_F3);
    QCOMPARE(Cell(e.program, 2, 1), QString());
    QCOMPARE(Cell(e.program, 4, 1), QString("GO6"));
    QTest::keyClick(e.program, Qt::Key_F4);
    QCOMPARE(Cell(e.program, 3, 1), QString("GO5"));
    Select(e.program, 1, 1);
    QTest::mouseClick(e.Button(1), Qt::LeftButton);
    QCOMPARE(Cell(e.program, 1, 1), QString());

    // Undo goes back edit by edit to the template and then is disabled.
    for (int undos = 0; e.Button(3)->isEnabled() && undos < 20; ++undos)
        QTest::mouseClick(e.Button(3), Qt::LeftButton);
    QStringList now;
    for (int r = 1; r <= 8; ++r) now << Cell(e.program, r, 1) << Cell(e.consts, r, 1);
    QCOMPARE(now, opened);
    QVERIFY(!e.Button(3)->isEnabled());
}

void ProgramEditorTest::clipboardAndPopUpMenus() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    QClipboard* clipboard = QApplication::clipboard();

    // Ctrl+C puts the block on the system clipboard as tab and line text.
    e.program->SelectBlock({1, 1, 2, 2});
    QTest::keyClick(e.program, Qt::Key_C, Qt::ControlModifier);
    QVERIFY(clipboard->text().startsWith("LDX1\t\r\nSTY1\t"));

    // One value pasted onto a block fills every cell of it.
    clipboard->setText("NOP");
    e.program->setFocus();
    e.program->SelectBlock({6, 1, 9, 2});
    QTest::keyClick(e.program, Qt::Key_V, Qt::ControlModifier);
    QCOMPARE(Cell(e.program, 6, 1) + Cell(e.program, 9, 2), QString("NOPNOP"));

    // Ctrl+X copies and clears; Delete clears.
    Select(e.program, 1, 1);
    QTest::keyClick(e.program, Qt::Key_X, Qt::ControlModifier);
    QCOMPARE(clipboard->text().trimmed(), QString("LDX1"));
    QCOMPARE(Cell(e.program, 1, 1), QString());
    Select(e.program, 2, 1);
    QTest::keyClick(e.program, Qt::Key_Delete);
    QCOMPARE(Cell(e.program, 2, 1), QString());

    // Right-click: Paste only with text on the clipboard.
    clipboard->clear();
    QMenu* menu = RightClick(e.program, 3, 1);
    QVERIFY(menu != nullptr && menu->isVisible());
    QVERIFY(!Action(menu, "Paste(&P)")->isEnabled());
    QVERIFY(Action(menu, "Copy(&C)")->isEnabled());
    menu->hide();
    clipboard->setText("MUL");
    menu = RightClick(e.program, 3, 1);
    QVERIFY(Action(menu, "Paste(&P)")->isEnabled());
    Action(menu, "Paste(&P)")->trigger();
    QCOMPARE(Cell(e.program, 3, 1), QString("MUL"));
    menu->hide();
    menu = RightClick(e.program, 3, 1);
    Action(menu, "Insert Row")->trigger();
    menu->hide();
    QCOMPARE(Cell(e.program, 4, 1), QString("MUL"));
    QMenu* constMenu = RightClick(e.consts, 1, 1);
    QCOMPARE(constMenu->actions().size(), 2);
    constMenu->hide();

    // Whole rows by their headings select the operator and comment only.
    e.program->setFocus();
    Click(e.program->verticalHeader()->viewport(),
          QPoint(5, e.program->verticalHeader()->sectionViewportPosition(4) +
                        e.program->verticalHeader()->sectionSize(4) / 2));
    const program::CellRange rows = e.program->SelectedRange();
    QCOMPARE(rows.row1, 5);
    QCOMPARE(rows.col1, 1);
    QCOMPARE(rows.col2, 2);
    QVERIFY(!e.program->selectionModel()->isSelected(e.program->model()->index(4, 2)));
    // A column by its heading: row 1 to the last row, column 1 to the last.
    Click(e.program->horizontalHeader()->viewport(),
          QPoint(e.program->horizontalHeader()->sectionViewportPosition(1) +
                     e.program->horizontalHeader()->sectionSize(1) / 2,
                 5));
    const program::CellRange cols = e.program->SelectedRange();
    QCOMPARE(cols.row1, 1);
    QCOMPARE(cols.row2, 64);
    QCOMPARE(cols.col1, 1);
    QCOMPARE(cols.col2, 2);
}

void ProgramEditorTest::dragAndDropWithTheDropCheck() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    Type(e.program, 1, 2, "a@b");
    // A comment with "@" cannot land in the operator column.
    Drop(e.program, {1, 2, 1, 2}, 5, 1);
    QCOMPARE(LastMessage(p), QString("Attempted to perform an illegal operation on the PROGRAM."));
    QCOMPARE(Cell(e.program, 5, 1), QString("NOP"));
    // Operators may: the block moves.
    Drop(e.program, {1, 1, 2, 1}, 10, 1);
    QCOMPARE(Cell(e.program, 10, 1), QString("LDX1"));
    QCOMPARE(Cell(e.program, 11, 1), QString("STY1"));
    QCOMPARE(Cell(e.program, 1, 1), QString());
}

void ProgramEditorTest::modelBoxTypesCapitalsAndRefusesAModelWithoutProgram() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    auto* combo = e.screen->findChild<QComboBox*>("cboModel");
    QVERIFY(combo->count() > 1);
    combo->setFocus();
    QTest::keyClick(combo, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(combo, "rqb2");
    QCOMPARE(combo->currentText(), QString("RQB2"));
    QVERIFY(!e.Button(4)->isEnabled());  // not a model with a PROGRAM area
    e.program->setFocus();
    QVERIFY(LastMessage(p).startsWith("For this model name of TAVRO"));
    QCOMPARE(combo->currentText(), QString("RQK2"));
    QVERIFY(e.Button(4)->isEnabled());
}

void ProgramEditorTest::commandCheckOpensTheErrorListAtTheFirstError() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    QTest::mouseClick(e.Button(4), Qt::LeftButton);
    QCOMPARE(LastMessage(p), QString("No error found."));

    Type(e.program, 4, 1, "XYZ");
    Type(e.program, 5, 1, "GO");
    const QString step4 = RowHeading(e.program, 4);
    QTest::mouseClick(e.Button(4), Qt::LeftButton);
    auto* list = p.Main().FindScreen(Screen::ErrorList);
    QVERIFY(list != nullptr);
    QCOMPARE(p.Main().ActiveScreen(), list);
    QCOMPARE(list->windowTitle(), QString("Command Check Error"));
    QVERIFY(!ScreenEnabled(e.screen));
    auto* grid = list->findChild<QTableWidget*>("ssError");
    QCOMPARE(grid->horizontalHeaderItem(0)->text(), QString("STEP"));
    QCOMPARE(grid->item(0, 0)->text(), step4);
    QCOMPARE(grid->item(0, 1)->text(), QString("XYZ"));
    QCOMPARE(grid->item(0, 2)->text(), QString("Invalid operator."));
    QCOMPARE(grid->item(1, 1)->text(), QString("GO"));
    QCOMPARE(grid->verticalScrollBar()->value(), 0);
    QCOMPARE(grid->currentRow(), 0);
    auto* close = list->findChild<QPushButton*>("cmdReturn");
    QCOMPARE(close->accessibleName(), QString("Close"));
    QVERIFY(close->text().contains('&'));
    QVERIFY(!list->Std().mnuPortBaud->isEnabled());  // no Baud Rate from here
    // Leaving the program from here offers to save the program first.
    p.messages.answers = {shell::MsgAnswer::Cancel};
    list->Std().mnuFileExit->trigger();
    QCOMPARE(LastMessage(p), QString("Do you want to save the program data?"));
    QCOMPARE(UsableScreen(p), list);
    QTest::keyClick(grid, Qt::Key_Escape);  // as Close
    QVERIFY(WaitFor([&] { return p.Main().FindScreen(Screen::ErrorList) == nullptr; }));
    QVERIFY(ScreenEnabled(e.screen));
    QCOMPARE(p.Main().ActiveScreen(), e.screen);
    QVERIFY(e.screen->Editor().Checker().ErrorLines().empty());
}

void ProgramEditorTest::downloadWithErrorsAsksAndFollowsTheAnswerThenUploads() {
    Program p;
    p.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/RQK2.json";
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    Type(e.program, 4, 1, "XYZ");

    // Yes: the error list, nothing sent.
    p.messages.answers = {shell::MsgAnswer::Yes};
    QTest::mouseClick(e.Button(6), Qt::LeftButton);
    QCOMPARE(LastMessage(p), QString("Error found during command check. Do you want to see the "
                                     "error content?"));
    QVERIFY(p.Main().FindScreen(Screen::ErrorList) != nullptr);
    QVERIFY(!p.Engine().Busy());
    Press(p.Main().FindScreen(Screen::ErrorList), "cmdReturn");
    QVERIFY(WaitFor([&] { return ScreenEnabled(e.screen); }));

    // No: the download goes on after its own question, with the unit's
    // program kept first and the list of changes confirmed.
    p.Clock().SetRate(20);
    Type(e.program, 4, 1, "NOP");
    Type(e.program, 6, 1, "XYZ");
    p.messages.answers = {shell::MsgAnswer::No, shell::MsgAnswer::Ok};
    WhenModal("DownloadPreview", [](QWidget* preview) { Press(preview, "cmdDownload"); });
    QTest::mouseClick(e.Button(6), Qt::LeftButton);
    QCOMPARE(LastMessage(p), QString("Starts communication. Press OK button if ready."));
    QVERIFY(p.Engine().Busy());
    QVERIFY(!ScreenEnabled(e.screen));
    QVERIFY(WaitFor([&] { return !p.Engine().Busy(); }, 60000));
    QVERIFY(WaitFor([&] { return ScreenEnabled(e.screen); }));
    QCOMPARE(comm::ErrorNumber(p.Engine().LastOutcome().code), comm::ErrorNumber(comm::kErrNone));
    QCOMPARE(LastMessage(p), QString("Downloading of PROGRAM and CONST completed."));
    QCOMPARE(Find(p).screen, e.screen);

    // Compare with TAVRO: the unit holds what was sent; a step changed since
    // shows in the check list, and its Close (Escape) gives the editor back.
    p.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(e.Button(7), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return !p.Engine().Busy() && ScreenEnabled(e.screen); }, 60000));
    QCOMPARE(LastMessage(p), QString("The instrument holds the file's values: no item differs."));
    Type(e.program, 4, 1, "LDX2");
    p.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(e.Button(7), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return p.Main().FindScreen(Screen::DownloadCheck) != nullptr; }, 60000));
    auto* compared = p.Main().FindScreen(Screen::DownloadCheck)->findChild<QTableView*>();
    QCOMPARE(Cell(compared, 1, 3) + "|" + Cell(compared, 1, 4), QString("LDX2|NOP"));
    QCOMPARE(Cell(compared, 2, 3), QString());
    QTest::keyClick(compared, Qt::Key_Escape);
    QVERIFY(WaitFor([&] { return ScreenEnabled(e.screen); }));
    QCOMPARE(p.Main().ActiveScreen(), e.screen);

    // What the unit holds now comes back by an upload, once it is not
    // cancelled at the prompt.
    p.messages.answers = {shell::MsgAnswer::No};  // leave the editor without saving
    QTest::mouseClick(e.Button(0), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Find(p).screen == nullptr; }));
    p.messages.answers = {shell::MsgAnswer::Cancel};
    QVERIFY(!session::ProgramMenuConfirm(p.Ws(), ProgramMenuOption::kUpload));
    QVERIFY(!p.Engine().Busy());
    QVERIFY(ScreenEnabled(p.Main().FindScreen(Screen::SettingMenu)));
    p.messages.answers = {shell::MsgAnswer::Ok};
    QVERIFY(session::ProgramMenuConfirm(p.Ws(), ProgramMenuOption::kUpload));
    QCOMPARE(QString::fromStdString(p.messages.boxes.back().title),
             QString("Upload Program Data from TAVRO"));
    QVERIFY(WaitFor([&] { return !p.Engine().Busy() && Find(p).screen != nullptr; }, 60000));
    QCOMPARE(p.Ws().program.source, program::ProgramSource::Upload);
    QCOMPARE(RowHeading(Find(p).program, 1), QString("P01"));
    QCOMPARE(Cell(Find(p).program, 6, 1), QString("XYZ"));

    // Restore from the top menu's plant register: the last good program goes
    // back through the program editor, which is the working screen after.
    p.messages.answers = {shell::MsgAnswer::No};  // leave the editor without saving
    QTest::mouseClick(Find(p).Button(0), Qt::LeftButton);
    session::DisplayMatrix(p.Ws(), shell::NavEvent::kSettingMenuBackProgram);  // the menu's Cancel
    p.Main().UnloadScreen(Screen::SettingMenu);
    auto* top = static_cast<gui::TopMenuScreen*>(p.Main().FindScreen(Screen::TopMenu));
    QVERIFY(WaitFor([&] { return UsableScreen(p) == top; }));
    p.messages.answers = {shell::MsgAnswer::Yes, shell::MsgAnswer::Ok};
    WhenModal("PlantRegister", [](QWidget* window) {
        WhenModal("DownloadPreview", [](QWidget* preview) { Press(preview, "cmdDownload"); });
        window->findChild<QTableWidget*>("grdRecords")->clearSelection();
        Press(window, "cmdRestore");
    });
    top->mnuPlantRegister->trigger();
    QVERIFY(WaitFor([&] { return !p.Engine().Busy() && UsableScreen(p) == Find(p).screen; }));
    QCOMPARE(LastMessage(p), QString("Downloading of PROGRAM and CONST completed."));
}

void ProgramEditorTest::saveWritesWhatTheCliListsAndReadsBack() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    Type(e.program, 4, 1, "MUL");
    Type(e.program, 4, 2, "scale");
    Type(e.consts, 1, 1, "2.5");

    // Save to file: the dialog, the information window, the file.
    QDir().mkpath(p.appDir + "/User/PROGRAM");
    const QString path = p.appDir + "/User/PROGRAM/scaled.7pr";
    WhenFileDialog(path);
    QTest::mouseClick(e.Button(5), Qt::LeftButton);
    gui::ScreenBase* info = p.Main().FindScreen(Screen::Information);
    QVERIFY(info != nullptr);
    QVERIFY(!ScreenEnabled(e.screen));
    Press(info, "cmdOK");
    QVERIFY(WaitFor([&] { return ScreenEnabled(e.screen); }));
    QVERIFY(QFile::exists(path));
    QVERIFY(!e.Button(3)->isEnabled());  // the undo history starts again

    // What rq50-cli shows of the file is what the editor shows.
    QProcess cli;
    cli.start(RQ50_BIN_DIR "/rq50-cli", {"--app-dir", p.appDir, "show", path});
    QVERIFY(cli.waitForFinished(30000));
    QCOMPARE(cli.exitCode(), 0);
    const QString listed = QString::fromUtf8(cli.readAllStandardOutput());
    const QString shown = QString::fromStdString(program::ProgramGridsText(e.screen->Editor()));
    QVERIFY2(listed.endsWith(shown), qPrintable(listed + "\n---\n" + shown));
    QVERIFY(shown.contains("MUL") && shown.contains("scale") && shown.contains("2.5"));

    // Saved: Close leaves without a question.
    const std::size_t asked = p.messages.boxes.size();
    QTest::mouseClick(e.Button(0), Qt::LeftButton);
    QVERIFY(WaitFor([&] { return Find(p).screen == nullptr; }));
    QCOMPARE(p.messages.boxes.size(), asked);
    QVERIFY(ScreenEnabled(p.Main().FindScreen(Screen::SettingMenu)));

    // Read Program Data from a File opens the editor with it.
    WhenFileDialog(path);
    QVERIFY(session::ProgramMenuConfirm(p.Ws(), ProgramMenuOption::kReadFile));
    e = Find(p);
    QVERIFY(e.screen != nullptr);
    p.Main().activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&p.Main()));
    QCOMPARE(Cell(e.program, 4, 1), QString("MUL"));
    QCOMPARE(Cell(e.program, 4, 2), QString("scale"));
    QCOMPARE(Cell(e.consts, 1, 1).toDouble(), 2.5);
}

void ProgramEditorTest::exitOffersToSaveTheProgram() {
    Program p;
    QCOMPARE(p.Start(), 0);
    Editor e = OpenNew(p);
    Type(e.program, 4, 1, "MUL");

    // The Command menu carries Baud Rate, which checks the instrument first.
    QAction* baud = Action(e.screen->Std().mnuCommand, "Baud Rate(&B)");
    QVERIFY(baud != nullptr);
    p.messages.answers = {shell::MsgAnswer::Cancel};
    baud->trigger();
    QCOMPARE(LastMessage(p), QString("Starts communication. Press OK button if ready."));
    QVERIFY(!p.Engine().Busy());

    // The main window's close box with changes, Yes: the save with the edit
    // the grid holds, then quit.
    const QString path = p.appDir + "/exit.7pr";
    WhenFileDialog(path);
    p.messages.answers = {shell::MsgAnswer::Yes};
    QVERIFY(!p.Main().close());
    QVERIFY(WaitFor([&] { return p.Main().FindScreen(Screen::Information) != nullptr; }));
    p.messages.answers = {shell::MsgAnswer::Yes};
    Press(p.Main().FindScreen(Screen::Information), "cmdOK");
    QVERIFY(WaitFor([&] { return !p.Main().isVisible(); }));
    QCOMPARE(LastMessage(p), QString("Is it OK to quit the system RQ50?"));
    QVERIFY(files::ReadProgramFile(p.Ws(), path.toStdString()));
    QCOMPARE(
        QString::fromStdString(program::RecordDataText(p.Ws().program.records.at(3))).trimmed(),
        QString("MUL"));
}

QTEST_MAIN(ProgramEditorTest)
#include "ProgramEditorTest.moc"
