#pragma once

#include <filesystem>
#include <string>

namespace rq50::shell {

/// Sets the application folder: `overrideDir` when not empty, else the
/// environment variable RQ50_APPDIR when set, else the folder of the running
/// executable (`argv0` is the fallback when that cannot be told).
void InitAppFolder(const std::string& argv0, const std::string& overrideDir = {});

/// Sets the application folder directly (tests).
void SetAppFolder(const std::filesystem::path& folder);

/// The application folder.
const std::filesystem::path& AppFolder();

/// The application folder joined with `name`. Backslashes in `name` separate
/// folders ("User\PARAMETER", "Undo\") and become the platform's separator; a
/// trailing one is kept as a trailing separator.
std::string AppFilePath(const std::string& name);

}  // namespace rq50::shell
