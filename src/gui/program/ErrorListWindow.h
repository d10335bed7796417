#pragma once

#include <memory>

#include "gui/ScreenBase.h"
#include "program/CommandCheck.h"

namespace Ui {
class frmRQ3100;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The command check's error list: one line per error (STEP, PROGRAM, Error
/// Content) from the display set of the editor's last check.
class ErrorListWindow : public ScreenBase {
    Q_OBJECT
  public:
    /// `checks` holds the results of the editor's command check.
    explicit ErrorListWindow(files::Workspace& ws, program::CommandChecker& checks,
                             QWidget* parent = nullptr);
    ~ErrorListWindow() override;

    void Load() override;
    void Unload() override;

  private:
    void GoBack();
    void Print();

    std::unique_ptr<Ui::frmRQ3100> m_ui;
    program::CommandChecker& m_checks;
};

}  // namespace rq50::gui
