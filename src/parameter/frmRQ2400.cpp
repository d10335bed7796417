#include "parameter/frmRQ2400.h"

#include "comm/Engine.h"
#include "comm/ScreenJob.h"
#include "gui/EnterKey.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "gui/ReportOutput.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/Menus.h"
#include "shell/MessageBox.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "ui_frmRQ2400.h"

namespace rq50::parameter {

namespace {
constexpr int kTextCheckContent = 2401;
constexpr int kTextSave = 2402;  ///< 2402-2404: save, download, print
constexpr int kTextDownload = 2403;
constexpr int kTextOpenEditor = 2405;
constexpr int kTextTitleUploaded = 2411;  ///< 2411-2413 by data source
constexpr int kTextOk = 221;
constexpr int kTextCancel = 2421;
constexpr int kTextInformation = 1006;
constexpr int kTextBaudRate = 2130;

constexpr std::int16_t kSourceUploaded = 0;
constexpr std::int16_t kSourceProgram = 2;

/// Purposes of the information window opened from here.
constexpr std::int16_t kPurposeSaveButton = 1;
constexpr std::int16_t kPurposeFileMenu = 10;

// Events by data source (uploaded / from a file).
constexpr int kEventContentUploaded = 161;
constexpr int kEventContentFile = 181;
constexpr int kEventSaveUploaded = 162;
constexpr int kEventSaveFile = 182;
constexpr int kEventLeave = 165;

shell::NavigationHost* Nav() {
    return shell::Svc().navigation;
}

bool Uploaded() {
    return shell::G().dataSource == kSourceUploaded;
}
}  // namespace

frmRQ2400::frmRQ2400(QWidget* parent)
    : gui::ScreenBase(shell::Screen::frmRQ2400, parent), m_ui(std::make_unique<Ui::frmRQ2400>()) {
    m_ui->setupUi(this);
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    // File: Information, a separator, Exit.
    mnuFileInformation = new QAction(gui::CatalogueText(kTextInformation), this);
    Std().mnuFile->insertAction(Std().mnuFileExit, mnuFileInformation);
    Std().mnuFile->insertSeparator(Std().mnuFileExit);
    connect(mnuFileInformation, &QAction::triggered, this, [this] {
        gui::Trap("RQ2400_mnuFileItems_Click", [this] { mnuFileInformation_Click(); });
    });
    new gui::EnterPresses(m_ui->cmdOK,
                          {m_ui->optFile0, m_ui->optFile1, m_ui->optFile2, m_ui->optFile3});
    connect(m_ui->cmdOK, &QPushButton::clicked, this,
            [this] { gui::Trap("RQ2400_cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this,
            [this] { gui::Trap("RQ2400_cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmRQ2400::~frmRQ2400() = default;

QRadioButton* frmRQ2400::Option(int index) const {
    switch (index) {
        case 0:
            return m_ui->optFile0;
        case 1:
            return m_ui->optFile1;
        case 2:
            return m_ui->optFile2;
        case 3:
            return m_ui->optFile3;
        default:
            return nullptr;
    }
}

void frmRQ2400::Load() {
    gui::Trap("RQ2400_Form_Load", [this] {
        const int source = std::clamp<int>(shell::G().dataSource, 0, kSourceProgram);
        setWindowTitle(gui::CatalogueText(kTextTitleUploaded + source));
        m_ui->optFile0->setText(
            gui::CatalogueText(source == kSourceProgram ? kTextOpenEditor : kTextCheckContent));
        for (int i = 1; i < 4; ++i) Option(i)->setText(gui::CatalogueText(kTextSave + i - 1));
        m_ui->cmdOK->setText(gui::CatalogueText(kTextOk));
        m_ui->cmdCancel->setText(gui::CatalogueText(kTextCancel));
        for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_ui->optFile0),
                                   static_cast<QAbstractButton*>(m_ui->optFile1),
                                   static_cast<QAbstractButton*>(m_ui->optFile2),
                                   static_cast<QAbstractButton*>(m_ui->optFile3),
                                   static_cast<QAbstractButton*>(m_ui->cmdOK),
                                   static_cast<QAbstractButton*>(m_ui->cmdCancel)}) {
            b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        }
        m_ui->fraFile->setAccessibleName(windowTitle());
        // Without the download password the data goes nowhere but to a file.
        m_ui->optFile2->setEnabled(shell::G().downloadAllowed);
        // Uploaded data is in no file until it is saved.
        if (source == kSourceUploaded) shell::G().dataChanged = true;
    });
}

void frmRQ2400::showEvent(QShowEvent* event) {
    gui::ScreenBase::showEvent(event);
    gui::FitWindowWhenShown(this);
}

void frmRQ2400::Activated() {
    shell::G().currentScreenId = shell::kScreenDataView;
    gui::ScreenBase::Activated();
}

void frmRQ2400::OnBaudRate() {
    comm::StartScreenJob(Engine(), {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRate), comm::kCallerDataView3}, Id());
}

void frmRQ2400::Disable() {
    if (Nav() != nullptr) Nav()->DisableScreen(Id());
}

void frmRQ2400::cmdOK_Click() {
    if (m_ui->optFile0->isChecked()) {
        Disable();
        if (shell::G().dataSource == kSourceProgram) {
            shell::Pfnc_nShowDisplayMatorix(shell::kDisplayProgramEditor);
        } else {
            shell::DisplayMatorix(Uploaded() ? kEventContentUploaded : kEventContentFile, 0, 0);
        }
    } else if (m_ui->optFile1->isChecked()) {
        shell::G().infoPurpose = kPurposeSaveButton;
        shell::DisplayMatorix(Uploaded() ? kEventSaveUploaded : kEventSaveFile, 0, 0);
    } else if (m_ui->optFile2->isChecked()) {
        shell::G().cameFromDownloadCheck = false;
        comm::StartScreenJob(Engine(), {comm::kJobDownload, shell::Catalogue(kTextDownload), comm::kCallerDataViewDownload}, Id());
    } else {
        gui::PrintFromScreen(Id());
    }
}

void frmRQ2400::cmdCancel_Click() {
    shell::DisplayMatorix(
        kEventLeave, 0,
        shell::G().dataChanged ? shell::kAnswerDataChanged : shell::kAnswerNoChange);
}

void frmRQ2400::mnuFileInformation_Click() {
    shell::G().infoPurpose = kPurposeFileMenu;
    Disable();
    shell::Pfnc_nShowDisplayMatorix(shell::kDisplayInformation);
}

}  // namespace rq50::parameter
