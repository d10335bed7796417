#include "gui/ScreenBase.h"

#include <QInputDialog>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPushButton>
#include <QSerialPortInfo>

#include <algorithm>

#include "comm/Frame.h"
#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "session/SafeDownload.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/SettingsStore.h"
#include "shell/TextNumbers.h"

namespace rq50::gui {

namespace {

/// An action with the catalogue caption; its accessible name is the caption
/// without the accelerator mark.
QAction* AddItem(QMenu* menu, int text) {
    QAction* action = menu->addAction(CatalogueText(text));
    return action;
}

QMenu* NewMenu(QWidget* owner, int text) {
    auto* menu = new QMenu(CatalogueText(text), owner);
    menu->setAccessibleName(CatalogueText(text).remove(QLatin1Char('&')));
    return menu;
}

/// The standard menus and the unlock gesture are the same on every screen:
/// their handlers are named alone, with no screen's code.
constexpr std::string_view kSharedCode;

}  // namespace

void ShowTrapped(const shell::Services& hosts, const std::string& label, const char* description) {
    shell::ShowRoutineError(hosts, label + "_ERR", description);
}

std::string TrapLabel(std::string_view code, std::string_view handler) {
    std::string label(code);
    const bool routine = handler.starts_with("fnc_") || handler.starts_with("sub_");
    if (!label.empty() && !routine) label += '_';
    label += handler;
    return label;
}

std::string TrapCode(const QObject& window) {
    QString name = window.objectName();
    if (name.startsWith(QLatin1String("frm"))) name.remove(0, 3);
    return name.toStdString();
}

namespace {

/// The letter after a caption's "&" mark, upper case; a null character when
/// it has none ("&&" is a plain "&").
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&')) continue;
        if (text[i + 1] != QLatin1Char('&')) return text[i + 1].toUpper();
        ++i;
    }
    return {};
}

}  // namespace

QString MenuMnemonics(const QList<QMenu*>& menus) {
    QString letters;
    for (const QMenu* menu : menus) {
        if (const QChar c = MnemonicOf(menu->title()); !c.isNull()) letters += c;
    }
    return letters;
}

void AddMnemonics(QWidget* root, const QString& taken) {
    QString used = taken.toUpper();
    const QList<QPushButton*> buttons = root->findChildren<QPushButton*>();
    for (const QPushButton* b : buttons) {
        if (const QChar c = MnemonicOf(b->text()); !c.isNull()) used += c;
    }
    for (QPushButton* b : buttons) {
        const QString text = b->text();
        if (text.isEmpty() || text.contains(QLatin1Char('&'))) continue;
        // Word starts first, then any letter or digit of the caption.
        qsizetype at = -1;
        for (int pass = 0; pass < 2 && at < 0; ++pass) {
            for (qsizetype i = 0; i < text.size(); ++i) {
                const bool wordStart = i == 0 || !text[i - 1].isLetterOrNumber();
                if (!text[i].isLetterOrNumber() || (pass == 0 && !wordStart)) continue;
                if (used.contains(text[i].toUpper())) continue;
                at = i;
                break;
            }
        }
        if (at < 0) continue;
        used += text[at].toUpper();
        if (b->accessibleName().isEmpty()) b->setAccessibleName(text);
        b->setText(QString(text).insert(at, QLatin1Char('&')));
    }
}

StandardMenus::StandardMenus(QWidget* owner) : QObject(owner) {
    mnuFile = NewMenu(owner, kTextFile);
    mnuFileExit = AddItem(mnuFile, kTextExitMenu);

    mnuPort = NewMenu(owner, kTextCommSettings);
    mnuPortSerial = NewMenu(owner, kTextSerialPort);
    mnuPort->addMenu(mnuPortSerial);
    for (int i = 0; i < 4; ++i) {
        mnuPortCom[static_cast<std::size_t>(i)] = AddItem(mnuPortSerial, kTextCom1 + i);
        mnuPortCom[static_cast<std::size_t>(i)]->setCheckable(true);
    }
    mnuPortSession = mnuPortSerial->addAction(QString());
    mnuPortSession->setCheckable(true);
    mnuPortSession->setVisible(false);
    mnuPortSerial->addSeparator();
    mnuPortDevice = AddItem(mnuPortSerial, kTextPortDevice);
    mnuPortBaud = AddItem(mnuPort, kTextBaudRateMenu);
    mnuPortSlot = AddItem(mnuPort, kTextSlotNo);
    mnuPort->addSeparator();
    mnuPortFast = AddItem(mnuPort, kTextFastComm);
    mnuPortFast->setCheckable(true);
    mnuPortBackup = AddItem(mnuPort, kTextBackupFirst);
    mnuPortBackup->setCheckable(true);

    mnuHelp = NewMenu(owner, kTextHelp);
    mnuHelpVersion = AddItem(mnuHelp, kTextVersion);

    mnuCommand = NewMenu(owner, kTextCommandMenu);
    // The catalogue holds the three captions one after another.
    mnuMaintMode = AddItem(mnuCommand, kTextMaintMode);
    mnuMonitor = AddItem(mnuCommand, kTextMaintMode + 1);
    mnuLogFile = AddItem(mnuCommand, kTextMaintMode + 2);
    for (QAction* item : {mnuMaintMode, mnuMonitor, mnuLogFile}) item->setCheckable(true);
    mnuCommand->menuAction()->setVisible(false);
}

QAction* StandardMenus::CommandItem(session::CommandMenuItem item) const {
    switch (item) {
        case session::CommandMenuItem::MaintMode:
            return mnuMaintMode;
        case session::CommandMenuItem::Monitor:
            return mnuMonitor;
        case session::CommandMenuItem::LogFile:
            return mnuLogFile;
    }
    return nullptr;
}

QAction* StandardMenus::PortItem(session::PortMenuItem item) const {
    return mnuPortCom[static_cast<std::size_t>(session::ComPortOf(item) - 1)];
}

ScreenBase::ScreenBase(shell::Screen id, files::Workspace& ws, QWidget* parent)
    : QWidget(parent), m_id(id), m_ws(ws), m_quit(ws) {
    setObjectName(QString::fromLatin1(shell::ScreenName(id)));
}

void ScreenBase::SetMenus(const QList<QMenu*>& extra) {
    m_std = new StandardMenus(this);
    StandardMenus& s = *m_std;
    m_menus = {s.mnuFile, s.mnuPort, s.mnuHelp};
    m_menus.append(extra);
    m_menus.append(s.mnuCommand);

    auto shared = [](std::string_view handler) { return TrapLabel(kSharedCode, handler); };
    OnSignalLabelled(s.mnuFileExit, &QAction::triggered, shared("FileExit"),
                     [this] { OnFileExit(); });
    for (session::PortMenuItem item : session::kPortMenuItems) {
        connect(s.PortItem(item), &QAction::triggered, this,
                [this, item] { session::ChoosePortItem(Ws(), *this, item); });
    }
    // The session's device stays the one in use until a COMn is chosen.
    connect(s.mnuPortSession, &QAction::triggered, this,
            [this] { session::MarkPortInUse(Ws(), *this); });
    OnSignalLabelled(s.mnuPortDevice, &QAction::triggered, shared("mnuPortDevice_Click"),
                     [this] { ChoosePortDevice(); });
    OnSignalLabelled(s.mnuPortBaud, &QAction::triggered, shared("mnuPortItems_Click"),
                     [this] { OnBaudRate(); });
    OnSignalLabelled(s.mnuPortSlot, &QAction::triggered, shared("mnuPortItems_Click"),
                     [this] { OnSlotNo(); });
    // The mark follows the engine's pacing, which every screen shares.
    connect(s.mnuPort, &QMenu::aboutToShow, this, [this] {
        m_std->mnuPortFast->setChecked(session::FastCommunicationOn(Ws()));
        m_std->mnuPortBackup->setChecked(session::BackupBeforeDownloadOn(Ws()));
    });
    OnSignalLabelled(s.mnuPortFast, &QAction::triggered, shared("mnuPortFast_Click"), [this] {
        m_std->mnuPortFast->setChecked(session::ToggleFastCommunication(Ws()));
    });
    OnSignalLabelled(s.mnuPortBackup, &QAction::triggered, shared("mnuPortBackup_Click"), [this] {
        m_std->mnuPortBackup->setChecked(session::ToggleBackupBeforeDownload(Ws()));
    });
    OnSignalLabelled(s.mnuHelpVersion, &QAction::triggered, shared("mnuHelpItems_Click"),
                     [this] { OnVersion(); });
    for (auto item : {session::CommandMenuItem::MaintMode, session::CommandMenuItem::Monitor,
                      session::CommandMenuItem::LogFile}) {
        connect(s.CommandItem(item), &QAction::triggered, this, [this, item] {
            // The mark follows the flag, not Qt's own toggle.
            session::ToggleCommandItem(Ws(), *this, item);
        });
    }
    session::MarkPortInUse(Ws(), *this);
    s.mnuPortFast->setChecked(session::FastCommunicationOn(Ws()));
    s.mnuPortBackup->setChecked(session::BackupBeforeDownloadOn(Ws()));
    // Only screens that check the instrument first can change its rate.
    s.mnuPortBaud->setEnabled(false);
}

void ScreenBase::OfferBaudRate() {
    if (m_std != nullptr) m_std->mnuPortBaud->setEnabled(true);
}

void ScreenBase::SetEscapeButton(QAbstractButton* button) {
    m_escapeButton = button;
}

void ScreenBase::keyPressEvent(QKeyEvent* event) {
    // Escape that no control of the screen used reaches the screen itself.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier && m_escapeButton &&
        m_escapeButton->isEnabled() && m_escapeButton->isVisible()) {
        m_escapeButton->click();
        return;
    }
    QWidget::keyPressEvent(event);
}

bool ScreenBase::ExitEnabled() const {
    return m_std != nullptr && m_std->mnuFileExit->isEnabled();
}

void ScreenBase::Activated() {
    if (m_std == nullptr) return;
    session::ShowCommandMenuMarks(Ws(), *this);
    session::MarkPortInUse(Ws(), *this);
}

std::string ScreenBase::LabelOf(std::string_view handler) const {
    return TrapLabel(TrapCode(*this), handler);
}

void ScreenBase::SetCommandMenuVisible(bool visible) {
    if (m_std == nullptr) return;
    m_std->mnuCommand->menuAction()->setVisible(visible);
    m_std->mnuCommand->setEnabled(visible);
}

void ScreenBase::SetCommandMark(session::CommandMenuItem item, bool checked) {
    if (m_std == nullptr) return;
    if (QAction* a = m_std->CommandItem(item)) a->setChecked(checked);
}

void ScreenBase::SetPortMark(session::PortMenuItem item, bool checked) {
    if (m_std == nullptr) return;
    if (QAction* a = m_std->PortItem(item)) a->setChecked(checked);
}

void ScreenBase::SetSessionPortItem(const std::string& device) {
    if (m_std == nullptr) return;
    m_std->mnuPortSession->setText(Text(device));
    m_std->mnuPortSession->setVisible(!device.empty());
    m_std->mnuPortSession->setChecked(!device.empty());
}

void ScreenBase::TryUnlockCommandMenu(Qt::MouseButton button, Qt::KeyboardModifiers modifiers) {
    const int shift = ((modifiers & Qt::ShiftModifier) ? 1 : 0) |
                      ((modifiers & Qt::ControlModifier) ? 2 : 0) |
                      ((modifiers & Qt::AltModifier) ? 4 : 0);
    const int mouse = button == Qt::LeftButton    ? session::kLeftButton
                      : button == Qt::RightButton ? session::kRightButton
                                                  : 0;
    if (session::UnlockCommandMenu(Ws(), mouse, shift) == 0) SetCommandMenuVisible(true);
}

void ScreenBase::mousePressEvent(QMouseEvent* event) {
    if (m_unlockGesture) {
        Trap(Ws().hosts, TrapLabel(kSharedCode, "Form_MouseDown"),
             [this, event] { TryUnlockCommandMenu(event->button(), event->modifiers()); });
    }
    QWidget::mousePressEvent(event);
}

void ScreenBase::OnFileExit() {
    m_quit.Exit(Id());
}

void ScreenBase::OnSlotNo() {
    session::MenuCommand(Ws(), session::MenuCommandCode::SlotNo);
}

void ScreenBase::OnVersion() {
    session::MenuCommand(Ws(), session::MenuCommandCode::Version);
}

void ScreenBase::ChoosePortDevice() {
    const int port = Ws().state.comPort;
    std::vector<session::PortInfo> available;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        available.push_back({Bytes(info.systemLocation()), Bytes(info.description())});
    }
    int current = 0;
    const auto choices =
        session::PortChoices(available, Engine().CommDevice(), current, session::RecentPorts(Ws()));
    QStringList labels;
    for (const auto& choice : choices) labels << Text(choice.label);
    const bool session = !Engine().LineSettings().deviceOverride.empty();
    const QString forWhat = session ? Text(Engine().LineSettings().deviceOverride)
                                    : CatalogueText(kTextCom1 + port - 1);
    bool ok = false;
    const QString chosen = QInputDialog::getItem(
        this, CatalogueText(kTextPortDevice).remove(QLatin1Char('&')).remove(QStringLiteral("...")),
        CatalogueText(kTextDeviceFor) + forWhat, labels, std::max(current, 0), true, &ok);
    if (!ok) return;
    // A device path, or a device server's URL typed in (tcp://, rfc2217://).
    if (!session::UsePortDevice(Ws(), session::DeviceOfChoice(choices, Bytes(chosen)))) return;
    session::MarkPortInUse(Ws(), *this);
}

void NameByCaption(const QList<QWidget*>& controls) {
    for (QWidget* w : controls)
        w->setAccessibleName(w->property("text").toString().remove(QLatin1Char('&')).trimmed());
}

}  // namespace rq50::gui
