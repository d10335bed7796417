#include "gui/comm/PasswordDialog.h"

#include "comm/jobs/Password.h"
#include "files/Workspace.h"
#include "gui/KeyFilter.h"
#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "gui/WindowPositions.h"
#include "parameter/NumericKeyFilter.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ4300.h"

namespace rq50::gui {

namespace {
constexpr const char* kName = "frmRQ4300";
}  // namespace

PasswordDialog::PasswordDialog(files::Workspace& ws, shell::PasswordMode mode, QWidget* parent)
    : QDialog(parent), m_ws(ws), m_ui(std::make_unique<Ui::frmRQ4300>()), m_mode(mode) {
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kName));
    const bool setting = mode == shell::PasswordMode::Set;
    setWindowTitle(CatalogueText(setting ? kTextSetCaption : kTextEntryCaption));
    m_ui->lblPassword->setText(CatalogueText(setting ? kTextNewPassword : kTextPassword));
    m_ui->lblConfirm->setText(CatalogueText(kTextConfirm));
    m_ui->lblConfirm->setVisible(setting);
    m_ui->txtConfirm->setVisible(setting);
    m_ui->lblHint->setText(CatalogueText(kTextHint));
    m_ui->cmdOK->setText(CatalogueText(kTextPasswordOk));
    m_ui->cmdCancel->setText(CatalogueText(kTextCancel));
    m_ui->txtPassword->setAccessibleName(m_ui->lblPassword->text());
    m_ui->txtConfirm->setAccessibleName(m_ui->lblConfirm->text());
    m_ui->cmdOK->setAccessibleName(m_ui->cmdOK->text());
    m_ui->cmdCancel->setAccessibleName(m_ui->cmdCancel->text());
    m_ui->lblHint->setAccessibleName(m_ui->lblHint->text());
    new NumericKeyGuard(m_ui->txtPassword, parameter::kDigitsOnly);
    new NumericKeyGuard(m_ui->txtConfirm, parameter::kDigitsOnly);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, [this] {
        Trap(Ws().hosts, TrapLabel(TrapCode(*this), "cmdOK_Click"), [this] { Confirm(); });
    });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    AddMnemonics(this);
    adjustSize();
    LoadPosition(Ws(), this, kName);
}

PasswordDialog::~PasswordDialog() {
    SavePosition(Ws(), this, kName);
}

void PasswordDialog::Run(files::Workspace& ws, QWidget* parent, shell::PasswordMode mode) {
    ws.state.passwordMode = mode;
    PasswordDialog dialog(ws, mode, parent);
    dialog.exec();
}

void PasswordDialog::Confirm() {
    const comm::jobs::PasswordOutcome out =
        comm::jobs::PasswordDialogOk(Ws(), m_mode, Bytes(m_ui->txtPassword->text()),
                                     Bytes(m_ui->txtConfirm->text()), Bytes(windowTitle()));
    if (out.close) {
        accept();
        return;
    }
    QLineEdit* field = out.select == comm::jobs::PasswordField::Confirm ? m_ui->txtConfirm
                       : out.select == comm::jobs::PasswordField::First ? m_ui->txtPassword
                                                                        : nullptr;
    if (field != nullptr) {
        field->setFocus();
        field->selectAll();
    }
}

}  // namespace rq50::gui
