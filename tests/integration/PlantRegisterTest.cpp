// The plant register on its real engines: SQLite always, PostgreSQL where
// RQ50_TEST_POSTGRES names a server's admin database (scripts/test starts a
// throwaway one). The same cases run on both.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemEdit.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "support/CliRunner.h"
#include "unit/ShellTempDir.h"

namespace rq50::plant {
namespace {
namespace fs = std::filesystem;

std::string Env(const char* name) {
    const char* v = std::getenv(name);
    return v == nullptr ? std::string{} : std::string(v);
}

Blob Plant1() {
    files::Bytes bytes;
    EXPECT_EQ(files::ReadWholeFile(RQ50_TEST_DATA_DIR "/files/PLANT1.7pa", bytes), 0);
    return Blob(bytes.begin(), bytes.end());
}

/// PLANT1 with the item named `name` set to `value`.
Blob Plant1With(const std::string& name, const std::string& value) {
    files::ParameterFileRecord record;
    EXPECT_EQ(files::DecodeParameterRecord(Plant1(), record), 0);
    for (auto& block : record.items) {
        if (parameter::DecodeItem(block, false).name.rfind(name, 0) == 0) {
            const auto edit = parameter::SetItemValue(block, value);
            EXPECT_TRUE(edit.ok) << edit.error;
            block = edit.block;
        }
    }
    const auto bytes = files::EncodeParameterRecord(record);
    return Blob(bytes.begin(), bytes.end());
}

Record At(RecordKind kind, const std::string& time, Blob bytes, int differ = -1) {
    Record r;
    r.kind = kind;
    r.time = time;
    r.user = "tester";
    r.host = "bench";
    r.bytes = std::move(bytes);
    r.instrument = IdentityOf(r.bytes, files::DataFileKind::kParameter);
    r.itemsDiffer = differ;
    r.result = "completed";
    return r;
}

/// A register of its own per test: a SQLite file in a fresh folder, or a
/// fresh database on the PostgreSQL server.
class PlantRegisterTest : public ::testing::TestWithParam<std::string> {
  protected:
    void SetUp() override {
        m_dir = shell::testing::MakeTempFolder("rq50_register_");
        if (GetParam() == "sqlite") {
            m_name = "sqlite:" + (m_dir / "register.sqlite").string();
            return;
        }
        m_admin = Env("RQ50_TEST_POSTGRES");
        if (m_admin.empty()) GTEST_SKIP() << "no PostgreSQL server: RQ50_TEST_POSTGRES is not set";
        static std::atomic<int> serial{0};
        m_database = "rq50_test_" + std::to_string(::getpid()) + "_" + std::to_string(++serial);
        platform::OpenRegisterDatabase(m_admin)->Run("CREATE DATABASE " + m_database);
        const auto query = m_admin.find('?');
        m_name = "postgresql://postgres@/" + m_database + m_admin.substr(query);
    }
    void TearDown() override {
        if (!m_database.empty()) {
            platform::OpenRegisterDatabase(m_admin)->Run("DROP DATABASE " + m_database +
                                                         " WITH (FORCE)");
        }
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    std::unique_ptr<Database> Open() { return platform::OpenRegisterDatabase(m_name); }

    fs::path m_dir;
    std::string m_name;
    std::string m_admin;
    std::string m_database;
};

TEST_P(PlantRegisterTest, KeepsHistoryChangesAndTheLastGoodSet) {
    auto db = Open();
    PlantRegister reg(*db);
    const Blob before = Plant1();
    const Blob after = Plant1With("SET,A", "3C4D");
    const auto up = reg.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", before));
    reg.Add(At(RecordKind::kBackup, "2026-11-02T08:00:00Z", before));
    const auto down = reg.Add(At(RecordKind::kDownload, "2026-11-02T08:01:00Z", after, 0));
    reg.Add(At(RecordKind::kDownload, "2026-11-03T08:00:00Z", before, 2));  // read-back differed

    const auto history = reg.History("FIC-101");
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history.front().time, "2026-11-03T08:00:00Z");  // newest first
    EXPECT_EQ(history.back().id, up);
    EXPECT_EQ(history.back().instrument.plant, "Boiler 3 \"feed\"");
    EXPECT_EQ(history.back().instrument.area, "Line B");
    EXPECT_EQ(history.back().instrument.model, "RQB2");

    // The download's changes come from the record before it (the backup).
    const auto got = reg.Get(down);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->bytes, after);
    EXPECT_EQ(got->hash.size(), 64u);
    ASSERT_EQ(got->changes.size(), 1u);
    EXPECT_EQ(got->changes[0].name, "SET,A");
    EXPECT_NE(got->changes[0].before, got->changes[0].after);

    // The newest download whose read-back matched beats the older upload;
    // the one that differed does not count.
    const auto good = reg.LastGood("FIC-101", files::DataFileKind::kParameter);
    ASSERT_TRUE(good);
    EXPECT_EQ(good->id, down);
    EXPECT_FALSE(reg.LastGood("FIC-101", files::DataFileKind::kProgram));

    // One set is kept once, however often it was recorded.
    EXPECT_EQ(IntAt(db->Run("SELECT COUNT(*) FROM sets")[0], 0), 2);

    // Filters, and the audit over a period: writing records only.
    EXPECT_EQ(reg.Instruments({"RQB2", "", "FIC-*"}).size(), 1u);
    EXPECT_EQ(reg.Instruments({"", "", "FIC?101"}).front().records, 4);
    EXPECT_TRUE(reg.Instruments({"RQK2", "", ""}).empty());
    EXPECT_TRUE(reg.Instruments({"", "", "FIC_%"}).empty());  // LIKE's own signs are plain
    const auto audit = reg.Audit("2026-11-02T00:00:00Z", "2026-11-03T00:00:00Z");
    ASSERT_EQ(audit.size(), 1u);
    EXPECT_EQ(audit[0].id, down);
    EXPECT_EQ(audit[0].changes.size(), 1u);
    EXPECT_EQ(audit[0].user, "tester");
}

TEST_P(PlantRegisterTest, ANewerSchemaIsRefusedAndLeftAsItIs) {
    {
        auto db = Open();
        PlantRegister reg(*db);
        reg.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1()));
        db->Run("UPDATE schema_version SET version = 99");
    }
    auto db = Open();
    try {
        PlantRegister reg(*db);
        FAIL() << "a register of schema 99 was opened";
    } catch (const RegisterError& e) {
        EXPECT_NE(std::string(e.what()).find("schema 99"), std::string::npos) << e.what();
    }
    EXPECT_EQ(IntAt(db->Run("SELECT version FROM schema_version")[0], 0), 99);
    EXPECT_EQ(IntAt(db->Run("SELECT COUNT(*) FROM records")[0], 0), 1);
}

TEST_P(PlantRegisterTest, TwoProcessesWritingAtOnceLoseNoRecord) {
    {
        auto db = Open();
        PlantRegister reg(*db);  // made once, so both writers find it
    }
    const std::string self = fs::read_symlink("/proc/self/exe").string();
    const std::string one = "RQ50_REGISTER_WRITER='" + m_name + "' " + self +
                            " --gtest_filter=PlantRegisterWriter.* >/dev/null";
    ASSERT_EQ(std::system((one + " & a=$!; " + one + " & b=$!; wait $a && wait $b").c_str()), 0);
    auto db = Open();
    PlantRegister reg(*db);
    EXPECT_EQ(reg.History("FIC-101").size(), 40u);
}

// rq50-cli records a download with its backup in either engine, and the
// register commands answer from it.
TEST_P(PlantRegisterTest, TheCommandLineRecordsAndAnswers) {
    for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() == ".ini")
            fs::copy_file(entry.path(), m_dir / entry.path().filename());
    }
    const test::CliRunner cli(m_dir);
    const std::string line = test::Sim("RQB2.json") + " --quiet --register '" + m_name + "' ";
    ASSERT_EQ(cli(line + "upload -o a.7pa").exitCode, 0);
    const auto down = cli(line + "download a.7pa --yes");
    ASSERT_EQ(down.exitCode, 0) << down.err;
    const auto history = cli("--register '" + m_name + "' register history FIC-101 --json");
    ASSERT_EQ(history.exitCode, 0) << history.err;
    const auto records = nlohmann::json::parse(history.out)["records"];
    ASSERT_EQ(records.size(), 3u) << history.out;
    EXPECT_EQ(records[0]["kind"], "download");
    EXPECT_EQ(records[1]["kind"], "backup");
    EXPECT_EQ(records[2]["kind"], "upload");
    EXPECT_EQ(records[2]["model"], "RQB2");
    EXPECT_EQ(records[2]["time"].get<std::string>().back(), 'Z');
}

INSTANTIATE_TEST_SUITE_P(Engines, PlantRegisterTest, ::testing::Values("sqlite", "postgresql"));

// One of the two processes above: 20 records, each in its own transaction.
TEST(PlantRegisterWriter, AddsTwentyRecords) {
    const std::string name = Env("RQ50_REGISTER_WRITER");
    if (name.empty()) GTEST_SKIP() << "run by TwoProcessesWritingAtOnceLoseNoRecord";
    auto db = platform::OpenRegisterDatabase(name);
    PlantRegister reg(*db);
    for (int i = 0; i < 20; ++i) {
        reg.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z",
                   Plant1With("SET,A", std::to_string(1000 + i))));
    }
}

TEST(PlantRegisterFile, ADamagedOrForeignFileIsRefusedAndNeverWritten) {
    const fs::path dir = shell::testing::MakeTempFolder("rq50_register_file_");
    const fs::path damaged = dir / "damaged.sqlite";
    std::ofstream(damaged) << "these bytes are no database";
    EXPECT_THROW(platform::OpenRegisterDatabase("sqlite:" + damaged.string()), RegisterError);
    std::ifstream in(damaged);
    EXPECT_EQ(std::string(std::istreambuf_iterator<char>(in), {}), "these bytes are no database");

    const std::string foreign = "sqlite:" + (dir / "other.sqlite").string();
    platform::OpenRegisterDatabase(foreign)->Run("CREATE TABLE parts (n INTEGER)");
    auto db = platform::OpenRegisterDatabase(foreign);
    EXPECT_THROW(PlantRegister{*db}, RegisterError);
    EXPECT_EQ(db->Run("SELECT name FROM sqlite_master WHERE type = 'table'").size(), 1u);
    fs::remove_all(dir);
}

TEST(PlantRegisterFile, ARecordWaitsInTheQueueUntilTheRegisterAnswers) {
    const fs::path dir = shell::testing::MakeTempFolder("rq50_register_queue_");
    const fs::path queue = dir / "queue";
    std::string told;
    Recorder away("postgresql://nobody@/none?host=" + (dir / "no-server").string(),
                  &platform::OpenRegisterDatabase, queue, "tester", "bench");
    away.SetNoticeSink([&told](const std::string& notice) { told = notice; });
    const std::string notice = away.Add(At(RecordKind::kUpload, "", Plant1()));
    EXPECT_NE(notice.find("waits in"), std::string::npos) << notice;
    EXPECT_EQ(told, notice);
    EXPECT_EQ(away.Queued(), 1);

    const std::string name = "sqlite:" + (dir / "register.sqlite").string();
    Recorder back(name, &platform::OpenRegisterDatabase, queue, "tester", "bench");
    EXPECT_EQ(back.Add(At(RecordKind::kDownload, "", Plant1With("SET,A", "9999"), 0)), "");
    EXPECT_EQ(back.Queued(), 0);
    const auto history = back.Open().History("FIC-101");
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history.back().kind, RecordKind::kUpload);  // the queued one, sent first
    EXPECT_EQ(history.back().user, "tester");
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rq50::plant
