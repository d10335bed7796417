#pragma once

#include <memory>

#include "gui/ScreenBase.h"
#include "session/TopMenu.h"

namespace Ui {
class frmRQ2000;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

class ReportDevices;

/// The top menu: parameter or program setting, the download password, the
/// plant register and the rack window.
/// Its presenter (TopMenu) decides; the window shows the password dialog.
class TopMenuScreen : public ScreenBase, private session::TopMenuHost {
    Q_OBJECT
  public:
    TopMenuScreen(files::Workspace& ws, ReportDevices& devices, QWidget* parent = nullptr);
    ~TopMenuScreen() override;

    void Load() override;
    void Activated() override;
    /// Password / "Set..." and "Change..." enabled or not.
    void OnPasswordMenu(bool setEnabled, bool changeEnabled) override;

    QAction* mnuPasswordSet = nullptr;        ///< mnuPasswordItem(0)
    QAction* mnuPasswordChange = nullptr;     ///< mnuPasswordItem(1)
    QAction* mnuPlantRegister = nullptr;      ///< Register / Plant Register...
    QAction* mnuRackCommissioning = nullptr;  ///< Rack / "Rack Commissioning..."
    QAction* mnuInstrumentList = nullptr;     ///< Rack / "Instrument List..."

  protected:
    void mousePressEvent(QMouseEvent* event) override;

  private:
    void Confirm();
    void SetPassword();
    void ChangePassword();
    void OpenPlantRegister();
    // TopMenuHost
    void RunPasswordDialog(shell::PasswordMode mode) override;

    ReportDevices& m_devices;
    std::unique_ptr<Ui::frmRQ2000> m_ui;
    session::TopMenu m_menu;
    QMenu* m_mnuPassword = nullptr;
    QMenu* m_mnuRegister = nullptr;
};

}  // namespace rq50::gui
