#include "gui/print/PrintDialog.h"

#include "files/Workspace.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "session/Navigation.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2800.h"

namespace rq50::gui {

namespace {

constexpr int kFollowInformation = 3;
// Why the information record window opens: the print dialog's button.

void Navigate(files::Workspace& ws, shell::NavEvent event, int follow = 0) {
    session::DisplayMatrix(ws, event, follow, session::kAnswerNoChange);
}

}  // namespace

PrintDialog::PrintDialog(files::Workspace& ws, ReportDevices& devices, QWidget* parent)
    : ScreenBase(shell::Screen::PrintDialog, ws, parent),
      m_devices(devices),
      m_ui(std::make_unique<Ui::frmRQ2800>()) {
    m_ui->setupUi(this);
    SetEscapeButton(m_ui->cmdCancel);
    m_areas = {m_ui->chkInformation, m_ui->chkDisplay, m_ui->chkSet,  m_ui->chkAdjust,
               m_ui->chkMaint,       m_ui->chkProgram, m_ui->chkConst};
    SetMenus();
    OfferCommandMenuUnlock();
    OnSignal(m_ui->cmdPrint, &QPushButton::clicked, "cmdPrint_Click", [this] { Print(); });
    OnSignal(m_ui->cmdPreview, &QPushButton::clicked, "cmdPreview_Click", [this] { Preview(); });
    OnSignal(m_ui->cmdCSVFile, &QPushButton::clicked, "cmdCSVFile_Click",
             [this] { WriteCsvFile(); });
    OnSignal(m_ui->cmdInfo, &QPushButton::clicked, "cmdInfo_Click", [this] { ShowInformation(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

PrintDialog::~PrintDialog() = default;

QCheckBox* PrintDialog::AreaBox(print::PrintArea area) const {
    return m_areas.at(print::Index(area));
}

void PrintDialog::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextPrintCaption));
        m_ui->fraPrint->setTitle(CatalogueText(kTextAreaFrame));
        m_ui->fraPrint->setAccessibleName(CatalogueText(kTextAreaFrame));
        for (print::PrintArea area : print::kPrintAreas) {
            AreaBox(area)->setText(
                CatalogueText(kTextInformationArea + static_cast<int>(print::Index(area))));
        }
        m_ui->cmdPrint->setText(CatalogueText(kTextPrintButton));
        m_ui->cmdPreview->setText(CatalogueText(kTextPreview));
        m_ui->cmdCSVFile->setText(CatalogueText(kTextCsv));
        m_ui->cmdInfo->setText(CatalogueText(kTextInfo));
        m_ui->cmdCancel->setText(CatalogueText(kTextPrintCancel));
        QList<QWidget*> captioned = {m_ui->cmdPrint, m_ui->cmdPreview, m_ui->cmdCSVFile,
                                     m_ui->cmdInfo, m_ui->cmdCancel};
        for (QCheckBox* box : m_areas) captioned.append(box);
        NameByCaption(captioned);
        const shell::SettingMode mode = Ws().state.settingMode;
        ShowBoxes(print::OpenPrintAreas(mode, Ws().state.maintMode));
        Std().mnuMonitor->setVisible(mode != shell::SettingMode::Program);
    });
}

void PrintDialog::OnMaintModeChanged(bool on) {
    print::PrintAreaBoxes boxes = Boxes();
    print::ApplyMaintMode(boxes, Ws().state.settingMode, on);
    ShowBoxes(boxes);
}

print::PrintAreaBoxes PrintDialog::Boxes() const {
    print::PrintAreaBoxes boxes;
    for (print::PrintArea area : print::kPrintAreas) {
        // Visibility as the dialog set it, whether or not the window shows.
        boxes.visible[area] = !AreaBox(area)->isHidden();
        boxes.checked[area] = AreaBox(area)->isChecked();
    }
    return boxes;
}

void PrintDialog::ShowBoxes(const print::PrintAreaBoxes& boxes) {
    for (print::PrintArea area : print::kPrintAreas) {
        AreaBox(area)->setVisible(boxes.visible[area]);
        AreaBox(area)->setEnabled(boxes.visible[area]);
        AreaBox(area)->setChecked(boxes.checked[area]);
    }
    // Room for the captions and for the boxes shown now (MAINT comes and
    // goes with MAINT Mode).
    FitWindow(this);
}

bool PrintDialog::TakeSelection() {
    const print::PrintAreaBoxes boxes = Boxes();
    if (!print::AnyAreaSelected(boxes)) return false;
    Ws().printAreas = print::SelectedAreasOf(boxes);
    return true;
}

void PrintDialog::Print() {
    if (!TakeSelection()) return;
    if (!CheckPrinter(m_devices, Ws(), files::ReportKind::Current)) return;
    Navigate(Ws(), shell::NavEvent::kPrintDialogPrint);
}

void PrintDialog::Preview() {
    // The preview needs no printer (many field laptops have none); its own
    // Print asks for one.
    if (!TakeSelection()) return;
    Ws().previewReport = files::ReportKind::Current;
    Navigate(Ws(), shell::NavEvent::kPrintDialogPreview);
    if (auto* navigation = Nav()) {
        navigation->DisableScreen(shell::Screen::PrintDialog);
    }
}

void PrintDialog::WriteCsvFile() {
    if (!TakeSelection()) return;
    Navigate(Ws(), shell::NavEvent::kPrintDialogCsv);
}

void PrintDialog::ShowInformation() {
    Ws().state.infoPurpose = shell::InfoPurpose::PrintDialog;
    Navigate(Ws(), shell::NavEvent::kPrintDialogInformation, kFollowInformation);
    if (auto* navigation = Nav()) {
        navigation->DisableScreen(shell::Screen::PrintDialog);
    }
}

void PrintDialog::Cancel() {
    const shell::NavEvent event = Ws().state.settingMode == shell::SettingMode::Program
                                      ? shell::NavEvent::kPrintDialogCancelToProgram
                                      : shell::NavEvent::kPrintDialogCancelToDataView;
    if (auto* navigation = Nav()) {
        navigation->UnloadScreen(shell::Screen::PrintDialog);
    }
    Navigate(Ws(), event);
}

}  // namespace rq50::gui
