#pragma once

#include <QRadioButton>

#include <array>
#include <memory>

#include "gui/ScreenBase.h"
#include "session/SettingMenu.h"

namespace Ui {
class frmRQ2100;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The setting menu of both work modes: it shows the options its presenter
/// (SettingMenu) names and hands the choice to it.
class SettingMenuScreen : public ScreenBase {
    Q_OBJECT
  public:
    explicit SettingMenuScreen(files::Workspace& ws, QWidget* parent = nullptr);
    ~SettingMenuScreen() override;

    void Load() override;
    void Unload() override;
    void Activated() override;

  protected:
    void showEvent(QShowEvent* event) override;
    void OnBaudRate() override;

  private:
    void Confirm();
    void Cancel();
    struct OptionButton {
        session::SettingMenuOption option;
        QRadioButton* button;
    };
    /// The options in their order on the screen.
    std::array<OptionButton, 3> Options() const;
    session::SettingMenuOption SelectedOption() const;

    std::unique_ptr<Ui::frmRQ2100> m_ui;
    session::SettingMenu m_menu;
};

}  // namespace rq50::gui
