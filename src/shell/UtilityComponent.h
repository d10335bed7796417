#pragma once

#include <cstdint>
#include <string>

namespace rq50::shell {

/// The six file-system, timing and cursor services every screen relies on.
class UtilityComponent {
  public:
    virtual ~UtilityComponent() = default;
    virtual bool FileExists(const std::string& path) = 0;
    virtual bool FolderExists(const std::string& path) = 0;
    /// No result: callers judge success by a following FolderExists.
    virtual void CreateFolder(const std::string& path) = 0;
    /// Free bytes on the drive (or file system) holding `drive`; -1 when it
    /// cannot be told.
    virtual std::int64_t DriveFreeSpace(const std::string& drive) = 0;
    virtual void Wait(std::int32_t ms) = 0;
    virtual void SetCursorPosition(std::int32_t x, std::int32_t y) = 0;
};

}  // namespace rq50::shell
