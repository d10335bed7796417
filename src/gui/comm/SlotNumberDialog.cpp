#include "gui/comm/SlotNumberDialog.h"

#include <utility>

#include "comm/Engine.h"
#include "comm/jobs/TransferRules.h"
#include "files/Workspace.h"
#include "gui/KeyFilter.h"
#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "gui/WindowPositions.h"
#include "parameter/NumericKeyFilter.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ4100.h"

namespace rq50::gui {

namespace {
constexpr const char* kName = "frmRQ4100";

}  // namespace

SlotNumberDialog::SlotNumberDialog(files::Workspace& ws, QWidget* parent)
    : QDialog(parent), m_ws(ws), m_ui(std::make_unique<Ui::frmRQ4100>()) {
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kName));
    setWindowTitle(CatalogueText(kTextSlotCaption));
    m_ui->lblSlot->setText(CatalogueText(kTextSlot));
    m_ui->cmdOK->setText(CatalogueText(kTextSlotOk));
    m_ui->cmdCancel->setText(CatalogueText(kTextSlotCancel));
    m_ui->txtSlot->setAccessibleName(m_ui->lblSlot->text());
    m_ui->cmdOK->setAccessibleName(m_ui->cmdOK->text());
    m_ui->cmdCancel->setAccessibleName(m_ui->cmdCancel->text());
    new NumericKeyGuard(m_ui->txtSlot, parameter::kDigitsOnly);
    connect(m_ui->cmdOK, &QPushButton::clicked, this, [this] {
        Trap(Ws().hosts, TrapLabel(TrapCode(*this), "cmdOK_Click"), [this] { Confirm(); });
    });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    AddMnemonics(this);
    adjustSize();
    LoadPosition(Ws(), this, kName);
}

SlotNumberDialog::~SlotNumberDialog() {
    SavePosition(Ws(), this, kName);
}

void SlotNumberDialog::Confirm() {
    m_slot = comm::jobs::ParseSlotEntry(Bytes(m_ui->txtSlot->text()));
    if (!m_slot) {
        shell::ShowMessage(Ws().hosts, kMsgIllegalValue, shell::MsgButtons::Ok,
                           shell::Catalogue(kTextSlotCaption));
        m_ui->txtSlot->setFocus();
        m_ui->txtSlot->selectAll();
        return;
    }
    accept();
}

std::optional<int> SlotNumberDialog::Ask(files::Workspace& ws, QWidget* parent) {
    SlotNumberDialog dialog(ws, parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Slot();
}

std::optional<int> SlotNumberDialog::TakePresetSlot(files::Workspace& ws) {
    return std::exchange(ws.state.presetSlot, std::nullopt);
}

void SlotNumberDialog::RunSlotSetting(files::Workspace& ws, QWidget* parent) {
    const std::optional<int> slot = Ask(ws, parent);
    if (!slot) return;
    ws.state.presetSlot = slot;
    // The screen behind stays as it is: the job only writes the slot.
    if (!session::StartCallerJob(ws.Engine(), {comm::kJobSlot, shell::Catalogue(kTextSlotCaption)},
                                 session::kCallerSlotDialog)) {
        ws.state.presetSlot.reset();
        return;
    }
    session::ShowDisplay(ws, session::Display::CommProgress);
}

}  // namespace rq50::gui
