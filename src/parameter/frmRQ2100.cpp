#include "parameter/frmRQ2100.h"

#include "comm/Engine.h"
#include "comm/ScreenJob.h"
#include "gui/EnterKey.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"
#include "shell/Navigation.h"
#include "shell/Services.h"
#include "shell/UndoFolder.h"
#include "ui_frmRQ2100.h"

namespace rq50::parameter {

namespace {
constexpr int kTextParameterCaption = 2101;
constexpr int kTextProgramCaption = 2102;
constexpr int kTextParameterOption = 2111;  ///< 2111-2113
constexpr int kTextProgramOption = 2114;    ///< 2114-2116
constexpr int kTextOk = 221;
constexpr int kTextCancel = 2121;
constexpr int kTextBaudRate = 2130;

constexpr int kEventBackToTopParameter = 44;
constexpr int kEventBackToTopProgram = 364;
constexpr int kEventReadParameterFile = 43;
constexpr int kEventNewProgram = 361;
constexpr int kEventReadProgramFile = 363;

/// Data source of the data view.
constexpr std::int16_t kSourceUploaded = 0;
constexpr std::int16_t kSourceFile = 1;
}  // namespace

frmRQ2100::frmRQ2100(QWidget* parent)
    : gui::ScreenBase(shell::Screen::frmRQ2100, parent), m_ui(std::make_unique<Ui::frmRQ2100>()) {
    m_ui->setupUi(this);
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    new gui::EnterPresses(m_ui->cmdOK,
                          {m_ui->optParameter0, m_ui->optParameter1, m_ui->optParameter2});
    connect(m_ui->cmdOK, &QPushButton::clicked, this,
            [this] { gui::Trap("RQ2100_cmdOK_Click", [this] { cmdOK_Click(); }); });
    connect(m_ui->cmdCancel, &QPushButton::clicked, this,
            [this] { gui::Trap("RQ2100_cmdCancel_Click", [this] { cmdCancel_Click(); }); });
}

frmRQ2100::~frmRQ2100() = default;

std::function<bool(int option)>& frmRQ2100::ProgramHandover() {
    static std::function<bool(int)> handover;
    return handover;
}

QRadioButton* frmRQ2100::Option(int index) const {
    switch (index) {
        case 0:
            return m_ui->optParameter0;
        case 1:
            return m_ui->optParameter1;
        case 2:
            return m_ui->optParameter2;
        default:
            return nullptr;
    }
}

bool frmRQ2100::ProgramMode() const {
    return shell::G().settingMode == 1;
}

int frmRQ2100::SelectedOption() const {
    for (int i = 0; i < 3; ++i) {
        if (Option(i)->isChecked()) return i;
    }
    return 0;
}

void frmRQ2100::Load() {
    gui::Trap("RQ2100_Form_Load", [this] {
        const bool program = ProgramMode();
        setWindowTitle(gui::CatalogueText(program ? kTextProgramCaption : kTextParameterCaption));
        const int first = program ? kTextProgramOption : kTextParameterOption;
        for (int i = 0; i < 3; ++i) Option(i)->setText(gui::CatalogueText(first + i));
        m_ui->cmdOK->setText(gui::CatalogueText(kTextOk));
        m_ui->cmdCancel->setText(gui::CatalogueText(kTextCancel));
        for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_ui->optParameter0),
                                   static_cast<QAbstractButton*>(m_ui->optParameter1),
                                   static_cast<QAbstractButton*>(m_ui->optParameter2),
                                   static_cast<QAbstractButton*>(m_ui->cmdOK),
                                   static_cast<QAbstractButton*>(m_ui->cmdCancel)}) {
            b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        }
        m_ui->fraPPM->setAccessibleName(windowTitle());
        m_ui->optParameter0->setChecked(true);
        // The program editor's undo snapshots live as long as this menu.
        if (program) shell::PrepareUndoFolder();
    });
}

void frmRQ2100::Unload() {
    gui::Trap("RQ2100_Form_Unload", [this] {
        if (ProgramMode()) shell::RemoveUndoFolder();
    });
}

void frmRQ2100::showEvent(QShowEvent* event) {
    gui::ScreenBase::showEvent(event);
    gui::FitWindowWhenShown(this);
}

void frmRQ2100::Activated() {
    shell::G().currentScreenId = shell::kScreenSettingMenu;
    gui::ScreenBase::Activated();
}

void frmRQ2100::OnBaudRate() {
    comm::StartScreenJob(Engine(), {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRate), ProgramMode() ? comm::kCallerSettingMenuProgram : comm::kCallerSettingMenuUpload}, Id());
}

void frmRQ2100::cmdOK_Click() {
    if (ProgramMode()) {
        ProgramOk(SelectedOption());
    } else {
        ParameterOk(SelectedOption());
    }
}

void frmRQ2100::ParameterOk(int option) {
    const std::string title = gui::Bytes(Option(option)->text());
    switch (option) {
        case kOptionSetOrNew:
            comm::StartScreenJob(Engine(), {comm::kJobConnect, title, comm::kCallerSettingMenuSet}, Id());
            return;
        case kOptionUpload:
            if (comm::StartScreenJob(Engine(), {comm::kJobUpload, title, comm::kCallerSettingMenuUpload}, Id()))
                shell::G().dataSource = kSourceUploaded;
            return;
        default:
            shell::G().dataSource = kSourceFile;
            if (shell::Svc().navigation != nullptr) shell::Svc().navigation->DisableScreen(Id());
            shell::DisplayMatorix(kEventReadParameterFile, 0, 0);
            return;
    }
}

void frmRQ2100::ProgramOk(int option) {
    if (ProgramHandover() && ProgramHandover()(option)) return;
    const std::string title = gui::Bytes(Option(option)->text());
    switch (option) {
        case kOptionSetOrNew:
            if (shell::Svc().navigation != nullptr) shell::Svc().navigation->DisableScreen(Id());
            shell::DisplayMatorix(kEventNewProgram, 0, 0);
            return;
        case kOptionUpload:
            comm::StartScreenJob(Engine(), {comm::kJobProgramUpload, title, comm::kCallerSettingMenuProgram}, Id());
            return;
        default:
            if (shell::Svc().navigation != nullptr) shell::Svc().navigation->DisableScreen(Id());
            shell::DisplayMatorix(kEventReadProgramFile, 0, 0);
            return;
    }
}

void frmRQ2100::cmdCancel_Click() {
    shell::DisplayMatorix(ProgramMode() ? kEventBackToTopProgram : kEventBackToTopParameter, 0, 0);
    if (shell::Svc().navigation != nullptr) shell::Svc().navigation->UnloadScreen(Id());
}

}  // namespace rq50::parameter
