#include "gui/parameter/SettingMenuScreen.h"

#include "gui/EnterKey.h"
#include "gui/FitWindow.h"
#include "gui/QtHosts.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"
#include "ui_frmRQ2100.h"

namespace rq50::gui {

namespace {}  // namespace

SettingMenuScreen::SettingMenuScreen(files::Workspace& ws, QWidget* parent)
    : ScreenBase(shell::Screen::SettingMenu, ws, parent),
      m_ui(std::make_unique<Ui::frmRQ2100>()),
      m_menu(ws) {
    m_ui->setupUi(this);
    SetMenus();
    OfferBaudRate();
    OfferCommandMenuUnlock();
    new EnterPresses(m_ui->cmdOK, {m_ui->optSetOrNew, m_ui->optUpload, m_ui->optOpenFile});
    OnSignal(m_ui->cmdOK, &QPushButton::clicked, "cmdOK_Click", [this] { Confirm(); });
    OnSignal(m_ui->cmdCancel, &QPushButton::clicked, "cmdCancel_Click", [this] { Cancel(); });
}

SettingMenuScreen::~SettingMenuScreen() = default;

std::array<SettingMenuScreen::OptionButton, 3> SettingMenuScreen::Options() const {
    using Option = session::SettingMenuOption;
    return {{{Option::kSetOrNew, m_ui->optSetOrNew},
             {Option::kUpload, m_ui->optUpload},
             {Option::kFile, m_ui->optOpenFile}}};
}

session::SettingMenuOption SettingMenuScreen::SelectedOption() const {
    for (const auto& [option, button] : Options()) {
        if (button->isChecked()) return option;
    }
    return session::SettingMenuOption::kSetOrNew;
}

void SettingMenuScreen::Load() {
    Trapped("Form_Load", [this] {
        setWindowTitle(Text(m_menu.Caption()));
        for (const auto& [option, button] : Options())
            button->setText(Text(m_menu.OptionText(option)));
        m_ui->cmdOK->setText(CatalogueText(kTextOk));
        m_ui->cmdCancel->setText(CatalogueText(kTextCancel));
        for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_ui->optSetOrNew),
                                   static_cast<QAbstractButton*>(m_ui->optUpload),
                                   static_cast<QAbstractButton*>(m_ui->optOpenFile),
                                   static_cast<QAbstractButton*>(m_ui->cmdOK),
                                   static_cast<QAbstractButton*>(m_ui->cmdCancel)}) {
            b->setAccessibleName(b->text().remove(QLatin1Char('&')));
        }
        m_ui->fraPPM->setAccessibleName(windowTitle());
        m_ui->optSetOrNew->setChecked(true);
        m_menu.Load();
    });
}

void SettingMenuScreen::Unload() {
    Trapped("Form_Unload", [this] { m_menu.Unload(); });
}

void SettingMenuScreen::showEvent(QShowEvent* event) {
    ScreenBase::showEvent(event);
    FitWindowWhenShown(this);
}

void SettingMenuScreen::Activated() {
    m_menu.Activated();
    ScreenBase::Activated();
}

void SettingMenuScreen::OnBaudRate() {
    m_menu.BaudRate();
}

void SettingMenuScreen::Confirm() {
    m_menu.Confirm(SelectedOption());
}

void SettingMenuScreen::Cancel() {
    m_menu.Cancel();
}

}  // namespace rq50::gui
