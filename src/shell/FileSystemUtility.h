#pragma once

#include "shell/UtilityComponent.h"

namespace rq50::shell {

/// The utility component on the standard file system. Wait goes through the
/// Clock of Svc() (a steady clock when none is installed); the cursor is the
/// GUI's business, so SetCursorPosition does nothing here.
class FileSystemUtility : public UtilityComponent {
  public:
    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    /// Bytes available to the program on the file system holding `drive` (the
    /// nearest existing folder of it); -1 when that cannot be told.
    std::int64_t DriveFreeSpace(const std::string& drive) override;
    void Wait(std::int32_t ms) override;
    void SetCursorPosition(std::int32_t x, std::int32_t y) override;
};

}  // namespace rq50::shell
