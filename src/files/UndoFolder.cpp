#include "files/UndoFolder.h"
#include "shell/PlatformFile.h"

#include <filesystem>
#include <system_error>

#include "files/Workspace.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/UtilityComponent.h"

namespace rq50::files {

using namespace rq50::shell;

namespace {

constexpr int kCreateAttempts = 101;

bool FolderExists(Workspace& ws, const std::string& path) {
    if (ws.hosts.utility != nullptr) return ws.hosts.utility->FolderExists(path);
    std::error_code ec;
    return std::filesystem::is_directory(shell::platform::PathFromUtf8(path), ec);
}

void CreateFolder(Workspace& ws, const std::string& path) {
    if (ws.hosts.utility != nullptr) {
        ws.hosts.utility->CreateFolder(path);
        return;
    }
    std::error_code ec;
    std::filesystem::create_directory(shell::platform::PathFromUtf8(path), ec);
}

}  // namespace

std::string UndoFolderPath(const Workspace& ws) {
    return ws.config.FilePath("Undo\\");
}

bool PrepareUndoFolder(Workspace& ws) {
    const std::string folder = UndoFolderPath(ws);
    if (FolderExists(ws, folder)) {
        ClearUndoFolder(ws);
        return true;
    }
    for (int attempt = 0; attempt < kCreateAttempts; ++attempt) {
        CreateFolder(ws, folder);
        if (FolderExists(ws, folder)) return true;
        if (ws.hosts.navigation != nullptr) ws.hosts.navigation->ProcessEvents();
    }
    return false;
}

void ClearUndoFolder(const Workspace& ws) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(
             shell::platform::PathFromUtf8(UndoFolderPath(ws)), ec)) {
        std::error_code fileEc;
        if (entry.is_regular_file(fileEc)) std::filesystem::remove(entry.path(), fileEc);
    }
}

void RemoveUndoFolder(Workspace& ws) {
    const std::string folder = UndoFolderPath(ws);
    if (!FolderExists(ws, folder)) return;
    std::error_code ec;
    // The folder text ends in a separator; the folder itself is its parent path.
    std::filesystem::remove(shell::platform::PathFromUtf8(folder).parent_path(), ec);
}

}  // namespace rq50::files
