#include "comm/CommLog.h"
#include "files/PlatformFile.h"

#include <cerrno>
#include <chrono>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "shell/AppPaths.h"
#include "shell/GlobalState.h"

namespace rq50::comm {

constinit bool& MonitorOn = shell::detail::applicationState.monitorOn;
constinit bool& LogFileOn = shell::detail::applicationState.logFileOnCopy;
constinit bool MonitorAscii = false;

namespace {

std::function<std::string()>& TimeSource() {
    static std::function<std::string()> source;
    return source;
}

std::string Quoted(const std::string& field) {
    std::string out = "\"";
    for (char c : field) {
        out += c;
        if (c == '"') out += '"';
    }
    return out + "\"";
}

LogTarget& Target() {
    static LogTarget target;
    return target;
}

}  // namespace

std::string LogFilePath() {
    if (!Target().path.empty()) return Target().path;
    return shell::AppFilePath("User\\RQ50.Log");
}

void SetLogTarget(const LogTarget& target) {
    Target() = target;
}

std::string LogFileProblem() {
    const std::filesystem::path path = files::platform::PathFromUtf8(LogFilePath());
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return ec.message();
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (out) return {};
    return errno != 0 ? std::strerror(errno) : "the file cannot be opened";
}

void ResetLogFile() {
    if (Target().keepAcrossJobs) return;
    std::error_code ec;
    const std::filesystem::path path = files::platform::PathFromUtf8(LogFilePath());
    if (!std::filesystem::is_directory(path.parent_path(), ec)) return;
    if (std::filesystem::exists(path, ec)) std::filesystem::remove(path, ec);
}

std::string LogTimeStamp() {
    if (TimeSource()) return TimeSource()();
    const std::time_t now = std::chrono::system_clock::to_time_t(std::chrono::system_clock::now());
    const std::tm local = files::platform::LocalTime(now);
    char text[32];
    std::strftime(text, sizeof text, "%Y/%m/%d %H:%M:%S", &local);
    return text;
}

void SetLogTimeSource(std::function<std::string()> source) {
    TimeSource() = std::move(source);
}

std::string LogRecord(const std::string& stamp, const std::string& label, const std::string& text) {
    return Quoted(stamp) + "," + Quoted(label) + "," + Quoted(text) + "\r\n";
}

namespace {

void AppendToLog(const std::string& records) {
    // A log that cannot be written is skipped; the job never depends on it.
    std::ofstream out(files::platform::PathFromUtf8(LogFilePath()),
                      std::ios::binary | std::ios::app);
    if (!out) return;
    out.write(records.data(), static_cast<std::streamsize>(records.size()));
}

}  // namespace

void LogFrame(const std::vector<std::uint8_t>& frame, bool sent) {
    const std::string stamp = LogTimeStamp();
    AppendToLog(
        LogRecord(stamp, sent ? kSendHexLabel : kRecvHexLabel, FrameToText(frame, false)) +
        LogRecord(stamp, sent ? kSendAsciiLabel : kRecvAsciiLabel, FrameToText(frame, true)));
}

void LogNote(const std::string& text) {
    AppendToLog(LogRecord(LogTimeStamp(), kNoteLabel, text));
}

bool IsMonitoredJob(int job) {
    return (job >= kJobCategoryDisplay && job <= kJobPeriodicRead) ||
           (job >= kJobReadItem && job <= kJobCancelForced);
}

void ShowMonitorFrame(bool sent) {
    if (!MonitorOn || !IsMonitoredJob(CommJob)) return;
    Host().ShowMonitorText(sent, FrameToText(sent ? SendBuffer : RecvBuffer, MonitorAscii));
}

}  // namespace rq50::comm
