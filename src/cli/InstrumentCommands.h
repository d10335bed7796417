#pragma once

// The rq50-cli commands that talk to an instrument, as the command table
// (InstrumentCommands.cpp) runs them: each takes the core session of the run
// and its options and returns the exit code.

#include <map>
#include <optional>
#include <string>
#include <vector>

#include "cli/ExitCode.h"

#include "files/InformationRecord.h"

namespace CLI {
class App;
}  // namespace CLI

namespace rq50::session {
struct DownloadPreview;
}  // namespace rq50::session

namespace rq50::session {
class CoreSession;
}  // namespace rq50::session

namespace rq50::plant {
struct Record;
}  // namespace rq50::plant

namespace rq50::cli {

struct UploadOptions {
    std::string output;
    std::map<files::InfoBox, std::string> boxes;
    bool force = false;  ///< replace a file that exists
};

struct DownloadOptions {
    std::string file;
    std::optional<std::string> password;
    bool force = false;
    bool noBackup = false;  ///< download without first keeping the instrument's set
    bool yes = false;       ///< download without asking after the preview
    std::optional<std::string> reason;  ///< why, as the plant register records it
};

struct PageOptions {
    std::string category = "set";  ///< where items are read and written
    int tab = 1;
    int next = 0;
    int previous = 0;
    std::string address;
    std::string value;
    int count = 0;  ///< monitor: this many readings; 0: until --duration or Ctrl-C
    std::string csv;
    bool force = false;                   ///< monitor: --csv may replace an existing file
    std::optional<std::string> password;  ///< write: the download password
    int intervalS = 5;                    ///< monitor: seconds between readings
    int durationS = 0;  ///< monitor: read for this long instead of --count readings
};

struct RackCliOptions {
    std::string action;                   ///< scan, upload, verify or download
    std::string slots;                    ///< --slots 1-4,7; empty for all 16
    std::string folder;                   ///< upload: where to; verify, download: the files
    bool yes = false;                     ///< download without asking after each preview
    bool force = false;                   ///< upload: replace slot files that exist
    std::optional<std::string> password;  ///< download: the download password
    std::optional<std::string> reason;    ///< download: why, as the register records it
};

// Transfers (TransferCommands.cpp).
ExitCode RunUpload(session::CoreSession& core, const UploadOptions& o);
ExitCode RunDownload(session::CoreSession& core, const DownloadOptions& o);
ExitCode RunProgramUpload(session::CoreSession& core, const std::string& path);
ExitCode RunProgramDownload(session::CoreSession& core, const DownloadOptions& o);
/// With a download password stored, anything that writes to an instrument
/// needs it (--password): false (the reason said) when it is missing or
/// wrong; a right one opens the engine's gate for the run.
bool DownloadAllowed(session::CoreSession& core, const std::optional<std::string>& password);
/// The reason for this run's writes (--reason), as the plant register
/// records it: asked for on a terminal when the register requires one
/// (REASONREQUIRED) and none was given; false (said so) when it is required
/// and nobody can give it (a script).
bool TakeWriteReason(session::CoreSession& core, const std::optional<std::string>& reason);
/// Adds --reason to a command that writes to the instrument.
void AddReasonOption(CLI::App* command, std::optional<std::string>& reason);
/// Prints a download's preview and asks whether to go on (--yes answers).
bool ConfirmDownloadPreview(const session::DownloadPreview& preview, bool yes);
/// Downloads a record of the plant register as `download` downloads a file
/// (password, backup, list of changes, read-back), recorded as a restore.
/// `o.file` names the set in the list of changes and the JSON output.
ExitCode RunRestore(session::CoreSession& core, const DownloadOptions& o, const plant::Record& record);
/// The instrument's data against a file, without writing anything.
ExitCode RunVerify(session::CoreSession& core, const std::string& file);

// Online work on the instrument (OnlineCommands.cpp).
/// The names --category takes, in the order of the categories.
const std::vector<std::string>& CategoryNames();
ExitCode RunPage(session::CoreSession& core, const PageOptions& o);
ExitCode RunRead(session::CoreSession& core, const PageOptions& o);
ExitCode RunWrite(session::CoreSession& core, const PageOptions& o);
ExitCode RunMonitor(session::CoreSession& core, const PageOptions& o);
ExitCode RunCancelOutput(session::CoreSession& core);
ExitCode RunBaud(session::CoreSession& core, int rate);
ExitCode RunSlot(session::CoreSession& core, const std::string& text);
// A rack interface's slots in one run (RackCommands.cpp).
ExitCode RunRack(session::CoreSession& core, const RackCliOptions& o);

// The serial ports of this machine (PortsCommand.cpp).
ExitCode RunPorts(session::CoreSession& core);

}  // namespace rq50::cli
