#include "gui/GuiApp.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

#include <filesystem>
#include <iostream>

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/PortAddress.h"
#include "comm/jobs/Jobs.h"
#include "files/InformationRecord.h"
#include "files/Workspace.h"
#include "gui/GuiCommHost.h"
#include "gui/Screens.h"
#include "gui/shell/MainWindow.h"
#include "gui/shell/TitleScreen.h"
#include "platform/LinePort.h"
#include "platform/RegisterDatabase.h"
#include "register/Recorder.h"
#include "session/Menus.h"
#include "session/ScreenFlow.h"
#include "shell/AppPaths.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/PlatformFile.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"

#include <cstdio>

namespace rq50::gui {

namespace {}  // namespace

std::string DefaultDemoInstrument() {
    // Next to the program first (an installed copy), then the source tree.
    const std::filesystem::path installed = shell::AppFolder() / "instruments" / "RQB2.json";
    std::error_code ec;
    if (std::filesystem::exists(installed, ec)) return shell::platform::Utf8FromPath(installed);
    return std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/RQB2.json";
}

GuiApp::GuiApp(GuiOptions options) : m_options(std::move(options)) {
    shell::InitAppFolder(QCoreApplication::applicationFilePath().toStdString(), m_options.appDir);
    if (m_options.clock == nullptr) m_ownClock = std::make_unique<GuiClock>();
    m_clock = m_options.clock != nullptr ? m_options.clock : m_ownClock.get();
    m_utility = std::make_unique<GuiUtility>(*m_clock);
    // Every setting stays with the set-up's own files, Qt's own (the file
    // dialog's history) included: two copies on one account share nothing.
    const QString dataFolder =
        QString::fromStdString(shell::platform::Utf8FromPath(shell::UserDataFolder()));
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, dataFolder);
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, dataFolder);
    m_settings = std::make_unique<QtSettingsStore>(
        m_options.settingsFile.isEmpty()
            ? QString::fromStdString(shell::platform::Utf8FromPath(shell::SettingsFilePath()))
            : m_options.settingsFile);

    // The core starts through its session; the main window, the engine's host
    // and the line join it when the main window is created.
    session::FrontEnd frontEnd;
    frontEnd.clock = m_clock;
    frontEnd.utility = m_utility.get();
    frontEnd.settings = m_settings.get();
    frontEnd.messages = &m_messages;
    frontEnd.menuCommand = [this](shell::MenuCommandCode code) { session::MenuCommand(m_session->Data(), code); };
    if (!m_options.noRegister) {
        if (plant::HasPassword(m_options.registerName)) {
            std::fprintf(stderr,
                         "rq50: warning: the register's password on the command line can be read "
                         "by other users of this computer (ps); give it in ~/.pgpass, a service "
                         "file or RQ50_REGISTER instead (docs/register.md)\n");
        }
        m_recorder = platform::MakeRecorder(m_settings.get(), m_options.registerName);
        // Said in the status bar each time, and once in a box: a transfer
        // is never held up by the register.
        m_recorder->SetNoticeSink([this](const std::string& notice) {
            m_session->Engine().Host().ShowStatusText(notice);
            if (std::exchange(m_registerNoticeShown, true)) return;
            m_messages.Show(
                {notice, "Plant Register", shell::MsgButtons::Ok, shell::MsgIcon::Exclamation});
        });
        frontEnd.recorder = m_recorder.get();
    }
    m_session = std::make_unique<session::CoreSession>(frontEnd);
    m_shared = std::make_unique<ScreenContext>(m_session->Data(), m_reports);
    RegisterAllScreens(*m_shared);
}

GuiApp::~GuiApp() {
    if (m_port && m_port->IsOpen()) m_port->Close();
    m_session->AttachPort(nullptr);
    m_session->UseCommHost(nullptr);
    m_session->Data().hosts.navigation = nullptr;
    // The screens and what they share go before the session they show.
    m_main.reset();
    m_title.reset();
    m_shared.reset();
    m_session.reset();
}

int GuiApp::Start() {
    // A demo without its instrument cannot start: said before anything shows.
    if (m_options.demo && !LoadDemoInstrument()) return 1;
    const session::StartupResult result = m_session->Start(*this);
    if (result == session::StartupResult::Running) return 0;
    m_title.reset();
    return 1;
}

bool GuiApp::AnotherInstanceRunning() {
    QString folder = m_options.lockFolder;
    if (folder.isEmpty())
        folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty()) folder = QDir::tempPath();
    QDir().mkpath(folder);
    m_lock = std::make_unique<QLockFile>(QDir(folder).filePath(QStringLiteral("rq50.lock")));
    // A lock left by a program that crashed is taken over (its process is gone).
    m_lock->setStaleLockTime(0);
    if (m_lock->tryLock(0)) return false;
    // Only a live holder counts; a folder we cannot write does not stop the program.
    return m_lock->error() == QLockFile::LockFailedError;
}

void GuiApp::ShowTitleScreen() {
    m_title = std::make_unique<TitleScreen>();
    m_title->show();
    m_title->repaint();
    QApplication::processEvents();
}

void GuiApp::CreateMainWindow() {
    m_main = std::make_unique<MainWindow>(m_session->Data(), m_shared->makers, m_reports);
    m_comm = std::make_unique<GuiCommHost>(m_session->Data(), *m_main);
    m_session->Data().hosts.navigation = m_main.get();
    m_session->UseCommHost(m_comm.get());
    // --port names any device instead of the COMn of the settings.
    m_session->Engine().SetDeviceOverride(m_options.port);
    AttachLine();
}

bool GuiApp::LoadDemoInstrument() {
    const std::string file =
        m_options.demoInstrument.empty() ? DefaultDemoInstrument() : m_options.demoInstrument;
    std::string problem;
    std::error_code ec;
    if (!std::filesystem::exists(file, ec)) {
        problem = file + " does not exist";
    } else {
        try {
            m_instrument = std::make_unique<sim::Instrument>(sim::Instrument::FromFile(file));
            m_demoFile = file;
            return true;
        } catch (const std::exception& e) {
            problem = e.what();
        }
    }
    std::string text = shell::Catalogue(kTextDemoUnusable);
    if (const auto at = text.find("%1"); at != std::string::npos) text.replace(at, 2, problem);
    std::cerr << "rq50: " << text << "\n";
    ShowAlert(m_session->Data().hosts,
              {text, shell::kAppTitle, shell::MsgButtons::Ok, shell::MsgIcon::Critical});
    return false;
}

void GuiApp::AttachLine() {
    m_session->Engine().SetSimulated(m_instrument != nullptr);
    if (m_instrument) {
        m_port = std::make_unique<sim::SimulatedLine>(*m_clock, m_instrument.get());
        m_main->SetDemoName(shell::Catalogue(kTextDemoLine) +
                            std::filesystem::path(m_demoFile).stem().string());
    } else {
        // The window's event loop takes the bytes; in fast pacing each
        // arrival ticks the engine at once instead of the engine polling.
        auto line = std::make_unique<platform::LinePort>(platform::LinePort::Mode::EventDriven);
        const auto* settings = m_session->Data().hosts.settings;
        line->SetConnectTimeoutMs(
            comm::ConnectTimeoutMs(settings ? settings->Get("ConnectTimeout") : std::nullopt));
        line->OnDataArrived([main = m_main.get()] { main->TickNow(); });
        m_port = std::move(line);
    }
    m_session->AttachPort(m_port.get());
}

void GuiApp::LoadMainWindow() {
    m_main->Load();
}

void GuiApp::UnloadTitleScreen() {
    m_title.reset();
}

void GuiApp::ShowMainWindow() {
    m_main->ShowAsLeft();
}

}  // namespace rq50::gui
