// The plant register on its real engines: SQLite always, PostgreSQL where
// RQ50_TEST_POSTGRES names a server's admin database (scripts/test starts a
// throwaway one). The same cases run on both.
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <atomic>
#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <grp.h>
#include <pwd.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemEdit.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "session/PlantRegisterBrowser.h"
#include "shell/AppPaths.h"
#include "support/CliRunner.h"
#include "unit/ShellFakes.h"
#include "unit/ShellTempDir.h"
#include "integration/RegisterOnEngine.h"

namespace rq50::plant {
namespace {
namespace fs = std::filesystem;

using namespace testing;
class PlantRegisterTest : public RegisterOnEngine {};

TEST_P(PlantRegisterTest, KeepsHistoryChangesAndTheLastGoodSet) {
    auto db = Open();
    PlantRegister reg(*db);
    const Blob before = Plant1();
    const Blob after = Plant1With("SET,A", "3C4D");
    const auto up = reg.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", before));
    reg.Add(At(RecordKind::kBackup, "2026-11-02T08:00:00Z", before));
    auto confirmed = At(RecordKind::kDownload, "2026-11-02T08:01:00Z", after, 0);
    confirmed.changes = {{"A01", "SET,A", "1000", "200.00", "500.00"}};
    const auto down = reg.Add(confirmed);
    // Read-back differed; made with other titles, which older records keep.
    auto moved = At(RecordKind::kDownload, "2026-11-03T08:00:00Z", before, 2);
    moved.instrument.plant = "Boiler 4";
    const auto last = reg.Add(moved);

    const auto history = reg.History("FIC-101");
    ASSERT_EQ(history.size(), 4u);
    EXPECT_EQ(history.front().time, "2026-11-03T08:00:00Z");  // newest first
    EXPECT_EQ(history.front().instrument.plant, "Boiler 4");
    EXPECT_EQ(history.back().id, up);
    EXPECT_EQ(history.back().instrument.plant, "Boiler 3 \"feed\"");
    EXPECT_EQ(history.back().instrument.area, "Line B");
    EXPECT_EQ(history.back().instrument.model, "RQB2");
    EXPECT_EQ(reg.Instruments().front().plant, "Boiler 4");

    // A record's changes are its own, with the file's value where the
    // instrument took another; none is made up from an earlier record.
    const auto got = reg.Get(down);
    ASSERT_TRUE(got);
    EXPECT_EQ(got->bytes, after);
    EXPECT_EQ(got->hash.size(), 64u);
    ASSERT_EQ(got->changes.size(), 1u);
    EXPECT_EQ(got->changes[0].after, "200.00");
    EXPECT_EQ(got->changes[0].file, "500.00");
    EXPECT_TRUE(reg.Get(last)->changes.empty());

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

// A register of schema 1 is brought forward and keeps its records: each
// takes its instrument's titles, and none has an origin yet.
TEST_P(PlantRegisterTest, ARegisterOfSchemaOneIsBroughtForward) {
    {
        auto db = Open();
        const std::string key =
            GetParam() == "sqlite" ? "INTEGER PRIMARY KEY" : "BIGSERIAL PRIMARY KEY";
        for (
            const auto& sql : std::vector<std::string>{
                "CREATE TABLE schema_version (version INTEGER NOT NULL)",
                "INSERT INTO schema_version (version) VALUES (1)",
                "CREATE TABLE instruments (id " + key +
                    ", model TEXT NOT NULL, name TEXT NOT NULL, tag TEXT NOT NULL, instrument_no"
                    " TEXT NOT NULL, plant TEXT NOT NULL, area TEXT NOT NULL, UNIQUE (model, "
                    "name))",
                std::string("CREATE TABLE sets (hash TEXT PRIMARY KEY, file_kind TEXT NOT NULL,"
                            " bytes ") +
                    (GetParam() == "sqlite" ? "BLOB" : "BYTEA") + " NOT NULL)",
                "CREATE TABLE records (id " + key +
                    ", instrument_id BIGINT NOT NULL, kind TEXT NOT NULL, time TEXT NOT NULL,"
                    " user_name TEXT NOT NULL, host TEXT NOT NULL, port TEXT NOT NULL, slot INTEGER"
                    " NOT NULL, file_name TEXT NOT NULL, file_kind TEXT NOT NULL, set_hash TEXT NOT"
                    " NULL, ok INTEGER NOT NULL, result TEXT NOT NULL, items_written INTEGER NOT"
                    " NULL, items_differ INTEGER NOT NULL)",
                "CREATE TABLE changes (record_id BIGINT NOT NULL, address TEXT NOT NULL, name TEXT"
                " NOT NULL, before_value TEXT NOT NULL, after_value TEXT NOT NULL)",
                "INSERT INTO instruments (model, name, tag, instrument_no, plant, area) VALUES"
                " ('RQB2', 'FIC-101', 'FIC-101', '', 'Old plant', 'Old area')",
                "INSERT INTO sets (hash, file_kind, bytes) VALUES ('h', '7pa', '')",
                "INSERT INTO records (instrument_id, kind, time, user_name, host, port, slot,"
                " file_name, file_kind, set_hash, ok, result, items_written, items_differ) VALUES"
                " (1, 'download', '2026-10-01T08:00:00Z', 'tester', 'bench', '', 0, 'a.7pa',"
                " '7pa', 'h', 1, 'completed', 4, 0)",
                "INSERT INTO changes VALUES (1, 'C02', 'SET,A', '1', '2')"})
            db->Run(sql);
    }
    auto db = Open();
    PlantRegister reg(*db);
    EXPECT_EQ(IntAt(db->Run("SELECT version FROM schema_version")[0], 0), kSchemaVersion);
    reg.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1()));
    const auto history = reg.History("FIC-101");
    ASSERT_EQ(history.size(), 2u);
    EXPECT_EQ(history.back().instrument.plant, "Old plant");
    const auto old = reg.Get(history.back().id);
    ASSERT_EQ(old->changes.size(), 1u);
    EXPECT_EQ(old->changes[0].after, "2");
    EXPECT_TRUE(old->changes[0].file.empty());
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
    // One chain however the appends of the two met.
    const auto chain = reg.Verify();
    EXPECT_TRUE(chain.Intact()) << chain.findings.front().text;
    EXPECT_EQ(chain.head.sequence, 40);
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
    const auto up = cli.Shell(
        "USER=mallory " + cli.Command(line + "upload -o a.7pa --title1 'Unit 2' --title2 Pumps"));
    ASSERT_EQ(up.exitCode, 0) << up.err;
    const auto down = cli(line + "download a.7pa --yes");
    ASSERT_EQ(down.exitCode, 0) << down.err;
    const std::string reg = "--register '" + m_name + "' register ";
    const auto history = cli(reg + "history FIC-101 --json");
    ASSERT_EQ(history.exitCode, 0) << history.err;
    const auto records = nlohmann::json::parse(history.out)["records"];
    ASSERT_EQ(records.size(), 3u) << history.out;
    EXPECT_EQ(records[0]["kind"], "download");
    EXPECT_EQ(records[1]["kind"], "backup");
    EXPECT_EQ(records[2]["kind"], "upload");
    EXPECT_EQ(records[2]["model"], "RQB2");
    EXPECT_EQ(records[2]["time"].get<std::string>().back(), 'Z');
    // The account, not what $USER claims; the simulated line by its name.
    EXPECT_EQ(records[2]["user"], ::getpwuid(::geteuid())->pw_name);
    EXPECT_EQ(records[2]["port"], "simulated");
    const auto list = nlohmann::json::parse(cli(reg + "list --json").out)["instruments"];
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["plant"], "Unit 2");
    EXPECT_EQ(list[0]["area"], "Pumps");
    EXPECT_TRUE(nlohmann::json::parse(cli(reg + "list --real --json").out)["instruments"].empty());
    // A tagged instrument keeps the name its TAG NO gives it.
    EXPECT_NE(cli(reg + "name " + records[2]["id"].dump() + " OTHER").exitCode, 0);
}

// Instruments without a tag or instrument number are filed by model, port
// and slot, never pooled; a name given to one holds for its later records.
TEST_P(PlantRegisterTest, UnnamedInstrumentsAreKeptApartAndCanBeNamed) {
    auto db = Open();
    PlantRegister reg(*db);
    auto unnamed = [](const std::string& model, int slot) {
        Record r = At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1());
        r.instrument.tag.clear();
        r.instrument.instrumentNo.clear();
        r.instrument.model = model;
        r.port = "/dev/ttyUSB0";
        r.slot = slot;
        return r;
    };
    const auto s7 = reg.Add(unnamed("RQS2", 7));
    reg.Add(unnamed("RQK2", 7));
    reg.Add(unnamed("RQS2", 8));
    EXPECT_EQ(reg.History("RQS2 at /dev/ttyUSB0 slot 7").size(), 1u);
    EXPECT_EQ(reg.Instruments().size(), 3u);

    reg.Rename(s7, "FT-7");
    reg.Add(unnamed("RQS2", 7));
    EXPECT_EQ(reg.History("FT-7").size(), 2u);
    EXPECT_TRUE(reg.History("RQS2 at /dev/ttyUSB0 slot 7").empty());
    EXPECT_THROW(reg.Rename(s7, "RQS2 at /dev/ttyUSB0 slot 8"), RegisterError);  // taken
    Record tagged = unnamed("RQS2", 9);
    tagged.instrument.tag = "TT-9";
    EXPECT_THROW(reg.Rename(reg.Add(tagged), "other"), RegisterError);  // named by its TAG NO
}

// The queue of a register holds only its records, sent in the order they
// were made; a damaged file is moved aside, records of an unknown register
// wait.
TEST_P(PlantRegisterTest, QueuedRecordsGoInOrderIntoTheirOwnRegisterOnly) {
    const fs::path root = m_dir / "queue";
    const fs::path mine = QueueFolderOf(root, m_name);
    const fs::path other = QueueFolderOf(root, "sqlite:/elsewhere/register.sqlite");
    auto put = [](const fs::path& folder, const std::string& name, const Blob& bytes) {
        fs::create_directories(folder);
        std::ofstream(folder / name, std::ios::binary)
            .write(reinterpret_cast<const char*>(bytes.data()),
                   static_cast<std::streamsize>(bytes.size()));
    };
    auto queued = [](const std::string& result) {
        Record r = At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1());
        r.result = result;
        return QueueFileOf(r);
    };
    put(mine, "2026-11-01T08-00-00Z-7-10.rq50rec", queued("tenth"));
    put(mine, "2026-11-01T08-00-00Z-7-2.rq50rec", queued("second"));
    put(mine, "2026-11-01T08-00-00Z-7-5.rq50rec", Blob{'n', 'o'});
    put(other, "2026-11-01T08-00-00Z-7-3.rq50rec", queued("elsewhere"));
    put(root, "2026-11-01T08-00-00Z-7-4.rq50rec", queued("unknown"));

    std::vector<std::string> told;
    Recorder here(m_name, &platform::OpenRegisterDatabase, root, "tester", "bench");
    here.SetNoticeSink([&told](const std::string& notice) { told.push_back(notice); });
    EXPECT_EQ(here.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1())), "");
    const auto history = here.Open().History("FIC-101");
    ASSERT_EQ(history.size(), 3u);
    EXPECT_EQ(history[2].result, "second");  // same time: by the order they went in
    EXPECT_EQ(history[1].result, "tenth");
    EXPECT_EQ(here.Queued(), 0);
    EXPECT_TRUE(fs::exists(root / "damaged" / "2026-11-01T08-00-00Z-7-5.rq50rec"));
    EXPECT_TRUE(fs::exists(other / "2026-11-01T08-00-00Z-7-3.rq50rec"));
    EXPECT_TRUE(fs::exists(root / "2026-11-01T08-00-00Z-7-4.rq50rec"));
    ASSERT_EQ(told.size(), 2u);
    EXPECT_NE(told[0].find("do not say which register"), std::string::npos) << told[0];
    EXPECT_NE(told[1].find("damaged"), std::string::npos) << told[1];
}

// A record is in the queue before the register is tried, is kept once
// however often it is sent, and a register that holds a statement up, or
// stops answering, is given up after the time limit with the record waiting.
TEST_P(PlantRegisterTest, ARecordIsQueuedFirstAndAStalledRegisterHoldsNothingUp) {
    const fs::path root = m_dir / "queue";
    int waitingAtAttempt = -1;
    Recorder first(
        m_name,
        [&](const std::string& name) {
            waitingAtAttempt = 0;
            for (const auto& e : fs::directory_iterator(QueueFolderOf(root, name)))
                waitingAtAttempt += e.path().extension() == ".rq50rec";
            return platform::OpenRegisterDatabase(name);
        },
        root, "tester", "bench");
    Record once = At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1());
    once.origin = "bench/1/once";
    EXPECT_EQ(first.Add(once), "");
    EXPECT_EQ(waitingAtAttempt, 1);
    EXPECT_EQ(first.Add(once), "");  // sent again after a kill
    EXPECT_EQ(first.Open().History("FIC-101").size(), 1u);

    auto holder = Open();
    holder->BeginWrite();
    if (GetParam() == "postgresql")
        holder->Run("LOCK TABLE records IN ACCESS EXCLUSIVE MODE");
    else
        holder->Run("INSERT INTO schema_version (version) VALUES (2)");
    Recorder stalled(m_name, &platform::OpenRegisterDatabase, root, "tester", "bench");
    const auto start = std::chrono::steady_clock::now();
    const std::string notice = stalled.Add(At(RecordKind::kUpload, "", Plant1()));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(9));
    EXPECT_NE(notice.find("waits in"), std::string::npos) << notice;
    EXPECT_EQ(stalled.Queued(), 1);
    holder->Rollback();

    // A server process that stops altogether keeps no limit of its own: the
    // program gives it up, and the record waits until the server answers.
    if (GetParam() != "postgresql") return;
    const fs::path frozenRoot = m_dir / "frozen";
    pid_t frozen = 0;
    Recorder stopped(
        m_name,
        [&frozen](const std::string& name) {
            auto db = platform::OpenRegisterDatabase(name);
            const auto pid = static_cast<pid_t>(IntAt(db->Run("SELECT pg_backend_pid()")[0], 0));
            std::string command;
            std::getline(std::ifstream("/proc/" + std::to_string(pid) + "/comm"), command);
            if (command == "postgres" && ::kill(pid, SIGSTOP) == 0) frozen = pid;
            return db;
        },
        frozenRoot, "tester", "bench");
    const auto stop = std::chrono::steady_clock::now();
    const std::string waits = stopped.Add(At(RecordKind::kUpload, "", Plant1With("SET,A", "77")));
    const auto took = std::chrono::steady_clock::now() - stop;
    if (frozen == 0) GTEST_SKIP() << "the server's process is not one this test can stop";
    ::kill(frozen, SIGCONT);
    EXPECT_LT(took, std::chrono::seconds(20));
    EXPECT_NE(waits.find("waits in"), std::string::npos) << waits;
    EXPECT_EQ(stopped.Queued(), 1);
    Recorder later(m_name, &platform::OpenRegisterDatabase, frozenRoot, "tester", "bench");
    EXPECT_EQ(later.SendQueued(), 0);
    EXPECT_EQ(later.Open().History("FIC-101").size(), 2u);
    // A connection the server has ended since (a restart) is made anew.
    Open()->Run(
        "SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity WHERE datname ="
        " current_database() AND pid <> pg_backend_pid()");
    EXPECT_EQ(later.Open().History("FIC-101").size(), 2u);
}

// The register window offers the newest record whose result was good, and
// names it; a failed download is never the default.
TEST_P(PlantRegisterTest, TheWindowOffersTheNewestGoodRecordByName) {
    QuietRegisterWindow host;
    Recorder recorder(m_name, &platform::OpenRegisterDatabase, m_dir / "queue", "tester", "bench");
    auto failed = At(RecordKind::kDownload, "2026-11-02T08:00:00Z", Plant1With("SET,A", "9"), 0);
    failed.ok = false;
    failed.result = "ended with error 3 after 2 items written";
    ASSERT_EQ(recorder.Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1())), "");
    ASSERT_EQ(recorder.Add(failed), "");

    files::Workspace ws;
    shell::testing::RecordingMessages messages;
    ws.hosts.messages = &messages;
    ws.hosts.recorder = &recorder;
    session::PlantRegisterBrowser browser(ws, host);
    ASSERT_TRUE(browser.Open());
    browser.ChooseInstrument(2);  // under its plant and area
    ASSERT_EQ(browser.Records().size(), 2u);
    EXPECT_EQ(browser.DefaultRestoreRow(), 1);
    browser.Restore({});
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_NE(messages.boxes[0].text.find("Restore the upload of 2026-11-01 08:00 (completed)"),
              std::string::npos)
        << messages.boxes[0].text;
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
    {
        auto other = platform::OpenRegisterDatabase(foreign);
        other->Run("PRAGMA journal_mode = DELETE");
        other->Run("CREATE TABLE parts (n INTEGER)");
    }
    auto db = platform::OpenRegisterDatabase(foreign);
    EXPECT_THROW(PlantRegister{*db}, RegisterError);
    EXPECT_EQ(db->Run("SELECT name FROM sqlite_master WHERE type = 'table'").size(), 1u);
    EXPECT_EQ(TextAt(db->Run("PRAGMA journal_mode")[0], 0), "delete");  // not made WAL
    fs::remove_all(dir);
}

// A register the user may only read is still read, and nothing is made.
TEST(PlantRegisterFile, ARegisterThatCannotBeWrittenIsStillRead) {
    const fs::path dir = shell::testing::MakeTempFolder("rq50_register_read_");
    const std::string name = "sqlite:" + (dir / "register.sqlite").string();
    {
        auto db = platform::OpenRegisterDatabase(name);
        PlantRegister(*db).Add(At(RecordKind::kUpload, "2026-11-01T08:00:00Z", Plant1()));
    }
    for (const auto& entry : fs::directory_iterator(RQ50_BIN_DIR)) {
        if (entry.path().extension() == ".ini")
            fs::copy_file(entry.path(), dir / entry.path().filename());
    }
    using fs::perms;
    const perms readable = perms::owner_read | perms::group_read | perms::others_read;
    fs::permissions(dir / "register.sqlite", readable, fs::perm_options::replace);
    fs::permissions(dir, readable | perms::owner_exec | perms::group_exec | perms::others_exec,
                    fs::perm_options::replace);
    const test::CliRunner cli(dir, fs::temp_directory_path());
    const std::string as = ::geteuid() == 0 ? "runuser -u nobody -- " : "";
    const auto run = cli.Shell(as + cli.Command("--register '" + name + "' register list --json"));
    fs::permissions(dir, perms::owner_all, fs::perm_options::add);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("FIC-101"), std::string::npos) << run.out;
    EXPECT_FALSE(fs::exists(dir / "register.sqlite-shm"));
    fs::remove_all(dir);
}

// A register made in the per-user data folder is its owner's only, and so
// are its journal files; one made in a folder a team shares keeps the
// folder's group and what the umask gives any new file.
TEST(PlantRegisterFile, APrivateRegisterAndOneInASharedFolder) {
    const fs::path dir = shell::testing::MakeTempFolder("rq50_register_mode_");
    const shell::AppFolders saved{shell::AppFolder(), shell::UserDataFolder()};
    ::setenv("XDG_DATA_HOME", (dir / "home").c_str(), 1);
    shell::SetAppFolders({dir, shell::PerUserDataFolder()});
    const fs::path own = shell::UserDataFolder() / "register.sqlite";
    {
        auto db = platform::OpenRegisterDatabase("sqlite:" + own.string());
        PlantRegister reg(*db);
        for (const char* file : {"", "-wal", "-shm"}) {
            EXPECT_EQ(fs::status(own.string() + file).permissions() & fs::perms::all,
                      fs::perms::owner_read | fs::perms::owner_write)
                << file;
        }
    }
    ::unsetenv("XDG_DATA_HOME");
    shell::SetAppFolders(saved);

    // The shared folder's group is another than the user's own where the
    // user may give it one.
    gid_t team = ::getegid();
    std::vector<gid_t> groups(64);
    groups.resize(static_cast<std::size_t>(std::max(::getgroups(64, groups.data()), 0)));
    for (const gid_t other : groups) team = other != ::getegid() ? other : team;
    const struct group* users = ::getgrnam("users");
    if (team == ::getegid() && ::geteuid() == 0 && users != nullptr) team = users->gr_gid;
    const fs::path shared = dir / "shared";
    fs::create_directories(shared);
    ASSERT_EQ(::chown(shared.c_str(), static_cast<uid_t>(-1), team), 0);
    fs::permissions(shared, fs::perms::owner_all | fs::perms::group_all | fs::perms::set_gid);
    const mode_t umask = ::umask(002);
    auto made = [](const fs::path& file) {
        struct stat st {};
        EXPECT_EQ(::stat(file.c_str(), &st), 0) << file;
        return std::pair{st.st_gid, st.st_mode & 0777};
    };
    {
        auto db = platform::OpenRegisterDatabase("sqlite:" + (shared / "register.sqlite").string());
        PlantRegister reg(*db);
        for (const char* file : {"register.sqlite", "register.sqlite-wal", "register.sqlite-shm"})
            EXPECT_EQ(made(shared / file), std::pair(team, mode_t{0664})) << file;
    }
    // Without set-group-ID on the folder the file still takes its group.
    fs::permissions(shared, fs::perms::set_gid, fs::perm_options::remove);
    platform::OpenRegisterDatabase("sqlite:" + (shared / "other.sqlite").string());
    EXPECT_EQ(made(shared / "other.sqlite"), std::pair(team, mode_t{0664}));
    ::umask(umask);
    fs::remove_all(dir);
}

TEST(PlantRegisterFile, ARecordWaitsInTheQueueOfItsRegisterWithThePasswordHidden) {
    const fs::path dir = shell::testing::MakeTempFolder("rq50_register_queue_");
    const fs::path queue = dir / "queue";
    std::string told;
    const std::string away =
        "postgresql://rq50:Secret-42@/none?host=" + (dir / "no-server").string();
    Recorder waiting(away, &platform::OpenRegisterDatabase, queue, "tester", "bench");
    waiting.SetNoticeSink([&told](const std::string& notice) { told = notice; });
    const std::string notice = waiting.Add(At(RecordKind::kUpload, "", Plant1()));
    EXPECT_NE(notice.find("waits in"), std::string::npos) << notice;
    EXPECT_NE(notice.find("rq50:***@"), std::string::npos) << notice;
    EXPECT_EQ(notice.find("Secret-42"), std::string::npos) << notice;
    EXPECT_EQ(told, notice);
    EXPECT_EQ(waiting.Queued(), 1);
    EXPECT_EQ(ShownRegisterName("postgresql://u:pw@h/db?sslmode=require&password=pw2"),
              "postgresql://u:***@h/db?sslmode=require&password=***");

    // Another register takes none of it.
    const std::string name = "sqlite:" + (dir / "register.sqlite").string();
    Recorder other(name, &platform::OpenRegisterDatabase, queue, "tester", "bench");
    EXPECT_EQ(other.Add(At(RecordKind::kDownload, "", Plant1With("SET,A", "9999"), 0)), "");
    EXPECT_EQ(other.Open().History("FIC-101").size(), 1u);
    EXPECT_EQ(waiting.Queued(), 1);

    // On the command line the password is a warning, and never shown.
    const test::CliRunner cli(dir);
    const auto run = cli("--register '" + away + "' register list");
    EXPECT_NE(run.exitCode, 0);
    EXPECT_NE(run.err.find("warning"), std::string::npos) << run.err;
    EXPECT_EQ(run.err.find("Secret-42"), std::string::npos) << run.err;
    fs::remove_all(dir);
}

}  // namespace
}  // namespace rq50::plant
