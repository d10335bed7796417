#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class frmRQ4300;
}

namespace rq50::comm {

/// The password dialog: mode 0 sets a new password (entry and confirmation),
/// modes 1 and 2 ask for the stored one (before a change, before work).
/// Each field takes up to four digits, masked.
class frmRQ4300 : public QDialog {
    Q_OBJECT
  public:
    frmRQ4300(int mode, QWidget* parent = nullptr);
    ~frmRQ4300() override;

    /// Shows the dialog modally in `mode` and returns when it is closed; the
    /// outcome is in the application state (password, download allowed,
    /// dialog not passed).
    static void Run(QWidget* parent, int mode);

  private:
    void cmdOK_Click();

    std::unique_ptr<Ui::frmRQ4300> m_ui;
    int m_mode;
};

}  // namespace rq50::comm
