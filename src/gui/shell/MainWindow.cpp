#include "gui/shell/MainWindow.h"

#include <QApplication>
#include <QCloseEvent>
#include <QMdiArea>
#include <QMenuBar>
#include <QStatusBar>

#include <algorithm>

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/SerialPort.h"
#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/ReportOutput.h"
#include "gui/ScreenBase.h"
#include "gui/Screens.h"
#include "gui/WindowPositions.h"
#include "print/PrintDialogRules.h"
#include "session/DataFileActions.h"
#include "session/FileDialog.h"
#include "session/Menus.h"
#include "session/Navigation.h"
#include "shell/Clock.h"
#include "shell/MessageBox.h"
#include "shell/SessionState.h"
#include "ui_frmRQ0000.h"

namespace rq50::gui {

namespace {
constexpr const char* kName = "frmRQ0000";
/// The main window's handlers are named alone, with no form's code.
constexpr std::string_view kTrapCode;
}  // namespace

MainWindow::MainWindow(files::Workspace& ws, const ScreenMakers& makers, ReportDevices& devices,
                       QWidget* parent)
    : QMainWindow(parent),
      m_ws(ws),
      m_makers(makers),
      m_devices(devices),
      m_ui(std::make_unique<Ui::frmRQ0000>()),
      m_fileDialog(ws.hosts),
      m_quit(ws) {
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kName));
    m_statusText = new QLabel(this);
    m_lineText = new QLabel(this);
    m_statusText->setAccessibleName(QStringLiteral("Status"));
    m_lineText->setAccessibleName(QStringLiteral("Line"));
    // Long texts are cut rather than widen the window beyond a small screen.
    m_statusText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    m_lineText->setMinimumWidth(1);
    m_ui->sbStatusBar->addWidget(m_statusText, 1);
    m_ui->sbStatusBar->addPermanentWidget(m_lineText);
    connect(m_ui->mdiArea, &QMdiArea::subWindowActivated, this, [this] { UpdateMenuBar(); });
    // A smaller main window keeps every screen inside it.
    m_ui->mdiArea->installEventFilter(this);
    // Timer1 runs for the whole program; the engine does nothing while idle.
    connect(&m_timer1, &QTimer::timeout, this, [this] { Tick(m_nextTickMs); });
    m_timer1.start(comm::kTickMs);
}

MainWindow::~MainWindow() {
    m_timer1.stop();
    for (auto& [screen, window] : m_screens) {
        if (window) delete window.data();
    }
}

void MainWindow::Load() {
    m_showMaximized = RestoreMainWindow(Ws(), this, kName);
    session::ShowDisplay(Ws(), session::Display::TopMenu);
}

void MainWindow::ShowAsLeft() {
    show();
    FitSubWindows();
    // Maximised once it is up, so that the window system sizes it.
    if (m_showMaximized) setWindowState(windowState() | Qt::WindowMaximized);
}

QMdiArea* MainWindow::MdiArea() const {
    return m_ui->mdiArea;
}

void MainWindow::SetStatusText(const QString& text) {
    m_statusText->setText(text);
}

void MainWindow::SetStatusText(const std::string& text) {
    SetStatusText(Text(text));
}

void MainWindow::SetDemoName(const std::string& name) {
    m_demoName = name;
    UpdateLineText();
}

QString MainWindow::LineText() const {
    return m_lineText->text();
}

void MainWindow::UpdateLineText() {
    const QString line = Text(Ws().Engine().LineStatusText(m_demoName));
    if (line != m_lineText->text()) m_lineText->setText(line);
}

void MainWindow::SetTickSpeedUp(int speedUp) {
    m_tickSpeedUp = std::max(speedUp, 1);
}

void MainWindow::TickNow() {
    if (m_tickQueued) return;
    m_tickQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_tickQueued = false;
        Tick(0);
    });
}

void MainWindow::Tick(int sinceLastMs) {
    comm::CommEngine* engine = Ws().hosts.engine;
    if (engine == nullptr) return;
    if (shell::Clock* clock = Ws().hosts.clock) clock->Ticked(sinceLastMs);
    Trap(Ws().hosts, TrapLabel(kTrapCode, "Timer1_Timer"), [this, engine] {
        engine->Timer1();
        UpdateLineText();
    });
    ScheduleTick(*engine);
}

void MainWindow::ScheduleTick(comm::CommEngine& engine) {
    // Classic pacing keeps its tick; so does fast pacing on a polled line.
    int next = engine.TickIntervalMs();
    if (engine.Pacing().fast && engine.MainPort().EventDriven()) {
        // Arriving bytes tick at once (TickNow); otherwise the engine says
        // when it has work: at the end of the gap, at the answer's time-out.
        const std::int64_t wait = engine.MsUntilNextAction();
        next = wait < 0 ? comm::kTickMs
                        : static_cast<int>(std::clamp<std::int64_t>(wait, 1, comm::kTickMs));
    }
    m_nextTickMs = next;
    const int period = std::max(next / m_tickSpeedUp, 1);
    if (m_timer1.interval() != period) m_timer1.setInterval(period);
}

// ------------------------------------------------------------ screens

QMdiSubWindow* MainWindow::SubWindowOf(shell::Screen screen) const {
    const auto it = m_screens.find(screen);
    return it == m_screens.end() ? nullptr : it->second.data();
}

ScreenBase* MainWindow::FindScreen(shell::Screen screen) const {
    return static_cast<ScreenBase*>(ScreenIn(SubWindowOf(screen)));
}

ScreenBase* MainWindow::ActiveScreen() const {
    QMdiSubWindow* window = m_ui->mdiArea->activeSubWindow();
    if (window == nullptr) window = m_ui->mdiArea->currentSubWindow();
    return qobject_cast<ScreenBase*>(ScreenIn(window));
}

ScreenBase* MainWindow::Load(shell::Screen screen) {
    if (ScreenBase* loaded = FindScreen(screen)) return loaded;
    const ScreenMaker* maker = m_makers.Find(screen);
    if (maker == nullptr || !maker->make) {
        throw std::runtime_error(std::string("the screen ") + shell::ScreenName(screen) +
                                 " is not part of this program yet");
    }
    ScreenBase* widget = maker->make();
    auto* window = new QMdiSubWindow;
    window->setWidget(new ScreenScrollArea(widget));
    window->setAttribute(Qt::WA_DeleteOnClose, false);
    // Screens are left through their own buttons and menus, never the frame.
    window->setWindowFlags(Qt::SubWindow | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    window->setWindowTitle(widget->windowTitle());
    window->setWindowIcon(QIcon());
    m_ui->mdiArea->addSubWindow(window);
    m_screens[screen] = window;
    connect(widget, &QWidget::windowTitleChanged, window, &QWidget::setWindowTitle);
    widget->Load();
    AddMnemonics(widget, MenuMnemonics(widget->Menus()));
    // Sized once the load step has set the captions, and kept inside the area.
    window->adjustSize();
    LoadPosition(Ws(), window, shell::ScreenName(screen));
    FitSubWindow(window);
    return widget;
}

void MainWindow::ShowScreen(shell::Screen screen) {
    if (const ScreenMaker* maker = m_makers.Find(screen); maker && maker->runModal) {
        maker->runModal(this);
        return;
    }
    ScreenBase* widget = Load(screen);
    QMdiSubWindow* window = SubWindowOf(screen);
    window->show();
    // Fitted to its content once it is polished, inside the area.
    FitWindowWhenShown(widget);
    m_ui->mdiArea->setActiveSubWindow(window);
    UpdateMenuBar();
}

void MainWindow::ShowScreenAndWait(shell::Screen screen) {
    const ScreenMaker* maker = m_makers.Find(screen);
    if (maker != nullptr && maker->runModal) {
        maker->runModal(this);
        return;
    }
    ShowScreen(screen);
}

void MainWindow::EnableScreen(shell::Screen screen) {
    if (QMdiSubWindow* window = SubWindowOf(screen)) {
        window->setEnabled(true);
        if (window->isVisible()) m_ui->mdiArea->setActiveSubWindow(window);
        UpdateMenuBar();
    }
}

void MainWindow::DisableScreen(shell::Screen screen) {
    if (QMdiSubWindow* window = SubWindowOf(screen)) {
        window->setEnabled(false);
        UpdateMenuBar();
    }
}

void MainWindow::UnloadScreen(shell::Screen screen) {
    QMdiSubWindow* window = SubWindowOf(screen);
    if (window == nullptr) return;
    auto* widget = static_cast<ScreenBase*>(ScreenIn(window));
    m_screens.erase(screen);
    widget->Unload();
    SavePosition(Ws(), window, shell::ScreenName(screen));
    m_ui->mdiArea->removeSubWindow(window);
    // Still the main window's child until its deferred delete: a screen never
    // outlives the main window, which goes before the session it shows.
    window->setParent(this);
    window->hide();
    window->deleteLater();
    UpdateMenuBar();
}

bool MainWindow::IsLoaded(shell::Screen screen) const {
    return FindScreen(screen) != nullptr;
}

void MainWindow::CommitEdits() {
    for (const auto& [screen, window] : m_screens) {
        if (ScreenBase* widget = FindScreen(screen)) widget->CommitEdits();
    }
}

void MainWindow::UpdateMenuBar() {
    QMenuBar* bar = m_ui->menubar;
    bar->clear();
    ScreenBase* active = ActiveScreen();
    if (active == nullptr) return;
    for (QMenu* menu : active->Menus()) bar->addMenu(menu);
    // A disabled screen cannot be used, through its menus neither.
    const QWidget* window = active->parentWidget();
    bar->setEnabled(window == nullptr || window->isEnabled());
    if (bar->isEnabled()) active->Activated();
}

// ------------------------------------------------------------ file actions

int MainWindow::RunFileDialog(session::FileDialogMode mode) {
    return session::ShowFileDialog(Ws(), mode, m_fileDialog, session::DataFileActions(Ws()));
}

int MainWindow::RunOpenDialog() {
    return RunFileDialog(session::FileDialogMode::Open);
}

int MainWindow::RunSaveDialog() {
    return RunFileDialog(session::FileDialogMode::Save);
}

int MainWindow::RunCsvDialog() {
    return session::RunCsvFileDialog(Ws(), m_fileDialog);
}

void MainWindow::PrintReport() {
    PrintOnPrinter(m_devices, Ws(), files::ReportKind::Current);
}

void MainWindow::PrintErrorList() {
    PrintFromScreen(Ws(), shell::Screen::ErrorList);
}

// ------------------------------------------------------------ hooks

void MainWindow::SetMainCaption(const std::string& caption) {
    // The caption ends in the file's name, which is kept as the file system
    // has it.
    setWindowTitle(PathText(caption));
}

void MainWindow::SetPasswordMenu(bool setEnabled, bool changeEnabled) {
    for (const auto& [screen, window] : m_screens) {
        if (ScreenBase* widget = FindScreen(screen))
            widget->OnPasswordMenu(setEnabled, changeEnabled);
    }
}

void MainWindow::SetBusyPointer(bool busy) {
    // The core's holders come in pairs (shell::BusyPointer) and may nest.
    if (busy) {
        m_busy.Hold();
    } else {
        m_busy.Release();
    }
}

void MainWindow::ProcessEvents() {
    QApplication::processEvents();
}

void MainWindow::EndProgram() {
    m_ending = true;
    close();
}

void MainWindow::FitSubWindows() {
    for (const auto& [screen, window] : m_screens) {
        if (window && !window->isHidden()) FitSubWindow(window);
    }
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->mdiArea && event->type() == QEvent::Resize) FitSubWindows();
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showEvent(QShowEvent* event) {
    QMainWindow::showEvent(event);
    // The screens loaded before the window was shown had no area to fit in.
    QTimer::singleShot(0, this, [this] { FitSubWindows(); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (!m_ending) {
        ScreenBase* active = ActiveScreen();
        const bool enabled = active != nullptr && active->parentWidget() != nullptr &&
                             active->parentWidget()->isEnabled();
        bool mayClose = false;
        Trap(Ws().hosts, TrapLabel(kTrapCode, "Form_QueryUnload"), [&] {
            mayClose = m_quit.MayClose(enabled && active->ExitEnabled(),
                                       enabled ? active->Id() : shell::Screen::TopMenu);
        });
        if (!mayClose) {
            event->ignore();
            return;
        }
    }
    // Unload: every screen saves its position, then the main window unless minimised.
    std::vector<shell::Screen> loaded;
    for (const auto& entry : m_screens) loaded.push_back(entry.first);
    for (shell::Screen screen : loaded) UnloadScreen(screen);
    if (!isMinimized()) SaveMainWindow(Ws(), this, kName);
    m_timer1.stop();
    event->accept();
    QApplication::quit();
}

}  // namespace rq50::gui
