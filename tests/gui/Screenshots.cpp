// rq50-screenshots DIR: renders every screen of rq50 into DIR as PNG files,
// each inside the main window as a user sees it (the window caption is drawn
// above the window, where a desktop puts its title bar).
#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QLineSeries>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTableView>
#include <QTableWidget>
#include <QTest>
#include <QTimer>

#include <cstdio>
#include <fstream>

#include "../unit/FileSamples.h"
#include "GuiTestSupport.h"
#include "comm/Engine.h"
#include "comm/EngineCore.h"
#include "files/InformationRecord.h"
#include "files/ParameterFile.h"
#include "files/SingleByteText.h"
#include "gui/FitWindow.h"
#include "gui/comm/DownloadPreviewDialog.h"
#include "gui/comm/PasswordDialog.h"
#include "gui/comm/SlotNumberDialog.h"
#include "gui/parameter/TrendWindow.h"
#include "gui/program/ProgramEditorWindow.h"
#include "gui/shell/InstrumentListWindow.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/PlantRegisterWindow.h"
#include "gui/shell/RackWindow.h"
#include "gui/shell/TitleScreen.h"
#include "gui/shell/VersionWindow.h"
#include "parameter/ItemBlock.h"
#include "parameter/ItemEdit.h"
#include "print/PrintDialogRules.h"
#include "session/Navigation.h"
#include "session/ProgramMenu.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"
#include "sim/Instrument.h"

using namespace rq50;
using namespace rq50::guitest;

namespace {

QString g_folder;

/// The window with its caption drawn as a title strip above it.
QImage WithCaption(QWidget* window) {
    const QPixmap body = window->grab();
    const int strip = window->fontMetrics().height() + 12;
    // At a scale factor the grab holds device pixels: the image does too,
    // and is drawn on in the window's own units.
    const qreal scale = body.devicePixelRatio();
    QImage image(body.width(), body.height() + qRound(strip * scale), QImage::Format_RGB32);
    image.setDevicePixelRatio(scale);
    image.fill(QColor(0x3c, 0x50, 0x78));
    QPainter p(&image);
    QFont bold = window->font();
    bold.setBold(true);
    p.setFont(bold);
    p.setPen(Qt::white);
    p.drawText(QRect(10, 0, qRound(body.width() / scale) - 20, strip),
               Qt::AlignVCenter | Qt::AlignLeft, window->windowTitle());
    p.drawPixmap(0, strip, body);
    return image;
}

void Save(const QImage& image, const char* name) {
    const QString path = QDir(g_folder).filePath(QString::fromLatin1(name) + ".png");
    image.save(path);
    std::printf("%s\n", path.toLocal8Bit().constData());
}

void Settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

/// The main window with an open menu of its menu bar drawn where it drops.
QImage WithOpenMenu(gui::MainWindow& main, int menuIndex) {
    QAction* action = main.menuBar()->actions().value(menuIndex);
    QMenu* menu = action ? action->menu() : nullptr;
    QImage image = WithCaption(&main);
    if (menu == nullptr) return image;
    menu->popup(main.menuBar()->mapToGlobal(main.menuBar()->actionGeometry(action).bottomLeft()));
    Settle();
    const QPixmap dropped = menu->grab();
    const QPoint at = main.mapFromGlobal(menu->pos());
    QPainter p(&image);
    const int strip = main.fontMetrics().height() + 12;
    p.drawPixmap(at.x(), at.y() + strip, dropped);
    p.setPen(Qt::darkGray);
    p.drawRect(at.x(), at.y() + strip, dropped.width() - 1, dropped.height() - 1);
    menu->hide();
    return image;
}

void ModalShot(const char* className, const char* name) {
    WhenModal(className, [name](QWidget* dialog) {
        Settle();
        Save(WithCaption(dialog), name);
        dialog->close();
    });
}

/// The print dialog and the preview of a parameter report of some pages.
void PrintScreens(Program& program) {
    files::Workspace& ws = program.Ws();
    gui::MainWindow& main = program.Main();
    auto record = files::test::SampleParameterRecord();
    for (int mb = 2; mb < 40; ++mb) {
        record.items.insert(record.items.begin() + mb,
                            files::test::Block(0xC2, 0x01, static_cast<std::uint8_t>(mb), 0,
                                               "PV      +012.34 degC    "));
    }
    const std::string path = (program.appDir + "/PLANT.7pa").toStdString();
    const auto bytes = files::EncodeParameterRecord(record);
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()),
               static_cast<std::streamsize>(bytes.size()));
    files::ReadParameterFile(ws, path);
    ws.state.settingMode = shell::SettingMode::Parameter;
    session::ShowDisplay(ws, session::Display::PrintDialog);
    Settle();
    Save(WithCaption(&main), "frmRQ2800_print_dialog");

    ws.printAreas = print::PrintAreas{};
    session::ShowDisplay(ws, session::Display::PrintPreview);
    if (QMdiSubWindow* preview = gui::SubWindowOf(main.FindScreen(shell::Screen::PrintPreview))) {
        preview->showMaximized();
    }
    Settle();
    Save(WithCaption(&main), "frmRQ2900_preview");
}

/// The online path: setting menu, category menu, the SET page with an item
/// opened, and the DISPLAY page with the communication monitor.
void ParameterScreens(Program& program, gui::MainWindow& main) {
    files::Workspace& ws = program.Ws();
    program.Clock().SetRate(20);
    auto idle = [&] { return WaitFor([&] { return !program.Engine().Busy(); }); };
    session::ShowDisplay(ws, session::Display::SettingMenu);
    Settle();
    Save(WithCaption(&main), "frmRQ2100_parameter_setting_menu");
    gui::ScreenBase* setting = main.FindScreen(shell::Screen::SettingMenu);
    program.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(setting->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    idle();
    Settle();
    Save(WithCaption(&main), "frmRQ2200_category_menu");

    gui::ScreenBase* category = main.FindScreen(shell::Screen::CategoryMenu);
    category->findChild<QRadioButton*>("optSet")->setChecked(true);
    program.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(category->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    idle();
    gui::ScreenBase* page = main.FindScreen(shell::Screen::OnlineParameter);
    auto* grid = page->findChild<QTableView*>("ssPage");
    const QPoint at = grid->visualRect(grid->model()->index(1, 1)).center();
    QTest::mouseClick(grid->viewport(), Qt::LeftButton, {}, at);
    QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    idle();
    Settle();
    Save(WithCaption(&main), "frmRQ2300_set_item_opened");
    Save(WithOpenMenu(main, 4), "frmRQ2300_next_menu");

    QTest::mouseClick(page->findChild<QPushButton*>("cmdExit"), Qt::LeftButton);
    Settle();
    program.Engine().SetMonitorOn(true);
    category->findChild<QRadioButton*>("optDisplay")->setChecked(true);
    program.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(category->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    idle();
    // Read every second, one reading failing on the way; the trend of it all
    // with the cursor on a reading.
    page = main.FindScreen(shell::Screen::OnlineParameter);
    auto* interval = page->findChild<QComboBox*>("cboInterval");
    interval->setFocus();
    QTest::keyClick(interval, Qt::Key_Home);
    QTest::mouseClick(page->findChild<QPushButton*>("cmdTrend"), Qt::LeftButton);
    auto* trend = page->findChild<gui::TrendWindow*>("TrendWindow");
    // `n` readings in the `stretch`-th stretch of the first line.
    auto readings = [trend](std::size_t stretch, int n) {
        WaitFor(
            [&] {
                return trend->Lines(0).size() > stretch && trend->Lines(0)[stretch]->count() >= n;
            },
            60000);
    };
    readings(0, 20);
    program.App().DemoInstrument()->Faults().drop.all = true;
    auto* last = page->findChild<QLabel*>("lblLastReading");
    WaitFor([&] { return last->text().endsWith("failed"); }, 60000);
    Idle(program);
    program.App().DemoInstrument()->Faults().drop.all = false;
    page->findChild<QPushButton*>("cmdReadStop")->click();  // READ START
    readings(1, 20);
    trend->findChild<QComboBox*>("cboSpan")->setCurrentIndex(3);
    trend->findChild<QPushButton*>("cmdPause")->click();
    auto* chart = trend->findChild<QWidget*>("chtTrend");
    chart->setFocus();
    for (int i = 0; i < 8; ++i) QTest::keyClick(chart, Qt::Key_Left);
    Settle();
    Save(WithCaption(trend), "trend");
    trend->close();
    idle();
    Settle();
    Save(WithCaption(&main), "frmRQ2300_display_monitor");
    program.Engine().SetMonitorOn(false);
    // Back to the setting menu, the instrument left alone.
    idle();
    QTest::mouseClick(
        main.FindScreen(shell::Screen::OnlineParameter)->findChild<QPushButton*>("cmdExit"),
        Qt::LeftButton);
    QTest::mouseClick(category->findChild<QPushButton*>("cmdCancel"), Qt::LeftButton);
    main.UnloadScreen(shell::Screen::SettingMenu);
}

/// The data path: the data view of an upload, its content list, the
/// information window and the check list of a download whose value the
/// instrument clamped.
void DataScreens(Program& program, gui::MainWindow& main) {
    files::Workspace& ws = program.Ws();
    auto idle = [&] { return WaitFor([&] { return !program.Engine().Busy(); }); };
    session::ShowDisplay(ws, session::Display::SettingMenu);
    gui::ScreenBase* setting = main.FindScreen(shell::Screen::SettingMenu);
    setting->findChild<QRadioButton*>("optUpload")->setChecked(true);
    program.messages.answers = {shell::MsgAnswer::Ok};
    QTest::mouseClick(setting->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    idle();
    Settle();
    Save(WithCaption(&main), "frmRQ2400_data_view");
    gui::ScreenBase* view = main.FindScreen(shell::Screen::DataView);
    QTest::mouseClick(view->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    Settle();
    Save(WithCaption(&main), "frmRQ2500_content_list");
    QTest::mouseClick(
        main.FindScreen(shell::Screen::ContentList)->findChild<QPushButton*>("cmdExit"),
        Qt::LeftButton);

    ws.information.title1 = files::FixedLength("Pump 1 feed", 40);
    ws.information.createdBy = files::FixedLength("R. Tanaka", 40);
    ws.state.infoPurpose = shell::InfoPurpose::FileMenu;
    session::ShowDisplay(ws, session::Display::Information);
    Settle();
    Save(WithCaption(&main), "frmRQ2600_information");
    QTest::mouseClick(
        main.FindScreen(shell::Screen::Information)->findChild<QPushButton*>("cmdCancel"),
        Qt::LeftButton);

    // Edit: SCALE HI set to 200, shown marked, then kept.
    WhenModal("OfflineEditor", [](QWidget* editor) {
        auto* grid = editor->findChild<QTableWidget*>("grdItems");
        const auto found = grid->findItems("SCALE HI", Qt::MatchExactly);
        if (!found.isEmpty()) grid->setCurrentCell(found[0]->row(), 2);
        editor->findChild<QLineEdit*>("txtValue")->setText("200");
        Press(editor, "cmdSet");
        Settle();
        Save(WithCaption(editor), "offline_editor");
        Press(editor, "cmdOK");
    });
    view->findChild<QRadioButton*>("optEdit")->setChecked(true);
    QTest::mouseClick(view->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    view->findChild<QRadioButton*>("optDownload")->setChecked(true);
    program.messages.answers = {shell::MsgAnswer::Ok};
    WhenModal("DownloadPreview", [](QWidget* preview) {
        Settle();
        Save(WithCaption(preview), "download_preview");
        Press(preview, "cmdDownload");
    });
    QTest::mouseClick(view->findChild<QPushButton*>("cmdOK"), Qt::LeftButton);
    idle();
    Settle();
    Save(WithCaption(&main), "frmRQ2700_download_check");
    if (QWidget* check = main.FindScreen(shell::Screen::DownloadCheck))
        QTest::mouseClick(check->findChild<QPushButton*>("cmdRet"), Qt::LeftButton);
    main.UnloadScreen(shell::Screen::DataView);
    main.UnloadScreen(shell::Screen::SettingMenu);
}

/// The program editor with the RQK2 sample program uploaded from the
/// simulated unit, and the error list of a check of it.
void ProgramShots() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/RQK2.json";
    if (program.Start() != 0) return;
    gui::MainWindow& main = program.Main();
    program.Ws().state.settingMode = shell::SettingMode::Program;
    session::ShowDisplay(program.Ws(), session::Display::SettingMenuProgram);
    rq50::session::ProgramMenuLoad(program.Ws());
    program.messages.answers = {shell::MsgAnswer::Ok};
    rq50::session::ProgramMenuConfirm(program.Ws(), rq50::session::ProgramMenuOption::kUpload);
    WaitFor(
        [&] { return !program.Engine().Busy() && main.FindScreen(shell::Screen::ProgramEditor); },
        60000);
    auto* editor =
        qobject_cast<gui::ProgramEditorWindow*>(main.FindScreen(shell::Screen::ProgramEditor));
    if (editor == nullptr) return;
    gui::SubWindowOf(editor)->move(0, 0);
    Settle();
    Save(WithCaption(&main), "frmRQ3000_program_editor");
    auto& grid = editor->Editor().Grid(rq50::program::GridId::kProgram);
    grid.Set(6, 1, "LDX9");
    grid.Set(7, 1, "GO77");
    editor->Redraw();
    editor->findChild<QPushButton*>("cmdCommandCheck")->click();
    if (QWidget* list = main.FindScreen(shell::Screen::ErrorList))
        gui::SubWindowOf(list)->move(40, 40);
    Settle();
    Save(WithCaption(&main), "frmRQ3100_error_list");
    program.Close();
}

/// The rack window after a scan of the sample rack.
void RackShot() {
    Program program;
    program.options.demoInstrument = RQ50_SIM_INSTRUMENTS_DIR "/ZNC.json";
    if (program.Start() != 0) return;
    program.Clock().SetRate(50);
    WhenModal("RackWindow", [](QWidget* window) {
        auto* stop = window->findChild<QPushButton*>("cmdStop");
        Press(window, "cmdScan");
        WaitFor([stop] { return !stop->isEnabled(); }, 120000);
        Settle();
        Save(WithCaption(window), "rack");
        Press(window, "cmdClose");
    });
    gui::RackWindow::Run(program.Ws(), &program.Main());
    program.Close();
}

/// The instrument list window with a list that has a bad cell.
void InstrumentListShot() {
    Program program;
    if (program.Start() != 0) return;
    const std::string dir = program.appDir.toStdString();
    for (const char* model : {"RQB2", "RQG2"}) {
        const std::string command = "mkdir -p '" + dir + "/tpl' && " + RQ50_BIN_DIR +
                                    "/rq50-cli --app-dir '" + dir + "' --sim " +
                                    RQ50_SIM_INSTRUMENTS_DIR + "/" + model +
                                    ".json --quiet --no-register upload -o '" + dir + "/tpl/" +
                                    model + ".7pa' >/dev/null 2>&1";
        if (std::system(command.c_str()) != 0) return;
    }
    std::ofstream(dir + "/plant.csv", std::ios::binary)
        << "TAG,MODEL,SLOT,TITLE1,C02 SCALE LO,C03 SCALE HI,D01\r\n"
           "FIC-101,RQB2,1,Boiler 3,0,150,%\r\nFIC-102,RQB2,2,Boiler 3,-12.5,5000,%\r\n"
           "TI-204,RQG2,3,Boiler 3,,,-50\r\nTI-205,RQG2,3,Boiler 3,,,0\r\n";
    WhenModal("InstrumentListWindow", [&](QWidget* window) {
        static_cast<gui::InstrumentListWindow*>(window)->OpenList(program.appDir + "/plant.csv",
                                                                  program.appDir + "/tpl");
        Settle();
        Save(WithCaption(window), "instrument_list");
        Press(window, "cmdClose");
    });
    gui::InstrumentListWindow::Run(program.Ws(), &program.Main());
    program.Close();
}

}  // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    g_folder = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screenshots");
    QDir().mkpath(g_folder);

    {
        gui::TitleScreen title;
        title.show();
        Settle();
        Save(title.grab().toImage(), "frmRQ0100_title");
    }

    Program program;
    program.standIns = false;
    if (program.Start() != 0) {
        std::fprintf(stderr, "rq50-screenshots: the program did not start\n");
        return 1;
    }
    gui::MainWindow& main = program.Main();
    // The main window as a user first sees it: filling the screen.
    Settle();
    Save(WithCaption(&main), "frmRQ2000_top_menu");
    Save(WithOpenMenu(main, 0), "frmRQ2000_file_menu");
    Save(WithOpenMenu(main, 3), "frmRQ2000_password_menu");

    ModalShot("frmRQ0200", "frmRQ0200_version");
    gui::VersionWindow::Run(program.Ws(), &main);

    ModalShot("frmRQ4300", "frmRQ4300_set_password");
    gui::PasswordDialog::Run(program.Ws(), &main, shell::PasswordMode::Set);
    ModalShot("frmRQ4300", "frmRQ4300_password_entry");
    gui::PasswordDialog::Run(program.Ws(), &main, shell::PasswordMode::Entry);
    ModalShot("frmRQ4100", "frmRQ4100_slot");
    gui::SlotNumberDialog::Ask(program.Ws(), &main);
    // The reason a register requires, asked where no preview asks it.
    ModalShot("WriteReason", "write_reason");
    gui::WriteReasonDialog(&main).exec();

    // "Now Communicating." while an upload runs, then the baud-rate dialog.
    session::StartScreenJob(program.Engine(), {comm::kJobUpload, shell::Catalogue(2112)},
                            session::kCallerBaudDialog, shell::Screen::TopMenu, false);
    WaitFor([&] { return main.FindScreen(shell::Screen::Communicating) != nullptr; });
    WaitFor([&] { return program.Engine().Progress() >= 20; }, 20000);
    Settle();
    Save(WithCaption(&main), "frmRQ4000_now_communicating");
    program.Engine().Terminate();
    WaitFor([&] { return !program.Engine().Busy(); });
    program.messages.boxes.clear();

    session::ShowDisplay(program.Ws(), session::Display::BaudRateDialog);
    Settle();
    Save(WithCaption(&main), "frmRQ4200_baud_rate");
    main.UnloadScreen(shell::Screen::BaudRate);
    ParameterScreens(program, main);
    DataScreens(program, main);
    // The plant register holding that path's upload, backup and download.
    ModalShot("PlantRegister", "plant_register");
    gui::PlantRegisterWindow::Run(program.Ws(), program.App().Reports(), &main);
    PrintScreens(program);
    program.Close();
    ProgramShots();
    RackShot();
    InstrumentListShot();
    return 0;
}
