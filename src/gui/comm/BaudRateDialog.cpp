#include "gui/comm/BaudRateDialog.h"

#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "files/DataSet.h"
#include "files/Workspace.h"
#include "gui/QtHosts.h"
#include "session/Menus.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ4200.h"

namespace rq50::gui {

namespace {}  // namespace

BaudRateDialog::BaudRateDialog(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::BaudRate, ws, parent), m_ui(std::make_unique<Ui::frmRQ4200>()) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdCancel);
    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { ChangeRate(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

BaudRateDialog::~BaudRateDialog() = default;

void BaudRateDialog::Load() {
    setWindowTitle(CatalogueText(kTextBaudRateCaption));
    m_ui->lblModel->setText(CatalogueText(kTextBaudRateModel) + Text(Ws().header.model));
    m_ui->opt1200->setText(CatalogueText(kTextBps1200));
    m_ui->opt9600->setText(CatalogueText(kTextBps9600));
    m_ui->cmdOK->setText(CatalogueText(kTextBaudRateOk));
    m_ui->cmdCancel->setText(CatalogueText(kTextBaudRateCancel));
    NameByCaption({m_ui->lblModel, m_ui->opt1200, m_ui->opt9600, m_ui->cmdOK, m_ui->cmdCancel});
    m_ui->fraRate->setAccessibleName(windowTitle());
    (Engine().Speed() == 9600 ? m_ui->opt9600 : m_ui->opt1200)->setChecked(true);
}

void BaudRateDialog::Unload() {
    // The screen the Baud Rate command disabled works again once the dialog
    // is gone, whichever way it went.
    if (Nav() != nullptr) Nav()->EnableScreen(session::ScreenOfCurrentId(Ws()));
}

void BaudRateDialog::ChangeRate() {
    if (!comm::jobs::StartBaudRateChange(Engine(), m_ui->opt9600->isChecked() ? 9600 : 1200,
                                         session::HandBackTo(Ws(), session::kCallerBaudDialog)))
        return;
    if (Nav() != nullptr) Nav()->DisableScreen(shell::Screen::BaudRate);
    session::ShowDisplay(Ws(), session::Display::CommProgress);
}

void BaudRateDialog::Cancel() {
    if (Nav() != nullptr) Nav()->UnloadScreen(shell::Screen::BaudRate);
}

}  // namespace rq50::gui
