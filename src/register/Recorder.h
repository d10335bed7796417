#pragma once

// Records transfers in the plant register as they happen. A register that
// cannot be reached never holds a transfer up: the record waits in a queue
// folder of the user data folder and is sent with the next record that gets
// through, and the user is told.

#include <chrono>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>

#include "register/Database.h"
#include "register/Record.h"

namespace rq50::shell {
class SettingsStore;
}

namespace rq50::plant {

class PlantRegister;

/// Opens a register by its name ("sqlite:PATH" or a postgresql:// URI);
/// RegisterError when it cannot.
using DatabaseOpener = std::function<std::unique_ptr<Database>(const std::string& name)>;

/// The register in use: `flag` (--register) when given, else the
/// environment's RQ50_REGISTER, else the setting "REGISTER", else the file
/// register.sqlite in the user data folder.
std::string RegisterName(const shell::SettingsStore* settings, const std::string& flag = {});
/// The setting "REGISTERON": records are made unless it is "0".
bool RecordingOn(const shell::SettingsStore* settings);
void SetRecordingOn(shell::SettingsStore& settings, bool on);

/// Where records wait while the register cannot be reached.
std::filesystem::path QueueFolder();

/// A record's bytes and fields as one queue file, and back (nothing when
/// the file is not one).
Blob QueueFileOf(const Record& record);
std::optional<Record> RecordOfQueueFile(const Blob& file);

class Recorder {
  public:
    Recorder(std::string registerName, DatabaseOpener opener, std::filesystem::path queueFolder,
             std::string user, std::string host);
    ~Recorder();

    const std::string& RegisterName() const { return m_name; }
    /// Fills in user, host and time where empty, sends the records waiting
    /// in the queue and then `record`. Returns empty when it went in, else
    /// what the user is told (the record waits in the queue, or was lost
    /// when even the queue could not take it).
    std::string Add(Record record);
    /// Sends the records waiting in the queue; how many are left.
    int SendQueued();
    /// Records waiting in the queue.
    int Queued() const;
    /// Where Add's word to the user goes besides its result (the status bar,
    /// the error output).
    void SetNoticeSink(std::function<void(const std::string&)> sink) { m_notice = std::move(sink); }
    /// The register, opened on first use; RegisterError when it cannot be.
    PlantRegister& Open();

  private:
    std::string m_name;
    DatabaseOpener m_opener;
    std::filesystem::path m_queue;
    std::string m_user;
    std::string m_host;
    std::unique_ptr<Database> m_db;
    std::unique_ptr<PlantRegister> m_register;
    std::function<void(const std::string&)> m_notice;
    /// After a failure the register is not tried again for a while, so that
    /// a server that does not answer holds no transfer up each time.
    std::chrono::steady_clock::time_point m_retryAfter{};
    std::string m_lastFailure;
};

}  // namespace rq50::plant
