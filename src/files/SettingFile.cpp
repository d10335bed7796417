#include "files/SettingFile.h"

#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "files/FileNameRules.h"
#include "files/Workspace.h"
#include "shell/ConfigTables.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"
#include "shell/UtilityComponent.h"

namespace rq50::files {

using namespace rq50::shell;

namespace {

constexpr std::size_t kPasswordCodes = 4;
constexpr std::int64_t kPasswordFileBytes = 4;

bool SettingFileExists(Workspace& ws) {
    std::error_code ec;
    return std::filesystem::is_regular_file(shell::platform::PathFromUtf8(ws.state.settingFilePath),
                                            ec);
}

void SetPasswordFlags(Workspace& ws, bool stored) {
    ws.state.passwordStored = stored;
    ws.state.noPassword = !stored;
}

bool ReadPasswordCodes(Workspace& ws) {
    std::ifstream in(shell::platform::PathFromUtf8(ws.state.settingFilePath), std::ios::binary);
    if (!in) return false;
    std::array<unsigned char, kPasswordCodes * 2> bytes{};
    in.read(reinterpret_cast<char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::string text;
    for (std::size_t i = 0; i < kPasswordCodes; ++i) {
        const unsigned code = bytes[2 * i] | (static_cast<unsigned>(bytes[2 * i + 1]) << 8);
        if (code == 0) break;
        // Codes above one byte cannot come from this tool; keep their low byte.
        text.push_back(static_cast<char>(code & 0xFF));
    }
    ws.state.storedPassword = Trim(text);
    return true;
}

}  // namespace

bool ReadSettingFile(Workspace& ws) {
    BusyPointer busy(ws.hosts.navigation);
    if (!SettingFileExists(ws) || !ReadPasswordCodes(ws)) {
        ws.state.storedPassword = kNoPassword;
        UpdatePasswordMenu(ws);
        // No file is no password: downloading needs no entry.
        SetPasswordFlags(ws, false);
        return false;
    }
    SetPasswordFlags(ws, ws.state.storedPassword != kNoPassword);
    return true;
}

bool WriteSettingFile(Workspace& ws) {
    BusyPointer busy(ws.hosts.navigation);
    const std::string& path = ws.state.settingFilePath;
    UtilityComponent* utility = ws.hosts.utility;
    const std::int64_t free = utility != nullptr ? utility->DriveFreeSpace(DrivePart(path)) : -1;
    // When the free space cannot be told the write is tried all the same:
    // the write itself reports whether it worked.
    if (free != -1 && free < kPasswordFileBytes) {
        ShowMessage(ws.hosts, kMsgLackOfSpace, MsgButtons::Ok, "");
        return false;
    }
    std::string bytes;
    for (char c : ws.state.storedPassword) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    // Written over the old content from offset 0, so the file keeps its size
    // when a shorter text is written; the reader stops after four codes.
    const std::filesystem::path file = shell::platform::PathFromUtf8(path);
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    if (!out) out.open(file, std::ios::binary | std::ios::out);
    if (!out) return false;
    out.seekp(0);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    KeepPrivate(file);
    return !out.fail();
}

bool PasswordIsStored(Workspace& ws) {
    return SettingFileExists(ws) && ReadSettingFile(ws) && ws.state.storedPassword != kNoPassword;
}

void UpdatePasswordMenu(Workspace& ws) {
    const bool stored =
        SettingFileExists(ws) && ReadPasswordCodes(ws) && ws.state.storedPassword != kNoPassword;
    if (stored) SetPasswordFlags(ws, true);
    ws.state.passwordSetEnabled = !stored;
    ws.state.passwordChangeEnabled = stored;
    if (ws.hosts.navigation != nullptr) ws.hosts.navigation->SetPasswordMenu(!stored, stored);
}

}  // namespace rq50::files
