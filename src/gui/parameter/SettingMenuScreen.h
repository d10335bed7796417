#pragma once

#include <QRadioButton>

#include <memory>

#include "gui/ScreenBase.h"
#include "session/SettingMenu.h"

namespace Ui {
class frmRQ2100;
}

namespace rq50::shell {
struct Workspace;
}  // namespace rq50::shell

namespace rq50::gui {

/// The setting menu of both work modes: it shows the options its presenter
/// (SettingMenu) names and hands the choice to it.
class SettingMenuScreen : public ScreenBase {
    Q_OBJECT
  public:
    explicit SettingMenuScreen(shell::Workspace& ws, QWidget* parent = nullptr);
    ~SettingMenuScreen() override;

    void Load() override;
    void Unload() override;
    void Activated() override;

    QRadioButton* Option(int index) const;

  protected:
    void showEvent(QShowEvent* event) override;
    void OnBaudRate() override;

  private:
    void Confirm();
    void Cancel();
    parameter::SettingMenuOption SelectedOption() const;

    std::unique_ptr<Ui::frmRQ2100> m_ui;
    parameter::SettingMenu m_menu;
};

}  // namespace rq50::gui
