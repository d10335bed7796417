// The plant register filled as a plant's years would fill it: INSTRUMENTS
// instruments (10,000 unless given) with RECORDS records each (20), spread
// over a year (uploads, backups and downloads in turn, five different sets
// per instrument). Prints the insert time per record, chained, beside the
// same records written by the statements of the register before the chain;
// the time of the questions asked every day: one instrument's history, a
// diff of two records, the audit of a month; and of register verify over the
// whole chain. On SQLite always; on PostgreSQL too when
// RQ50_TEST_POSTGRES names a server's admin database (scripts/pg-test-server).
//   bench_register [INSTRUMENTS [RECORDS]]

#include <algorithm>
#include <chrono>
#include <ctime>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "files/FileNameRules.h"
#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "parameter/ItemEdit.h"
#include "platform/RegisterDatabase.h"
#include "register/PlantRegister.h"
#include "register/Sha256.h"

namespace {

using namespace rq50;
using Clock = std::chrono::steady_clock;

double MsSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

struct Sample {
    files::ParameterFileRecord record;
    std::vector<plant::Blob> variants;  // five SET,A values
};

plant::Blob SetOf(Sample& sample, int instrument, int variant) {
    auto record = sample.record;
    char name[16];
    std::snprintf(name, sizeof name, "FT-%05d", instrument);
    record.information.instrumentNo = files::FixedLength(name, files::kInfoTextLength);
    record.information.title1 =
        files::FixedLength("Plant " + std::to_string(instrument % 10), files::kInfoTextLength);
    record.information.title2 =
        files::FixedLength("Area " + std::to_string(instrument % 7), files::kInfoTextLength);
    for (auto& block : record.items) {
        if (parameter::DecodeItem(block, false).name.rfind("SET,A", 0) == 0) {
            block = parameter::SetItemValue(block, std::to_string(1000 + variant)).block;
        }
    }
    const auto bytes = files::EncodeParameterRecord(record);
    return plant::Blob(bytes.begin(), bytes.end());
}

std::string TimeOf(int instrument, int n, int records) {
    // Spread over 2026: an instrument's records evenly over the year, each
    // instrument's year starting at another day.
    const long minute =
        (static_cast<long>(n) * 525600L / records + static_cast<long>(instrument) * 5257L) %
        525600L;
    const int day = static_cast<int>(minute / 1440);
    static const int monthDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    int month = 0, d = day;
    while (month < 11 && d >= monthDays[month]) d -= monthDays[month++];
    char text[64];
    std::snprintf(text, sizeof text, "2026-%02d-%02dT%02ld:%02ld:%02dZ", month + 1, d + 1,
                  (minute % 1440) / 60, minute % 60, instrument % 60);
    return text;
}

plant::Record RecordOf(const std::vector<plant::Blob>& sets, int i, int n, int records) {
    const plant::RecordKind kinds[] = {plant::RecordKind::kUpload, plant::RecordKind::kBackup,
                                       plant::RecordKind::kDownload};
    plant::Record r;
    r.kind = kinds[n % 3];
    r.time = TimeOf(i, n, records);
    r.user = "tech" + std::to_string(i % 12);
    r.host = "laptop-" + std::to_string(i % 4);
    r.bytes = sets[static_cast<std::size_t>(n % 5)];
    r.instrument = plant::IdentityOf(r.bytes, files::DataFileKind::kParameter);
    r.itemsDiffer = r.kind == plant::RecordKind::kDownload ? 0 : -1;
    r.itemsWritten = r.kind == plant::RecordKind::kDownload ? 40 : -1;
    r.result = "completed";
    return r;
}

/// A record written as the register wrote it before the chain: the same
/// statements in one transaction, without the chain's.
void AddUnchained(plant::Database& db, const plant::Record& r) {
    const auto& in = r.instrument;
    const std::string identity = plant::IdentityName(in, r.port, r.slot);
    db.BeginWrite();
    const auto idRows = db.Run(
        "INSERT INTO instruments (model, name, tag, instrument_no, plant, area)"
        " VALUES (?, COALESCE((SELECT n.name FROM instrument_names n WHERE n.model = ? AND"
        " n.identity = ? AND ? = ''), ?), ?, ?, ?, ?) ON CONFLICT (model, name) DO UPDATE SET"
        " tag = excluded.tag, instrument_no = excluded.instrument_no,"
        " plant = CASE WHEN excluded.plant <> '' THEN excluded.plant ELSE instruments.plant"
        " END, area = CASE WHEN excluded.plant <> '' OR excluded.area <> '' THEN excluded.area"
        " ELSE instruments.area END RETURNING id",
        {in.model, in.model, identity, in.tag, identity, in.tag, in.instrumentNo, in.plant,
         in.area});
    const std::string hash = plant::Sha256Hex(r.bytes);
    db.Run("INSERT INTO sets (hash, file_kind, bytes) VALUES (?, ?, ?) ON CONFLICT (hash) DO "
           "NOTHING",
           {hash, std::string("7pa"), r.bytes});
    db.Run(
        "INSERT INTO records (instrument_id, kind, time, user_name, host, port, slot,"
        " file_name, file_kind, set_hash, ok, result, items_written, items_differ, plant,"
        " area, origin) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"
        " ON CONFLICT (origin) WHERE origin IS NOT NULL DO NOTHING RETURNING id",
        {plant::IntAt(idRows.at(0), 0), plant::KindName(r.kind), r.time, r.user, r.host, r.port,
         std::int64_t{r.slot}, r.fileName, std::string("7pa"), hash, std::int64_t{1}, r.result,
         std::int64_t{r.itemsWritten}, std::int64_t{r.itemsDiffer}, in.plant, in.area,
         plant::Value{}});
    db.Commit();
}

void Run(const std::string& engine, const std::string& name, const std::string& spare,
         const std::string& unchainedName, Sample& sample, int instruments, int records) {
    {
        // The same records into two registers of their own, one chained and
        // one written as before the chain, in turn, so that neither has the
        // warmer cache.
        const int count = std::min(instruments, 100) * records;
        auto chainedDb = platform::OpenRegisterDatabase(spare);
        plant::PlantRegister chained(*chainedDb);
        auto unchainedDb = platform::OpenRegisterDatabase(unchainedName);
        plant::PlantRegister made(*unchainedDb);
        double withChain = 0, without = 0;
        for (int i = 0; i * records < count; ++i) {
            std::vector<plant::Blob> sets;
            for (int v = 0; v < 5; ++v) sets.push_back(SetOf(sample, i, v));
            for (int n = 0; n < records; ++n) {
                auto start = Clock::now();
                chained.Add(RecordOf(sets, i, n, records));
                withChain += MsSince(start);
                start = Clock::now();
                AddUnchained(*unchainedDb, RecordOf(sets, i, n, records));
                without += MsSince(start);
            }
        }
        std::printf("%-10s append: %.3f ms a record chained, %.3f ms as before the chain "
                    "(%.2f x; %d records, each committed)\n",
                    engine.c_str(), withChain / count, without / count, withChain / without,
                    count);
    }
    auto db = platform::OpenRegisterDatabase(name);
    plant::PlantRegister reg(*db);
    // The first instruments are timed as the program writes (every record
    // its own transaction, synced to the disk); SQLite then fills the rest
    // without waiting for the disk, which only shortens the run.
    const int timed = std::min(instruments, 100);
    auto start = Clock::now();
    std::vector<std::int64_t> ids;
    for (int i = 0; i < instruments; ++i) {
        if (i == timed) {
            const double ms = MsSince(start);
            std::printf("%-10s insert: %.3f ms a record (%d records, each committed)\n",
                        engine.c_str(), ms / (timed * records), timed * records);
            db->Run(engine == "sqlite" ? "PRAGMA synchronous = OFF"
                                       : "SET synchronous_commit = off");
            start = Clock::now();
        }
        std::vector<plant::Blob> sets;
        for (int v = 0; v < 5; ++v) sets.push_back(SetOf(sample, i, v));
        for (int n = 0; n < records; ++n) {
            plant::Record r = RecordOf(sets, i, n, records);
            const auto id = reg.Add(std::move(r));
            if (i == instruments / 2) ids.push_back(id);
        }
    }
    db->Run(engine == "sqlite" ? "PRAGMA synchronous = FULL" : "SET synchronous_commit = on");
    std::printf("%-10s filled to %d instruments x %d records in %.1f s\n", engine.c_str(),
                instruments, records, MsSince(start) / 1000.0);

    char probe[16];
    std::snprintf(probe, sizeof probe, "FT-%05d", instruments / 2);
    const int rounds = 50;
    start = Clock::now();
    std::size_t found = 0;
    for (int k = 0; k < rounds; ++k) found += reg.History(probe).size();
    std::printf("%-10s history of one instrument (%zu records): %.2f ms\n", engine.c_str(),
                found / rounds, MsSince(start) / rounds);

    start = Clock::now();
    std::size_t differences = 0;
    for (int k = 0; k < rounds; ++k) {
        const auto a = reg.Get(ids.front());
        const auto b = reg.Get(ids.back());
        differences += plant::DiffSets(a->bytes, b->bytes, files::DataFileKind::kParameter).size();
    }
    std::printf("%-10s diff of two records (%zu items differ): %.2f ms\n", engine.c_str(),
                differences / rounds, MsSince(start) / rounds);

    start = Clock::now();
    const int auditRounds = 5;
    std::size_t audited = 0;
    for (int k = 0; k < auditRounds; ++k) {
        audited += reg.Audit("2026-06-01T00:00:00Z", "2026-07-01T00:00:00Z").size();
    }
    std::printf("%-10s audit of a month (%zu writing records): %.1f ms\n", engine.c_str(),
                audited / auditRounds, MsSince(start) / auditRounds);

    // The processor time beside the wall time: on a machine busy with other
    // work the wall time says little.
    start = Clock::now();
    const std::clock_t cpu = std::clock();
    const auto report = reg.Verify();
    std::printf("%-10s verify of the whole chain (%lld records, %s): %.2f s (%.2f s of "
                "processor time, both threads)\n",
                engine.c_str(), static_cast<long long>(report.records),
                report.Intact() ? "intact" : "NOT intact", MsSince(start) / 1000.0,
                static_cast<double>(std::clock() - cpu) / CLOCKS_PER_SEC);
}

}  // namespace

int main(int argc, char** argv) {
    const int instruments = argc > 1 ? std::atoi(argv[1]) : 10000;
    const int records = argc > 2 ? std::atoi(argv[2]) : 20;
    if (instruments < 1 || records < 3) {
        std::fprintf(stderr, "usage: bench_register [INSTRUMENTS [RECORDS (3 or more)]]\n");
        return 2;
    }
    Sample sample;
    files::Bytes bytes;
    if (files::ReadWholeFile(RQ50_TEST_DATA_DIR "/files/PLANT1.7pa", bytes) != files::FileError::Ok ||
        files::DecodeParameterRecord(bytes, sample.record) != files::FileError::Ok) {
        std::fprintf(stderr, "bench_register: cannot read the sample set\n");
        return 1;
    }
    try {
        const auto dir = std::filesystem::temp_directory_path() / "rq50-bench-register";
        std::filesystem::remove_all(dir);
        std::filesystem::create_directories(dir);
        Run("sqlite", "sqlite:" + (dir / "register.sqlite").string(),
            "sqlite:" + (dir / "chained.sqlite").string(),
            "sqlite:" + (dir / "unchained.sqlite").string(), sample, instruments, records);
        std::filesystem::remove_all(dir);
        const char* admin = std::getenv("RQ50_TEST_POSTGRES");
        if (admin == nullptr || *admin == '\0') {
            std::printf("postgresql: skipped (RQ50_TEST_POSTGRES is not set)\n");
            return 0;
        }
        const std::string uri = admin;
        const char* const databases[] = {"rq50_bench", "rq50_bench_chained", "rq50_bench_unchained"};
        for (const char* db : databases) {
            platform::OpenRegisterDatabase(uri)->Run(std::string("DROP DATABASE IF EXISTS ") + db);
            platform::OpenRegisterDatabase(uri)->Run(std::string("CREATE DATABASE ") + db);
        }
        const std::string query = uri.substr(uri.find('?'));
        Run("postgresql", "postgresql://postgres@/rq50_bench" + query,
            "postgresql://postgres@/rq50_bench_chained" + query,
            "postgresql://postgres@/rq50_bench_unchained" + query, sample, instruments, records);
        for (const char* db : databases)
            platform::OpenRegisterDatabase(uri)->Run(std::string("DROP DATABASE ") + db + " WITH (FORCE)");
    } catch (const std::exception& e) {
        std::fprintf(stderr, "bench_register: %s\n", e.what());
        return 1;
    }
    return 0;
}
