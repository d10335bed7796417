#pragma once

#include <memory>

#include "gui/ScreenBase.h"

namespace Ui {
class frmRQ3100;
}

namespace rq50::program {

/// The command check's error list: one line per error (STEP, PROGRAM, Error
/// Content) from the display set of the open editor's check.
class frmRQ3100 : public gui::ScreenBase {
    Q_OBJECT
  public:
    explicit frmRQ3100(QWidget* parent = nullptr);
    ~frmRQ3100() override;

    void Load() override;
    void Unload() override;

  private:
    void cmdReturn_Click();
    void cmdPrint_Click();

    std::unique_ptr<Ui::frmRQ3100> m_ui;
};

}  // namespace rq50::program
