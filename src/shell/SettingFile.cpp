#include "shell/SettingFile.h"
#include "files/PlatformFile.h"

#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>

#include "shell/ConfigTables.h"
#include "shell/FileNameRules.h"
#include "shell/GlobalState.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/UtilityComponent.h"

namespace rq50::shell {

namespace {

constexpr std::size_t kPasswordCodes = 4;
constexpr std::int64_t kPasswordFileBytes = 4;

class BusyPointer {
  public:
    BusyPointer() { Set(true); }
    ~BusyPointer() { Set(false); }
    BusyPointer(const BusyPointer&) = delete;
    BusyPointer& operator=(const BusyPointer&) = delete;

  private:
    static void Set(bool busy) {
        if (Svc().navigation != nullptr) Svc().navigation->SetBusyPointer(busy);
    }
};

bool SettingFileExists() {
    std::error_code ec;
    return std::filesystem::is_regular_file(files::platform::PathFromUtf8(G().settingFilePath), ec);
}

void SetPasswordFlags(bool stored) {
    G().passwordStored = stored;
    G().noPassword = !stored;
}

bool ReadPasswordCodes() {
    std::ifstream in(files::platform::PathFromUtf8(G().settingFilePath), std::ios::binary);
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
    G().storedPassword = Trim(text);
    return true;
}

}  // namespace

bool ReadSettingFile() {
    BusyPointer busy;
    if (!SettingFileExists() || !ReadPasswordCodes()) {
        G().storedPassword = kNoPassword;
        UpdatePasswordMenu();
        // No file is no password: downloading needs no entry.
        SetPasswordFlags(false);
        return false;
    }
    SetPasswordFlags(G().storedPassword != kNoPassword);
    return true;
}

bool WriteSettingFile() {
    BusyPointer busy;
    const std::string& path = G().settingFilePath;
    UtilityComponent* utility = Svc().utility;
    const std::int64_t free = utility != nullptr ? utility->DriveFreeSpace(DrivePart(path)) : -1;
    // When the free space cannot be told the write is tried all the same:
    // the write itself reports whether it worked.
    if (free != -1 && free < kPasswordFileBytes) {
        RQ0000fnc_nShowMsgBox(kMsgLackOfSpace, kButtonsOk, "");
        return false;
    }
    std::string bytes;
    for (char c : G().storedPassword) {
        bytes.push_back(c);
        bytes.push_back('\0');
    }
    // Written over the old content from offset 0, so the file keeps its size
    // when a shorter text is written; the reader stops after four codes.
    const std::filesystem::path file = files::platform::PathFromUtf8(path);
    std::fstream out(file, std::ios::binary | std::ios::in | std::ios::out);
    if (!out) out.open(file, std::ios::binary | std::ios::out);
    if (!out) return false;
    out.seekp(0);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    out.close();
    return !out.fail();
}

bool PasswordIsStored() {
    return SettingFileExists() && ReadSettingFile() && G().storedPassword != kNoPassword;
}

void UpdatePasswordMenu() {
    const bool stored =
        SettingFileExists() && ReadPasswordCodes() && G().storedPassword != kNoPassword;
    if (stored) SetPasswordFlags(true);
    G().passwordSetEnabled = !stored;
    G().passwordChangeEnabled = stored;
    if (Svc().navigation != nullptr) Svc().navigation->SetPasswordMenu(!stored, stored);
}

}  // namespace rq50::shell
