#pragma once

// What the plant register keeps: instruments, and for each the records of
// the transfers made with it, each with the whole set as the file's bytes.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "files/SaveTarget.h"
#include "register/Database.h"

namespace rq50::plant {

enum class RecordKind {
    kUpload,
    kDownload,
    kVerify,
    kBackup,
    kProgramUpload,
    kProgramDownload,
    kRestore,
};

/// "upload", "download", "verify", "backup", "program-upload",
/// "program-download", "restore".
std::string KindName(RecordKind kind);
std::optional<RecordKind> KindFromName(std::string_view name);
/// Kinds that write to the instrument (the audit's "changes").
bool WritesInstrument(RecordKind kind);

/// An instrument as the register knows it. It is named by its tag (the TAG
/// NO item's text) where the model has one and it is not blank, else by the
/// information record's instrument number, else by its model and where it
/// answered ("RQS2 at /dev/ttyUSB0 slot 7"), unless a technician gave it a
/// name in the register; plant and area are the information record's Title 1
/// and Title 2.
struct Instrument {
    std::int64_t id = 0;
    std::string model;
    std::string tag;
    std::string instrumentNo;
    std::string plant;
    std::string area;
    /// The name the register files it under (set by the register); empty
    /// for one not yet filed.
    std::string name;
    /// The name the register and rq50-cli know it by: `name` when set, else
    /// the tag, else the instrument number, else "(unnamed)".
    std::string Name() const;
    // Filled by the queries that list instruments.
    int records = 0;
    std::string lastTime;
};

/// What `Change::before` holds when no backup was taken just before the
/// write: the instrument's earlier value is not known.
inline constexpr const char* kBeforeUnknown = "unknown";

/// One item a writing transfer changed, as the instrument confirmed it: its
/// value in the backup taken just before the write (kBeforeUnknown without
/// one) and the value the instrument answered with after the write.
struct Change {
    std::string address;
    std::string name;
    std::string before;
    std::string after;
    /// The value the file asked for, when the instrument holds another
    /// (it clamped or refused it); empty when it took the file's value.
    std::string file = {};
};

struct Record {
    std::int64_t id = 0;
    Instrument instrument;
    RecordKind kind = RecordKind::kUpload;
    std::string time;  ///< ISO 8601, UTC: "2026-12-07T23:41:23Z"
    std::string user;
    std::string host;
    std::string port;      ///< the device the line ran on; empty for none
    int slot = 0;          ///< rack slot; 0 without a rack interface
    std::string fileName;  ///< the file the transfer came from or went to
    files::DataFileKind fileKind = files::DataFileKind::kParameter;
    Blob bytes;        ///< the whole set as a .7pa/.7pr file holds it
    std::string hash;  ///< SHA-256 of `bytes`
    bool ok = true;    ///< the transfer ended well
    std::string result;
    int itemsWritten = -1;  ///< -1: not a writing transfer
    int itemsDiffer = -1;   ///< read-back or compare differences; -1: none made
    std::vector<Change> changes;
    /// Where the record was made ("host/process/serial"): a record sent
    /// twice from a queue (a program killed after it went in) is kept once.
    std::string origin = {};
    /// Why the transfer was made, as the user gave it; empty when none was
    /// asked for (the register setting REASONREQUIRED).
    std::string reason = {};
};

/// The port of the records made with the built-in simulated instrument.
inline constexpr const char* kSimulatedPort = "simulated";

/// The name an instrument is filed under when no technician named it: its
/// tag, else its instrument number, else "MODEL at PORT slot N".
std::string IdentityName(const Instrument& instrument, const std::string& port, int slot);

/// The current UTC time in the register's form.
std::string UtcNow();

/// `text` is an ISO 8601 date ("2026-12-01") or date and time
/// ("2026-12-01T08:00:00Z", "2026-12-01 08:00"): the register's form of it,
/// or nothing when it is not a date.
std::optional<std::string> NormaliseTime(std::string_view text);

}  // namespace rq50::plant
