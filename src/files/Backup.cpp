#include "files/Backup.h"

#include "files/InformationRecord.h"
#include "files/OleDate.h"
#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"
#include "shell/AppPaths.h"
#include "shell/Clock.h"
#include "shell/PlatformFile.h"
#include "shell/TextTrim.h"

#include <filesystem>
#include <system_error>

namespace rq50::files {

std::string FileNamePart(std::string_view text) {
    std::string part = shell::Trim(std::string(text));
    for (char& c : part) {
        const auto code = static_cast<unsigned char>(c);
        if (code < 0x21 || code == 0x7F ||
            std::string_view("\\/:*?\"<>|").find(c) != std::string_view::npos)
            c = '-';
    }
    return part.empty() ? "none" : part;
}

std::string TagOf(const std::vector<parameter::ItemBlock>& dataSet) {
    for (const auto& block : dataSet) {
        const auto item = parameter::DecodeItem(block, false);
        if (shell::Trim(item.name) == "TAG NO") return shell::Trim(item.data);
    }
    return {};
}

std::string BackupFileName(std::string_view model, std::string_view tag, std::string_view time,
                           DataFileKind kind) {
    return FileNamePart(model) + "_" + FileNamePart(tag) + "_" + FileNamePart(time) +
           ExtensionOf(kind);
}

std::string WriteBackup(files::Workspace& ws, DataFileKind kind, std::string& why) {
    namespace fs = std::filesystem;
    const bool parameter = kind == DataFileKind::kParameter;
    const fs::path folder = shell::UserDataFolder() / "User" / "BACKUP";
    std::error_code ec;
    fs::create_directories(folder, ec);
    if (ec) {
        why = "the folder " + shell::platform::Utf8FromPath(folder) +
              " cannot be made: " + ec.message();
        return {};
    }
    shell::KeepPrivate(folder.parent_path());
    shell::KeepPrivate(folder);
    std::string tag = parameter ? TagOf(ws.items.dataSet) : std::string{};
    if (tag.empty()) tag = ws.information.instrumentNo;
    const std::string model = parameter ? ws.header.model : ws.program.header.modelCode;
    const std::string name = BackupFileName(SingleByteToUtf8(model), SingleByteToUtf8(tag),
                                            shell::LocalTimeText("%Y%m%d-%H%M%S"), kind);
    // Two backups within one second keep both.
    fs::path path = folder / shell::platform::PathFromUtf8(name);
    for (int n = 2; fs::exists(path, ec); ++n) {
        const std::string stem = name.substr(0, name.rfind('.'));
        path = folder /
               shell::platform::PathFromUtf8(stem + "-" + std::to_string(n) + ExtensionOf(kind));
    }
    const std::string text = shell::platform::Utf8FromPath(path);
    // The record says what the file is: the instrument's set, not the file
    // about to be downloaded, whose record the workspace holds now.
    const InformationRecord kept = ws.information;
    ws.information = DefaultInformation(OleDateNow());
    SetInformationFileName(ws.information, shell::platform::Utf8FromPath(path.filename()));
    ws.information.instrumentNo = FixedLength(shell::Trim(tag), ws.information.instrumentNo.size());
    const bool written = parameter ? WriteParameterFile(ws, text) : WriteProgramFile(ws, text);
    ws.information = kept;
    if (!written) {
        why = text + " could not be written";
        return {};
    }
    shell::KeepPrivate(path);
    return text;
}

}  // namespace rq50::files
