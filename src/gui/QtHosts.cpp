#include "gui/QtHosts.h"

#include <QApplication>
#include <QCursor>
#include <QEventLoop>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>

#include "files/SaveTarget.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"

namespace rq50::gui {

QString Text(const std::string& bytes) {
    return QString::fromLatin1(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

QString CatalogueText(int number) {
    return Text(shell::Catalogue(number));
}

std::string Bytes(const QString& text) {
    std::string out;
    out.reserve(static_cast<std::size_t>(text.size()));
    for (QChar c : text) out.push_back(c.unicode() < 256 ? static_cast<char>(c.unicode()) : '?');
    return out;
}

QString PathText(const std::string& path) {
    return QString::fromStdString(path);
}

std::string PathBytes(const QString& path) {
    return path.toStdString();
}

// ------------------------------------------------------------ message boxes

namespace {

QMessageBox::Icon IconOf(shell::MsgIcon icon) {
    switch (icon) {
        case shell::MsgIcon::Critical:
            return QMessageBox::Critical;
        case shell::MsgIcon::Question:
            return QMessageBox::Question;
        case shell::MsgIcon::Exclamation:
            return QMessageBox::Warning;
        case shell::MsgIcon::Information:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}

struct ButtonAnswer {
    QMessageBox::StandardButton button;
    shell::MsgAnswer answer;
};

std::vector<ButtonAnswer> ButtonsOf(shell::MsgButtons set) {
    using B = QMessageBox;
    switch (set) {
        case shell::MsgButtons::OkCancel:
            return {{B::Ok, shell::MsgAnswer::Ok}, {B::Cancel, shell::MsgAnswer::Cancel}};
        case shell::MsgButtons::AbortRetryIgnore:
            return {{B::Abort, shell::MsgAnswer::Abort},
                    {B::Retry, shell::MsgAnswer::Retry},
                    {B::Ignore, shell::MsgAnswer::Ignore}};
        case shell::MsgButtons::YesNoCancel:
            return {{B::Yes, shell::MsgAnswer::Yes},
                    {B::No, shell::MsgAnswer::No},
                    {B::Cancel, shell::MsgAnswer::Cancel}};
        case shell::MsgButtons::YesNo:
            return {{B::Yes, shell::MsgAnswer::Yes}, {B::No, shell::MsgAnswer::No}};
        case shell::MsgButtons::RetryCancel:
            return {{B::Retry, shell::MsgAnswer::Retry}, {B::Cancel, shell::MsgAnswer::Cancel}};
        default:
            return {{B::Ok, shell::MsgAnswer::Ok}};
    }
}

}  // namespace

void QtMessageBoxHost::Beep() {
    QApplication::beep();
}

shell::MsgAnswer QtMessageBoxHost::Show(const shell::MessageBoxRequest& box) {
    QMessageBox dialog(IconOf(box.icon), Text(box.title),
                       Text(box.text).replace(QStringLiteral("\r\n"), QStringLiteral("\n")),
                       QMessageBox::NoButton, QApplication::activeWindow());
    const auto buttons = ButtonsOf(box.buttons);
    for (const auto& b : buttons) {
        QPushButton* button = dialog.addButton(b.button);
        button->setAccessibleName(button->text().remove(QLatin1Char('&')));
    }
    // Escape answers Cancel where there is one, else the last button (No, OK).
    dialog.setEscapeButton(dialog.button(buttons.back().button));
    dialog.setDefaultButton(buttons.front().button);
    dialog.exec();
    const auto clicked = dialog.standardButton(dialog.clickedButton());
    for (const auto& b : buttons) {
        if (b.button == clicked) return b.answer;
    }
    return buttons.back().answer;
}

std::optional<std::string> QtMessageBoxHost::InputBox(const std::string& prompt,
                                                      const std::string& title) {
    bool ok = false;
    const QString text = QInputDialog::getText(QApplication::activeWindow(), Text(title),
                                               Text(prompt), QLineEdit::Normal, {}, &ok);
    if (!ok) return std::nullopt;
    return Bytes(text);
}

// ------------------------------------------------------------ clock and utility

GuiClock::GuiClock() {
    m_timer.start();
}

std::int64_t GuiClock::NowMs() const {
    return m_timer.elapsed();
}

void GuiClock::Wait(std::int32_t ms) {
    if (ms <= 0) return;
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

void GuiUtility::SetCursorPosition(std::int32_t x, std::int32_t y) {
    QCursor::setPos(x, y);
}

// ------------------------------------------------------------ settings

QtSettingsStore::QtSettingsStore(const QString& iniFile)
    : m_settings(std::make_unique<QSettings>(iniFile, QSettings::IniFormat)) {}

std::optional<std::string> QtSettingsStore::Get(const std::string& key) const {
    const QString name = QStringLiteral("Settings/") + Text(key);
    if (!m_settings->contains(name)) return std::nullopt;
    return Bytes(m_settings->value(name).toString());
}

void QtSettingsStore::Set(const std::string& key, const std::string& value) {
    m_settings->setValue(QStringLiteral("Settings/") + Text(key), Text(value));
    m_settings->sync();
}

// ------------------------------------------------------------ file dialog

std::optional<session::DialogChoice> QtFileDialogHost::Show(
    const session::FileDialogSpec& dialogSpec) {
    QFileDialog dialog(QApplication::activeWindow(), Text(dialogSpec.title),
                       PathText(dialogSpec.startFolder));
    dialog.setAcceptMode(dialogSpec.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(dialogSpec.fileMustExist && !dialogSpec.save ? QFileDialog::ExistingFile
                                                                    : QFileDialog::AnyFile);
    // "Parameter File(*.7pa)|*.7pa", pairs joined by "|": Qt wants each
    // pattern in its description.
    const QStringList parts = Text(dialogSpec.filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i < parts.size(); i += 2) {
        const QString& description = parts[i];
        const QString pattern = i + 1 < parts.size() ? parts[i + 1] : description;
        filters << (description.contains(pattern) ? description
                                                  : description + " (" + pattern + ")");
    }
    dialog.setNameFilters(filters);
    if (!dialogSpec.defaultExt.empty()) dialog.setDefaultSuffix(Text(dialogSpec.defaultExt));
    QFileDialog::Options options;
    if (!dialogSpec.overwritePrompt) options |= QFileDialog::DontConfirmOverwrite;
    dialog.setOptions(options);
    dialog.selectFile(Text(dialogSpec.initialName));
    while (dialog.exec() == QDialog::Accepted) {
        const QStringList files = dialog.selectedFiles();
        if (files.isEmpty()) return session::DialogChoice{};
        const QFileInfo info(files.front());
        // Accepted before the dialog had listed its folder, the selection can
        // be the folder itself: that is no file, so the dialog stays.
        if (info.isDir()) continue;
        if (dialogSpec.refuseReadOnly && info.exists() && !info.isWritable()) {
            shell::ShowMessage(m_hosts, kMsgReadOnlyFile, shell::MsgButtons::Ok, "");
            continue;
        }
        if (dialogSpec.pathMustExist && !info.absoluteDir().exists()) {
            // A name under a file or a missing folder: say which, then ask again.
            const std::string problem =
                files::SaveTargetProblem(PathBytes(info.absoluteFilePath()));
            ShowAlert(m_hosts, {files::Utf8ToSingleByte(problem), Bytes(dialog.windowTitle()),
                                shell::MsgButtons::Ok, shell::MsgIcon::Exclamation});
            continue;
        }
        return session::DialogChoice{
            PathBytes(info.absoluteFilePath()), PathBytes(info.fileName()),
            static_cast<int>(filters.indexOf(dialog.selectedNameFilter()))};
    }
    return std::nullopt;
}

}  // namespace rq50::gui
