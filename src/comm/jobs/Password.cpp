#include "comm/jobs/Password.h"

#include "comm/jobs/TransferRules.h"
#include "files/SettingFile.h"
#include "files/Workspace.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"

namespace rq50::comm::jobs {

namespace {

constexpr std::size_t kPasswordLength = 4;

bool AllDigits(const std::string& text) {
    if (text.empty() || text.size() > kPasswordLength) return false;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

}  // namespace

bool PasswordIsSet(const std::string& stored) {
    const std::string s = shell::Trim(stored);
    return !s.empty() && s != "----";
}

bool DownloadAllowedWith(const std::string& stored, const std::string& entry) {
    return !PasswordIsSet(stored) || shell::Trim(entry) == shell::Trim(stored);
}

PasswordOutcome EvaluatePassword(shell::PasswordMode mode, const std::string& entry, const std::string& confirm,
                                 const std::string& stored) {
    PasswordOutcome out;
    if (entry.empty()) return out;
    if (mode == shell::PasswordMode::Verify || mode == shell::PasswordMode::Entry) {
        if (shell::Trim(entry) == shell::Trim(stored)) {
            out.downloadAllowed = true;
            out.close = true;
            return out;
        }
        if (mode == shell::PasswordMode::Verify) {
            out.message = kMsgWrongPasswordChange;
            out.select = PasswordField::First;
            return out;
        }
        // Uploading stays possible; the dialog closes once the message is read.
        out.message = kMsgWrongPasswordEntry;
        out.close = true;
        return out;
    }
    if (entry != confirm) {
        out.message = kMsgPasswordMismatch;
        out.select = PasswordField::Confirm;
        return out;
    }
    if (!AllDigits(entry)) {
        out.message = kMsgIllegalValue;
        out.select = PasswordField::First;
        return out;
    }
    out.store = true;
    out.newPassword = entry + std::string(kPasswordLength - entry.size(), ' ');
    // A new password over a stored one is a change (the old one was entered first).
    out.message = PasswordIsSet(stored) ? kMsgPasswordChanged : kMsgPasswordSet;
    out.close = true;
    out.downloadAllowed = true;
    return out;
}

PasswordOutcome PasswordDialogOk(files::Workspace& ws, shell::PasswordMode mode, const std::string& entry,
                                 const std::string& confirm, const std::string& callerTitle) {
    auto& g = ws.state;
    if (entry.empty()) return {};
    if (mode == shell::PasswordMode::Verify || mode == shell::PasswordMode::Entry) {
        g.downloadAllowed = false;
        files::ReadSettingFile(ws);
    }
    PasswordOutcome out = EvaluatePassword(mode, entry, confirm, g.storedPassword);
    if (mode == shell::PasswordMode::Verify || mode == shell::PasswordMode::Entry) {
        g.downloadAllowed = out.downloadAllowed;
        // A wrong entry before work is acknowledged and the work goes on with
        // uploads only; only a dialog left without it stops the work.
        g.passwordNotPassed = !out.downloadAllowed && !(mode == shell::PasswordMode::Entry && out.close);
    }
    if (out.store) {
        g.storedPassword = out.newPassword;
        if (!files::WriteSettingFile(ws)) {
            out.close = false;
            return out;
        }
        files::ReadSettingFile(ws);
        files::UpdatePasswordMenu(ws);
    }
    if (out.message != 0) shell::ShowMessage(ws.hosts, out.message, shell::MsgButtons::Ok, callerTitle);
    return out;
}

}  // namespace rq50::comm::jobs
