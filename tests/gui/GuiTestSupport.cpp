#include "GuiTestSupport.h"

#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QFileDialog>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include "comm/Engine.h"
#include "gui/QtHosts.h"
#include "gui/Screens.h"
#include "gui/shell/MainWindow.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::guitest {

void SkippingClock::SetRate(int rate) {
    m_rate = rate;
    if (onRate) onRate(rate);
}

void SkippingClock::Wait(std::int32_t ms) {
    QApplication::processEvents();
    if (ms > 0) m_now += ms;
}

shell::MsgAnswer ScriptedMessages::Show(const shell::MessageBoxRequest& box) {
    boxes.push_back(box);
    if (!answers.empty()) {
        const shell::MsgAnswer answer = answers.front();
        answers.pop_front();
        return answer;
    }
    switch (box.buttons) {
        case shell::MsgButtons::YesNo:
            return shell::MsgAnswer::No;
        case shell::MsgButtons::OkCancel:
        case shell::MsgButtons::YesNoCancel:
        case shell::MsgButtons::RetryCancel:
            return shell::MsgAnswer::Cancel;
        case shell::MsgButtons::AbortRetryIgnore:
            return shell::MsgAnswer::Ignore;
        default:
            return shell::MsgAnswer::Ok;
    }
}

std::optional<std::string> ScriptedMessages::InputBox(const std::string& prompt,
                                                      const std::string& title) {
    prompts.push_back(prompt + "|" + title);
    if (inputs.empty()) return std::nullopt;
    auto answer = inputs.front();
    inputs.pop_front();
    return answer;
}

std::vector<std::string> ScriptedMessages::Texts() const {
    std::vector<std::string> texts;
    for (const auto& box : boxes) texts.push_back(box.text);
    return texts;
}

StandInScreen::StandInScreen(shell::Screen id, files::Workspace& ws, session::JobCaller callerCode)
    : gui::ScreenBase(id, ws), caller(callerCode) {
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    setWindowTitle(QString::fromLatin1(shell::ScreenName(id)));
    setMinimumSize(240, 120);
}

void StandInScreen::OnBaudRate() {
    session::StartScreenJob(Engine(), {comm::kJobBaudCheck, shell::Catalogue(2130)}, caller, Id());
}

void RegisterStandInScreens(gui::ScreenContext& screens) {
    files::Workspace& ws = screens.workspace;
    screens.makers.Register(shell::Screen::SettingMenu, [&ws] {
        return new StandInScreen(shell::Screen::SettingMenu, ws, session::kCallerSettingMenuUpload);
    });
    screens.makers.Register(shell::Screen::CategoryMenu, [&ws] {
        return new StandInScreen(shell::Screen::CategoryMenu, ws, session::kCallerCategoryMenu);
    });
}

Program::Program(const Program* keep) {
    if (keep != nullptr) {
        m_dir = keep->m_dir;
    } else {
        m_dir = std::make_shared<QTemporaryDir>();
        QDir root(m_dir->path());
        root.mkpath(QStringLiteral("app"));
        root.mkpath(QStringLiteral("run"));
        // The sample configuration files of the build.
        for (const char* name : {"V3Model.ini", "Category.ini", "Baudrate.ini", "OPE_TBLK2.ini"}) {
            QFile::copy(QStringLiteral(RQ50_BIN_DIR "/") + QString::fromLatin1(name),
                        root.filePath(QStringLiteral("app/")) + QString::fromLatin1(name));
        }
    }
    const QDir root(m_dir->path());
    appDir = root.filePath(QStringLiteral("app"));
    settingsFile = root.filePath(QStringLiteral("settings.ini"));
    lockFolder = root.filePath(QStringLiteral("run"));
    options.appDir = appDir.toStdString();
    options.settingsFile = settingsFile;
    options.lockFolder = lockFolder;
    options.clock = &m_clock;
    options.demo = true;
}

Program::~Program() {
    m_app.reset();
}

int Program::Start() {
    m_app = std::make_unique<gui::GuiApp>(options);
    Ws().hosts.messages = &messages;
    if (standIns) RegisterStandInScreens(m_app->Screens());
    const int started = m_app->Start();
    if (started == 0) {
        m_clock.onRate = [this](int rate) {
            if (m_app && m_app->Window()) m_app->Window()->SetTickSpeedUp(rate);
        };
        m_clock.SetRate(m_clock.Rate());
    }
    return started;
}

gui::MainWindow& Program::Main() {
    return *m_app->Window();
}

void Program::Close() {
    if (m_app && m_app->Window() != nullptr) m_app->Window()->EndProgram();
    m_app.reset();
}

bool WaitFor(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > ms) return false;
        QApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

bool Idle(Program& program, int ms) {
    return WaitFor([&program] { return !program.Engine().Busy(); }, ms);
}

void WhenModal(const char* className, std::function<void(QWidget*)> act) {
    auto* timer = new QTimer;
    const QByteArray name(className);
    QObject::connect(timer, &QTimer::timeout, [timer, name, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr || modal->objectName().toLatin1() != name) return;
        timer->stop();
        timer->deleteLater();
        act(modal);
    });
    timer->start(20);
}

std::shared_ptr<FileDialogAnswer> WhenFileDialog(const QString& path) {
    auto* timer = new QTimer;
    auto answer = std::make_shared<FileDialogAnswer>();
    auto ticks = std::make_shared<int>(0);
    auto lastAnswer = std::make_shared<int>(-100);
    QObject::connect(timer, &QTimer::timeout, [timer, path, answer, ticks, lastAnswer] {
        ++*ticks;
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (dialog == nullptr) {
            if (answer->answered || *ticks > 500) {
                timer->stop();
                timer->deleteLater();
            }
            return;
        }
        auto* name = dialog->findChild<QLineEdit*>("fileNameEdit");
        if (!answer->answered) {
            answer->folder = dialog->directory().absolutePath();
            answer->offered = name != nullptr ? name->text() : QString();
            answer->answered = true;
        }
        // A dialog that is still closing is not answered twice.
        if (*ticks - *lastAnswer < 20) return;
        *lastAnswer = *ticks;
        if (name != nullptr) {
            name->setText(path);
        } else {
            dialog->selectFile(path);
        }
        static_cast<QDialog*>(dialog)->accept();
    });
    timer->start(50);
    return answer;
}

gui::ScreenBase* UsableScreen(Program& program) {
    gui::MainWindow& main = program.Main();
    gui::ScreenBase* active = main.ActiveScreen();
    if (active == nullptr || active->parentWidget() == nullptr) return nullptr;
    const QWidget* window = active->parentWidget();
    if (!window->isVisible() || !window->isEnabled() || !main.menuBar()->isEnabled())
        return nullptr;
    return active;
}

void Press(QWidget* screen, const char* button) {
    QTest::mouseClick(Child<QPushButton>(screen, button), Qt::LeftButton);
}

bool ChooseAndOk(QWidget* screen, const char* option) {
    if (screen == nullptr) return false;
    auto* button = Child<QRadioButton>(screen, option);
    QTest::mouseClick(button, Qt::LeftButton, {}, QPoint(6, button->height() / 2));
    Press(screen, "cmdOK");
    return true;
}

bool ScreenEnabled(const QWidget* screen) {
    return screen != nullptr && screen->parentWidget() != nullptr &&
           screen->parentWidget()->isEnabled();
}

}  // namespace rq50::guitest
