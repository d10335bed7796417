#pragma once

// The plant register: every instrument's history of transfers in a SQL
// database (SQLite for one user, PostgreSQL for a team), with one schema for
// both, a schema version and forward migrations. A register that is damaged,
// is not a register, or has a newer schema is refused and never written.

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "files/Compare.h"
#include "register/Chain.h"
#include "register/Database.h"
#include "register/Record.h"
#include "register/Signing.h"

namespace rq50::plant {

/// The schema this program writes; a register of a higher version is refused.
inline constexpr int kSchemaVersion = 4;

struct InstrumentFilter {
    std::string model;        ///< exact; empty for all
    std::string plant;        ///< exact; empty for all
    std::string namePattern;  ///< "*" and "?" wildcards; empty for all
    /// Only instruments with records of a real line, counting only those
    /// (the built-in simulated instrument's records are left out).
    bool realOnly = false;
};

class PlantRegister {
  public:
    /// Checks the register's schema, makes it in an empty database and
    /// brings an older one forward. RegisterError when the database is not
    /// a register, is damaged or has a newer schema: nothing is written then.
    explicit PlantRegister(Database& db);

    Database& Db() { return m_db; }

    /// Adds `record` (its instrument made or brought up to date, its set
    /// kept once per content) with the changes it carries, filed under the
    /// instrument's identity (IdentityName) or the name a technician gave
    /// that identity. A record whose origin is already in the register is
    /// not added again. Returns the record's id.
    std::int64_t Add(Record record);
    /// Names the instrument of record `recordId` `name`: an instrument
    /// without a TAG NO, whose later records follow the name. RegisterError
    /// when it has a tag, or another instrument of its model has that name.
    void Rename(std::int64_t recordId, const std::string& name);

    std::vector<Instrument> Instruments(const InstrumentFilter& filter = {});
    /// The records of the instruments named `name`, newest first, without
    /// their bytes and changes.
    std::vector<Record> History(const std::string& name);
    /// The record with its bytes and changes.
    std::optional<Record> Get(std::int64_t id);
    /// The writing records from `from` up to `to` (register time form; an
    /// empty bound is open), oldest first, each with its changes.
    std::vector<Record> Audit(const std::string& from, const std::string& to);
    /// The record to restore into an instrument named `name`: the newest
    /// upload, or the newest download or restore whose read-back matched,
    /// of `kind` of data. Nothing when there is none.
    std::optional<Record> LastGood(const std::string& name, files::DataFileKind kind);

    /// The newest record of the chain (empty for an empty register or one
    /// not yet chained).
    ChainHead Head();
    /// Record `id` as a head of the chain: its position and chain hash
    /// (empty when the register holds no such record).
    ChainHead HeadAt(std::int64_t id);
    /// True when the record at `head`'s position is still `head`'s record
    /// with `head`'s chain hash: the chain still reaches it.
    bool Reaches(const ChainHead& head);
    /// Walks the whole chain: each record edited, deleted, inserted or
    /// reordered since it was recorded, and a chain that no longer reaches
    /// a head of `known`. RegisterError for a register not yet chained
    /// (schema 2 or older, open for reading only).
    ChainReport Verify(const std::vector<KnownHead>& known = {});
    /// The register's own setting `name` (REASONREQUIRED); empty when unset.
    std::string Setting(const std::string& name);
    /// Sets the register's setting `name` for every program that writes to
    /// it; RegisterError for a register that cannot be written.
    void SetSetting(const std::string& name, const std::string& value);
    /// The schema the register holds.
    int Version() const { return m_version; }

    /// Signs the chain hash of every record of `key`'s user that Add
    /// appends from now on; nothing is signed without a key.
    void SignWith(std::optional<SigningKey> key) { m_key = std::move(key); }
    /// Keeps `key` as `user`'s public key. False when the register knows it
    /// already as that user's; RegisterError when it is another user's, or
    /// the register cannot be written.
    bool AddKey(const std::string& user, const std::string& key);
    /// The public keys the register knows (none before schema 4).
    std::vector<KnownKey> Keys();

  private:
    void Migrate();
    /// Chains the records made before the chain, once, in the order of
    /// their numbers (the upgrade to schema 3).
    void ChainExisting();
    /// Every record's chain values with the hash its content gives now, in
    /// `order` (SQL).
    std::vector<ChainLink> ChainLinks(const std::string& order);
    /// The column of a change's file value ("''" before schema 2).
    std::string FileValue() const { return m_version >= 2 ? "file_value" : "''"; }
    std::vector<Record> Heads(const std::string& where, const std::vector<Value>& args,
                              const std::string& order);
    std::vector<Change> ChangesOf(std::int64_t id);
    Database& m_db;
    int m_version = kSchemaVersion;  ///< the schema the register holds
    std::optional<SigningKey> m_key;
};

/// The items that differ between two sets of one kind of data, by the rule
/// `verify` uses (measured values left out); `first` is `a`'s value.
/// RegisterError when a set cannot be read.
std::vector<files::ItemDifference> DiffSets(const Blob& a, const Blob& b, files::DataFileKind kind);

/// The identity a set names: model, tag, instrument number, plant and area.
Instrument IdentityOf(const Blob& bytes, files::DataFileKind kind);

}  // namespace rq50::plant
