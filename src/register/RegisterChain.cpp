// The register's side of the hash chain: reading the records as the chain
// covers them, chaining a register's records once when it is brought to
// schema 3, its head, and the walk of `register verify`.
#include <unordered_map>

#include "register/PlantRegister.h"
#include "register/Sha256.h"

namespace rq50::plant {

namespace {

/// Every change of every record, by record number.
std::unordered_map<std::int64_t, std::vector<Change>> AllChanges(Database& db) {
    std::unordered_map<std::int64_t, std::vector<Change>> out;
    for (const auto& row : db.Run(
             "SELECT record_id, address, name, before_value, after_value, file_value FROM changes")) {
        out[IntAt(row, 0)].push_back(
            {TextAt(row, 1), TextAt(row, 2), TextAt(row, 3), TextAt(row, 4), TextAt(row, 5)});
    }
    return out;
}

}  // namespace

std::vector<ChainedRecord> PlantRegister::ChainedRecords(const std::string& order) {
    auto changes = AllChanges(m_db);
    std::vector<ChainedRecord> out;
    for (const auto& row : m_db.Run(
             "SELECT r.id, r.seq, r.prev_hash, r.content_hash, r.chain_hash, r.kind, r.time,"
             " r.user_name, r.host, i.model, r.identity, r.plant, r.area, r.port, r.slot,"
             " r.file_name, r.file_kind, r.set_hash, r.ok, r.result, r.items_written,"
             " r.items_differ, r.reason, r.origin FROM records r LEFT JOIN instruments i"
             " ON i.id = r.instrument_id ORDER BY " +
             order)) {
        ChainedRecord r;
        r.sequence = IntAt(row, 1);
        r.previous = TextAt(row, 2);
        r.contentHash = TextAt(row, 3);
        r.chainHash = TextAt(row, 4);
        ChainContent& c = r.content;
        c.id = IntAt(row, 0);
        c.kind = TextAt(row, 5);
        c.time = TextAt(row, 6);
        c.user = TextAt(row, 7);
        c.host = TextAt(row, 8);
        c.model = TextAt(row, 9);
        c.identity = TextAt(row, 10);
        c.plant = TextAt(row, 11);
        c.area = TextAt(row, 12);
        c.port = TextAt(row, 13);
        c.slot = IntAt(row, 14);
        c.fileName = TextAt(row, 15);
        c.fileKind = TextAt(row, 16);
        c.setHash = TextAt(row, 17);
        c.ok = IntAt(row, 18);
        c.result = TextAt(row, 19);
        c.itemsWritten = IntAt(row, 20);
        c.itemsDiffer = IntAt(row, 21);
        c.reason = TextAt(row, 22);
        c.origin = TextAt(row, 23);
        if (const auto it = changes.find(c.id); it != changes.end()) c.changes = std::move(it->second);
        out.push_back(std::move(r));
    }
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
    for (auto& r : ChainedRecords("r.id")) {
        const std::string content = ContentHash(r.content);
        const std::string chain = ChainHash(previous, content, ++sequence);
        m_db.Run(
            "UPDATE records SET seq = ?, prev_hash = ?, content_hash = ?, chain_hash = ? WHERE"
            " id = ?",
            {sequence, previous, content, chain, r.content.id});
        previous = chain;
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
    std::vector<std::pair<std::string, std::string>> sets;
    for (const auto& row : m_db.Run("SELECT hash, bytes FROM sets")) {
        const Blob bytes = BlobAt(row, 1);
        sets.emplace_back(TextAt(row, 0), Sha256Hex(bytes));
    }
    return CheckChain(ChainedRecords("r.id"), sets, known);
}

}  // namespace rq50::plant
