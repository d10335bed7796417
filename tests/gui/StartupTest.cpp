// Start-up, the main window, the standard menus' port marks, window
// positions and every screen's place on a small screen, and where the user's
// files and settings go, on a program started on scratch folders. The
// offscreen screen is 1024x768; the test runs once more at QT_SCALE_FACTOR=2.
#include <QAbstractButton>
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenuBar>
#include <QScrollArea>
#include <QScrollBar>
#include <QSettings>
#include <QTableView>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "files/ParameterFile.h"
#include "gui/ScreenBase.h"
#include "gui/comm/DownloadPreviewDialog.h"
#include "gui/comm/PasswordDialog.h"
#include "gui/comm/SlotNumberDialog.h"
#include "gui/parameter/OfflineEditorWindow.h"
#include "gui/program/ProgramEditorWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/PlantRegisterWindow.h"
#include "gui/shell/TopMenuScreen.h"
#include "gui/shell/VersionWindow.h"
#include "session/Menus.h"
#include "session/Navigation.h"
#include "session/OfflineEditor.h"
#include "session/ProgramMenu.h"
#include "session/SafeDownload.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBoxHost.h"
#include "shell/SessionState.h"

using namespace rq50;
using namespace rq50::guitest;
using shell::Screen;

namespace {

QRect InArea(const QWidget* widget, const QMdiArea* area) {
    return {widget->mapTo(area->viewport(), QPoint(0, 0)), widget->size()};
}

/// Every shown sub-window lies wholly inside the MDI area, and every enabled
/// button in it can be seen there: at once, or (`scrolling`) after its
/// window has scrolled to it. Returns what is out of reach.
QStringList OutOfReach(gui::MainWindow& main, bool scrolling) {
    QStringList out;
    if (!main.screen()->availableGeometry().contains(main.frameGeometry()))
        out << QStringLiteral("the main window is %1 wide").arg(main.frameGeometry().width());
    QMdiArea* area = main.MdiArea();
    const QRect visible = area->viewport()->rect();
    for (QMdiSubWindow* window : area->subWindowList()) {
        if (!window->isVisible()) continue;
        const QString name = window->windowTitle();
        if (!visible.contains(window->geometry())) {
            out << QStringLiteral("%1 at %2,%3 %4x%5 outside %6x%7")
                       .arg(name)
                       .arg(window->x())
                       .arg(window->y())
                       .arg(window->width())
                       .arg(window->height())
                       .arg(visible.width())
                       .arg(visible.height());
        }
        auto* scroll = qobject_cast<QScrollArea*>(window->widget());
        if (scroll != nullptr && !scrolling &&
            (scroll->horizontalScrollBar()->isVisible() ||
             scroll->verticalScrollBar()->isVisible()))
            out << name + " needs scrolling";
        for (QAbstractButton* button : window->findChildren<QAbstractButton*>()) {
            if (!button->isVisible() || !button->isEnabled()) continue;
            if (scroll != nullptr && scrolling) scroll->ensureWidgetVisible(button, 0, 0);
            QRect seen = visible;
            if (scroll != nullptr) seen &= InArea(scroll->viewport(), area);
            if (!seen.contains(InArea(button, area)))
                out << name + ": " + button->text() + " out of sight";
        }
    }
    return out;
}

/// A modal dialog lies on the screen with its buttons inside it.
QStringList DialogOutOfReach(QWidget* dialog) {
    QStringList out;
    const QRect screen = dialog->screen()->availableGeometry();
    if (!screen.contains(dialog->frameGeometry())) out << dialog->windowTitle() + " off the screen";
    for (QAbstractButton* button : dialog->findChildren<QAbstractButton*>()) {
        if (button->isVisible() &&
            !dialog->rect().contains(QRect(button->mapTo(dialog, QPoint()), button->size())))
            out << dialog->windowTitle() + ": " + button->text() + " cut off";
    }
    return out;
}

/// The label or button shows its whole caption.
bool Whole(const QWidget* widget) {
    return widget->width() >= widget->sizeHint().width();
}

}  // namespace

class StartupTest : public QObject {
    Q_OBJECT
  private slots:
    void aStartThatCannotWorkEndsWithOneMessage();
    void secondInstanceIsRefused();
    void topMenuInsideTheMainWindow();
    void windowPositionsSurviveARestart();
    void everyScreenInsideTheArea();
    void userFilesAndSettingsStayWithTheSetUp();
};

// A missing table or an unusable demo instrument ends the start with one
// plain message that names the file (which table, which description and
// why: the core's tests), and no window.
void StartupTest::aStartThatCannotWorkEndsWithOneMessage() {
    Program noTable;
    QVERIFY(QFile::remove(noTable.appDir + "/Category.ini"));
    QVERIFY(noTable.Start() != 0);
    QCOMPARE(noTable.messages.boxes.size(), std::size_t(1));
    QCOMPARE(noTable.messages.boxes.front().text, std::string("Failed to initialize settings."));
    QVERIFY(QString::fromStdString(noTable.messages.boxes.front().title).endsWith("Category.ini"));
    QVERIFY(noTable.App().Window() == nullptr || !noTable.App().Window()->isVisible());

    Program noInstrument;
    const QString file = noInstrument.appDir + "/RQB9.json";
    noInstrument.options.demoInstrument = file.toStdString();
    QVERIFY(noInstrument.Start() != 0);
    QCOMPARE(noInstrument.messages.boxes.size(), std::size_t(1));
    const QString text = QString::fromStdString(noInstrument.messages.boxes.front().text);
    QVERIFY2(text.contains(file) && text.contains("does not exist") && !text.contains("_ERR"),
             qPrintable(text));
    QVERIFY(noInstrument.App().Window() == nullptr || !noInstrument.App().Window()->isVisible());
}

void StartupTest::secondInstanceIsRefused() {
    Program first;
    QCOMPARE(first.Start(), 0);
    Program second(&first);
    QVERIFY(second.Start() != 0);
    QCOMPARE(second.messages.Texts(), std::vector<std::string>{"System is already started up."});
    // The running program is untouched, and a start after it has ended works.
    QVERIFY(first.Main().isVisible());
    first.Close();
    Program third(&first);
    QCOMPARE(third.Start(), 0);
}

void StartupTest::topMenuInsideTheMainWindow() {
    Program program;
    QCOMPARE(program.Start(), 0);
    gui::MainWindow& main = program.Main();
    QCOMPARE(main.windowTitle(), QString("MODEL:RQ50 - [NewFile]"));
    auto* top = main.ActiveScreen();
    QVERIFY(top != nullptr);
    QCOMPARE(top->Id(), shell::Screen::TopMenu);
    QCOMPARE(top->windowTitle(), QString("Parameter/Program Setting Menu"));
    // The active screen's menus are the menu bar; the hidden Command menu and
    // the disabled Communication Settings stay out of reach.
    QStringList menus;
    for (QAction* a : main.menuBar()->actions()) {
        if (a->isVisible()) menus << a->text();
    }
    QCOMPARE(menus, (QStringList{"File(&F)", "Communication Settings(&S)", "Help(&H)", "Password",
                                 "Register(&R)", "Rack(&K)"}));
    QVERIFY(!top->Std().mnuPort->isEnabled());
    auto* topMenu = static_cast<gui::TopMenuScreen*>(top);
    QVERIFY(topMenu->mnuPasswordSet->isEnabled());
    QVERIFY(!topMenu->mnuPasswordChange->isEnabled());
    // Every control is reachable by its caption.
    for (const char* name : {"optParameterSetting", "optProgramSetting", "cmdOK"}) {
        auto* w = top->findChild<QWidget*>(name);
        QVERIFY(w != nullptr);
        QCOMPARE(w->accessibleName(), w->property("text").toString().remove('&'));
        QVERIFY(!w->accessibleName().isEmpty());
    }
}

void StartupTest::windowPositionsSurviveARestart() {
    // The first start fills the screen.
    Program first;
    QCOMPARE(first.Start(), 0);
    QVERIFY(first.Main().isMaximized());
    first.Main().showNormal();
    first.Main().resize(400, 300);
    first.Main().move(23, 17);
    QMdiSubWindow* sub = first.Main().MdiArea()->activeSubWindow();
    QVERIFY(sub != nullptr);
    sub->move(31, 42);
    const QSize size = sub->size();
    first.Close();
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        // Stored in twips, 15 to a pixel.
        QCOMPARE(stored.value("Settings/frmRQ2000Left").toString(), QString("465"));
        QCOMPARE(stored.value("Settings/frmRQ2000Top").toString(), QString("630"));
        QVERIFY(stored.contains("Settings/frmRQ0000Width"));
    }

    // Then as the user left it.
    Program second(&first);
    QCOMPARE(second.Start(), 0);
    QVERIFY(!second.Main().isMaximized());
    QCOMPARE(second.Main().pos(), QPoint(23, 17));
    QCOMPARE(second.Main().size(), QSize(400, 300));
    QMdiSubWindow* again = second.Main().MdiArea()->activeSubWindow();
    QCOMPARE(again->pos(), QPoint(31, 42));
    QVERIFY2(WaitFor([&] { return again->size() == size; }, 2000),
             qPrintable(QStringLiteral("%1x%2").arg(again->width()).arg(again->height())));
    second.Close();

    // Places stored for a larger screen are brought into view, whole.
    {
        QSettings stored(first.settingsFile, QSettings::IniFormat);
        for (const auto& [key, value] :
             {std::pair{"frmRQ0000Left", 30000}, std::pair{"frmRQ0000Top", 15000},
              std::pair{"frmRQ0000Width", 24000}, std::pair{"frmRQ0000Height", 15000},
              std::pair{"frmRQ2000Left", 40000}, std::pair{"frmRQ2000Top", 40000}})
            stored.setValue(QStringLiteral("Settings/") + key, value);
    }
    Program third(&first);
    QCOMPARE(third.Start(), 0);
    const QRect screen = third.Main().screen()->availableGeometry();
    QVERIFY(WaitFor([&] { return screen.contains(third.Main().frameGeometry()); }, 2000));
    QStringList found;
    QVERIFY2(WaitFor(
                 [&] {
                     found = OutOfReach(third.Main(), true);
                     return found.isEmpty();
                 },
                 2000),
             qPrintable(found.join('\n')));
}

void StartupTest::everyScreenInsideTheArea() {
    Program program;
    program.standIns = false;
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(20);
    gui::MainWindow& main = program.Main();
    // A 1024x768 screen shows every screen whole; at twice the scale a
    // screen may need scrolling, but nothing is out of reach.
    const bool scrolling = main.screen()->availableGeometry().width() < 1000;
    QVERIFY(main.isMaximized());
    auto text = [](const QRect& r) {
        return QStringLiteral("%1,%2 %3x%4").arg(r.x()).arg(r.y()).arg(r.width()).arg(r.height());
    };
    QVERIFY2(
        WaitFor([&] { return main.screen()->availableGeometry().contains(main.frameGeometry()); },
                2000),
        qPrintable(text(main.geometry()) + " frame " + text(main.frameGeometry()) + " on " +
                   text(main.screen()->availableGeometry())));
    QStringList problems;
    auto check = [&](const char* step) {
        // Windows are fitted once the events of their showing have run.
        QStringList found;
        WaitFor(
            [&] {
                found = OutOfReach(main, scrolling);
                return found.isEmpty();
            },
            2000);
        for (const QString& problem : found) problems << QString::fromLatin1(step) + ": " + problem;
    };
    check("top menu");

    // The baud-rate dialog shows its model and rates whole.
    session::ShowDisplay(program.Ws(), session::Display::BaudRateDialog);
    check("baud rate");
    if (QWidget* baud = main.FindScreen(Screen::BaudRate)) {
        for (const char* name : {"lblModel", "opt1200", "opt9600"}) {
            auto* w = baud->findChild<QWidget*>(name);
            QVERIFY2(Whole(w), name);
        }
    }
    main.UnloadScreen(Screen::BaudRate);

    // The online path: setting menu, category menu, parameter screen.
    Press(main.FindScreen(Screen::TopMenu), "cmdOK");
    gui::ScreenBase* setting = main.FindScreen(Screen::SettingMenu);
    QVERIFY(setting != nullptr);
    check("setting menu");
    program.messages.answers = {shell::MsgAnswer::Ok};
    Press(setting, "cmdOK");
    QVERIFY(Idle(program));
    gui::ScreenBase* category = main.FindScreen(Screen::CategoryMenu);
    QVERIFY(category != nullptr);
    check("category menu");
    program.messages.answers = {shell::MsgAnswer::Ok};
    ChooseAndOk(category, "optSet");
    QVERIFY(Idle(program));
    check("parameter screen");
    Press(main.FindScreen(Screen::OnlineParameter), "cmdExit");
    QVERIFY(Idle(program));
    Press(category, "cmdCancel");
    QVERIFY(WaitFor([&] { return main.FindScreen(Screen::CategoryMenu) == nullptr; }));

    // The data path: "Now Communicating." during an upload, the data view,
    // the content list, the information window, the download check list,
    // the print dialog and the preview.
    program.messages.answers = {shell::MsgAnswer::Ok};
    ChooseAndOk(setting, "optUpload");
    check("now communicating");
    QVERIFY(Idle(program));
    gui::ScreenBase* view = main.FindScreen(Screen::DataView);
    QVERIFY(view != nullptr);
    check("data view");
    ChooseAndOk(view, "optContent");
    check("content list");
    main.UnloadScreen(Screen::ContentList);
    program.Ws().state.infoPurpose = shell::InfoPurpose::FileMenu;
    session::ShowDisplay(program.Ws(), session::Display::Information);
    check("information");
    main.UnloadScreen(Screen::Information);
    comm::jobs::DownloadCheckEntry entry;
    entry.ma = 3;
    entry.mb = 5;
    entry.sentName = "SCALE HI";
    entry.sentData = "+200.00 ";
    entry.setData = "+150.00 ";
    entry.setAux = "mA/V ratio (compensated)";  // a long text: the column grows
    program.Ws().checkList = {entry};
    session::ShowDisplay(program.Ws(), session::Display::DownloadCheck);
    check("download check");
    if (QWidget* list = main.FindScreen(Screen::DownloadCheck)) {
        auto* grid = list->findChild<QTableView*>("ssWriteCheckTAVRO");
        const QModelIndex set = grid->model()->index(0, 3);
        QVERIFY2(
            grid->columnWidth(3) >= grid->fontMetrics().horizontalAdvance(set.data().toString()),
            qPrintable(set.data().toString()));
    }
    main.UnloadScreen(Screen::DownloadCheck);
    session::ShowDisplay(program.Ws(), session::Display::PrintDialog);
    check("print dialog");
    session::ShowDisplay(program.Ws(), session::Display::PrintPreview);
    check("print preview");
    main.UnloadScreen(Screen::PrintPreview);
    main.UnloadScreen(Screen::PrintDialog);
    main.UnloadScreen(Screen::DataView);
    main.UnloadScreen(Screen::SettingMenu);

    // The program editor and the error list of its command check.
    program.Ws().state.settingMode = shell::SettingMode::Program;
    session::ShowDisplay(program.Ws(), session::Display::SettingMenuProgram);
    QVERIFY(session::ProgramMenuLoad(program.Ws()));
    session::ProgramMenuConfirm(program.Ws(), session::ProgramMenuOption::kNew);
    auto* editor = qobject_cast<gui::ProgramEditorWindow*>(main.FindScreen(Screen::ProgramEditor));
    QVERIFY(editor != nullptr);
    check("program editor");
    editor->Editor().Grid(program::GridId::kProgram).Set(6, 1, "LDX9");
    editor->Redraw();
    program.messages.answers = {shell::MsgAnswer::Yes};  // see the errors
    Press(editor, "cmdCommandCheck");
    QVERIFY(main.FindScreen(Screen::ErrorList) != nullptr);
    check("error list");

    // The dialogs that open on their own: version, password, SLOT No., the
    // plant register (with the upload above in it).
    // The data view's Edit dialog and the download preview with a long list.
    session::DownloadPreview preview;
    preview.file = "/home/technician/plant/line 3/boiler feed pump 12.7pa (changed, not saved)";
    preview.model = "RQB2";
    preview.itemCount = 40;
    preview.backup = "/home/technician/.local/share/RQ50/RQ50/User/BACKUP/RQB2_FIC-101.7pa";
    for (int i = 1; i <= 30; ++i) {
        files::ItemDifference d;
        d.address = "C" + std::to_string(i);
        d.name = "SCALE HI";
        d.first = "+100.00 %";
        d.second = "+200.00 %";
        preview.changes.push_back(d);
    }
    session::OfflineEditor offline(program.Ws().items.dataSet, program.Ws().header);
    for (const char* dialog : {"frmRQ0200", "frmRQ4300", "frmRQ4100", "PlantRegister",
                               "OfflineEditor", "DownloadPreview"}) {
        WhenModal(dialog, [&](QWidget* shown) {
            QApplication::processEvents();
            problems << DialogOutOfReach(shown);
            shown->close();
        });
        if (QByteArray(dialog) == "frmRQ0200") gui::VersionWindow::Run(program.Ws(), &main);
        if (QByteArray(dialog) == "frmRQ4300") gui::PasswordDialog::Run(program.Ws(), &main, shell::PasswordMode::Set);
        if (QByteArray(dialog) == "frmRQ4100") gui::SlotNumberDialog::Ask(program.Ws(), &main);
        if (QByteArray(dialog) == "PlantRegister")
            gui::PlantRegisterWindow::Run(program.Ws(), program.App().Reports(), &main);
        if (QByteArray(dialog) == "OfflineEditor") gui::OfflineEditorWindow(offline, &main).exec();
        if (QByteArray(dialog) == "DownloadPreview")
            gui::DownloadPreviewDialog(preview, &main).exec();
    }
    QVERIFY2(problems.isEmpty(), qPrintable(problems.join('\n')));
}

void StartupTest::userFilesAndSettingsStayWithTheSetUp() {
    // A portable copy: the application folder is writable and holds the
    // settings too.
    Program program;
    program.standIns = false;
    program.options.settingsFile.clear();
    QCOMPARE(program.Start(), 0);
    program.Clock().SetRate(20);
    gui::MainWindow& main = program.Main();
    const QDir app(program.appDir);
    QVERIFY(app.exists("User/PARAMETER"));
    QVERIFY(app.exists("User/PROGRAM"));

    // Create Log File: a log that cannot be written is said at once.
    QVERIFY(app.mkpath("User/RQ50.Log"));
    gui::ScreenBase* top = main.ActiveScreen();
    session::ToggleCommandItem(program.Ws(), *top, session::CommandMenuItem::LogFile);
    QCOMPARE(program.messages.boxes.size(), std::size_t(1));
    QVERIFY(QString::fromStdString(program.messages.boxes[0].text).contains("RQ50.Log"));
    QVERIFY(app.rmdir("User/RQ50.Log"));
    session::ToggleCommandItem(program.Ws(), *top, session::CommandMenuItem::LogFile);
    session::ToggleCommandItem(program.Ws(), *top, session::CommandMenuItem::LogFile);
    QCOMPARE(program.messages.boxes.size(), std::size_t(1));

    // Upload, then Save: the dialog starts in User/PARAMETER with no name,
    // and "pump1" is saved as pump1.7pa, which the open dialog lists.
    Press(top, "cmdOK");
    gui::ScreenBase* setting = main.FindScreen(Screen::SettingMenu);
    program.messages.answers = {shell::MsgAnswer::Ok};
    ChooseAndOk(setting, "optUpload");
    QVERIFY(Idle(program));
    QVERIFY(QFileInfo(app.filePath("User/RQ50.Log")).size() > 0);
    gui::ScreenBase* view = main.FindScreen(Screen::DataView);
    QVERIFY(view != nullptr);
    auto saveAnswer = WhenFileDialog("pump1");
    ChooseAndOk(view, "optSave");
    QVERIFY(saveAnswer->answered);
    QCOMPARE(saveAnswer->folder, app.filePath("User/PARAMETER"));
    QCOMPARE(saveAnswer->offered, QString());
    gui::ScreenBase* info = main.FindScreen(Screen::Information);
    QVERIFY(info != nullptr);
    Press(info, "cmdOK");
    QVERIFY(WaitFor([&] { return main.FindScreen(Screen::Information) == nullptr; }));
    const QString saved = app.filePath("User/PARAMETER/pump1.7pa");
    QVERIFY(QFile::exists(saved));
    QVERIFY(!QFile::exists(app.filePath("User/PARAMETER/pump1")));
    files::ParameterFileRecord record;
    QCOMPARE(files::LoadParameterFile(saved.toStdString(), record), files::FileError::Ok);

    // The port chosen is stored with the set-up, and nothing of the program
    // lands in the account's own configuration folder.
    gui::ScreenBase* active = main.ActiveScreen();
    active->Std().PortItem(session::PortMenuItem::Com2)->trigger();
    program.Close();
    QSettings stored(app.filePath("RQ50.ini"), QSettings::IniFormat);
    QCOMPARE(stored.value("Settings/COMPORT").toString(), QString("2"));
    QStringList foreign;
    QDirIterator it(qEnvironmentVariable("XDG_CONFIG_HOME"), QDir::Files,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) foreign << it.next();
    QVERIFY2(foreign.isEmpty(), qPrintable(foreign.join(' ')));
}

int main(int argc, char** argv) {
    // One 1024x768 screen, and a configuration folder of the test's own, so
    // that nothing reaches the account's ~/.config.
    QTemporaryDir scratch;
    const QString screens = scratch.filePath("screens.json");
    {
        QFile file(screens);
        if (!file.open(QIODevice::WriteOnly)) return 1;
        file.write(R"({"screens": [{"name": "screen", "x": 0, "y": 0, "width": 1024,
                     "height": 768, "logicalDpi": 96, "logicalBaseDpi": 96, "dpr": 1}]})");
    }
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + screens.toLocal8Bit());
    qputenv("XDG_CONFIG_HOME", scratch.filePath("config").toLocal8Bit());
    QApplication app(argc, argv);
    StartupTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "StartupTest.moc"
