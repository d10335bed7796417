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
/// NO item's text) where the model has one, else by the information
/// record's instrument number; plant and area are the information record's
/// Title 1 and Title 2.
struct Instrument {
    std::int64_t id = 0;
    std::string model;
    std::string tag;
    std::string instrumentNo;
    std::string plant;
    std::string area;
    /// The name the register and rq50-cli know it by; "(unnamed)" when it
    /// has neither tag nor instrument number.
    std::string Name() const;
    // Filled by the queries that list instruments.
    int records = 0;
    std::string lastTime;
};

/// One item a writing transfer changed: its value in the instrument before
/// (the record before it) and after.
struct Change {
    std::string address;
    std::string name;
    std::string before;
    std::string after;
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
};

/// The current UTC time in the register's form.
std::string UtcNow();

/// `text` is an ISO 8601 date ("2026-12-01") or date and time
/// ("2026-12-01T08:00:00Z", "2026-12-01 08:00"): the register's form of it,
/// or nothing when it is not a date.
std::optional<std::string> NormaliseTime(std::string_view text);

}  // namespace rq50::plant
