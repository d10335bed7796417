// A download started from a screen keeps the instrument's set first, shows
// what will change, and writes nothing the user did not confirm.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>

#include "comm/EngineCore.h"
#include "files/ParameterFile.h"
#include "files/RecordFile.h"
#include "parameter/ItemEdit.h"
#include "register/Recorder.h"
#include "session/CompareWithInstrument.h"
#include "session/OfflineEditor.h"
#include "session/RackRun.h"
#include "session/SafeDownload.h"
#include "session/TransferRecords.h"
#include "shell/AppPaths.h"
#include "shell/SettingsStore.h"
#include "unit/FileTestSupport.h"
#include "unit/JobTestSupport.h"
#include "unit/ShellFakes.h"
#include "unit/ShellTempDir.h"

namespace rq50::shell {

using namespace rq50::session;
using namespace rq50::files;
namespace {

constexpr int kWrite = 0x40;

struct ScriptedQuestions : DownloadQuestions {
    bool ConfirmDownload(const DownloadPreview& p) override {
        previews->push_back(p);
        return answer;
    }
    bool DownloadWithoutBackup(const std::string& why) override {
        whys->push_back(why);
        return answer;
    }
    bool RestoreBackup(const std::string& backup, int) override {
        whys->push_back("restore " + backup);
        return answer;
    }
    std::optional<std::string> AskReason() override {
        whys->push_back("reason?");
        return reason;
    }
    bool answer = true;
    std::optional<std::string> reason;
    std::shared_ptr<std::vector<DownloadPreview>> previews;
    std::shared_ptr<std::vector<std::string>> whys;
};

class SafeDownload : public rq50::testing::JobBench {
  protected:
    void SetUp() override {
        JobBench::SetUp();
        ws.hosts.navigation = &navigation;
        ws.hosts.settings = &settings;
        ws.hosts.utility = &utility;
        ws.state.downloadAllowed = true;
        // The file's set: what the instrument held at the upload.
        Connect(rq50::testing::SmallInstrument());
        ASSERT_TRUE(Run(comm::kJobUpload));
        file = ws.items.dataSet;
    }

    /// The instrument as it is now: SCALE LO at +050.00.
    void InstrumentChangedSince() {
        auto described = rq50::testing::SmallInstrument();
        described["set"][0]["items"][1]["data"] = "+050.00";
        Connect(described);
    }

    /// Starts a download whose questions all get `answer`; with `run`, runs
    /// until the line is idle (the backup's end starts the download).
    bool Download(bool answer, bool run = true) {
        auto q = std::make_unique<ScriptedQuestions>();
        q->answer = answer;
        q->reason = reason;
        q->previews = previews;
        q->whys = whys;
        const bool started = StartSafeDownload(ws,
                                               {{comm::kJobDownload, "Download"},
                                                session::kCallerDataViewDownload,
                                                files::DataFileKind::kParameter,
                                                Screen::DataView,
                                                "a.7pa",
                                                std::nullopt,
                                                true,
                                                {}},
                                               std::move(q));
        while (run && started && engine.Busy()) engine.RunCommJob();
        return started;
    }

    /// The register never answers: every record waits in its queue, where
    /// the test reads it back.
    void RecordIntoQueue(std::filesystem::path root = {}) {
        if (root.empty()) root = folder.Path() / "queue";
        recorder = std::make_unique<plant::Recorder>(
            "sqlite:away",
            [](const std::string&) -> std::unique_ptr<plant::Database> {
                throw plant::RegisterError("away");
            },
            root, "tester", "bench");
        ws.hosts.recorder = recorder.get();
        RecordTransfersOf(ws);
    }
    std::vector<plant::Record> Recorded() const {
        std::vector<std::filesystem::path> paths;
        for (const auto& e : std::filesystem::directory_iterator(recorder->QueuePath()))
            if (e.path().extension() == ".rq50rec") paths.push_back(e.path());
        std::sort(paths.begin(), paths.end());  // one second, one process: by number
        std::vector<plant::Record> out;
        for (const auto& path : paths) {
            files::Bytes bytes;
            EXPECT_EQ(files::ReadWholeFile(path.string(), bytes), files::FileError::Ok);
            out.push_back(
                plant::RecordOfQueueFile(plant::Blob(bytes.begin(), bytes.end())).value());
        }
        return out;
    }
    /// The file's item `name` set to `value`.
    void FileValue(const std::string& name, const std::string& value) {
        for (auto& block : ws.items.dataSet) {
            if (Trim(parameter::DecodeItem(block, false).name) == name)
                block = parameter::SetItemValue(block, value).block;
        }
        file = ws.items.dataSet;
    }

    testing::TempAppFolder folder;
    std::unique_ptr<plant::Recorder> recorder;
    std::optional<std::string> reason;  ///< what AskReason answers
    testing::RecordingNavigation navigation;
    MemorySettingsStore settings;
    files::test::FakeUtility utility;
    parameter::ItemArray file;
    std::shared_ptr<std::vector<DownloadPreview>> previews =
        std::make_shared<std::vector<DownloadPreview>>();
    std::shared_ptr<std::vector<std::string>> whys = std::make_shared<std::vector<std::string>>();
};

TEST_F(SafeDownload, KeepsTheInstrumentsSetListsTheChangesThenWritesTheFile) {
    InstrumentChangedSince();
    ASSERT_TRUE(Download(true));
    ASSERT_EQ(previews->size(), 1u) << (whys->empty() ? "" : whys->front());
    const DownloadPreview& p = previews->front();
    EXPECT_EQ(PreviewHeading(p), "Download a.7pa (model RQB2, 4 items) to the instrument.");
    ASSERT_EQ(p.changes.size(), 1u);
    EXPECT_EQ(p.changes[0].address, "B02");
    EXPECT_EQ(p.changes[0].name, "SCALE LO");
    EXPECT_EQ(PreviewCountLine(p), "1 item will change:");

    // The backup holds the instrument's set as it was; the workspace the file's.
    files::ParameterFileRecord backup;
    ASSERT_EQ(files::LoadParameterFile(p.backup, backup), files::FileError::Ok) << p.backup;
    EXPECT_EQ(std::filesystem::path(p.backup).parent_path().filename(), "BACKUP");
    EXPECT_EQ(files::CompareDataSets(backup.items, file, files::CompareScope::kAll, 0, 0).size(),
              1u);
    EXPECT_TRUE(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).empty());
    // The download ran once, unasked, and the instrument now holds the file.
    EXPECT_EQ(rq50::comm::CoreOf(engine).CommJob, comm::kJobDownload);
    EXPECT_EQ(engine.LastOutcome().code, comm::kErrNone);
    EXPECT_EQ(CountCommand(kWrite), 4);
    ASSERT_TRUE(Run(comm::kJobUpload));
    EXPECT_TRUE(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).empty());
}

TEST_F(SafeDownload, ThePreviewNamesWhatIsDownloadedNotAnOlderFile) {
    EXPECT_EQ(DownloadSourceName(ws, files::DataFileKind::kParameter),
              "data uploaded from the instrument, not saved");
    const std::string path = (folder.Path() / "a.7pa").string();
    ASSERT_TRUE(files::WriteParameterFile(ws, path));
    ws.state.currentFilePath = path;
    EXPECT_EQ(DownloadSourceName(ws, files::DataFileKind::kParameter), path);
    ws.items.dataSet[1][20] ^= 1;  // an edit after the save
    EXPECT_EQ(DownloadSourceName(ws, files::DataFileKind::kParameter),
              path + " (changed, not saved)");
}

TEST_F(SafeDownload, NothingIsWrittenWithoutTheUsersYes) {
    ASSERT_TRUE(Download(false));
    ASSERT_EQ(previews->size(), 1u);
    EXPECT_EQ(PreviewCountLine(previews->front()),
              "No item will change: the instrument holds the file's values.");
    EXPECT_EQ(CountCommand(kWrite), 0);
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ2400");
    EXPECT_FALSE(line->IsOpen());  // the backup's line is not left open

    // No backup: the user is asked why, and Cancel leaves the instrument alone.
    std::filesystem::remove_all(folder.Path() / "User" / "BACKUP");
    std::ofstream(folder.Path() / "User" / "BACKUP") << "in the way";
    ASSERT_TRUE(Download(false));
    ASSERT_EQ(whys->size(), 1u);
    EXPECT_FALSE(whys->front().empty());
    EXPECT_EQ(previews->size(), 1u);
    EXPECT_EQ(CountCommand(kWrite), 0);
    // Going on without one downloads.
    ASSERT_TRUE(Download(true));
    EXPECT_EQ(CountCommand(kWrite), 4);
}

TEST_F(SafeDownload, WithTheSettingOffTheDownloadStartsAsBefore) {
    RecordIntoQueue();
    EXPECT_TRUE(BackupBeforeDownloadOn(ws));
    EXPECT_FALSE(ToggleBackupBeforeDownload(ws));
    EXPECT_EQ(settings.Get("BACKUPFIRST"), "0");
    ASSERT_TRUE(Download(true));
    EXPECT_TRUE(previews->empty());
    EXPECT_EQ(CountCommand(kWrite), 4);
    // Without a backup the record cannot say what the instrument held.
    const auto records = Recorded();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_NE(records[0].result.find("before: unknown"), std::string::npos) << records[0].result;
    ASSERT_EQ(records[0].changes.size(), 4u);
    EXPECT_EQ(records[0].changes[1].before, plant::kBeforeUnknown);
    EXPECT_EQ(records[0].changes[1].after, "0.00");
}

// With "Backup before download" off no preview asks the reason the register
// requires: it is asked on its own, and a cancel or a blank reason writes
// nothing.
TEST_F(SafeDownload, WithoutAPreviewTheRequiredReasonIsAskedOnItsOwn) {
    RecordIntoQueue();
    ToggleBackupBeforeDownload(ws);
    // The register, away now, said last that it asks a reason.
    std::filesystem::path kept = recorder->HeadFile();
    kept += ".reason";
    std::filesystem::create_directories(kept.parent_path());
    std::ofstream(kept) << "1\n";
    ASSERT_TRUE(ReasonRequired(ws));
    for (const char* given : {"", "   "}) {
        reason = *given ? std::optional<std::string>(given) : std::nullopt;
        EXPECT_FALSE(Download(true));
    }
    EXPECT_EQ(*whys, (std::vector<std::string>{"reason?", "reason?"}));
    EXPECT_EQ(CountCommand(kWrite), 0);
    EXPECT_EQ(recorder->Queued(), 0);
    reason = " work order 7 ";
    ASSERT_TRUE(Download(true));
    EXPECT_EQ(CountCommand(kWrite), 4);
    const auto records = Recorded();
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].reason, "work order 7");
    EXPECT_TRUE(previews->empty());
}

// The record of a download states what the instrument answered: before from
// the backup just taken (not the file's upload), after its read-back, and
// the file's value where the instrument clamped it.
TEST_F(SafeDownload, TheRecordStatesWhatTheInstrumentTook) {
    RecordIntoQueue();
    FileValue("SCALE LO", "500.00");
    InstrumentChangedSince();
    ASSERT_TRUE(Download(true));
    const auto records = Recorded();
    ASSERT_EQ(records.size(), 2u);  // backup, download
    const auto& down = records[1];
    EXPECT_EQ(down.kind, plant::RecordKind::kDownload);
    ASSERT_EQ(down.changes.size(), 1u);
    EXPECT_EQ(down.changes[0].address, "B02");
    EXPECT_EQ(down.changes[0].before, "50.00");
    EXPECT_EQ(down.changes[0].after, "100.00");
    EXPECT_EQ(down.changes[0].file, "500.00");
    EXPECT_EQ(down.itemsDiffer, 1);
}

// Behind a rack the download follows its backup on the same line opening, so
// the slot is asked once and the rack never forgets it in between.
TEST_F(SafeDownload, BehindARackTheDownloadUsesTheBackupsLineAndSlot) {
    Connect(rq50::testing::InRack(rq50::testing::SmallInstrument()));
    host.slot = 3;
    ASSERT_TRUE(Download(true));
    EXPECT_EQ(host.slotAsked, 1);
    ASSERT_EQ(previews->size(), 1u);
    EXPECT_EQ(previews->front().slot, 3);
    EXPECT_EQ(engine.LastOutcome().code, comm::kErrNone);
    EXPECT_EQ(CountCommand(kWrite), 1 + 4);  // the slot once, then the four items
    EXPECT_FALSE(line->IsOpen());
}

// A download stopped part way offers the backup back, which puts the
// instrument as it was; the view keeps the file's data.
TEST_F(SafeDownload, AStoppedDownloadOffersTheBackupBack) {
    RecordIntoQueue();
    FileValue("SCALE LO", "+020.00");
    InstrumentChangedSince();
    ASSERT_TRUE(Download(true, false));
    while (!(rq50::comm::CoreOf(engine).CommJob == comm::kJobDownload &&
             CountCommand(kWrite) == 3 && engine.AwaitingAnswer())) {
        engine.Timer1();
        clock.Advance(engine.TickIntervalMs());
    }
    engine.Terminate();
    while (engine.Busy()) engine.RunCommJob();
    ASSERT_EQ(previews->size(), 1u);
    EXPECT_EQ(*whys, std::vector<std::string>{"restore " + previews->front().backup});
    EXPECT_EQ(CountCommand(kWrite), 3 + 4);
    // The stopped download lists what the instrument confirmed, then what it
    // did not get; the restore lists what it put back.
    const auto records = Recorded();
    ASSERT_EQ(records.size(), 3u);  // backup, download, restore
    EXPECT_FALSE(records[1].ok);
    EXPECT_NE(records[1].result.find("after 3 items written; not written: 1 item"),
              std::string::npos)
        << records[1].result;
    ASSERT_EQ(records[1].changes.size(), 1u);
    EXPECT_EQ(records[1].changes[0].before + " -> " + records[1].changes[0].after,
              "50.00 -> 20.00");
    EXPECT_EQ(records[2].kind, plant::RecordKind::kRestore);
    ASSERT_EQ(records[2].changes.size(), 1u);
    EXPECT_EQ(records[2].changes[0].before + " -> " + records[2].changes[0].after,
              "20.00 -> 50.00");
    EXPECT_TRUE(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).empty());
    ASSERT_TRUE(Run(comm::kJobUpload));
    EXPECT_EQ(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).size(),
        1u);  // SCALE LO as the instrument held it
}

// Compare with TAVRO lists in the check list what verify lists, and writes
// nothing; with nothing different it says so.
TEST_F(SafeDownload, CompareShowsTheDifferencesInTheCheckListAndWritesNothing) {
    ASSERT_TRUE(StartCompareWithInstrument(ws, Screen::DataView));
    engine.RunCommJob();
    EXPECT_EQ(messages.boxes.back().text,
              "The instrument holds the file's values: no item differs.");
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ2400");
    InstrumentChangedSince();
    ASSERT_TRUE(StartCompareWithInstrument(ws, Screen::DataView));
    engine.RunCommJob();
    const auto& list = ws.checkList;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].sentName, "SCALE LO");
    EXPECT_NE(list[0].sentData, list[0].setData);
    EXPECT_TRUE(ws.state.checkListCompares);
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ2700");
    EXPECT_TRUE(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).empty());
    EXPECT_EQ(CountCommand(kWrite), 0);
    // Data of another model shares addresses, not meanings: nothing is listed.
    ws.header.model = "RQG2";
    ws.checkList.clear();
    ASSERT_TRUE(StartCompareWithInstrument(ws, Screen::DataView));
    engine.RunCommJob();
    EXPECT_EQ(messages.boxes.back().text,
              "Nothing was compared: the data is for another model.\n"
              "the file is for model RQG2, the instrument is model RQB2");
    EXPECT_TRUE(ws.checkList.empty());
    EXPECT_EQ(ws.header.model, "RQG2");
}

// A program compares the same way, through the program upload; the check
// list's Close goes back to the screen that started it, in any setting mode.
TEST_F(SafeDownload, CompareOfAProgramListsTheStepsThatDifferAndPutsTheProgramBack) {
    UseTables({{}, {{"RQK2", rq50::testing::kRqk2Row}}, {}});
    Connect(rq50::testing::ProgramUnit());
    ASSERT_TRUE(Run(comm::kJobProgramUpload));
    const program::ProgramState held = ws.program;
    auto changed = rq50::testing::ProgramUnit();
    changed["set"][2]["program"]["operators"][1] = "STY2";
    Connect(changed);
    ASSERT_TRUE(
        StartCompareWithInstrument(ws, Screen::ProgramEditor, files::DataFileKind::kProgram));
    engine.RunCommJob();
    const auto& list = ws.checkList;
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].mb, 2);
    EXPECT_EQ(list[0].sentData, "STY1");
    EXPECT_EQ(list[0].setData, "STY2");
    EXPECT_EQ(ws.program.records, held.records);
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ2700");
    navigation.calls.clear();
    CloseCheckList(ws);
    EXPECT_EQ(navigation.calls,
              (std::vector<std::string>{"unload frmRQ2700", "show frmRQ3000", "enable frmRQ3000"}));
    // A unit without program areas gives nothing to compare with: no claim
    // that nothing differs, the program stays.
    Connect(rq50::testing::SmallInstrument("RQK2"));
    UseTables({{}, {{"RQK2", {true, "3", "P01", "2", "Q01"}}}, {}});
    ASSERT_TRUE(
        StartCompareWithInstrument(ws, Screen::ProgramEditor, files::DataFileKind::kProgram));
    engine.RunCommJob();
    EXPECT_NE(messages.boxes.back().text,
              "The instrument holds the file's values: no item differs.");
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ3000");
    EXPECT_EQ(ws.program.records, held.records);
    EXPECT_EQ(CountCommand(kWrite), 0);
}

// Edit changes items by the rule rq50-cli set uses; changes are marked, can
// be undone, and reach the data set only when applied.
TEST_F(SafeDownload, EditMarksChangesUndoesThemAndAppliesOnRequest) {
    OfflineEditor editor(ws.items.dataSet, ws.header);
    auto rowNamed = [&editor](int category, const std::string& name) {
        for (const auto& row : editor.Rows(category))
            if (row.name == name) return row;
        ADD_FAILURE() << name;
        return OfflineRow{};
    };
    EXPECT_FALSE(rowNamed(0, "PV").editable);  // a measured value
    EXPECT_TRUE(rowNamed(1, "TAG").editable);
    const auto scaleLo = rowNamed(1, "SCALE LO").index;
    EXPECT_EQ(editor.EntryText(scaleLo), "+000.00");
    EXPECT_FALSE(editor.Set(scaleLo, "abc").empty());
    EXPECT_FALSE(editor.CanUndo());
    EXPECT_EQ(editor.Set(scaleLo, "-12.5"), "");
    EXPECT_TRUE(rowNamed(1, "SCALE LO").changed);
    EXPECT_FALSE(rowNamed(1, "TAG").changed);
    EXPECT_EQ(editor.EntryText(scaleLo), "-012.50");
    EXPECT_TRUE(editor.Undo());
    EXPECT_FALSE(editor.Changed());
    EXPECT_FALSE(ApplyOfflineEdit(ws, editor));
    ws.state.dataChanged = false;
    ASSERT_EQ(editor.Set(scaleLo, "-12.5"), "");
    EXPECT_TRUE(files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0)
                    .empty());  // nothing applied yet
    EXPECT_TRUE(ApplyOfflineEdit(ws, editor));
    EXPECT_TRUE(ws.state.dataChanged);
    EXPECT_EQ(
        files::CompareDataSets(ws.items.dataSet, file, files::CompareScope::kAll, 0, 0).size(), 1u);
}

// A rack run stopped after slot 2 keeps what it found, leaves the rest
// not scanned, and gives back the view's data and the session's hosts.
TEST_F(SafeDownload, ARackRunStoppedHalfWayKeepsWhatItFound) {
    const std::string folder = std::string(RQ50_SOURCE_DIR) + "/sim/instruments/";
    Connect({{"rack", {{"slots", {{"1", folder + "RQB2.json"}, {"3", folder + "RQG2.json"}}}}}});
    const auto view = ws.items.dataSet;
    std::shared_ptr<RackRun> run;
    std::vector<SlotOutcome> found;
    RackOptions options;
    options.onSlot = [&run](const SlotOutcome& s) {
        if (s.slot == 2) run->Stop();
    };
    options.onEnd = [&found](const std::vector<SlotOutcome>& outcome, bool) { found = outcome; };
    run = RackRun::Start(ws, options);
    while (run->Running() && engine.Busy()) engine.RunCommJob();
    EXPECT_FALSE(run->Running());
    ASSERT_EQ(found.size(), 16u);
    EXPECT_EQ(found[0].state, SlotState::kInstrument);
    EXPECT_EQ(found[0].model + " " + found[0].tag, "RQB2 FIC-101");
    EXPECT_EQ(found[1].state, SlotState::kEmpty);
    EXPECT_EQ(found[2].state, SlotState::kNotScanned);
    EXPECT_EQ(RackSummary(found), "done 1, differs 0, failed 0, empty 1, not reached 14");
    EXPECT_EQ(ws.items.dataSet, view);
    EXPECT_EQ(&engine.Host(), &host);
    EXPECT_EQ(ws.hosts.messages, &messages);
    EXPECT_EQ(host.slotAsked, 0);  // the run answered the slot question itself
}

// A program's record names where the program came from, never a parameter
// file opened before it.
TEST_F(SafeDownload, AProgramIsRecordedWithItsOwnSource) {
    Connect(rq50::testing::ProgramUnit());
    ASSERT_TRUE(Run(comm::kJobProgramUpload));
    files::SetInformationFileName(ws.information, "PUMP1.7pa");
    EXPECT_EQ(
        RecordOfWorkspace(ws, plant::RecordKind::kProgramDownload, files::DataFileKind::kProgram)
            .fileName,
        "program uploaded from the instrument");
    ws.program.records[0][20] ^= 1;
    EXPECT_EQ(ProgramSourceName(ws), "program uploaded from the instrument, edited");
}

#ifndef _WIN32
// In the per-user data folder backups and queued records are their
// owner's only.
TEST_F(SafeDownload, BackupsAndQueuedRecordsInThePerUserFolderAreTheOwnersOnly) {
    namespace fs = std::filesystem;
    ::setenv("XDG_DATA_HOME", (folder.Path() / "home").c_str(), 1);
    SetAppFolders({folder.Path(), PerUserDataFolder()});
    RecordIntoQueue(plant::QueueFolder());
    ASSERT_TRUE(Download(true));
    ::unsetenv("XDG_DATA_HOME");
    ASSERT_EQ(previews->size(), 1u);
    const auto mode = [](const fs::path& path) {
        return fs::status(path).permissions() & fs::perms::all;
    };
    const auto file = fs::perms::owner_read | fs::perms::owner_write;
    const fs::path backup = previews->front().backup;
    EXPECT_EQ(mode(backup), file);
    EXPECT_EQ(mode(backup.parent_path()), fs::perms::owner_all);
    EXPECT_EQ(mode(recorder->QueuePath()), fs::perms::owner_all);
    for (const auto& e : fs::directory_iterator(recorder->QueuePath()))
        EXPECT_EQ(mode(e.path()), file) << e.path();
}
#endif

}  // namespace
}  // namespace rq50::shell
