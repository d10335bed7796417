#pragma once

#include <QRadioButton>

#include <array>
#include <memory>

#include "gui/ScreenBase.h"
#include "session/OnlinePage.h"

namespace Ui {
class frmRQ2200;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The category menu of online setting: DISPLAY, SET, ADJUST and, in MAINT
/// Mode, MAINT. OK reads the category's first page and opens the parameter
/// screen on it.
class CategoryMenuScreen : public ScreenBase {
    Q_OBJECT
  public:
    /// OK opens the chosen category on `page`, which the parameter screen draws.
    explicit CategoryMenuScreen(files::Workspace& ws, session::OnlinePage& page,
                                QWidget* parent = nullptr);
    ~CategoryMenuScreen() override;

    void Load() override;
    void Activated() override;
    void OnMaintModeChanged(bool on) override;

  protected:
    void showEvent(QShowEvent* event) override;
    void OnBaudRate() override;
    void OnSlotNo() override;

  private:
    void OpenCategory();
    void Cancel();
    /// The options by category (DISPLAY, SET, ADJUST, MAINT).
    std::array<QRadioButton*, 4> Options() const;
    void ShowMaintOption(bool on);

    std::unique_ptr<Ui::frmRQ2200> m_ui;
    session::OnlinePage& m_online;
};

}  // namespace rq50::gui
