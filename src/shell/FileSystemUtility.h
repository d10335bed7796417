#pragma once

#include "shell/UtilityComponent.h"

namespace rq50::shell {
class Clock;
}  // namespace rq50::shell

namespace rq50::shell {

/// The utility component on the standard file system. Wait goes through the
/// clock it is given (a steady clock when none); the cursor is the GUI's
/// business, so SetCursorPosition does nothing here.
class FileSystemUtility : public UtilityComponent {
  public:
    explicit FileSystemUtility(Clock* clock = nullptr) : m_clock(clock) {}
    void UseClock(Clock* clock) { m_clock = clock; }

    bool FileExists(const std::string& path) override;
    bool FolderExists(const std::string& path) override;
    void CreateFolder(const std::string& path) override;
    /// Bytes available to the program on the file system holding `drive` (the
    /// nearest existing folder of it); -1 when that cannot be told.
    std::int64_t DriveFreeSpace(const std::string& drive) override;
    void Wait(std::int32_t ms) override;
    void SetCursorPosition(std::int32_t x, std::int32_t y) override;

  private:
    Clock* m_clock;
};

}  // namespace rq50::shell
