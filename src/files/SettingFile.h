#pragma once

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// The password text that means "no password set".
inline constexpr const char* kNoPassword = "----";

/// Reads the device password from Setting.ini (the state's settingFilePath): up to
/// four 16-bit little-endian codes, stopping at a code 0, trimmed. Sets
/// StoredPassword and the password-stored / no-password flags. A missing file
/// means no password: StoredPassword "----", both flags false, the password
/// menu updated, and false returned.
bool ReadSettingFile(Workspace& ws);

/// Writes StoredPassword to Setting.ini as 16-bit little-endian codes from
/// offset 0. Refuses (message 22, false) when the drive has less than 4 bytes
/// free; false also when the file cannot be written.
bool WriteSettingFile(Workspace& ws);

/// True when Setting.ini exists, reads and holds a password other than "----".
bool PasswordIsStored(Workspace& ws);

/// Enables the top menu's Password / "Set..." exactly when no password is
/// stored and "Change..." exactly when one is.
void UpdatePasswordMenu(Workspace& ws);

}  // namespace rq50::files
