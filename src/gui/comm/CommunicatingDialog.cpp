#include "gui/comm/CommunicatingDialog.h"

#include <algorithm>

#include "comm/Engine.h"
#include "gui/QtHosts.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ4000.h"

namespace rq50::gui {

namespace {}  // namespace

CommunicatingDialog::CommunicatingDialog(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::Communicating, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ4000>()) {
    m_ui->setupUi(this);
    OnSignal(m_ui->cmdStop, &QPushButton::clicked, "cmdStop_Click",
             [this] { Engine().Terminate(); });
}

CommunicatingDialog::~CommunicatingDialog() = default;

void CommunicatingDialog::Load() {
    setWindowTitle(CatalogueText(kTextCommunicatingCaption));
    m_ui->lblTitle->setText(Text(Engine().JobTitle()));
    m_ui->lblTitle->setAccessibleName(m_ui->lblTitle->text());
    m_ui->cmdStop->setText(CatalogueText(kTextTerminate));
    m_ui->cmdStop->setAccessibleName(m_ui->cmdStop->text());
    m_ui->prgWait->setAccessibleName(CatalogueText(kTextCommunicatingCaption));
    m_ui->cmdStop->setFocus();
    SetProgress(0);
}

void CommunicatingDialog::SetProgress(int value) {
    m_ui->prgWait->setValue(std::clamp(value, 0, 100));
}

int CommunicatingDialog::Progress() const {
    return m_ui->prgWait->value();
}

}  // namespace rq50::gui
