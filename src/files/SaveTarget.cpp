#include "files/SaveTarget.h"

#include "shell/PlatformFile.h"

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstring>
#include <filesystem>

namespace rq50::files {
namespace {

namespace fs = std::filesystem;
namespace platform = shell::platform;

fs::path PathOf(const std::string& text) {
    return platform::PathFromUtf8(text);
}

std::string Text(const fs::path& path) {
    return platform::Utf8FromPath(path);
}

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

}  // namespace

std::string ExtensionOf(DataFileKind kind) {
    return kind == DataFileKind::kParameter ? ".7pa" : ".7pr";
}

std::optional<DataFileKind> DataFileKindOf(const std::string& path) {
    const std::string ext = Lower(Text(PathOf(path).extension()));
    if (ext == ExtensionOf(DataFileKind::kParameter)) return DataFileKind::kParameter;
    if (ext == ExtensionOf(DataFileKind::kProgram)) return DataFileKind::kProgram;
    return std::nullopt;
}

std::optional<std::string> SaveNameFor(const std::string& path, DataFileKind kind,
                                       std::string& problem) {
    const fs::path p = PathOf(path);
    if (p.filename().empty() || p.filename() == "." || p.filename() == "..") {
        problem = path + " names no file";
        return std::nullopt;
    }
    std::error_code ec;
    if (fs::is_directory(p, ec)) {
        problem = path + " is a folder; give a file name";
        return std::nullopt;
    }
    const std::string ext = Text(p.extension());
    if (ext.empty()) return path + ExtensionOf(kind);
    if (DataFileKindOf(path) == kind) return path;
    problem = path + ": a " +
              std::string(kind == DataFileKind::kParameter ? "parameter" : "program") +
              " file is saved with the extension " + ExtensionOf(kind) +
              ", or give the name without an extension";
    return std::nullopt;
}

std::string SaveTargetProblem(const std::string& path) {
    std::error_code ec;
    const fs::path target = PathOf(path);
    if (fs::is_directory(target, ec)) return path + " is a folder; give a file name";
    fs::path folder = target.parent_path();
    if (folder.empty()) folder = ".";
    if (!fs::is_directory(folder, ec)) {
        // "x.7pa/sub.7pa" where x.7pa is a file: the folder exists as a file.
        for (fs::path part = folder; !part.empty() && part != part.root_path();
             part = part.parent_path()) {
            if (fs::exists(part, ec) && !fs::is_directory(part, ec))
                return Text(part) + " is a file, not a folder";
            if (!part.has_parent_path() || part.parent_path() == part) break;
        }
        return "the folder " + Text(folder) + " does not exist";
    }
    if (fs::exists(target, ec) && !fs::is_regular_file(target, ec))
        return path + " is not a regular file";
    // Creating a file is the only sure test that the folder takes one: access
    // rights, a read-only or pseudo file system and quotas all show here.
    if (const int error = platform::ProbeFolder(folder); error != 0) {
        if (error == EROFS) return "the folder " + Text(folder) + " is read-only";
        return "cannot save into the folder " + Text(folder) + ": " + std::strerror(error);
    }
    platform::TargetStatus status;
    if (platform::StatusOf(target, status) == 0 && status.exists && !status.writable)
        return "cannot replace " + path + ": " + std::strerror(EACCES);
    return {};
}

std::string ExportTargetProblem(const std::string& output, const std::string& input) {
    std::error_code ec;
    const fs::path out = PathOf(output);
    const fs::path in = PathOf(input);
    if (fs::equivalent(out, in, ec) ||
        fs::weakly_canonical(out, ec) == fs::weakly_canonical(in, ec)) {
        return output + " is the file being exported; give another name for the output";
    }
    if (const auto kind = DataFileKindOf(output)) {
        return output + ": an export is not written to a name ending in " + ExtensionOf(*kind) +
               ", which stands for a " +
               (*kind == DataFileKind::kParameter ? "parameter" : "program") + " file";
    }
    return {};
}

std::string OutputTargetProblem(const std::string& output, const std::string& input, bool replace) {
    if (output.empty()) return "no output file was named";
    platform::TargetStatus status;
    if (platform::StatusOf(PathOf(output), status) == 0 && status.exists && !status.regular) {
        return output +
               " is not a regular file (a folder, device, pipe or socket); give the name of a "
               "file";
    }
    if (auto problem = ExportTargetProblem(output, input); !problem.empty()) return problem;
    if (status.exists && !replace) return output + " exists; give --force to replace it";
    return {};
}

}  // namespace rq50::files
