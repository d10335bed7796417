// The register's side of the hash chain: reading the records as the chain
// covers them, chaining a register's records once when it is brought to
// schema 3, its head, and the walk of `register verify`.
#include <algorithm>
#include <future>
#include <unordered_map>

#include "register/PlantRegister.h"
#include "register/Sha256.h"

namespace rq50::plant {

namespace {

/// Every change of every record, by record number.
std::unordered_map<std::int64_t, std::vector<Change>> AllChanges(Database& db) {
    std::unordered_map<std::int64_t, std::vector<Change>> out;
    db.Each("SELECT record_id, address, name, before_value, after_value, file_value FROM changes",
            [&out](Row& row) {
                out[IntAt(row, 0)].push_back({TakeText(row, 1), TakeText(row, 2), TakeText(row, 3),
                                              TakeText(row, 4), TakeText(row, 5)});
            });
    return out;
}

}  // namespace

std::vector<ChainLink> PlantRegister::ChainLinks(const std::string& order) {
    auto changes = AllChanges(m_db);
    std::vector<ChainLink> out;
    // The contents are hashed on a second thread while the next rows are
    // read, a batch at a time.
    constexpr std::size_t kBatch = 4096;
    std::vector<ChainContent> batch;
    std::vector<ChainLink> links;
    std::future<std::vector<ChainLink>> hashing;
    auto collect = [&] {
        if (!hashing.valid()) return;
        for (auto& link : hashing.get()) out.push_back(std::move(link));
    };
    auto hand = [&] {
        collect();
        hashing = std::async(std::launch::async,
                             [contents = std::move(batch), sealed = std::move(links)]() mutable {
                                 for (std::size_t i = 0; i < sealed.size(); ++i)
                                     Seal(sealed[i], contents[i]);
                                 return std::move(sealed);
                             });
        batch = {};
        links = {};
    };
    m_db.Each(
        "SELECT r.id, r.seq, r.prev_hash, r.content_hash, r.chain_hash, r.kind, r.time,"
        " r.user_name, r.host, i.model, r.identity, r.plant, r.area, r.port, r.slot,"
        " r.file_name, r.file_kind, r.set_hash, r.ok, r.result, r.items_written,"
        " r.items_differ, r.reason, r.origin, " +
            std::string(m_version >= 4 ? "r.signer, r.signature" : "NULL, NULL") +
            " FROM records r LEFT JOIN instruments i ON i.id = r.instrument_id ORDER BY " + order,
        [&](Row& row) {
            ChainLink link;
            link.id = IntAt(row, 0);
            link.sequence = IntAt(row, 1);
            link.previous = TakeText(row, 2);
            link.contentHash = TakeText(row, 3);
            link.chainHash = TakeText(row, 4);
            link.setHash = TakeText(row, 17);
            ChainContent c;
            c.id = link.id;
            c.kind = TakeText(row, 5);
            c.time = TakeText(row, 6);
            c.user = TakeText(row, 7);
            c.host = TakeText(row, 8);
            c.model = TakeText(row, 9);
            c.identity = TakeText(row, 10);
            c.plant = TakeText(row, 11);
            c.area = TakeText(row, 12);
            c.port = TakeText(row, 13);
            c.slot = IntAt(row, 14);
            c.fileName = TakeText(row, 15);
            c.fileKind = TakeText(row, 16);
            c.setHash = link.setHash;
            c.ok = IntAt(row, 18);
            c.result = TakeText(row, 19);
            c.itemsWritten = IntAt(row, 20);
            c.itemsDiffer = IntAt(row, 21);
            c.reason = TakeText(row, 22);
            c.origin = TakeText(row, 23);
            link.user = c.user;
            link.signer = TakeText(row, 24);
            link.signature = TakeText(row, 25);
            if (const auto it = changes.find(c.id); it != changes.end())
                c.changes = std::move(it->second);
            links.push_back(std::move(link));
            batch.push_back(std::move(c));
            if (batch.size() == kBatch) hand();
        });
    if (!batch.empty()) hand();
    collect();
    return out;
}

void PlantRegister::ChainExisting() {
    // The identity each was filed by, as its instrument names it now.
    for (const auto& row :
         m_db.Run("SELECT r.id, i.model, i.tag, i.instrument_no, r.port, r.slot FROM records r"
                  " JOIN instruments i ON i.id = r.instrument_id")) {
        Instrument in;
        in.model = TextAt(row, 1);
        in.tag = TextAt(row, 2);
        in.instrumentNo = TextAt(row, 3);
        m_db.Run("UPDATE records SET identity = ? WHERE id = ?",
                 {IdentityName(in, TextAt(row, 4), static_cast<int>(IntAt(row, 5))),
                  IntAt(row, 0)});
    }
    std::string previous = kChainStart;
    std::int64_t sequence = 0;
    for (const auto& r : ChainLinks("r.id")) {
        // (chainsAtPosition does not count here: nothing is chained yet.)
        const std::string chain = ChainHash(previous, r.content, ++sequence);
        m_db.Run(
            "UPDATE records SET seq = ?, prev_hash = ?, content_hash = ?, chain_hash = ? WHERE"
            " id = ?",
            {sequence, previous, r.content, chain, r.id});
        previous = chain;
    }
}

std::string PlantRegister::Setting(const std::string& name) {
    if (m_version < 3) return {};
    const auto rows = m_db.Run("SELECT value FROM register_settings WHERE name = ?", {name});
    return rows.empty() ? std::string() : TextAt(rows[0], 0);
}

void PlantRegister::SetSetting(const std::string& name, const std::string& value) {
    if (m_db.ReadOnly()) throw RegisterError(m_db.Location() + " is open for reading only");
    m_db.BeginWrite();
    try {
        m_db.Run("DELETE FROM register_settings WHERE name = ?", {name});
        m_db.Run("INSERT INTO register_settings (name, value) VALUES (?, ?)", {name, value});
        m_db.Commit();
    } catch (...) {
        m_db.Rollback();
        throw;
    }
}

ChainHead PlantRegister::Head() {
    if (m_version < 3) return {};
    const auto rows = m_db.Run(
        "SELECT id, seq, chain_hash FROM records WHERE seq = (SELECT MAX(seq) FROM records)");
    if (rows.empty()) return {};
    return {IntAt(rows[0], 0), IntAt(rows[0], 1), TextAt(rows[0], 2)};
}

ChainHead PlantRegister::HeadAt(std::int64_t id) {
    if (m_version < 3) return {};
    const auto rows = m_db.Run("SELECT id, seq, chain_hash FROM records WHERE id = ?", {id});
    if (rows.empty() || IntAt(rows[0], 1) == 0) return {};
    return {IntAt(rows[0], 0), IntAt(rows[0], 1), TextAt(rows[0], 2)};
}

bool PlantRegister::Reaches(const ChainHead& head) {
    if (head.Empty()) return true;
    if (m_version < 3) return false;
    const auto rows = m_db.Run("SELECT id, chain_hash FROM records WHERE seq = ?", {head.sequence});
    return !rows.empty() && IntAt(rows[0], 0) == head.id && TextAt(rows[0], 1) == head.hash;
}

ChainReport PlantRegister::Verify(const std::vector<KnownHead>& known) {
    if (m_version < 3) {
        throw RegisterError(m_db.Location() + " holds register schema " +
                            std::to_string(m_version) +
                            ", made before the chain: it is chained when this RQ50 next opens it "
                            "for writing");
    }
    // The sets' bytes are hashed on a thread of their own while the records
    // are read.
    std::vector<std::pair<std::string, Blob>> setBytes;
    m_db.Each("SELECT hash, bytes FROM sets", [&setBytes](Row& row) {
        Blob* bytes = std::get_if<Blob>(&row[1]);
        setBytes.emplace_back(TakeText(row, 0), bytes != nullptr ? std::move(*bytes) : BlobAt(row, 1));
    });
    auto sets = std::async(std::launch::async, [setBytes = std::move(setBytes)] {
        std::vector<std::pair<std::string, std::string>> hashed;
        hashed.reserve(setBytes.size());
        for (const auto& [hash, bytes] : setBytes) hashed.emplace_back(hash, Sha256Hex(bytes));
        return hashed;
    });
    auto links = ChainLinks("r.seq, r.id");
    auto signatures = CheckSignatures(links, Keys());
    auto report = CheckChain(std::move(links), sets.get(), known);
    report.signedRecords = signatures.signedRecords;
    report.notCheckable = signatures.notCheckable;
    if (!signatures.findings.empty()) {
        for (auto& f : signatures.findings) report.findings.push_back(std::move(f));
        std::stable_sort(report.findings.begin(), report.findings.end(),
                         [](const auto& a, const auto& b) { return a.sequence < b.sequence; });
    }
    return report;
}

bool PlantRegister::AddKey(const std::string& user, const std::string& key) {
    const std::string id = KeyIdOf(key);
    if (id.empty() || user.empty()) throw RegisterError("not a public key of a user: " + key);
    if (m_version < 4) throw RegisterError(m_db.Location() + " is of a schema without keys");
    if (m_db.ReadOnly()) throw RegisterError(m_db.Location() + " is open for reading only");
    m_db.BeginWrite();
    try {
        // Keys are only ever added: a key once given to a user stays his.
        const auto known = m_db.Run("SELECT user_name FROM register_keys WHERE key_id = ?", {id});
        if (!known.empty()) {
            if (TextAt(known[0], 0) == user) {
                m_db.Rollback();
                return false;
            }
            throw RegisterError("key " + id + " is " + TextAt(known[0], 0) +
                                "'s in the register; it is not given to " + user);
        }
        m_db.Run(
            "INSERT INTO register_keys (key_id, user_name, public_key, added) VALUES (?, ?, ?, ?)",
            {id, user, key, UtcNow()});
        m_db.Commit();
        return true;
    } catch (const RegisterError&) {
        try {
            m_db.Rollback();
        } catch (...) {
        }
        throw;
    }
}

std::vector<KnownKey> PlantRegister::Keys() {
    std::vector<KnownKey> out;
    if (m_version < 4) return out;
    for (const auto& row : m_db.Run("SELECT key_id, user_name, public_key FROM register_keys"))
        out.push_back({TextAt(row, 0), TextAt(row, 1), TextAt(row, 2)});
    return out;
}

}  // namespace rq50::plant
