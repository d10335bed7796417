#pragma once

#include <memory>

#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ4200;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// Baud rate setting: switches the connected instrument between 1200 and
/// 9600 bit/s (job 21). Opened after job 20 found the model's row.
class BaudRateDialog : public ScreenBase {
    Q_OBJECT
  public:
    explicit BaudRateDialog(files::Workspace& ws, QWidget* parent = nullptr);
    ~BaudRateDialog() override;

    void Load() override;
    void Unload() override;

  private:
    /// OK: the instrument is switched to the rate chosen.
    void ChangeRate();
    void Cancel();

    std::unique_ptr<Ui::frmRQ4200> m_ui;
};

}  // namespace rq50::gui
