#include "gui/parameter/CategoryMenuScreen.h"

#include "comm/Engine.h"
#include "comm/jobs/Jobs.h"
#include "files/Workspace.h"
#include "gui/EnterKey.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "parameter/PageModel.h"
#include "parameter/ValueRules.h"
#include "session/Navigation.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "ui_frmRQ2200.h"

namespace rq50::gui {

CategoryMenuScreen::CategoryMenuScreen(files::Workspace& ws, session::OnlinePage& page,
                                       QWidget* parent)
    : ScreenBase(shell::Screen::CategoryMenu, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2200>()),
      m_online(page) {
    m_ui->setupUi(this);
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    new EnterPresses(m_ui->cmdOK,
                     {m_ui->optDisplay, m_ui->optSet, m_ui->optAdjust, m_ui->optMaint});
    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { OpenCategory(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

CategoryMenuScreen::~CategoryMenuScreen() = default;

std::array<QRadioButton*, 4> CategoryMenuScreen::Options() const {
    return {m_ui->optDisplay, m_ui->optSet, m_ui->optAdjust, m_ui->optMaint};
}

void CategoryMenuScreen::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(CatalogueText(kTextCategoryMenuCaption));
        for (int i = 0; i < 4; ++i)
            Options()[static_cast<std::size_t>(i)]->setText(CatalogueText(kTextCategoryTitle + i));
        m_ui->cmdOK->setText(CatalogueText(kTextOk));
        m_ui->cmdCancel->setText(CatalogueText(kTextCategoryMenuCancel));
        const std::string model = shell::Trim(Engine().LastInstrument().model);
        m_ui->lblModel->setText(CatalogueText(kTextModelLabel) + Text(model));
        NameByCaption({m_ui->optDisplay, m_ui->optSet, m_ui->optAdjust, m_ui->optMaint, m_ui->cmdOK,
                       m_ui->cmdCancel, m_ui->lblModel});
        m_ui->fraMenu->setAccessibleName(windowTitle());
        ShowMaintOption(Ws().state.maintMode);
    });
}

void CategoryMenuScreen::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void CategoryMenuScreen::Activated() {
    Ws().state.currentScreenId = shell::ScreenId::CategoryMenu;
    // The parameter screen works only while this menu waits behind it; when
    // the menu is back in use, a screen whose opening failed goes.
    if (!Engine().Busy() && Nav() != nullptr) Nav()->UnloadScreen(shell::Screen::OnlineParameter);
    ScreenBase::Activated();
}

void CategoryMenuScreen::OnMaintModeChanged(bool on) {
    ShowMaintOption(on);
}

void CategoryMenuScreen::ShowMaintOption(bool on) {
    QRadioButton* maint = m_ui->optMaint;
    if (!on && maint->isChecked()) m_ui->optDisplay->setChecked(true);
    maint->setVisible(on);
    maint->setEnabled(on);
}

void CategoryMenuScreen::OnBaudRate() {
    session::StartScreenJob(Engine(), {comm::kJobBaudCheck, shell::Catalogue(kTextBaudRateSetting)},
                            session::kCallerCategoryMenu, Id());
}

void CategoryMenuScreen::OnSlotNo() {
    session::StartScreenJob(Engine(), {comm::kJobSlot, shell::Catalogue(kTextSlotCaption)},
                            session::kCallerCategoryMenu, Id());
}

void CategoryMenuScreen::OpenCategory() {
    int category = 0;
    for (int i = 0; i < 4; ++i) {
        const QRadioButton* option = Options()[static_cast<std::size_t>(i)];
        if (option->isChecked() && option->isVisible()) category = i;
    }
    parameter::PageModel& page = m_online.New(static_cast<parameter::PageCategory>(category));
    page.SetDownloadAllowed(Ws().state.downloadAllowed);
    const bool started = page.OpenCategory([this, category](comm::Job job,
                                                            const std::string& title) {
        if (shell::ShowMessage(Ws().hosts, kMsgStartPrompt, shell::MsgButtons::OkCancel, title) !=
            shell::MsgAnswer::Ok)
            return false;
        if (!session::StartCallerJob(Engine(), {job, title, category},
                                     session::kCallerCategoryMenu))
            return false;
        if (Nav() != nullptr) Nav()->DisableScreen(Id());
        // The parameter screen is up while its first page is read, so its
        // tabs appear as the walk finds the groups.
        session::ShowDisplay(Ws(), session::ParameterDisplayOf(category));
        session::ShowDisplay(Ws(), session::Display::CommProgress);
        return true;
    });
    if (!started) m_online.Drop();
}

void CategoryMenuScreen::Cancel() {
    session::DisplayMatrix(Ws(), shell::NavEvent::kCategoryMenuBack);
    if (Nav() != nullptr) Nav()->UnloadScreen(Id());
}

}  // namespace rq50::gui
