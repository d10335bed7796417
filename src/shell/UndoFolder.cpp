#include "shell/UndoFolder.h"
#include "files/PlatformFile.h"

#include <filesystem>
#include <system_error>

#include "shell/AppPaths.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/UtilityComponent.h"

namespace rq50::shell {

namespace {

constexpr int kCreateAttempts = 101;

bool FolderExists(const std::string& path) {
    if (Svc().utility != nullptr) return Svc().utility->FolderExists(path);
    std::error_code ec;
    return std::filesystem::is_directory(files::platform::PathFromUtf8(path), ec);
}

void CreateFolder(const std::string& path) {
    if (Svc().utility != nullptr) {
        Svc().utility->CreateFolder(path);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directory(files::platform::PathFromUtf8(path), ec);
}

}  // namespace

std::string UndoFolderPath() {
    return AppFilePath("Undo\\");
}

bool PrepareUndoFolder() {
    const std::string folder = UndoFolderPath();
    if (FolderExists(folder)) {
        ClearUndoFolder();
        return true;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        CreateFolder(folder);
        if (FolderExists(folder)) return true;
        if (Svc().navigation != nullptr) Svc().navigation->ProcessEvents();
    }
    return false;
}

void ClearUndoFolder() {
    std::error_code ec;
    for (const auto& entry :
         std::filesystem::directory_iterator(files::platform::PathFromUtf8(UndoFolderPath()), ec)) {
        std::error_code fileEc;
        if (entry.is_regular_file(fileEc)) std::filesystem::remove(entry.path(), fileEc);
    }
}

void RemoveUndoFolder() {
    const std::string folder = UndoFolderPath();
    if (!FolderExists(folder)) return;
    std::error_code ec;
    // The folder text ends in a separator; the folder itself is its parent path.
    std::filesystem::remove(files::platform::PathFromUtf8(folder).parent_path(), ec);
}

}  // namespace rq50::shell
