// The register's hash chain on SQLite and PostgreSQL: each way of changing
// the trail behind RQ50's back is named by register verify, a register made
// before the chain is chained once, and on the shared server the roles keep
// a writer from changing what was recorded.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <functional>
#include <string>
#include <tuple>
#include <vector>

#include "integration/RegisterOnEngine.h"
#include "register/HeadFile.h"
#include "register/Recorder.h"
#include "register/Signing.h"
#include "session/PlantRegisterBrowser.h"
#include "support/CliRunner.h"
#include "unit/ShellFakes.h"

namespace rq50::plant {
namespace {
using namespace testing;

class RegisterChainTest : public RegisterOnEngine {
  protected:
    /// Six records, the third a download with two changes; their numbers.
    std::vector<std::int64_t> Fill(PlantRegister& reg) {
        std::vector<std::int64_t> ids;
        for (int i = 0; i < 6; ++i) {
            Record r = At(i == 2 ? RecordKind::kDownload : RecordKind::kUpload,
                          "2026-11-0" + std::to_string(i + 1) + "T08:00:00Z",
                          Plant1With("SET,A", std::to_string(1000 + i)), i == 2 ? 0 : -1);
            if (i == 2) {
                r.changes = {{"A01", "SET,A", "1000", "1002"}, {"A02", "SET,B", "1", "2", "3"}};
                r.reason = "work order 4711";
            }
            ids.push_back(reg.Add(r));
        }
        return ids;
    }
    /// Record `id`'s position in the chain.
    std::int64_t PositionOf(Database& db, std::int64_t id) {
        return IntAt(db.Run("SELECT seq FROM records WHERE id = ?", {id}).at(0), 0);
    }
};

struct Tampering {
    const char* name;
    /// Changes the register behind RQ50's back; says which record (by its
    /// index of Fill's) each finding names, in order of position.
    std::function<void(Database&, const std::vector<std::int64_t>&)> change;
    std::vector<std::pair<ChainFinding::Kind, int>> expected;  // -1: no record named
};

TEST_P(RegisterChainTest, EachChangeBehindTheProgramsBackIsNamed) {
    using K = ChainFinding::Kind;
    const auto id = [](const std::vector<std::int64_t>& ids, int i) {
        return std::to_string(ids[static_cast<std::size_t>(i)]);
    };
    const std::vector<Tampering> cases = {
        {"a field edited",
         [&](Database& db, const auto& ids) {
             db.Run("UPDATE records SET user_name = 'someone' WHERE id = " + id(ids, 1));
         },
         {{K::kEdited, 1}}},
        {"a change and a reason edited",
         [&](Database& db, const auto& ids) {
             db.Run("UPDATE changes SET after_value = '1000' WHERE address = 'A01'");
             db.Run("UPDATE records SET reason = '' WHERE id = " + id(ids, 2));
         },
         {{K::kEdited, 2}}},
        {"a set's bytes edited",
         [&](Database& db, const auto& ids) {
             db.Run("UPDATE sets SET bytes = ? WHERE hash = (SELECT set_hash FROM records WHERE "
                    "id = " + id(ids, 4) + ")",
                    {Plant1()});
         },
         {{K::kEdited, 4}}},
        {"a middle record deleted",
         [&](Database& db, const auto& ids) {
             db.Run("DELETE FROM changes WHERE record_id = " + id(ids, 2));
             db.Run("DELETE FROM records WHERE id = " + id(ids, 2));
         },
         {{K::kDeleted, -1}}},
        {"a forged record inserted",
         [&](Database& db, const auto& ids) {
             db.Run(
                 "INSERT INTO records (instrument_id, kind, time, user_name, host, port, slot,"
                 " file_name, file_kind, set_hash, ok, result, items_written, items_differ)"
                 " SELECT instrument_id, 'download', '2026-11-03T09:00:00Z', 'tester', 'bench',"
                 " '', 0, '', file_kind, set_hash, 1, 'completed', 1, 0 FROM records WHERE id = " +
                 id(ids, 2));
         },
         {{K::kInserted, -1}}},
        {"a forged record with made-up chain values",
         [&](Database& db, const auto& ids) {
             db.Run(
                 "INSERT INTO records (instrument_id, kind, time, user_name, host, port, slot,"
                 " file_name, file_kind, set_hash, ok, result, items_written, items_differ, seq,"
                 " prev_hash, content_hash, chain_hash) SELECT instrument_id, kind, time,"
                 " user_name, host, port, slot, file_name, file_kind, set_hash, ok, result,"
                 " items_written, items_differ, 7, chain_hash, content_hash, content_hash FROM"
                 " records WHERE id = " + id(ids, 5));
         },
         {{K::kInserted, -1}}},
        {"a forged record slipped in and the later ones moved on",
         [&](Database& db, const auto&) {
             // Chained by RQ50 itself onto the third record, with the
             // records after it out of the way.
             db.Run("UPDATE records SET seq = -(seq + 1) WHERE seq >= 3");
             PlantRegister(db).Add(At(RecordKind::kDownload, "2026-11-03T09:00:00Z", Plant1(), 0));
             db.Run("UPDATE records SET seq = -seq WHERE seq < 0");
         },
         {{K::kInserted, -1}}},
        {"two records reordered",
         [&](Database& db, const auto& ids) {
             db.Run("UPDATE records SET seq = -1 WHERE id = " + id(ids, 1));
             db.Run("UPDATE records SET seq = 2 WHERE id = " + id(ids, 3));
             db.Run("UPDATE records SET seq = 4 WHERE id = " + id(ids, 1));
         },
         {{K::kReordered, 3}, {K::kReordered, 1}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        TearDown();
        SetUp();
        auto db = Open();
        PlantRegister reg(*db);
        const auto ids = Fill(reg);
        ASSERT_TRUE(reg.Verify().Intact());
        c.change(*db, ids);
        const auto report = reg.Verify();
        ASSERT_EQ(report.findings.size(), c.expected.size());
        for (std::size_t i = 0; i < c.expected.size(); ++i) {
            const auto& f = report.findings[i];
            EXPECT_EQ(f.kind, c.expected[i].first) << f.text;
            if (c.expected[i].second >= 0) {
                EXPECT_EQ(f.id, ids[static_cast<std::size_t>(c.expected[i].second)]) << f.text;
            }
        }
    }
}

// Deleting the newest records leaves a valid shorter chain: only a head kept
// from before shows the cut.
TEST_P(RegisterChainTest, TheNewestDeletedIsSeenAgainstAKeptHead) {
    auto db = Open();
    PlantRegister reg(*db);
    const auto ids = Fill(reg);
    const ChainHead head = reg.Head();
    EXPECT_EQ(head.id, ids.back());
    EXPECT_EQ(head.sequence, 6);
    db->Run("DELETE FROM records WHERE id = " + std::to_string(ids.back()));
    EXPECT_TRUE(reg.Verify().Intact());
    EXPECT_FALSE(reg.Reaches(head));
    auto report = reg.Verify({{head, "the checkpoint"}});
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].kind, ChainFinding::Kind::kTruncated);
    EXPECT_EQ(report.head.id, ids[4]);

    // A record added after the cut makes the chain as long again, but not
    // the same.
    reg.Add(At(RecordKind::kUpload, "2026-11-09T08:00:00Z", Plant1()));
    report = reg.Verify({{head, "the checkpoint"}});
    ASSERT_EQ(report.findings.size(), 1u);
    EXPECT_EQ(report.findings[0].kind, ChainFinding::Kind::kTruncated);
}

// Records made before the chain are chained once, in the order of their
// numbers, and later records carry the chain on.
TEST_P(RegisterChainTest, ARegisterOfSchemaTwoIsChainedOnce) {
    {
        auto db = Open();
        PlantRegister reg(*db);
        Fill(reg);
        for (const char* sql : {"DROP INDEX records_by_seq", "ALTER TABLE records DROP COLUMN seq",
                                "ALTER TABLE records DROP COLUMN prev_hash",
                                "ALTER TABLE records DROP COLUMN content_hash",
                                "ALTER TABLE records DROP COLUMN chain_hash",
                                "ALTER TABLE records DROP COLUMN identity",
                                "ALTER TABLE records DROP COLUMN reason",
                                "DROP TABLE register_settings",
                                "ALTER TABLE records DROP COLUMN signer",
                                "ALTER TABLE records DROP COLUMN signature",
                                "DROP TABLE register_keys",
                                "UPDATE schema_version SET version = 2"})
            db->Run(sql);
    }
    auto db = Open();
    PlantRegister reg(*db);
    EXPECT_EQ(reg.Version(), kSchemaVersion);
    const auto added = reg.Add(At(RecordKind::kUpload, "2026-11-10T08:00:00Z", Plant1()));
    const auto report = reg.Verify();
    EXPECT_TRUE(report.Intact()) << report.findings.front().text;
    EXPECT_EQ(report.records, 7);
    EXPECT_EQ(report.head.id, added);
    EXPECT_EQ(PositionOf(*db, added), 7);
    EXPECT_EQ(reg.History("FIC-101").front().reason, "");
}

// On the shared server a writer adds records but the server refuses it any
// change to one; a reader verifies.
TEST_P(RegisterChainTest, TheServersRolesKeepTheTrail) {
    if (GetParam() != "postgresql") GTEST_SKIP() << "roles are PostgreSQL's";
    {
        auto db = Open();
        PlantRegister reg(*db);
        Fill(reg);
    }
    const std::string script = RQ50_SOURCE_DIR "/scripts/register-roles.sql";
    ASSERT_EQ(std::system(("psql '" + m_name + "' -q -v ON_ERROR_STOP=1 -f '" + script +
                           "' >/dev/null")
                              .c_str()),
              0);
    auto as = [this](const std::string& role) {
        return platform::OpenRegisterDatabase("postgresql://" + role + m_name.substr(21));
    };
    auto writer = as("rq50_writer");
    PlantRegister written(*writer);
    auto record = At(RecordKind::kDownload, "2026-11-20T08:00:00Z", Plant1With("SET,A", "77"), 0);
    record.changes = {{"A01", "SET,A", "1005", "77"}};
    // A writer registers keys and signs its records, but never takes a key
    // back or changes a signature.
    const auto key = NewSigningKey("tester");
    if (key) {
        EXPECT_TRUE(written.AddKey(key->user, key->publicKey));
        written.SignWith(key);
    }
    const auto id = written.Add(record);
    for (const std::string sql :
         {"UPDATE records SET result = 'fine' WHERE id = 1", "DELETE FROM records WHERE id = 1",
          "UPDATE changes SET after_value = '0'", "DELETE FROM sets",
          "UPDATE instruments SET model = 'RQS2'", "UPDATE records SET signature = NULL",
          "DELETE FROM register_keys", "UPDATE register_keys SET user_name = 'x'"}) {
        EXPECT_THROW(writer->Run(sql), RegisterError) << sql;
    }
    auto reader = as("rq50_reader");
    PlantRegister read(*reader);
    const auto report = read.Verify();
    EXPECT_TRUE(report.Intact());
    EXPECT_EQ(report.head.id, id);
    EXPECT_EQ(report.signedRecords, key ? 1 : 0);
    EXPECT_THROW(reader->Run("INSERT INTO register_keys VALUES ('a', 'b', 'c', 'd')"),
                 RegisterError);
    EXPECT_THROW(read.Add(record), RegisterError);
}

// rq50-cli verify exits 0 on a register as recorded and 1 with each finding
// named; checkpoint prints the head that verify --checkpoint checks against,
// and the head this computer kept shows the newest record deleted.
TEST_P(RegisterChainTest, TheCommandLineVerifiesAndKeepsTheHead) {
    fs::create_directories(m_dir / "elsewhere");
    for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() != ".ini") continue;
        fs::copy_file(entry.path(), m_dir / entry.path().filename());
        fs::copy_file(entry.path(), m_dir / "elsewhere" / entry.path().filename());
    }
    const test::CliRunner cli(m_dir);
    const test::CliRunner elsewhere(m_dir / "elsewhere", m_dir);
    const std::string line = test::Sim("RQB2.json") + " --quiet --register '" + m_name + "' ";
    const std::string reg = "--register '" + m_name + "' register ";
    ASSERT_EQ(cli(line + "upload -o a.7pa").exitCode, 0);
    // The register asks every writer for a reason: a script gives one or
    // writes nothing.
    ASSERT_EQ(cli(reg + "setting REASONREQUIRED 1").exitCode, 0);
    EXPECT_EQ(cli(reg + "setting REASONREQUIRED").out, "REASONREQUIRED=1\n");
    const auto refused = cli(line + "download a.7pa --yes");
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(refused.err.find("--reason"), std::string::npos) << refused.err;
    ASSERT_EQ(cli(line + "download a.7pa --yes --reason 'work order 12'").exitCode, 0);
    const auto history = nlohmann::json::parse(cli(reg + "history FIC-101 --json").out);
    ASSERT_EQ(history["records"].size(), 3u);
    EXPECT_EQ(history["records"][0]["reason"], "work order 12");
    EXPECT_EQ(history["records"][1]["reason"], "");  // the backup writes nothing
    const auto audit = nlohmann::json::parse(cli(reg + "audit --json").out);
    EXPECT_EQ(audit["records"][0]["reason"], "work order 12");
    const auto checkpoint = cli(reg + "checkpoint --quiet");
    ASSERT_EQ(checkpoint.exitCode, 0) << checkpoint.err;
    const std::string kept = checkpoint.out.substr(0, checkpoint.out.find('\n'));
    EXPECT_EQ(kept.size(), 66u) << kept;  // "3:" and 64 hex digits
    auto verify = cli(reg + "verify --json");
    ASSERT_EQ(verify.exitCode, 0) << verify.out << verify.err;
    auto json = nlohmann::json::parse(verify.out);
    EXPECT_TRUE(json["intact"].get<bool>());
    EXPECT_EQ(json["records"], 3);
    EXPECT_EQ(std::to_string(json["head"]["record"].get<int>()) + ":" +
                  json["head"]["hash"].get<std::string>(),
              kept);

    auto db = Open();
    db->Run("DELETE FROM changes WHERE record_id = 3");
    db->Run("DELETE FROM records WHERE id = 3");
    // A register of its own: only the checkpoint knows the head.
    EXPECT_EQ(elsewhere(reg + "verify").exitCode, 0);
    verify = elsewhere(reg + "verify --checkpoint " + kept);
    EXPECT_EQ(verify.exitCode, 1) << verify.out << verify.err;
    EXPECT_NE(verify.out.find("truncated"), std::string::npos) << verify.out;
    verify = cli(reg + "verify --json");
    EXPECT_EQ(verify.exitCode, 1);
    json = nlohmann::json::parse(verify.out);
    ASSERT_EQ(json["findings"].size(), 1u) << verify.out;
    EXPECT_EQ(json["findings"][0]["kind"], "truncated");
    EXPECT_NE(json["findings"][0]["text"].get<std::string>().find("this computer"),
              std::string::npos);
    EXPECT_EQ(cli(reg + "verify --checkpoint 3:xyz").exitCode, 2);
}

// With a key every record is signed, and verify checks each signature
// against the keys the register keeps: a forged signature, a record signed
// anew with a key the register does not know, and one signed with another
// user's key are each named.
TEST_P(RegisterChainTest, EachSignatureNotTheRecordUsersIsNamed) {
    if (!SigningAvailable()) GTEST_SKIP() << kNoSigning;
    const auto mine = NewSigningKey("tester");
    const auto colleague = NewSigningKey("someone");
    const auto stranger = NewSigningKey("tester");
    // Signs record `id` again with `key` (its chain hash as it stands).
    const auto resign = [](Database& db, std::int64_t id, const SigningKey& key) {
        const auto chain =
            TextAt(db.Run("SELECT chain_hash FROM records WHERE id = ?", {id}).at(0), 0);
        db.Run("UPDATE records SET signer = ?, signature = ? WHERE id = ?",
               {key.Id(), SignChainHash(key, chain), id});
    };
    using K = ChainFinding::Kind;
    const std::vector<std::tuple<
        const char*, std::function<void(Database&, const std::vector<std::int64_t>&)>, K, int>>
        cases = {
            {"another record's signature",
             [](Database& db, const auto& ids) {
                 db.Run(
                     "UPDATE records SET signature = (SELECT signature FROM records WHERE id = ?)"
                     " WHERE id = ?",
                     {ids[0], ids[1]});
             },
             K::kBadSignature, 1},
            {"signed anew with an unknown key",
             [&](Database& db, const auto& ids) { resign(db, ids[2], *stranger); }, K::kUnknownKey,
             2},
            {"signed with another user's key",
             [&](Database& db, const auto& ids) { resign(db, ids[3], *colleague); },
             K::kOtherUsersKey, 3},
        };
    for (const auto& [name, change, kind, index] : cases) {
        SCOPED_TRACE(name);
        TearDown();
        SetUp();
        auto db = Open();
        PlantRegister reg(*db);
        ASSERT_TRUE(reg.AddKey(mine->user, mine->publicKey));
        ASSERT_TRUE(reg.AddKey(colleague->user, colleague->publicKey));
        EXPECT_FALSE(reg.AddKey(mine->user, mine->publicKey));
        EXPECT_THROW(reg.AddKey("someone", mine->publicKey), RegisterError);
        reg.SignWith(mine);
        const auto ids = Fill(reg);
        auto report = reg.Verify();
        ASSERT_TRUE(report.Intact()) << report.findings.front().text;
        EXPECT_EQ(report.signedRecords, 6);
        change(*db, ids);
        report = reg.Verify();
        ASSERT_EQ(report.findings.size(), 1u) << report.findings.front().text;
        EXPECT_EQ(report.findings[0].kind, kind) << report.findings[0].text;
        EXPECT_EQ(report.findings[0].id, ids[static_cast<std::size_t>(index)]);
    }
}

// register keygen makes the user's key for him only and registers it; the
// records he makes are then signed; register trust takes another's key.
TEST_P(RegisterChainTest, TheCommandLineMakesAndTrustsKeys) {
    for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() == ".ini")
            fs::copy_file(entry.path(), m_dir / entry.path().filename());
    }
    const test::CliRunner cli(m_dir);
    const std::string reg = "--register '" + m_name + "' register ";
    const std::string upload =
        test::Sim("RQB2.json") + " --quiet --register '" + m_name + "' upload -o a.7pa --force";
    ASSERT_EQ(cli(upload).exitCode, 0);  // made before the key: not signed
    const auto made = cli(reg + "keygen --json");
    if (!SigningAvailable()) {
        EXPECT_EQ(made.exitCode, 1);
        EXPECT_NE(made.err.find("not available in this build"), std::string::npos) << made.err;
        return;
    }
    ASSERT_EQ(made.exitCode, 0) << made.err;
    const auto json = nlohmann::json::parse(made.out);
    const fs::path keyFile = json["file"].get<std::string>();
    EXPECT_EQ(fs::status(keyFile).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(ReadKeyFile(keyFile));
    // The secret is never printed, not even by a second keygen (which keeps
    // the key).
    files::Bytes bytes;
    ASSERT_EQ(files::ReadWholeFile(keyFile.string(), bytes), files::FileError::Ok);
    const std::string text(bytes.begin(), bytes.end());
    const std::string secret = text.substr(text.find("secret=") + 7, 128);
    const auto again = cli(reg + "keygen");
    EXPECT_EQ(again.exitCode, 0) << again.err;
    for (const auto& out : {made.out, made.err, again.out, again.err})
        EXPECT_EQ(out.find(secret.substr(0, 32)), std::string::npos) << out;
    ASSERT_EQ(cli(upload).exitCode, 0);
    auto verify = nlohmann::json::parse(cli(reg + "verify --json").out);
    EXPECT_TRUE(verify["intact"].get<bool>());
    EXPECT_EQ(verify["signed"], 1);

    const auto other = NewSigningKey("someone");
    const auto pub = PublicKeyFileOf(m_dir / "someone.key");
    ASSERT_EQ(WriteKeyFile(m_dir / "someone.key", *other), "");
    EXPECT_EQ(cli(reg + "trust someone '" + pub.string() + "'").exitCode, 0);
    auto db = Open();
    PlantRegister read(*db);
    EXPECT_EQ(read.Keys().size(), 2u);
    EXPECT_EQ(cli(reg + "trust other '" + pub.string() + "'").exitCode, 1);  // someone's key
}

// The register window's Verify says what it found and marks the records
// concerned; an intact chain becomes the head this computer keeps.
TEST_P(RegisterChainTest, TheWindowVerifiesAndMarksTheRecords) {
    QuietRegisterWindow host;
    Recorder recorder(m_name, &platform::OpenRegisterDatabase, m_dir / "queue", "tester", "bench");
    auto reasoned = At(RecordKind::kDownload, "2026-11-02T08:00:00Z", Plant1With("SET,A", "9"), 0);
    reasoned.reason = "calibration";
    ASSERT_EQ(recorder.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1())), "");
    ASSERT_EQ(recorder.Add(reasoned), "");
    EXPECT_EQ(ReadHead(recorder.HeadFile())->sequence, 2);  // the head it wrote

    files::Workspace ws;
    shell::testing::RecordingMessages messages;
    ws.hosts.messages = &messages;
    ws.hosts.recorder = &recorder;
    session::PlantRegisterBrowser browser(ws, host);
    ASSERT_TRUE(browser.Open());
    browser.ChooseInstrument(2);
    ASSERT_EQ(browser.RecordRows().size(), 2u);
    EXPECT_EQ(browser.RecordRows()[0].reason, "calibration");
    EXPECT_NE(browser.Verify().find("intact"), std::string::npos);

    Open()->Run("UPDATE records SET reason = 'routine' WHERE kind = 'download'");
    const std::string line = browser.Verify();
    EXPECT_NE(line.find("changed outside RQ50"), std::string::npos) << line;
    browser.ChooseInstrument(2);
    EXPECT_EQ(browser.RecordRows()[0].finding, "edited");
    EXPECT_EQ(browser.RecordRows()[1].finding, "");
}

INSTANTIATE_TEST_SUITE_P(Engines, RegisterChainTest, ::testing::Values("sqlite", "postgresql"));

}  // namespace
}  // namespace rq50::plant
