#include "comm/frmRQ4100.h"

#include <utility>

#include "comm/Engine.h"
#include "comm/jobs/TransferRules.h"
#include "gui/FormPosition.h"
#include "gui/KeyFilter.h"
#include "gui/QtHosts.h"
#include "gui/ScreenBase.h"
#include "parameter/NumericKeyFilter.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Navigation.h"
#include "ui_frmRQ4100.h"

namespace rq50::comm {

namespace {
constexpr int kTextCaption = 4101;
constexpr int kTextSlot = 4102;
constexpr int kTextOk = 4103;
constexpr int kTextCancel = 4104;
constexpr const char* kName = "frmRQ4100";

std::optional<int>& PresetSlot() {
    static std::optional<int> slot;
    return slot;
}
}  // namespace

frmRQ4100::frmRQ4100(QWidget* parent) : QDialog(parent), m_ui(std::make_unique<Ui::frmRQ4100>()) {
    m_ui->setupUi(this);
    setObjectName(QString::fromLatin1(kName));
    setWindowTitle(gui::CatalogueText(kTextCaption));
    m_ui->lblSlot->setText(gui::CatalogueText(kTextSlot));
    m_ui->cmdOK->setText(gui::CatalogueText(kTextOk));
    m_ui->cmdCancel->setText(gui::CatalogueText(kTextCancel));
    m_ui->txtSlot->setAccessibleName(m_ui->lblSlot->text());
    m_ui->cmdOK->setAccessibleName(m_ui->cmdOK->text());
    m_ui->cmdCancel->setAccessibleName(m_ui->cmdCancel->text());
    new gui::NumericKeyGuard(m_ui->txtSlot, parameter::kDigitsOnly);
    connect(m_ui->cmdOK, &QPushButton::clicked, this,
            [this] { gui::Trap("RQ4100_cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this, &QDialog::reject);
    gui::AddMnemonics(this);
    adjustSize();
    gui::LoadPosition(this, kName);
}

frmRQ4100::~frmRQ4100() {
    gui::SavePosition(this, kName);
}

void frmRQ4100::cmdOK_Click() {
    m_slot = jobs::ParseSlotEntry(gui::Bytes(m_ui->txtSlot->text()));
    if (!m_slot) {
        shell::RQ0000fnc_nShowMsgBox(kMsgIllegalValue, shell::kButtonsOk,
                                     shell::Catalogue(kTextCaption));
        m_ui->txtSlot->setFocus();
        m_ui->txtSlot->selectAll();
        return;
    }
    CommEngine& engine = shell::FrontEndEngine();
    engine.SlotNumber = *m_slot;
    engine.SlotConfirmed = true;
    accept();
}

std::optional<int> frmRQ4100::Ask(QWidget* parent) {
    frmRQ4100 dialog(parent);
    if (dialog.exec() != QDialog::Accepted) return std::nullopt;
    return dialog.Slot();
}

std::optional<int> frmRQ4100::TakePresetSlot() {
    return std::exchange(PresetSlot(), std::nullopt);
}

void frmRQ4100::RunSlotSetting(QWidget* parent) {
    const std::optional<int> slot = Ask(parent);
    if (!slot) return;
    PresetSlot() = slot;
    // The screen behind stays as it is: the job only writes the slot.
    if (!shell::FrontEndEngine().StartCommJob(
            {kJobSlot, shell::Catalogue(kTextCaption), kCallerSlotDialog})) {
        PresetSlot().reset();
        return;
    }
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayCommProgress);
}

}  // namespace rq50::comm
