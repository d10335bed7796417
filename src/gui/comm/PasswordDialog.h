#pragma once

#include <QDialog>

#include <memory>

#include "shell/SessionState.h"

namespace Ui {
class frmRQ4300;
}

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::gui {

/// The password dialog: mode 0 sets a new password (entry and confirmation),
/// modes 1 and 2 ask for the stored one (before a change, before work).
/// Each field takes up to four digits, masked.
class PasswordDialog : public QDialog {
    Q_OBJECT
  public:
    explicit PasswordDialog(files::Workspace& ws, shell::PasswordMode mode, QWidget* parent = nullptr);
    ~PasswordDialog() override;

    /// Shows the dialog modally in `mode` and returns when it is closed; the
    /// outcome is in the application state (password, download allowed,
    /// dialog not passed).
    static void Run(files::Workspace& ws, QWidget* parent, shell::PasswordMode mode);

  private:
    files::Workspace& Ws() const { return m_ws; }

    void Confirm();

    files::Workspace& m_ws;
    std::unique_ptr<Ui::frmRQ4300> m_ui;
    shell::PasswordMode m_mode;
};

}  // namespace rq50::gui
