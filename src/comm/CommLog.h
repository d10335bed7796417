#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace rq50::comm {

/// "Communication Monitor(&M)" and "Create Log File(&F)" of the Command menu;
/// both off at start-up.
/// They are the application state's flags, which the Command menu sets.
extern bool& MonitorOn;
extern bool& LogFileOn;
/// Display option of the parameter screen's monitor: false hex, true ASCII.
extern bool MonitorAscii;

/// Labels of the two records of a frame (12 characters each).
inline constexpr const char* kSendHexLabel = "  SEND HEX  ";
inline constexpr const char* kSendAsciiLabel = " SEND ASCII ";
inline constexpr const char* kRecvHexLabel = " RECIVE HEX ";
inline constexpr const char* kRecvAsciiLabel = "RECIVE ASCII";
/// Label of a record that says how the engine treated the frame before it.
inline constexpr const char* kNoteLabel = "    NOTE    ";

/// The program folder's "User\RQ50.Log", or the file SetLogTarget named.
std::string LogFilePath();

/// Where the log goes and how long it keeps its frames. By default the log is
/// the program folder's file and holds the last job only; a front end that
/// runs several jobs for one command (rq50-cli) can name its own file and keep
/// every job's frames in it.
struct LogTarget {
    std::string path;             ///< empty: the program folder's log
    bool keepAcrossJobs = false;  ///< ResetLogFile leaves the file alone
};
void SetLogTarget(const LogTarget& target);

/// Makes the log's folder when it is missing and tries to open the log for
/// appending. Empty when frames can be logged; otherwise the reason, so that
/// switching the log on can say why no log will come.
std::string LogFileProblem();

/// Deletes the log so it holds the frames of the coming job only. Nothing is
/// deleted when the folder is missing, or when the log target keeps the
/// frames across jobs.
void ResetLogFile();

/// Appends two records for `frame`: hex and ASCII rendering, each as
/// "time stamp","label","text" CR LF. Write errors are ignored.
void LogFrame(const std::vector<std::uint8_t>& frame, bool sent);

/// Appends one record that explains the frame logged before it (an answer
/// with a wrong checksum sent for again or taken, an answer to another
/// request passed over). Write errors are ignored.
void LogNote(const std::string& text);

/// Time stamp of the log records, "yyyy/mm/dd hh:mm:ss" of the local time.
std::string LogTimeStamp();
/// Replaces the source of the time stamp (tests); nullptr restores the clock.
void SetLogTimeSource(std::function<std::string()> source);

/// One record line of the log: the three fields quoted, a double quote inside
/// a field doubled, CR LF at the end.
std::string LogRecord(const std::string& stamp, const std::string& label, const std::string& text);

/// Shows the last request (`sent`) or response in the parameter screen's
/// monitor while the monitor is on and the job belongs to that screen
/// (jobs 4-14 and 17-19).
void ShowMonitorFrame(bool sent);

/// True for the jobs whose frames the parameter screen's monitor shows.
bool IsMonitoredJob(int job);

}  // namespace rq50::comm
