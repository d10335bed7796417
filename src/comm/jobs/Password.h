#pragma once

// The download password of the tool: what OK of the password dialog does in
// each of its modes. The stored password itself lives in Setting.ini and is
// read and written through the shell's routines.

#include <string>

#include "shell/SessionState.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::comm::jobs {


/// Which field of the dialog is selected after a refused entry.
enum class PasswordField { None, First, Confirm };

/// What OK of the password dialog leads to.
struct PasswordOutcome {
    bool close = false;  ///< the dialog closes
    int message = 0;     ///< message number to show, 0 for none
    PasswordField select = PasswordField::None;
    bool downloadAllowed = false;  ///< modes 1 and 2: the right password was entered
    bool store = false;            ///< mode 0: `newPassword` is to be stored
    std::string newPassword;       ///< four characters, blank-padded
};

/// The rules of OK. `stored` is the stored password as read from
/// Setting.ini ("----" when none is set).
PasswordOutcome EvaluatePassword(shell::PasswordMode mode, const std::string& entry, const std::string& confirm,
                                 const std::string& stored);

/// OK of the password dialog against Setting.ini: modes 1 and 2 read the
/// stored password and set the download-allowed state, mode 0 stores a valid
/// new password and updates the password menus. The outcome's message is
/// shown with `callerTitle`.
PasswordOutcome PasswordDialogOk(files::Workspace& ws, shell::PasswordMode mode, const std::string& entry,
                                 const std::string& confirm, const std::string& callerTitle = {});

/// A stored password exists (anything but "----" or nothing).
bool PasswordIsSet(const std::string& stored);

/// Downloading is allowed with no password set, or when `entry` is the
/// stored password.
bool DownloadAllowedWith(const std::string& stored, const std::string& entry);

}  // namespace rq50::comm::jobs
