#include "register/PlantRegister.h"

#include <type_traits>
#include <unordered_map>

#include "register/Sha256.h"

namespace rq50::plant {
namespace {

using files::DataFileKind;

const char* KindText(DataFileKind kind) {
    return kind == DataFileKind::kProgram ? "7pr" : "7pa";
}
DataFileKind FileKindOf(const std::string& text) {
    return text == "7pr" ? DataFileKind::kProgram : DataFileKind::kParameter;
}

/// The schema's statements, version by version: entry i brings a register
/// of version i to version i + 1. Only added to, never changed.
std::vector<std::vector<std::string>> Migrations(Engine engine) {
    const std::string key =
        engine == Engine::kPostgres ? "BIGSERIAL PRIMARY KEY" : "INTEGER PRIMARY KEY";
    const std::string bytes = engine == Engine::kPostgres ? "BYTEA" : "BLOB";
    return {
        {
            "CREATE TABLE instruments (id " + key +
                ", model TEXT NOT NULL, name TEXT NOT NULL, tag TEXT NOT NULL,"
                " instrument_no TEXT NOT NULL, plant TEXT NOT NULL, area TEXT NOT NULL,"
                " UNIQUE (model, name))",
            "CREATE INDEX instruments_by_name ON instruments (name)",
            "CREATE TABLE sets (hash TEXT PRIMARY KEY, file_kind TEXT NOT NULL, bytes " + bytes +
                " NOT NULL)",
            "CREATE TABLE records (id " + key +
                ", instrument_id BIGINT NOT NULL REFERENCES instruments (id),"
                " kind TEXT NOT NULL, time TEXT NOT NULL, user_name TEXT NOT NULL,"
                " host TEXT NOT NULL, port TEXT NOT NULL, slot INTEGER NOT NULL,"
                " file_name TEXT NOT NULL, file_kind TEXT NOT NULL,"
                " set_hash TEXT NOT NULL REFERENCES sets (hash), ok INTEGER NOT NULL,"
                " result TEXT NOT NULL, items_written INTEGER NOT NULL,"
                " items_differ INTEGER NOT NULL)",
            "CREATE INDEX records_by_instrument ON records (instrument_id, time)",
            "CREATE INDEX records_by_time ON records (time)",
            "CREATE TABLE changes (record_id BIGINT NOT NULL REFERENCES records (id),"
            " address TEXT NOT NULL, name TEXT NOT NULL, before_value TEXT NOT NULL,"
            " after_value TEXT NOT NULL)",
            "CREATE INDEX changes_by_record ON changes (record_id)",
        },
        {
            // Each change says what the file asked for where the instrument
            // holds another value; each record keeps the titles it was made
            // with and where it was made; technicians name instruments that
            // carry no name of their own.
            "ALTER TABLE changes ADD COLUMN file_value TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE records ADD COLUMN plant TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE records ADD COLUMN area TEXT NOT NULL DEFAULT ''",
            "UPDATE records SET plant = (SELECT i.plant FROM instruments i WHERE i.id ="
            " records.instrument_id), area = (SELECT i.area FROM instruments i WHERE i.id ="
            " records.instrument_id)",
            "ALTER TABLE records ADD COLUMN origin TEXT",
            "CREATE UNIQUE INDEX records_by_origin ON records (origin) WHERE origin IS NOT NULL",
            "CREATE TABLE instrument_names (model TEXT NOT NULL, identity TEXT NOT NULL,"
            " name TEXT NOT NULL, PRIMARY KEY (model, identity))",
        },
        {
            // The hash chain: each record's place in one register-wide
            // order, the hash of its content, the chain hash of the record
            // before it and its own; the identity it was filed by and the
            // reason given for it. The records already there are chained
            // by ChainExisting.
            "ALTER TABLE records ADD COLUMN identity TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE records ADD COLUMN reason TEXT NOT NULL DEFAULT ''",
            "ALTER TABLE records ADD COLUMN seq BIGINT",
            "ALTER TABLE records ADD COLUMN prev_hash TEXT",
            "ALTER TABLE records ADD COLUMN content_hash TEXT",
            "ALTER TABLE records ADD COLUMN chain_hash TEXT",
            "CREATE UNIQUE INDEX records_by_seq ON records (seq)",
            // What the register asks of every program that writes to it.
            "CREATE TABLE register_settings (name TEXT PRIMARY KEY, value TEXT NOT NULL)",
        },
        {
            // Signed records: the id of the key that signed a record's
            // chain hash and the signature (both NULL for a record not
            // signed), and the public keys the register knows, by user.
            "ALTER TABLE records ADD COLUMN signer TEXT",
            "ALTER TABLE records ADD COLUMN signature TEXT",
            "CREATE TABLE register_keys (key_id TEXT PRIMARY KEY, user_name TEXT NOT NULL,"
            " public_key TEXT NOT NULL, added TEXT NOT NULL)",
        }};
}

std::vector<std::string> TableNames(Database& db) {
    const std::string sql =
        db.Kind() == Engine::kPostgres
            ? "SELECT table_name FROM information_schema.tables WHERE table_schema = "
              "current_schema()"
            : "SELECT name FROM sqlite_master WHERE type = 'table'";
    std::vector<std::string> names;
    for (const auto& row : db.Run(sql)) names.push_back(TextAt(row, 0));
    return names;
}

bool Has(const std::vector<std::string>& names, const std::string& name) {
    for (const auto& n : names) {
        if (n == name) return true;
    }
    return false;
}

/// "*" and "?" as LIKE's "%" and "_", the LIKE characters themselves escaped.
std::string LikePattern(const std::string& wildcard) {
    std::string out;
    for (char c : wildcard) {
        if (c == '*')
            out += '%';
        else if (c == '?')
            out += '_';
        else {
            if (c == '%' || c == '_' || c == '\\') out += '\\';
            out += c;
        }
    }
    return out;
}

// A record's instrument carries the titles the record was made with (a
// register of schema 1 kept only the instrument's).
std::string HeadColumns(int version) {
    return std::string(
               "r.id, r.kind, r.time, r.user_name, r.host, r.port, r.slot, r.file_name,"
               " r.file_kind, r.set_hash, r.ok, r.result, r.items_written, r.items_differ,"
               " i.id, i.model, i.tag, i.instrument_no, ") +
           (version >= 2 ? "r.plant, r.area" : "i.plant, i.area") + ", i.name, " +
           (version >= 3 ? "r.reason" : "''");
}

/// The instrument columns id, model, tag, instrument_no, plant, area from
/// column `at` on.
Instrument InstrumentFrom(const Row& row, std::size_t at) {
    Instrument in;
    in.id = IntAt(row, at);
    in.model = TextAt(row, at + 1);
    in.tag = TextAt(row, at + 2);
    in.instrumentNo = TextAt(row, at + 3);
    in.plant = TextAt(row, at + 4);
    in.area = TextAt(row, at + 5);
    return in;
}

Record HeadFrom(const Row& row) {
    Record r;
    r.id = IntAt(row, 0);
    r.kind = KindFromName(TextAt(row, 1)).value_or(RecordKind::kUpload);
    r.time = TextAt(row, 2);
    r.user = TextAt(row, 3);
    r.host = TextAt(row, 4);
    r.port = TextAt(row, 5);
    r.slot = static_cast<int>(IntAt(row, 6));
    r.fileName = TextAt(row, 7);
    r.fileKind = FileKindOf(TextAt(row, 8));
    r.hash = TextAt(row, 9);
    r.ok = IntAt(row, 10) != 0;
    r.result = TextAt(row, 11);
    r.itemsWritten = static_cast<int>(IntAt(row, 12));
    r.itemsDiffer = static_cast<int>(IntAt(row, 13));
    r.instrument = InstrumentFrom(row, 14);
    r.instrument.name = TextAt(row, 20);
    r.reason = TextAt(row, 21);
    return r;
}

/// Runs `work` in a write transaction, rolled back when it throws. A
/// register open for reading only says so before anything is tried.
/// `begin`, where given, is the statement that starts the transaction.
template <class Work>
auto InWriteTransaction(Database& db, Work work, const std::string& begin = {}) {
    if (db.ReadOnly()) {
        throw RegisterError(db.Location() +
                            " is open for reading only: this account cannot write it (a "
                            "read-only file or folder, or a full disk); nothing was changed.");
    }
    if (begin.empty())
        db.BeginWrite();
    else
        db.Run(begin);
    try {
        if constexpr (std::is_void_v<decltype(work())>) {
            work();
            db.Commit();
        } else {
            auto result = work();
            db.Commit();
            return result;
        }
    } catch (...) {
        try {
            db.Rollback();
        } catch (...) {
        }
        throw;
    }
}

}  // namespace

PlantRegister::PlantRegister(Database& db) : m_db(db) {
    Migrate();
}

void PlantRegister::Migrate() {
    auto versionOf = [this](const std::vector<std::string>& tables) -> int {
        if (!Has(tables, "schema_version")) {
            if (!tables.empty()) {
                throw RegisterError(
                    m_db.Location() +
                    " is a database but not a plant register; nothing was written.");
            }
            return 0;
        }
        const auto rows = m_db.Run("SELECT MAX(version) FROM schema_version");
        return rows.empty() ? 0 : static_cast<int>(IntAt(rows[0], 0));
    };
    auto tooNew = [this](int version) {
        return RegisterError(m_db.Location() + " has register schema " + std::to_string(version) +
                             "; this RQ50 knows schema " + std::to_string(kSchemaVersion) +
                             " and older. Use a newer RQ50; nothing was written.");
    };
    // Read first: a register that is current is never written to here.
    int version = versionOf(TableNames(m_db));
    if (version > kSchemaVersion) throw tooNew(version);
    m_version = version;
    if (version == kSchemaVersion) return;
    if (m_db.ReadOnly()) {
        // Read as it stands: an older register is brought forward only by
        // a program that can write it.
        if (version == 0) throw RegisterError(m_db.Location() + " holds no plant register yet.");
        return;
    }
    InWriteTransaction(m_db, [&] {
        // Another process may have made or migrated it meanwhile.
        if (m_db.Kind() == Engine::kPostgres) m_db.Run("SELECT pg_advisory_xact_lock(7050)");
        const auto tables = TableNames(m_db);
        version = versionOf(tables);
        if (version > kSchemaVersion) throw tooNew(version);
        if (!Has(tables, "schema_version")) {
            m_db.Run("CREATE TABLE schema_version (version INTEGER NOT NULL)");
        }
        const auto steps = Migrations(m_db.Kind());
        for (int v = version; v < kSchemaVersion; ++v) {
            for (const auto& sql : steps[static_cast<std::size_t>(v)]) m_db.Run(sql);
        }
        if (version < 3) ChainExisting();
        m_db.Run("DELETE FROM schema_version");
        m_db.Run("INSERT INTO schema_version (version) VALUES (?)", {std::int64_t{kSchemaVersion}});
    });
    m_version = kSchemaVersion;
}

std::int64_t PlantRegister::Add(Record record) {
    if (record.hash.empty()) record.hash = Sha256Hex(record.bytes);
    if (record.time.empty()) record.time = UtcNow();
    // Kept as every engine gives it back, so that its hash holds.
    for (std::string* text :
         {&record.time, &record.user, &record.host, &record.port, &record.fileName, &record.result,
          &record.reason, &record.origin, &record.instrument.model, &record.instrument.tag,
          &record.instrument.instrumentNo, &record.instrument.plant, &record.instrument.area}) {
        *text = StoredText(std::move(*text));
    }
    for (auto& c : record.changes) {
        for (std::string* text : {&c.address, &c.name, &c.before, &c.after, &c.file})
            *text = StoredText(std::move(*text));
    }
    const Instrument& in = record.instrument;
    // Appends are taken one at a time register-wide, so that two writers
    // form one chain: SQLite's write transaction does so by itself; on
    // PostgreSQL every writer takes a transaction lock as it begins (in the
    // same question), and what follows is read after it.
    const bool postgres = m_db.Kind() == Engine::kPostgres;
    return InWriteTransaction(
        m_db,
        [&] {
            // The record is filed under its identity, or the name a technician
            // gave that identity; a record without titles leaves the
            // instrument's plant and area. In one question on PostgreSQL (one
            // answer to wait for) and in order on SQLite: the instrument and the
            // set kept; a record already sent (by a program killed before it
            // could take it out of its queue) found, to be kept once; the new
            // record's number, which its hash covers, taken before it is written
            // and never changed after; and the head it is chained to.
            const std::string identity = IdentityName(in, record.port, record.slot);
            const std::string keepInstrument =
                std::string(
                    "INSERT INTO instruments (model, name, tag, instrument_no, plant, area) ") +
                (postgres ? "SELECT" : "VALUES (") +
                " ?, COALESCE((SELECT n.name FROM instrument_names n WHERE n.model = ? AND"
                " n.identity = ? AND ? = ''), ?), ?, ?, ?, ?" +
                (postgres ? "" : ")") +
                " ON CONFLICT (model, name) DO UPDATE SET"
                " tag = excluded.tag, instrument_no = excluded.instrument_no,"
                " plant = CASE WHEN excluded.plant <> '' THEN excluded.plant ELSE instruments.plant"
                " END, area = CASE WHEN excluded.plant <> '' OR excluded.area <> '' THEN "
                "excluded.area"
                " ELSE instruments.area END RETURNING id";
            const std::vector<Value> instrument{in.model,        in.model, identity,
                                                in.tag,          identity, in.tag,
                                                in.instrumentNo, in.plant, in.area};
            const std::string keepSet =
                "INSERT INTO sets (hash, file_kind, bytes) VALUES (?, ?, ?) ON CONFLICT (hash) DO "
                "NOTHING";
            const std::vector<Value> set{record.hash, std::string(KindText(record.fileKind)),
                                         record.bytes};
            const std::string head =
                "(SELECT id FROM records WHERE origin = ?), " +
                std::string(postgres ? "nextval('records_id_seq')"
                                     : "(SELECT COALESCE(MAX(id), 0) + 1 FROM records)") +
                ", head.seq, head.chain_hash FROM (SELECT 1 AS one) AS one LEFT JOIN (SELECT seq,"
                " chain_hash FROM records WHERE seq IS NOT NULL ORDER BY seq DESC LIMIT 1) AS head"
                " ON 1 = 1";
            const Value origin = record.origin.empty() ? Value{} : Value{record.origin};
            std::vector<Row> next;
            if (postgres) {
                std::vector<Value> args = instrument;
                args.insert(args.end(), set.begin(), set.end());
                args.push_back(origin);
                next = m_db.Run("WITH instrument AS (" + keepInstrument + "), kept AS (" + keepSet +
                                    ") SELECT (SELECT id FROM instrument), " + head,
                                args);
            } else {
                const auto idRows = m_db.Run(keepInstrument, instrument);
                if (idRows.empty()) throw RegisterError("the register gave no instrument number");
                next = m_db.Run("SELECT ?, " + head, {IntAt(idRows[0], 0), origin});
            }
            if (next.empty()) throw RegisterError("the register gave no record number");
            if (!std::holds_alternative<std::monostate>(next[0][1])) return IntAt(next[0], 1);
            const std::int64_t instrumentId = IntAt(next[0], 0);
            if (instrumentId == 0) throw RegisterError("the register gave no instrument number");
            if (!postgres) m_db.Run(keepSet, set);
            ChainContent content{IntAt(next[0], 2),
                                 KindName(record.kind),
                                 record.time,
                                 record.user,
                                 record.host,
                                 in.model,
                                 identity,
                                 in.plant,
                                 in.area,
                                 record.port,
                                 record.slot,
                                 record.fileName,
                                 KindText(record.fileKind),
                                 record.hash,
                                 record.ok ? 1 : 0,
                                 record.result,
                                 record.itemsWritten,
                                 record.itemsDiffer,
                                 record.reason,
                                 record.origin,
                                 record.changes};
            const bool first = std::holds_alternative<std::monostate>(next[0][3]);
            const std::int64_t sequence = first ? 1 : IntAt(next[0], 3) + 1;
            const std::string previous = first ? kChainStart : TextAt(next[0], 4);
            const std::string contentHash = ContentHash(content);
            const std::string chainHash = ChainHash(previous, contentHash, sequence);
            if (chainHash.empty()) {
                throw RegisterError(
                    m_db.Location() +
                    ": the newest record's chain hash is damaged; run register verify");
            }
            // Signed with the user's own key only: a record of another user
            // (sent from a shared queue) is left unsigned.
            Value signer, signature;
            if (m_key && m_key->user == record.user) {
                if (auto sig = SignChainHash(*m_key, chainHash); !sig.empty()) {
                    signer = m_key->Id();
                    signature = std::move(sig);
                }
            }
            m_db.Run(
                "INSERT INTO records (id, instrument_id, kind, time, user_name, host, port, slot,"
                " file_name, file_kind, set_hash, ok, result, items_written, items_differ, plant,"
                " area, origin, identity, reason, seq, prev_hash, content_hash, chain_hash, signer,"
                " signature) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?,"
                " ?, ?, ?, ?, ?)",
                {content.id,
                 instrumentId,
                 content.kind,
                 record.time,
                 record.user,
                 record.host,
                 record.port,
                 std::int64_t{record.slot},
                 record.fileName,
                 content.fileKind,
                 record.hash,
                 content.ok,
                 record.result,
                 std::int64_t{record.itemsWritten},
                 std::int64_t{record.itemsDiffer},
                 in.plant,
                 in.area,
                 origin,
                 identity,
                 record.reason,
                 sequence,
                 previous,
                 contentHash,
                 chainHash,
                 signer,
                 signature});
            for (const auto& c : record.changes) {
                m_db.Run(
                    "INSERT INTO changes (record_id, address, name, before_value, after_value,"
                    " file_value) VALUES (?, ?, ?, ?, ?, ?)",
                    {content.id, c.address, c.name, c.before, c.after, c.file});
            }
            return content.id;
        },
        postgres ? "BEGIN; SELECT pg_advisory_xact_lock(7050)" : std::string());
}

void PlantRegister::Rename(std::int64_t recordId, const std::string& name) {
    if (name.empty()) throw RegisterError("an instrument's name cannot be empty");
    const auto record = Get(recordId);
    if (!record) throw RegisterError("the register holds no record " + std::to_string(recordId));
    const Instrument& in = record->instrument;
    if (!in.tag.empty()) {
        throw RegisterError(in.Name() +
                            " is named by its TAG NO item; change the tag in the instrument");
    }
    const std::string old = in.Name();
    if (old == name) return;
    InWriteTransaction(m_db, [&] {
        if (!m_db.Run("SELECT id FROM instruments WHERE model = ? AND name = ? AND id <> ?",
                      {in.model, name, in.id})
                 .empty()) {
            throw RegisterError("the register already knows an instrument " + name + " of model " +
                                in.model + "; nothing was renamed");
        }
        // Later records of the same identity, and of every identity filed
        // under the old name, follow the new one.
        m_db.Run("UPDATE instrument_names SET name = ? WHERE model = ? AND name = ?",
                 {name, in.model, old});
        if (m_db.Run("SELECT name FROM instrument_names WHERE model = ? AND identity = ?",
                     {in.model, old})
                .empty()) {
            m_db.Run("INSERT INTO instrument_names (model, identity, name) VALUES (?, ?, ?)",
                     {in.model, old, name});
        }
        m_db.Run("UPDATE instruments SET name = ? WHERE id = ?", {name, in.id});
    });
}

std::vector<Instrument> PlantRegister::Instruments(const InstrumentFilter& filter) {
    std::string sql =
        "SELECT i.id, i.model, i.tag, i.instrument_no, i.plant, i.area, COUNT(r.id), MAX(r.time),"
        " i.name FROM instruments i LEFT JOIN records r ON r.instrument_id = i.id";
    if (filter.realOnly) sql += " AND r.port <> '" + std::string(kSimulatedPort) + "'";
    sql += " WHERE 1 = 1";
    std::vector<Value> args;
    if (!filter.model.empty()) {
        sql += " AND i.model = ?";
        args.emplace_back(filter.model);
    }
    if (!filter.plant.empty()) {
        sql += " AND i.plant = ?";
        args.emplace_back(filter.plant);
    }
    if (!filter.namePattern.empty()) {
        sql += " AND i.name LIKE ? ESCAPE '\\'";
        args.emplace_back(LikePattern(filter.namePattern));
    }
    sql += " GROUP BY i.id, i.model, i.tag, i.instrument_no, i.plant, i.area, i.name";
    if (filter.realOnly) sql += " HAVING COUNT(r.id) > 0";
    sql += " ORDER BY i.plant, i.area, i.name, i.model";
    std::vector<Instrument> out;
    for (const auto& row : m_db.Run(sql, args)) {
        Instrument in = InstrumentFrom(row, 0);
        in.records = static_cast<int>(IntAt(row, 6));
        in.lastTime = TextAt(row, 7);
        in.name = TextAt(row, 8);
        out.push_back(std::move(in));
    }
    return out;
}

std::vector<Record> PlantRegister::Heads(const std::string& where, const std::vector<Value>& args,
                                         const std::string& order) {
    std::vector<Record> out;
    for (const auto& row :
         m_db.Run("SELECT " + HeadColumns(m_version) +
                      " FROM records r JOIN instruments i ON i.id = r.instrument_id WHERE " +
                      where + " ORDER BY " + order,
                  args)) {
        out.push_back(HeadFrom(row));
    }
    return out;
}

std::vector<Record> PlantRegister::History(const std::string& name) {
    return Heads("i.name = ?", {name}, "r.time DESC, r.id DESC");
}

std::vector<Change> PlantRegister::ChangesOf(std::int64_t id) {
    std::vector<Change> out;
    for (const auto& row : m_db.Run("SELECT address, name, before_value, after_value, " +
                                        FileValue() + " FROM changes WHERE record_id = ?",
                                    {id})) {
        out.push_back(
            {TextAt(row, 0), TextAt(row, 1), TextAt(row, 2), TextAt(row, 3), TextAt(row, 4)});
    }
    return out;
}

std::optional<Record> PlantRegister::Get(std::int64_t id) {
    auto heads = Heads("r.id = ?", {id}, "r.id");
    if (heads.empty()) return std::nullopt;
    Record r = std::move(heads[0]);
    const auto rows = m_db.Run("SELECT bytes FROM sets WHERE hash = ?", {r.hash});
    if (!rows.empty()) r.bytes = BlobAt(rows[0], 0);
    r.changes = ChangesOf(id);
    return r;
}

std::vector<Record> PlantRegister::Audit(const std::string& from, const std::string& to) {
    std::string where = "r.kind IN ('download', 'program-download', 'restore')";
    std::vector<Value> args;
    if (!from.empty()) {
        where += " AND r.time >= ?";
        args.emplace_back(from);
    }
    if (!to.empty()) {
        where += " AND r.time < ?";
        args.emplace_back(to);
    }
    auto records = Heads(where, args, "r.time, r.id");
    // One query for every record's changes, matched up by record number.
    std::string changes = "SELECT c.record_id, c.address, c.name, c.before_value, c.after_value, " +
                          FileValue() +
                          " FROM changes c"
                          " JOIN records r ON r.id = c.record_id WHERE " +
                          where + " ORDER BY c.record_id";
    std::unordered_map<std::int64_t, std::size_t> index;
    for (std::size_t i = 0; i < records.size(); ++i) index[records[i].id] = i;
    for (const auto& row : m_db.Run(changes, args)) {
        const auto it = index.find(IntAt(row, 0));
        if (it == index.end()) continue;
        records[it->second].changes.push_back(
            {TextAt(row, 1), TextAt(row, 2), TextAt(row, 3), TextAt(row, 4), TextAt(row, 5)});
    }
    return records;
}

std::optional<Record> PlantRegister::LastGood(const std::string& name, DataFileKind kind) {
    const std::string upload = kind == DataFileKind::kProgram ? "program-upload" : "upload";
    const std::string download = kind == DataFileKind::kProgram ? "program-download" : "download";
    auto heads = Heads(
        "i.name = ? AND r.ok = 1 AND (r.kind = ? OR ((r.kind = ? OR r.kind = 'restore')"
        " AND r.file_kind = ? AND r.items_differ = 0))",
        {name, upload, download, std::string(KindText(kind))}, "r.time DESC, r.id DESC");
    if (heads.empty()) return std::nullopt;
    return Get(heads[0].id);
}

}  // namespace rq50::plant
