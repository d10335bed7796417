#include "register/HeadFile.h"

#include <map>
#include <system_error>

#include "files/RecordFile.h"
#include "register/Recorder.h"
#include "shell/AppPaths.h"
#include "shell/PlatformFile.h"

namespace rq50::plant {
namespace fs = std::filesystem;

namespace {

constexpr const char* kHeadMagic = "RQ50 register head 1";

}  // namespace

fs::path HeadFolder() {
    return shell::UserDataFolder() / "User" / "REGISTER-HEAD";
}

fs::path HeadFileOf(const fs::path& folder, const std::string& name) {
    // The queue's name for the register, without the queue's folder.
    return folder / QueueFolderOf(fs::path(), name).filename();
}

std::optional<ChainHead> ReadHead(const fs::path& file) {
    files::Bytes bytes;
    if (files::ReadWholeFile(shell::platform::Utf8FromPath(file), bytes) != files::FileError::Ok)
        return std::nullopt;
    const std::string text(bytes.begin(), bytes.end());
    if (text.rfind(std::string(kHeadMagic) + "\n", 0) != 0) return std::nullopt;
    std::map<std::string, std::string> fields;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find('\n', at), text.size());
        const std::string line = text.substr(at, end - at);
        if (const auto eq = line.find('='); eq != std::string::npos)
            fields[line.substr(0, eq)] = line.substr(eq + 1);
        at = end + 1;
    }
    ChainHead head;
    try {
        head.id = std::stoll(fields.at("record"));
        head.sequence = std::stoll(fields.at("position"));
    } catch (const std::exception&) {
        return std::nullopt;
    }
    head.hash = fields["hash"];
    if (head.id <= 0 || head.sequence <= 0 || head.hash.size() != 64) return std::nullopt;
    return head;
}

bool KeepHead(const fs::path& file, const ChainHead& head, const std::string& registerName) {
    if (head.Empty()) return true;
    if (const auto kept = ReadHead(file); kept && kept->sequence >= head.sequence) return true;
    std::error_code ec;
    const fs::path folder = file.parent_path();
    if (fs::create_directories(folder, ec)) shell::KeepPrivate(folder);
    const std::string text = std::string(kHeadMagic) + "\nregister=" +
                             RegisterIdentity(registerName) + "\nrecord=" +
                             std::to_string(head.id) + "\nposition=" +
                             std::to_string(head.sequence) + "\nhash=" + head.hash + "\n";
    const std::string path = shell::platform::Utf8FromPath(file);
    if (files::ReplaceFileContents(path, Blob(text.begin(), text.end())) != files::FileError::Ok)
        return false;
    shell::KeepPrivate(file);
    return true;
}

}  // namespace rq50::plant
