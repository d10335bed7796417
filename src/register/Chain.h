#pragma once

// The register's hash chain: every record's content in one canonical byte
// form, its SHA-256, and a chain hash that ties it to the record before it in
// one register-wide order. The same on every engine: the canonical form is
// built here from the stored texts and numbers, never by the database.

#include <cstdint>
#include <string>
#include <vector>

#include "register/Database.h"
#include "register/Record.h"

namespace rq50::plant {

/// The chain hash before the first record: 64 zeros.
extern const std::string kChainStart;

/// What a record's content hash covers, as the register stores it.
struct ChainContent {
    std::int64_t id = 0;
    std::string kind;
    std::string time;
    std::string user;
    std::string host;
    std::string model;
    std::string identity;
    std::string plant;
    std::string area;
    std::string port;
    std::int64_t slot = 0;
    std::string fileName;
    std::string fileKind;
    std::string setHash;
    std::int64_t ok = 0;
    std::string result;
    std::int64_t itemsWritten = 0;
    std::int64_t itemsDiffer = 0;
    std::string reason;
    std::string origin;
    std::vector<Change> changes;
};

/// The canonical bytes of `content`: a version line, then every field as
/// "LENGTH:BYTES\n" in a fixed order (numbers in decimal), the changes last,
/// sorted, so that the order a database returns them in does not matter.
std::string CanonicalContent(const ChainContent& content);
/// SHA-256 of the canonical bytes, as 64 hex digits.
std::string ContentHash(const ChainContent& content);
/// SHA-256 over the previous chain hash (32 bytes), the content hash (32
/// bytes) and the record's position in the chain (8 bytes, big-endian), as
/// 64 hex digits; empty when a hash given is not 64 hex digits.
std::string ChainHash(const std::string& previous, const std::string& content,
                      std::int64_t sequence);

/// A text as the register keeps it: valid UTF-8, any byte that is not
/// replaced by '?', so that what is hashed is what every engine gives back.
std::string StoredText(std::string text);

/// The newest record of the chain, or where a chain stood once.
struct ChainHead {
    std::int64_t id = 0;        ///< the record's number; 0: an empty chain
    std::int64_t sequence = 0;  ///< its position, from 1
    std::string hash;           ///< its chain hash
    bool Empty() const { return sequence == 0; }
};

/// What `register verify` found.
struct ChainFinding {
    enum class Kind {
        kEdited,
        kDeleted,
        kInserted,
        kReordered,
        kTruncated,
        kBadSignature,   ///< not the signer's signature over the chain hash
        kUnknownKey,     ///< signed with a key the register does not know
        kOtherUsersKey,  ///< signed with the key of another user than the record's
    };
    Kind kind = Kind::kEdited;
    std::int64_t id = 0;        ///< the record named; 0 when it is gone
    std::int64_t sequence = 0;  ///< the position concerned; 0 for none
    std::string text;           ///< what was found, in words
};

/// "edited", "deleted", "inserted", "reordered", "truncated", "bad-signature",
/// "unknown-key", "other-users-key".
const char* FindingName(ChainFinding::Kind kind);

struct ChainReport {
    std::int64_t records = 0;  ///< records read
    ChainHead head;            ///< the newest record of the chain as it stands
    std::int64_t signedRecords = 0;
    /// Signed records whose signature this build cannot check (no libsodium).
    std::int64_t notCheckable = 0;
    std::vector<ChainFinding> findings;
    bool Intact() const { return findings.empty(); }
};

/// One record as verify reads it: its stored chain values (empty texts and
/// position 0 where it has none), its set's hash, and the hash its content
/// gives now.
struct ChainLink {
    std::int64_t id = 0;
    std::int64_t sequence = 0;
    std::string previous;
    std::string contentHash;
    std::string chainHash;
    std::string setHash;
    std::string user;       ///< the record's user, whose key must have signed it
    std::string signer;     ///< the signing key's id; empty for an unsigned record
    std::string signature;  ///< 128 hex digits; empty for an unsigned record
    std::string content;  ///< ContentHash of the record as it is stored now
    /// ChainHash(previous, contentHash, sequence) is chainHash (Verify
    /// works it out while the next records are read).
    bool chainsAtPosition = false;
};

/// `link` with `content` and `chainsAtPosition` worked out from `content`.
void Seal(ChainLink& link, const ChainContent& content);

/// A head the chain must still reach: one this computer wrote or verified,
/// or a checkpoint kept on paper; `source` says which, for the finding.
struct KnownHead {
    ChainHead head;
    std::string source;
};

/// Walks `records` (any order) and names each that was edited, deleted,
/// inserted or reordered since it was chained, and a chain that no longer
/// reaches a head of `known` (its newest records deleted, or rewritten).
/// `sets` are the register's sets as (hash, SHA-256 of their bytes): a set
/// whose bytes no longer give its hash marks the records that hold it as
/// edited.
ChainReport CheckChain(std::vector<ChainLink> records,
                       const std::vector<std::pair<std::string, std::string>>& sets,
                       const std::vector<KnownHead>& known);

}  // namespace rq50::plant
