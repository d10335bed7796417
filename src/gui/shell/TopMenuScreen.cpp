#include "gui/shell/TopMenuScreen.h"

#include <QMouseEvent>

#include "gui/QtHosts.h"
#include "gui/comm/PasswordDialog.h"
#include "gui/shell/PlantRegisterWindow.h"
#include "gui/shell/InstrumentListWindow.h"
#include "gui/shell/RackWindow.h"
#include "session/Menus.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2000.h"

namespace rq50::gui {

namespace {}  // namespace

TopMenuScreen::TopMenuScreen(files::Workspace& ws, ReportDevices& devices, QWidget* parent)
    : ScreenBase(shell::Screen::TopMenu, ws, parent),
      m_devices(devices),
      m_ui(std::make_unique<Ui::frmRQ2000>()),
      m_menu(ws, static_cast<session::TopMenuHost&>(*this)) {
    m_ui->setupUi(this);
    m_mnuPassword = new QMenu(CatalogueText(kTextPasswordMenu), this);
    m_mnuPassword->setAccessibleName(CatalogueText(kTextPasswordMenu));
    mnuPasswordSet = m_mnuPassword->addAction(CatalogueText(kTextPasswordSet));
    mnuPasswordChange = m_mnuPassword->addAction(CatalogueText(kTextPasswordChange));
    m_mnuRegister = new QMenu(CatalogueText(kTextRegisterMenu), this);
    m_mnuRegister->setAccessibleName(CatalogueText(kTextRegisterMenu).remove(QLatin1Char('&')));
    mnuPlantRegister = m_mnuRegister->addAction(CatalogueText(kTextPlantRegisterItem));
    auto* rack = new QMenu(CatalogueText(kTextRackMenu), this);
    rack->setAccessibleName(rack->title().remove(QLatin1Char('&')));
    mnuRackCommissioning = rack->addAction(CatalogueText(kTextRackCommissioning));
    mnuInstrumentList = rack->addAction(CatalogueText(kTextInstrumentListItem));
    SetMenus({m_mnuPassword, m_mnuRegister, rack});

    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { Confirm(); });
    OnSignal(mnuPasswordSet, &QAction::triggered, "mnuPasswordItem_Click",
             [this] { SetPassword(); });
    OnSignal(mnuPasswordChange, &QAction::triggered, "mnuPasswordItem_Click",
             [this] { ChangePassword(); });
    OnSignal(mnuPlantRegister, &QAction::triggered, "mnuPlantRegister_Click",
             [this] { OpenPlantRegister(); });
    OnSignal(mnuRackCommissioning, &QAction::triggered, "mnuRack_Click",
             [this] { RackWindow::Run(Ws(), this, [this] { return m_menu.PasswordGate(); }); });
    OnSignal(mnuInstrumentList, &QAction::triggered, "mnuInstrumentList_Click", [this] {
        InstrumentListWindow::Run(Ws(), this, [this] { return m_menu.PasswordGate(); });
    });
}

TopMenuScreen::~TopMenuScreen() = default;

void TopMenuScreen::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextTopMenuCaption));
        m_ui->optParameterSetting->setText(CatalogueText(kTextParameterSetting));
        m_ui->optProgramSetting->setText(CatalogueText(kTextProgramSetting));
        m_ui->cmdOK->setText(CatalogueText(kTextOk));
        NameByCaption({m_ui->optParameterSetting, m_ui->optProgramSetting, m_ui->cmdOK});
        m_ui->fraPPM->setAccessibleName(CatalogueText(kTextTopMenuCaption));
        Std().mnuPort->setEnabled(false);
        Std().mnuCommand->setEnabled(false);
        m_menu.Load();
    });
}

void TopMenuScreen::Activated() {
    // The top menu keeps its Command menu hidden; only the port marks follow.
    session::MarkPortInUse(Ws(), *this);
}

void TopMenuScreen::OnPasswordMenu(bool setEnabled, bool changeEnabled) {
    mnuPasswordSet->setEnabled(setEnabled);
    mnuPasswordChange->setEnabled(changeEnabled);
}

void TopMenuScreen::RunPasswordDialog(shell::PasswordMode mode) {
    PasswordDialog::Run(Ws(), this, mode);
}

void TopMenuScreen::Confirm() {
    m_menu.Confirm(m_ui->optParameterSetting->isChecked());
}

void TopMenuScreen::SetPassword() {
    m_menu.SetPassword();
}

void TopMenuScreen::ChangePassword() {
    m_menu.ChangePassword();
}

void TopMenuScreen::OpenPlantRegister() {
    // Work started from the register asks for the password as OK does.
    PlantRegisterWindow::Run(Ws(), m_devices, this, [this] { return m_menu.PasswordGate(); });
}

void TopMenuScreen::mousePressEvent(QMouseEvent* event) {
    Trapped("Form_MouseDown", [this, event] {
        const auto mods = event->modifiers();
        const bool gesture = event->button() == Qt::LeftButton && (mods & Qt::ShiftModifier) &&
                             (mods & Qt::ControlModifier) && (mods & Qt::AltModifier);
        m_menu.MousePressed(gesture);
    });
    QWidget::mousePressEvent(event);
}

}  // namespace rq50::gui
