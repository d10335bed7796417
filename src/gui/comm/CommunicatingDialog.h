#pragma once

#include <memory>

#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ4000;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// "Now Communicating.": the running job's title, its progress and the
/// Terminate button. The engine closes it when the job ends.
class CommunicatingDialog : public ScreenBase {
    Q_OBJECT
  public:
    explicit CommunicatingDialog(files::Workspace& ws, QWidget* parent = nullptr);
    ~CommunicatingDialog() override;

    void Load() override;
    /// Shows `value` (0-100) in the progress bar.
    void SetProgress(int value);
    int Progress() const;

  private:
    std::unique_ptr<Ui::frmRQ4000> m_ui;
};

}  // namespace rq50::gui
