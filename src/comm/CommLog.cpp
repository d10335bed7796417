#include "comm/CommLog.h"
#include "shell/PlatformFile.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "comm/EngineCore.h"
#include "comm/Frame.h"
#include "files/SaveTarget.h"
#include "files/Workspace.h"
#include "shell/Clock.h"
#include "shell/QuotedField.h"

namespace rq50::comm {

std::string EngineCore::LogFilePath() const {
    if (!m_logTarget.path.empty()) return m_logTarget.path;
    return Data().config.FilePath("User\\RQ50.Log");
}

std::string EngineCore::LogFileProblem() const {
    if (auto problem = LogTargetProblem(LogFilePath()); !problem.empty()) return problem;
    const std::filesystem::path path = shell::platform::PathFromUtf8(LogFilePath());
    std::error_code ec;
    std::filesystem::create_directories(path.parent_path(), ec);
    if (ec) return ec.message();
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::app);
    if (out) return {};
    return errno != 0 ? std::strerror(errno) : "the file cannot be opened";
}

void EngineCore::ResetLogFile() {
    // A file that is not a log (a device, a parameter file put in its place)
    // is neither removed nor written to.
    m_logRefused = !LogTargetProblem(LogFilePath()).empty();
    if (m_logTarget.keepAcrossJobs || m_logRefused) return;
    std::error_code ec;
    const std::filesystem::path path = shell::platform::PathFromUtf8(LogFilePath());
    if (!std::filesystem::is_directory(path.parent_path(), ec)) return;
    if (std::filesystem::is_regular_file(path, ec)) std::filesystem::remove(path, ec);
}

std::string EngineCore::LogTimeStamp() const {
    if (m_logTime) return m_logTime();
    return shell::LocalTimeText("%Y/%m/%d %H:%M:%S");
}

std::string LogRecord(const std::string& stamp, const std::string& label, const std::string& text) {
    return shell::QuotedField(stamp) + "," + shell::QuotedField(label) + "," +
           shell::QuotedField(text) + "\r\n";
}

void EngineCore::AppendToLog(const std::string& records) {
    // A log that cannot be written is skipped; the job never depends on it.
    if (m_logRefused) return;
    std::ofstream out(shell::platform::PathFromUtf8(LogFilePath()),
                      std::ios::binary | std::ios::app);
    if (!out) return;
    out.write(records.data(), static_cast<std::streamsize>(records.size()));
}

void EngineCore::LogFrame(const std::vector<std::uint8_t>& frame, bool sent) {
    const std::string stamp = LogTimeStamp();
    AppendToLog(
        LogRecord(stamp, sent ? kSendHexLabel : kRecvHexLabel, FrameToText(frame, false)) +
        LogRecord(stamp, sent ? kSendAsciiLabel : kRecvAsciiLabel, FrameToText(frame, true)));
}

void EngineCore::LogNote(const std::string& text) {
    AppendToLog(LogRecord(LogTimeStamp(), kNoteLabel, text));
}

bool IsLogRecord(const std::string& firstLine) {
    // "stamp","label","text": the label is one of the log's own.
    if (firstLine.empty() || firstLine[0] != '"') return false;
    const auto labelStart = firstLine.find("\",\"");
    if (labelStart == std::string::npos) return false;
    const std::string rest = firstLine.substr(labelStart + 3);
    for (const char* label :
         {kSendHexLabel, kSendAsciiLabel, kRecvHexLabel, kRecvAsciiLabel, kNoteLabel}) {
        if (rest.rfind(std::string(label) + "\",\"", 0) == 0) return true;
    }
    return false;
}

std::string LogTargetProblem(const std::string& path) {
    namespace platform = shell::platform;
    const std::filesystem::path target = platform::PathFromUtf8(path);
    if (files::DataFileKindOf(path)) {
        return path + ": a log is not written to a name ending in " +
               platform::Utf8FromPath(target.extension()) +
               ", which stands for a parameter or program file";
    }
    platform::TargetStatus status;
    if (const int error = platform::StatusOf(target, status); error != 0)
        return path + ": " + std::strerror(error);
    if (!status.exists) return {};
    if (!status.regular) {
        return path +
               " is not a regular file (a folder, device, pipe or socket); the log is written "
               "only to a file";
    }
    // Known to be a regular file now, so reading its start cannot block.
    std::ifstream in(target, std::ios::binary);
    if (!in) return path + " cannot be read";
    std::string firstLine(256, '\0');
    in.read(firstLine.data(), static_cast<std::streamsize>(firstLine.size()));
    firstLine.resize(static_cast<std::size_t>(in.gcount()));
    if (firstLine.empty() || IsLogRecord(firstLine.substr(0, firstLine.find('\n')))) return {};
    return path +
           " exists and is not a communication log RQ50 wrote; name a new file or an RQ50 log";
}

bool IsMonitoredJob(Job job) {
    return (job >= kJobCategoryDisplay && job <= kJobPeriodicRead) ||
           (job >= kJobReadItem && job <= kJobCancelForced);
}

void EngineCore::ShowMonitorFrame(bool sent) {
    if (!MonitorOn || !IsMonitoredJob(CommJob)) return;
    Host().ShowMonitorText(sent, FrameToText(sent ? SendBuffer : RecvBuffer, MonitorAscii));
}

}  // namespace rq50::comm
