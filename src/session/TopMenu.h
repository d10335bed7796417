#pragma once

#include "session/Vocabulary.h"

// The top menu (parameter or program setting, the download password) as its
// window presents it. The password dialog is the window's to show; whether it
// was passed is the answer the gate returns, and Setting.ini is written here.

namespace rq50::session {

/// What the top menu needs of its window.
struct Workspace;

class TopMenuHost {
  public:
    virtual ~TopMenuHost() = default;
    /// Shows the password dialog in `mode` (PasswordMode) and returns when it
    /// has closed.
    virtual void RunPasswordDialog(shell::PasswordMode mode) = 0;
};

class TopMenu {
  public:
    TopMenu(Workspace& ws, TopMenuHost& host) : m_ws(ws), m_host(host) {}

    /// Load: the password items follow Setting.ini, the main caption names no
    /// file.
    void Load();

    /// The password before work: true when the work may go on. With no
    /// password stored it goes on at once; otherwise the dialog asks for the
    /// password (mode 2) and its answer counts: a wrong entry is told and
    /// passes without downloads, only Cancel stops.
    bool PasswordGate();
    /// OK: the password gate, then the top menu is disabled and the setting
    /// menu of the mode chosen opens (events 21 and 22).
    void Confirm(bool parameterSetting);
    /// Password / "Set...".
    void SetPassword();
    /// Password / "Change...": the current password first (mode 1); when it
    /// was passed, the new one (mode 0).
    void ChangePassword();
    /// A mouse press on the window: the password state is read again from
    /// Setting.ini; with `cancelGesture` (left button with Shift, Ctrl and Alt)
    /// and a password stored, "Is it OK to cancel password?" and on OK the
    /// password is removed and Setting.ini written.
    void MousePressed(bool cancelGesture);

  private:
    /// Runs the dialog in `mode` and returns whether it was passed.
    bool PasswordDialogPassed(shell::PasswordMode mode);

    Workspace& m_ws;
    TopMenuHost& m_host;
};

}  // namespace rq50::session
