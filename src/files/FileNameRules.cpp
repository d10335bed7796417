#include "files/FileNameRules.h"
#include "shell/PlatformFile.h"

#include <filesystem>
#include <utility>

#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/MessageBox.h"
#include "shell/MessageNumbers.h"
#include "shell/NavigationHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"
#include "shell/UtilityComponent.h"

namespace rq50::files {

using namespace rq50::shell;

namespace {}  // namespace

bool IsPrintableFileName(std::string_view text, bool allowLineBreaks) {
    for (char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        if (c >= 32 && c <= 126) continue;
        if (allowLineBreaks && (c == 13 || c == 10)) continue;
        return false;
    }
    return true;
}

bool CheckDialogFileName(Workspace& ws, DialogFileName& dialog) {
    if (dialog.fileTitle.size() > kMaxFileTitleLength) {
        ShowMessage(ws.hosts, kMsgNameTooLong, MsgButtons::Ok, dialog.dialogTitle);
        dialog.fileName.clear();
        return false;
    }
    if (!IsPrintableFileName(dialog.fileTitle, false)) {
        ShowMessage(ws.hosts, kMsgNameNotPrintable, MsgButtons::Ok, dialog.dialogTitle);
        dialog.fileName.clear();
        return false;
    }
    return true;
}

std::string WithDefaultExtension(const std::string& name, std::string_view ext) {
    if (ext.empty() || name.empty()) return name;
    const std::filesystem::path title = shell::platform::PathFromUtf8(name).filename();
    if (title.empty() || title.has_extension()) return name;
    return name + "." + std::string(ext);
}

std::string DrivePart(const std::string& path) {
    // A network path's drive is its \\server\share\ part.
    if (path.rfind("\\\\", 0) == 0) {
        const auto server = path.find('\\', 2);
        const auto share = server == std::string::npos ? server : path.find('\\', server + 1);
        if (share != std::string::npos) return path.substr(0, share + 1);
    }
    if (const auto backslash = path.find('\\'); backslash != std::string::npos) {
        return path.substr(0, backslash + 1);
    }
    const std::filesystem::path folder = shell::platform::PathFromUtf8(path).parent_path();
    return folder.empty() ? std::string(".") : shell::platform::Utf8FromPath(folder);
}

std::int64_t SpaceRequirement(std::int64_t lastItemIndex) {
    return lastItemIndex * 40 + 750;
}

bool CheckDiskSpace(Workspace& ws, const std::string& path, std::int64_t lastItemIndex) {
    UtilityComponent* utility = ws.hosts.utility;
    const std::int64_t free = utility != nullptr ? utility->DriveFreeSpace(DrivePart(path)) : -1;
    if (free == -1) return false;
    if (free >= SpaceRequirement(lastItemIndex)) return true;
    ShowMessage(ws.hosts, kMsgLackOfSpace, MsgButtons::Ok, "");
    return false;
}

void SetCurrentFile(Workspace& ws, const std::string& title, const std::string& path) {
    SessionState& g = ws.state;
    g.currentFileTitle = title.empty() ? "NewFile" : title;
    g.currentFilePath = path;
    // The file a save or an open names is the one the information record
    // names ("NewFile" while there is none, as the caption shows).
    files::SetInformationFileName(ws.information, g.currentFileTitle);
    g.mainCaption =
        Catalogue(kTextModelTitle) + g.captionOpen + g.currentFileTitle + g.captionClose;
    if (ws.hosts.navigation != nullptr) ws.hosts.navigation->SetMainCaption(g.mainCaption);
}

}  // namespace rq50::files
