#include "register/Chain.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

#include "register/Sha256.h"

namespace rq50::plant {

const std::string kChainStart(64, '0');

namespace {

void Put(std::string& out, const std::string& field) {
    out += std::to_string(field.size());
    out += ':';
    out += field;
    out += '\n';
}

void Put(std::string& out, std::int64_t number) {
    Put(out, std::to_string(number));
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    return -1;
}

/// The 32 bytes of 64 lower-case hex digits, written at `out`; false when
/// `hex` is not such.
bool PutDigest(std::uint8_t* out, const std::string& hex) {
    if (hex.size() != 64) return false;
    for (std::size_t i = 0; i < 64; i += 2) {
        const int high = HexDigit(hex[i]);
        const int low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0) return false;
        *out++ = static_cast<std::uint8_t>(high * 16 + low);
    }
    return true;
}

std::string Hash(const std::string& bytes) {
    return Sha256Hex(
        std::span(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size()));
}

}  // namespace

std::string CanonicalContent(const ChainContent& c) {
    std::string out = "RQ50 register record 1\n";
    Put(out, c.id);
    Put(out, c.kind);
    Put(out, c.time);
    Put(out, c.user);
    Put(out, c.host);
    Put(out, c.model);
    Put(out, c.identity);
    Put(out, c.plant);
    Put(out, c.area);
    Put(out, c.port);
    Put(out, c.slot);
    Put(out, c.fileName);
    Put(out, c.fileKind);
    Put(out, c.setHash);
    Put(out, c.ok);
    Put(out, c.result);
    Put(out, c.itemsWritten);
    Put(out, c.itemsDiffer);
    Put(out, c.reason);
    Put(out, c.origin);
    std::vector<std::string> changes;
    changes.reserve(c.changes.size());
    for (const auto& change : c.changes) {
        std::string one;
        Put(one, change.address);
        Put(one, change.name);
        Put(one, change.before);
        Put(one, change.after);
        Put(one, change.file);
        changes.push_back(std::move(one));
    }
    std::sort(changes.begin(), changes.end());
    Put(out, static_cast<std::int64_t>(changes.size()));
    for (const auto& one : changes) out += one;
    return out;
}

std::string ContentHash(const ChainContent& content) {
    return Hash(CanonicalContent(content));
}

std::string ChainHash(const std::string& previous, const std::string& content,
                      std::int64_t sequence) {
    std::array<std::uint8_t, 72> bytes{};
    if (!PutDigest(bytes.data(), previous) || !PutDigest(bytes.data() + 32, content)) return {};
    for (std::size_t i = 0; i < 8; ++i)
        bytes[64 + i] = static_cast<std::uint8_t>(static_cast<std::uint64_t>(sequence) >> (56 - 8 * i));
    return Sha256Hex(bytes);
}

void Seal(ChainLink& link, const ChainContent& content) {
    link.content = ContentHash(content);
    link.chainsAtPosition = ChainHash(link.previous, link.contentHash, link.sequence) == link.chainHash;
}

std::string StoredText(std::string text) {
    std::size_t i = 0;
    while (i < text.size()) {
        const auto c = static_cast<unsigned char>(text[i]);
        std::size_t length = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
        bool valid = length != 0 && c != 0 && i + length <= text.size() && c != 0xC0 && c != 0xC1 &&
                     c < 0xF5;
        for (std::size_t k = 1; valid && k < length; ++k)
            valid = (static_cast<unsigned char>(text[i + k]) & 0xC0) == 0x80;
        if (valid && length == 3) {
            // No UTF-16 surrogates, no overlong forms.
            const auto next = static_cast<unsigned char>(text[i + 1]);
            valid = !(c == 0xE0 && next < 0xA0) && !(c == 0xED && next >= 0xA0);
        } else if (valid && length == 4) {
            const auto next = static_cast<unsigned char>(text[i + 1]);
            valid = !(c == 0xF0 && next < 0x90) && !(c == 0xF4 && next >= 0x90);
        }
        if (!valid) {
            text[i] = '?';
            length = 1;
        }
        i += length;
    }
    return text;
}

const char* FindingName(ChainFinding::Kind kind) {
    switch (kind) {
        case ChainFinding::Kind::kEdited:
            return "edited";
        case ChainFinding::Kind::kDeleted:
            return "deleted";
        case ChainFinding::Kind::kInserted:
            return "inserted";
        case ChainFinding::Kind::kReordered:
            return "reordered";
        case ChainFinding::Kind::kTruncated:
            return "truncated";
        case ChainFinding::Kind::kBadSignature:
            return "bad-signature";
        case ChainFinding::Kind::kUnknownKey:
            return "unknown-key";
        case ChainFinding::Kind::kOtherUsersKey:
            return "other-users-key";
    }
    return "edited";
}

namespace {

std::string RecordName(std::int64_t id) {
    return "record " + std::to_string(id);
}

/// The checks of one walk over the records, in the chain's stored order.
class ChainWalk {
  public:
    ChainWalk(std::vector<ChainLink> records,
              const std::vector<std::pair<std::string, std::string>>& sets)
        : m_sets(sets.begin(), sets.end()) {
        for (auto& r : records) {
            const bool chained = r.sequence > 0 && r.chainHash.size() == 64 &&
                                 r.contentHash.size() == 64 && r.previous.size() == 64;
            (chained ? m_chained : m_unchained).push_back(std::move(r));
        }
        // Read in the chain's order, as a rule: sorted only when it is not.
        const auto inOrder = [](const auto& a, const auto& b) {
            return a.sequence != b.sequence ? a.sequence < b.sequence : a.id < b.id;
        };
        if (!std::is_sorted(m_chained.begin(), m_chained.end(), inOrder))
            std::sort(m_chained.begin(), m_chained.end(), inOrder);
        m_byChain.reserve(m_chained.size());
        m_linked.reserve(m_chained.size());
        m_atStored.reserve(m_chained.size());
        m_atOwn.reserve(m_chained.size());
        for (std::size_t i = 0; i < m_chained.size(); ++i) {
            m_byChain.emplace(m_chained[i].chainHash, i);
            m_linked.insert(m_chained[i].previous);
            m_atStored.emplace(m_chained[i].sequence, i);
        }
    }

    ChainReport Run(const std::vector<KnownHead>& known) {
        ChainReport report;
        report.records = static_cast<std::int64_t>(m_chained.size() + m_unchained.size());
        for (const auto& r : m_unchained) {
            Add(ChainFinding::Kind::kInserted, r.id, 0,
                RecordName(r.id) +
                    " is not in the chain (it has no chain hash): it was put into the register "
                    "by other means than RQ50");
        }
        PlacePositions();
        for (std::size_t i = 0; i < m_chained.size(); ++i) Judge(i);
        FindGaps();
        if (!m_chained.empty()) {
            const auto& last = m_chained.back();
            report.head = {last.id, last.sequence, last.chainHash};
        }
        for (const auto& k : known) Reaches(report.head, k);
        std::stable_sort(m_findings.begin(), m_findings.end(), [](const auto& a, const auto& b) {
            return a.sequence < b.sequence;
        });
        report.findings = std::move(m_findings);
        return report;
    }

  private:
    bool ChainsAt(const ChainLink& r, std::int64_t sequence) const {
        return ChainHash(r.previous, r.contentHash, sequence) == r.chainHash;
    }

    /// Each record's own position: the one its chain hash was made for,
    /// found from the stored position or, for a record moved, from the
    /// position of the record it links to (0 when none fits).
    void PlacePositions() {
        m_own.assign(m_chained.size(), -1);
        for (std::size_t i = 0; i < m_chained.size(); ++i) {
            if (m_chained[i].chainsAtPosition) m_own[i] = m_chained[i].sequence;
        }
        for (std::size_t i = 0; i < m_chained.size(); ++i) {
            // Back along the links to a record whose position is known.
            std::vector<std::size_t> path;
            std::unordered_set<std::size_t> seen;
            std::size_t at = i;
            std::int64_t base = -1;  // the position before the path; -1: not known
            while (m_own[at] < 0) {
                path.push_back(at);
                seen.insert(at);
                if (m_chained[at].previous == kChainStart) {
                    base = 0;
                    break;
                }
                const auto it = m_byChain.find(m_chained[at].previous);
                if (it == m_byChain.end() || seen.count(it->second) != 0) break;
                at = it->second;
            }
            if (base < 0 && m_own[at] > 0) base = m_own[at];
            for (auto it = path.rbegin(); it != path.rend(); ++it) {
                const std::int64_t candidate = base >= 0 ? base + 1 : 0;
                m_own[*it] = candidate > 0 && ChainsAt(m_chained[*it], candidate) ? candidate : 0;
                base = m_own[*it] > 0 ? m_own[*it] : -1;
            }
        }
        for (std::size_t i = 0; i < m_chained.size(); ++i) {
            if (m_own[i] > 0) m_atOwn.emplace(m_own[i], i);
        }
    }

    void Judge(std::size_t i) {
        const ChainLink& r = m_chained[i];
        const std::int64_t id = r.id;
        if (m_own[i] == 0 && m_linked.count(r.chainHash) == 0) {
            Add(ChainFinding::Kind::kInserted, id, r.sequence,
                RecordName(id) + " was inserted: its chain hash fits no place in the chain");
            return;
        }
        if (r.content != r.contentHash) {
            Add(ChainFinding::Kind::kEdited, id, r.sequence,
                RecordName(id) + " was edited: its content no longer gives the hash it was "
                                 "recorded with");
            return;
        }
        const auto set = m_sets.find(r.setHash);
        if (set == m_sets.end() || set->second != r.setHash) {
            Add(ChainFinding::Kind::kEdited, id, r.sequence,
                RecordName(id) + " was edited: its set " +
                    (set == m_sets.end() ? "is gone from the register"
                                         : "no longer gives the SHA-256 it was recorded with"));
            return;
        }
        if (m_own[i] == 0) {
            Add(ChainFinding::Kind::kEdited, id, r.sequence,
                RecordName(id) + " was edited: its chain values were changed");
            return;
        }
        if (m_own[i] != r.sequence) {
            if (PushedOn(i)) return;
            Add(ChainFinding::Kind::kReordered, id, r.sequence,
                RecordName(id) + " was moved: it stands at position " +
                    std::to_string(r.sequence) + " of the chain but was recorded at position " +
                    std::to_string(m_own[i]));
            return;
        }
        // Two records that claim one place: the one no later record links
        // to, while the other is linked to, was put in.
        const auto range = m_atOwn.equal_range(m_own[i]);
        for (auto it = range.first; it != range.second; ++it) {
            const std::size_t k = it->second;
            if (k != i && m_linked.count(r.chainHash) == 0 &&
                m_linked.count(m_chained[k].chainHash) != 0) {
                Add(ChainFinding::Kind::kInserted, id, r.sequence,
                    RecordName(id) + " was inserted: it claims position " +
                        std::to_string(m_own[i]) + ", which " + RecordName(m_chained[k].id) +
                        " holds in the chain");
                return;
            }
        }
        // The record before it must be the one it was chained to: one whose
        // hashes were made anew after an edit no longer is.
        if (r.previous != kChainStart && m_byChain.count(r.previous) == 0) {
            const auto before = m_atOwn.find(m_own[i] - 1);
            if (before != m_atOwn.end() && !Flagged(m_chained[before->second].id)) {
                const auto& edited = m_chained[before->second];
                Add(ChainFinding::Kind::kEdited, edited.id, edited.sequence,
                    RecordName(edited.id) + " was edited and its hashes made anew: " +
                        RecordName(id) + " was chained to another");
            }
        }
    }

    /// Record `i` stands behind its own position by as many places as records
    /// were slipped into the chain before it, right after the record it is
    /// chained to or after one slipped in: it was pushed on by those, which
    /// are named, and was not moved itself.
    bool PushedOn(std::size_t i) const {
        const ChainLink& r = m_chained[i];
        const std::int64_t shift = r.sequence - m_own[i];
        if (m_own[i] <= 0 || shift <= 0 || shift != m_slippedIn) return false;
        const auto before = m_atStored.find(r.sequence - 1);
        if (before == m_atStored.end()) return false;
        const ChainLink& b = m_chained[before->second];
        return b.chainHash == r.previous || m_inserted.count(b.id) != 0;
    }

    /// Positions no record holds, by where it was recorded or where it
    /// stands: records deleted from the middle of the chain.
    void FindGaps() {
        if (m_chained.empty()) return;
        const std::int64_t last = m_chained.back().sequence;
        std::int64_t gapFrom = 0;  // the first position of a gap; 0: none
        auto neighbour = [this](std::int64_t position, int step) -> std::string {
            for (std::int64_t p = position; p >= 1; p += step) {
                if (const auto it = m_atStored.find(p); it != m_atStored.end())
                    return RecordName(m_chained[it->second].id);
                if (step > 0 && p > m_chained.back().sequence) break;
            }
            return "the start";
        };
        for (std::int64_t p = 1; p <= last + 1; ++p) {
            const bool held = p <= last && (m_atStored.count(p) != 0 || m_atOwn.count(p) != 0);
            if (!held && p <= last) {
                if (gapFrom == 0) gapFrom = p;
                continue;
            }
            if (gapFrom == 0) continue;
            const std::int64_t from = gapFrom, to = p - 1;
            Add(ChainFinding::Kind::kDeleted, 0, from,
                (from == to ? "the record at position " + std::to_string(from) + " was deleted"
                            : "the records at positions " + std::to_string(from) + " to " +
                                  std::to_string(to) + " were deleted") +
                    " (between " + neighbour(from - 1, -1) + " and " + neighbour(to + 1, 1) +
                    ")");
            gapFrom = 0;
        }
    }

    void Reaches(const ChainHead& head, const KnownHead& known) {
        if (known.head.Empty()) return;
        const std::string saw = known.source + " saw it reach position " +
                                std::to_string(known.head.sequence) + " (" +
                                RecordName(known.head.id) + ", " + known.head.hash.substr(0, 16) +
                                "...)";
        if (head.sequence < known.head.sequence) {
            Add(ChainFinding::Kind::kTruncated, known.head.id, known.head.sequence,
                "the chain ends at position " + std::to_string(head.sequence) +
                    (head.Empty() ? "" : " (" + RecordName(head.id) + ")") + ", but " + saw +
                    ": the newest records were deleted");
            return;
        }
        const auto it = m_atStored.find(known.head.sequence);
        if (it == m_atStored.end()) {
            Add(ChainFinding::Kind::kTruncated, known.head.id, known.head.sequence,
                "the chain no longer reaches the head " + known.source + " saw: position " +
                    std::to_string(known.head.sequence) + " is empty; " + saw);
            return;
        }
        const ChainLink& at = m_chained[it->second];
        if (at.chainHash != known.head.hash || at.id != known.head.id) {
            Add(ChainFinding::Kind::kTruncated, known.head.id, known.head.sequence,
                "the chain no longer reaches the head " + known.source + " saw: position " +
                    std::to_string(known.head.sequence) + " holds " + RecordName(at.id) +
                    " with another chain hash; " + saw +
                    ". The chain was cut there and written anew");
        }
    }

    void Add(ChainFinding::Kind kind, std::int64_t id, std::int64_t sequence, std::string text) {
        if (id != 0) m_flagged.insert(id);
        // Records are judged in the chain's stored order: this counts those
        // slipped in before the one judged next.
        if (kind == ChainFinding::Kind::kInserted && sequence > 0) {
            ++m_slippedIn;
            m_inserted.insert(id);
        }
        m_findings.push_back({kind, id, sequence, std::move(text)});
    }
    bool Flagged(std::int64_t id) const { return m_flagged.count(id) != 0; }

    std::unordered_map<std::string, std::string> m_sets;
    std::vector<ChainLink> m_chained;
    std::vector<ChainLink> m_unchained;
    // Keys are views of the records' own texts, which stay where they are.
    std::unordered_map<std::string_view, std::size_t> m_byChain;
    std::unordered_set<std::string_view> m_linked;  ///< chain hashes some record links to
    std::unordered_map<std::int64_t, std::size_t> m_atStored;
    std::unordered_multimap<std::int64_t, std::size_t> m_atOwn;
    std::vector<std::int64_t> m_own;
    std::vector<ChainFinding> m_findings;
    std::unordered_set<std::int64_t> m_flagged;
    std::unordered_set<std::int64_t> m_inserted;  ///< records slipped in at a position
    std::int64_t m_slippedIn = 0;
};

}  // namespace

ChainReport CheckChain(std::vector<ChainLink> records,
                       const std::vector<std::pair<std::string, std::string>>& sets,
                       const std::vector<KnownHead>& known) {
    return ChainWalk(std::move(records), sets).Run(known);
}

}  // namespace rq50::plant
