#include "gui/comm/SlotNumberDialog.h"

#include <utility>

#include "comm/Engine.h"
#include "comm/jobs/TransferRules.h"
#include "files/Workspace.h"
#include "gui/FormPosition.h"
#include "gui/KeyFilter.h"
#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "parameter/NumericKeyFilter.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ4100.h"

namespace rq50::comm {

namespace {
constexpr const char* kName = "frmRQ4100";

}  // namespace

SlotNumberDialog::SlotNumberDialog(shell::Workspace& ws, QWidget* parent)
    : QDialog(parent), m_ws(ws), m_ui(std::make_unique<Ui::frmRQ4100>()) {
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kName));
    setWindowTitle(gui::CatalogueText(kTextSlotCaption));
    m_ui->lblSlot->setText(gui::CatalogueText(kTextSlot));
    m_ui->cmdOK->setText(gui::CatalogueText(kTextSlotOk));
    m_ui->cmdCancel->setText(gui::CatalogueText(kTextSlotCancel));
    m_ui->txtSlot->setAccessibleName(m_ui->lblSlot->text());
    m_ui->cmdOK->setAccessibleName(m_ui->cmdOK->text());
    m_ui->cmdCancel->setAccessibleName(m_ui->cmdCancel->text());
    new gui::NumericKeyGuard(m_ui->txtSlot, parameter::kDigitsOnly);
    connect(m_ui->cmdOK, &QPushButton::clicked, this,
            [this] { gui::Trap(Ws().hosts, "RQ4100_cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    gui::AddMnemonics(this);
    adjustSize();
    gui::LoadPosition(Ws(), this, kName);
}

SlotNumberDialog::~SlotNumberDialog() {
    gui::SavePosition(Ws(), this, kName);
}

void SlotNumberDialog::cmdOK_Click() {
    m_slot = jobs::ParseSlotEntry(gui::Bytes(m_ui->txtSlot->text()));
    if (!m_slot) {
        shell::ShowMessage(Ws().hosts, kMsgIllegalValue, shell::kButtonsOk,
                           shell::Catalogue(kTextSlotCaption));
        m_ui->txtSlot->setFocus();
        m_ui->txtSlot->selectAll();
        return;
    }
    accept();
}

std::optional<int> SlotNumberDialog::Ask(shell::Workspace& ws, QWidget* parent) {
    SlotNumberDialog dialog(ws, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Slot();
}

std::optional<int> SlotNumberDialog::TakePresetSlot(shell::Workspace& ws) {
    return std::exchange(ws.state.presetSlot, std::nullopt);
}

void SlotNumberDialog::RunSlotSetting(shell::Workspace& ws, QWidget* parent) {
    const std::optional<int> slot = Ask(ws, parent);
    if (!slot) return;
    ws.state.presetSlot = slot;
    // The screen behind stays as it is: the job only writes the slot.
    if (!shell::StartCallerJob(ws.Engine(), {kJobSlot, shell::Catalogue(kTextSlotCaption)},
                               shell::kCallerSlotDialog)) {
        ws.state.presetSlot.reset();
        return;
    }
    shell::ShowDisplay(ws, shell::kDisplayCommProgress);
}

}  // namespace rq50::comm
