#include "gui/shell/VersionWindow.h"

#include <QGuiApplication>
#include <QProcess>
#include <QScreen>
#include <QStandardPaths>

#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "gui/shell/TitleScreen.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/Services.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ0200.h"

namespace rq50::gui {

namespace {
/// The window stands this far above the exact centre of the screen.
constexpr int kAboveCentrePx = 1000 / 15;
}  // namespace

VersionWindow::VersionWindow(files::Workspace& ws, QWidget* parent)
    : QDialog(parent), m_ws(ws), m_ui(std::make_unique<Ui::frmRQ0200>()) {
    m_ui->setupUi(this);
    setObjectName(QStringLiteral("frmRQ0200"));
    setWindowTitle(CatalogueText(kTextVersionCaption));
    m_ui->lblModel->setText(CatalogueText(kTextVersionModel));
    m_ui->lblTool->setText(CatalogueText(kTextTool));
    m_ui->lblVersion->setText(VersionText());
    m_ui->cmdOK->setText(CatalogueText(kTextOk));
    m_ui->cmdSysInfo->setText(CatalogueText(kTextSysInfo));
    NameByCaption({m_ui->lblModel, m_ui->lblTool, m_ui->lblVersion, m_ui->cmdOK, m_ui->cmdSysInfo});
    m_ui->cmdSysInfo->setEnabled(!SystemInfoProgram().isEmpty());
    connect(m_ui->cmdOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->cmdSysInfo, &QPushButton::clicked, this, [this] {
        Trap(Ws().hosts, TrapLabel(TrapCode(*this), "cmdSysInfo_Click"),
             [this] { StartSysInfo(); });
    });
    AddMnemonics(this);
    adjustSize();
    // CenterForm: centred, a little above the middle of the screen.
    if (QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        move(area.center() - rect().center() - QPoint(0, kAboveCentrePx));
    }
}

VersionWindow::~VersionWindow() = default;

void VersionWindow::Run(files::Workspace& ws, QWidget* parent) {
    VersionWindow dialog(ws, parent);
    dialog.exec();
}

QString VersionWindow::SystemInfoProgram() {
#ifdef Q_OS_WIN
    return QStandardPaths::findExecutable(QStringLiteral("msinfo32"));
#else
    for (const char* name : {"hardinfo2", "hardinfo", "kinfocenter", "gnome-system-monitor"}) {
        const QString path = QStandardPaths::findExecutable(QString::fromLatin1(name));
        if (!path.isEmpty()) return path;
    }
    return {};
#endif
}

void VersionWindow::StartSysInfo() {
    const QString program = SystemInfoProgram();
    if (!program.isEmpty() && QProcess::startDetached(program, {})) return;
    ShowAlert(Ws().hosts,
              {shell::Catalogue(kTextSysInfoUnavailable), shell::Catalogue(kTextVersionCaption),
               shell::MsgButtons::Ok, shell::MsgIcon::None});
}

}  // namespace rq50::gui
