#include "comm/CommLog.h"
#include "shell/PlatformFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "shell/AppPaths.h"
#include "shell/Clock.h"
#include "shell/QuotedField.h"

namespace rq50::comm {

std::string CommEngine::LogFilePath() const {
    if (!m_logTarget.path.empty()) return m_logTarget.path;
    return shell::AppFilePath("User\\RQ50.Log");
}

std::string CommEngine::LogFileProblem() const {
    const std::filesystem::path path = shell::platform::PathFromUtf8(LogFilePath());
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return ec.message();
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (out) return {};
    return errno != 0 ? std::strerror(errno) : "the file cannot be opened";
}

void CommEngine::ResetLogFile() {
    if (m_logTarget.keepAcrossJobs) return;
    std::error_code ec;
    const std::filesystem::path path = shell::platform::PathFromUtf8(LogFilePath());
    if (!std::filesystem::is_directory(path.parent_path(), ec)) return;
    if (std::filesystem::exists(path, ec)) std::filesystem::remove(path, ec);
}

std::string CommEngine::LogTimeStamp() const {
    if (m_logTime) return m_logTime();
    return shell::LocalTimeText("%Y/%m/%d %H:%M:%S");
}

std::string LogRecord(const std::string& stamp, const std::string& label, const std::string& text) {
    return shell::QuotedField(stamp) + "," + shell::QuotedField(label) + "," +
           shell::QuotedField(text) + "\r\n";
}

void CommEngine::AppendToLog(const std::string& records) {
    // A log that cannot be written is skipped; the job never depends on it.
    std::ofstream out(shell::platform::PathFromUtf8(LogFilePath()),
                      std::ios::binary | std::ios::app);
    if (!out) return;
    out.write(records.data(), static_cast<std::streamsize>(records.size()));
}

void CommEngine::LogFrame(const std::vector<std::uint8_t>& frame, bool sent) {
    const std::string stamp = LogTimeStamp();
    AppendToLog(
        LogRecord(stamp, sent ? kSendHexLabel : kRecvHexLabel, FrameToText(frame, false)) +
        LogRecord(stamp, sent ? kSendAsciiLabel : kRecvAsciiLabel, FrameToText(frame, true)));
}

void CommEngine::LogNote(const std::string& text) {
    AppendToLog(LogRecord(LogTimeStamp(), kNoteLabel, text));
}

bool IsMonitoredJob(int job) {
    return (job >= kJobCategoryDisplay && job <= kJobPeriodicRead) ||
           (job >= kJobReadItem && job <= kJobCancelForced);
}

void CommEngine::ShowMonitorFrame(bool sent) {
    if (!MonitorOn || !IsMonitoredJob(CommJob)) return;
    Host().ShowMonitorText(sent, FrameToText(sent ? SendBuffer : RecvBuffer, MonitorAscii));
}

}  // namespace rq50::comm
