#include "comm/EngineCore.h"
#include "comm/jobs/Jobs.h"
#include "shell/TextTrim.h"
#include "unit/JobTestSupport.h"
#include "unit/ShellFakes.h"

namespace rq50::testing {
namespace {

using nlohmann::json;
using namespace rq50::comm;

constexpr int kWrite = 0x40;

// Rows whose areas the small instrument does not have: it answers status 2.
const jobs::CategoryAreas kNoConstRow{true, "3", "D01", "2", "Q01"};
const jobs::CategoryAreas kNoAreasRow{true, "3", "P01", "2", "Q01"};
const jobs::CategoryAreas kNoProgramRow{true, "3", "P01", "2", "E01"};

class JobProgramUpload : public JobBench {};

TEST_F(JobProgramUpload, TableDrivenReadsExactlyTheListedItems) {
    Connect(ProgramUnit());
    UseTables({{}, {{"RQK2", kRqk2Row}}, {}});
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_TRUE(Texts().empty());
    const auto sent = Sent();
    for (const auto& r : sent) EXPECT_FALSE(r.command == 0x80 && r.ma >= 24);  // no menu walk
    EXPECT_EQ(sent.size(), 1u + 5u);
    const auto& state = engine.Data().program;
    EXPECT_EQ(state.header.stepCount, 3);
    EXPECT_EQ(state.header.constCount, 2);
    EXPECT_EQ(state.header.programAreaLetter, 4);
    EXPECT_EQ(state.header.constStartNumber, 1);
    EXPECT_EQ(state.header.modelCode, "RQK2");
    ASSERT_EQ(state.records.size(), 5u);
    EXPECT_EQ(parameter::DecodeItem(state.records[2], false).data, "END     ");
    EXPECT_EQ(parameter::DecodeItem(state.records[3], false).name, "CONST   ");
    EXPECT_EQ(engine.LastOutcome().facts.programItemCount, 5);
}

TEST_F(JobProgramUpload, MenuWalkFindsTheAreasOfAnUnlistedModel) {
    Connect(ProgramUnit("RQK9"));
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().program.header.stepCount, 3);
    EXPECT_EQ(engine.Data().program.header.constCount, 2);
    EXPECT_EQ(engine.Data().program.header.programAreaLetter, 4);
    EXPECT_EQ(engine.Data().program.records.size(), 5u);
}

TEST_F(JobProgramUpload, RefusedConstUploadsTheProgram) {
    Connect(ProgramUnit("RQK2", true, false));
    UseTables({{}, {{"RQK2", kNoConstRow}}, {}});
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Uploading of PROGRAM completed. Cannot upload CONST."}));
    EXPECT_EQ(engine.Data().program.records.size(), 3u);
}

TEST_F(JobProgramUpload, AUnitWithoutAreasUploadsNothing) {
    Connect(SmallInstrument("RQK2"));
    UseTables({{}, {{"RQK2", kNoAreasRow}}, {}});
    engine.Data().program.records.resize(7);
    ASSERT_TRUE(Run(kJobProgramUpload));
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Cannot upload PROGRAM and CONST. Check if a "
                                                 "Free Program Computing Unit is connected."}));
    EXPECT_EQ(engine.Data().program.records.size(), 7u);  // the program in memory is kept
    EXPECT_EQ(engine.LastOutcome().facts.programItemCount, 0);
}

// The slot of a rack stays with the line it was chosen on: a unit connected
// directly afterwards is not recorded as sitting in that slot.
TEST_F(JobProgramUpload, ADirectUnitAfterARackUploadRecordsNoSlot) {
    Connect(InRack(ProgramUnit(), "4"));
    UseTables({{}, {{"RQK2", kRqk2Row}}, {}});
    host.slot = 4;
    ASSERT_TRUE(Run(kJobProgramUpload));
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().program.header.slotNumber, 4);
    Connect(ProgramUnit());
    ASSERT_TRUE(Run(kJobProgramUpload));
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().program.header.slotNumber, 0);
    EXPECT_EQ(host.slotAsked, 1);
}

class JobProgramDownload : public JobBench {
  protected:
    void UploadFrom(const json& described) {
        Connect(described);
        UseTables({{}, {{"RQK2", kRqk2Row}}, {}});
        ASSERT_TRUE(Run(kJobProgramUpload));
        messages.boxes.clear();
    }
    int Writes(std::size_t from) const {
        int n = 0;
        const auto sent = Sent();
        for (std::size_t i = from; i < sent.size(); ++i) n += sent[i].command == kWrite;
        return n;
    }
};

TEST_F(JobProgramDownload, WritesBothAreasBack) {
    UploadFrom(ProgramUnit());
    const std::size_t before = line->SentFrames().size();
    ASSERT_TRUE(Run(kJobProgramDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Writes(before), 5);
    EXPECT_EQ(engine.LastOutcome().refusedArea, jobs::kRefusedNone);
    EXPECT_TRUE(engine.LastOutcome().differences.empty());
}

TEST_F(JobProgramDownload, BothAreasRefusedWritesNothing) {
    UploadFrom(ProgramUnit());
    Connect(SmallInstrument("RQK2"));
    UseTables({{}, {{"RQK2", kNoAreasRow}}, {}});
    ASSERT_TRUE(Run(kJobProgramDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrBothRefused);
    EXPECT_EQ(Writes(0), 0);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Cannot download PROGRAM and CONST."}));
}

// A refused area is no error: the job ends with 0 and the hand-back to the
// editor (event 383) names what was written, once.
TEST_F(JobProgramDownload, RefusedAreaEndsWithZeroAndOneMessageNamingTheWrittenArea) {
    UploadFrom(ProgramUnit());
    shell::testing::RecordingNavigation navigation;
    ws.hosts.navigation = &navigation;

    Connect(ProgramUnit("RQK2", true, false));
    UseTables({{}, {{"RQK2", kNoConstRow}}, {}});
    ASSERT_TRUE(Run(kJobProgramDownload, "TEST", session::kCallerProgramEditor));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.LastOutcome().refusedArea, jobs::kRefusedConst);
    EXPECT_EQ(Writes(0), 3);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Downloading of PROGRAM completed."}));
    EXPECT_EQ(navigation.calls.back(), "enable frmRQ3000");

    // The PROGRAM area refused: only the constants are written.
    messages.boxes.clear();
    json noProgram = ProgramUnit("RQK2", false, false);
    noProgram["set"].push_back(
        {{"name", "SPARE"}, {"items", {{{"name", "S"}, {"kind", "text"}, {"data", "x"}}}}});
    noProgram["set"].push_back({{"const", {{"count", 2}}}});  // E01, where the program had them
    Connect(noProgram);
    UseTables({{}, {{"RQK2", kNoProgramRow}}, {}});
    ASSERT_TRUE(Run(kJobProgramDownload, "TEST", session::kCallerProgramEditor));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.LastOutcome().refusedArea, jobs::kRefusedProgram);
    EXPECT_EQ(Writes(0), 2);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Downloading of CONST completed."}));
}

TEST_F(JobProgramDownload, AStepTheUnitRefusesStopsTheDownloadAndNamesWhatWasNotWritten) {
    UploadFrom(ProgramUnit());
    json refusing = SmallInstrument("RQK2");
    json steps = json::array();
    for (const char* op : {"LDX1", "STY1", "END"}) {
        steps.push_back({{"name", "PROGRAM"}, {"kind", "text"}, {"data", op}});
    }
    steps[1]["readOnly"] = true;  // the write of D02 answers status 1
    refusing["set"].push_back({{"name", "PROGRAM"}, {"items", steps}});
    refusing["set"].push_back({{"const", {{"count", 2}}}});
    Connect(refusing);
    ASSERT_TRUE(Run(kJobProgramDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrCommand);
    EXPECT_EQ(Writes(0), 2);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Command error. Communication will be terminated.\r\n\r\n"
                                        "Items written: 1\r\n"
                                        "Last item written: D01 PROGRAM\r\n"
                                        "Items not written: 4, from D02 PROGRAM on"}));
    const auto& list = engine.LastOutcome().differences;
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].mb, 2);
    EXPECT_EQ(shell::Trim(list[0].sentData), "STY1");
    EXPECT_EQ(list[3].ma, 5);
    for (const auto& entry : list) EXPECT_EQ(entry.reason, jobs::CheckReason::NotWritten);
}

TEST_F(JobProgramDownload, PatternModelFitsAnyInstrumentStartingWithIt) {
    UploadFrom(ProgramUnit());
    engine.Data().program.header.modelCode = "RQK2*";
    Connect(ProgramUnit("RQK2-B"));
    ASSERT_TRUE(Run(kJobProgramDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Writes(0), 5);
    Connect(ProgramUnit("RQK3"));
    ASSERT_TRUE(Run(kJobProgramDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrModel);
    EXPECT_EQ(Writes(0), 0);
}

class JobDevice : public JobBench {};

TEST_F(JobDevice, SlotJobOnADirectInstrumentAsksForTheRack) {
    Connect(SmallInstrument());
    ASSERT_TRUE(Run(kJobSlot));
    EXPECT_FALSE(engine.LastOutcome().facts.rackAnswered);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Connect to ZNC."}));
    EXPECT_EQ(CountCommand(kWrite), 0);
}

TEST_F(JobDevice, SlotJobWritesTheSlotAndReadsTheModule) {
    Connect(InRack(SmallInstrument("RQX7"), "7"));
    host.slot = 7;
    ASSERT_TRUE(Run(kJobSlot));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_TRUE(engine.LastOutcome().facts.rackAnswered);
    EXPECT_EQ(engine.LastOutcome().slotModel, "RQX7    ");
    EXPECT_EQ(Sent()[1].data, "      07");
}

TEST_F(JobDevice, BaudCheckRefusesRackAndUnlistedModels) {
    Connect(InRack(SmallInstrument(), "1"));
    ASSERT_TRUE(Run(kJobBaudCheck));
    EXPECT_EQ(engine.LastOutcome().code, kErrRackBaud);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"You cannot change ZNC baud rate."}));
    messages.boxes.clear();
    Connect(SmallInstrument());
    ASSERT_TRUE(Run(kJobBaudCheck));
    EXPECT_EQ(engine.LastOutcome().code, kErrBaudModel);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"You cannot change the baud rate of this model."}));
    EXPECT_EQ(engine.Speed(), 1200);
}

TEST_F(JobDevice, ChangeTo9600RemindsAndTheNextJobRunsAt9600) {
    Connect(WithBaudItem(SmallInstrument()));
    UseTables({{}, {}, {{"RQB2", {"RQB2*", 5, 2, 0, "BR", "96", "12"}}}});
    ASSERT_TRUE(Run(kJobBaudCheck));
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_TRUE(jobs::StartBaudRateChange(engine, 9600));
    ASSERT_TRUE(engine.RunCommJob());
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Sent().back().data, " BR.96  ");
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "Baud rate of TAVRO has been changed to 9600bps. Be sure to set it "
                           "back to 1200bps before entering offline mode."}));
    EXPECT_EQ(engine.Speed(), 9600);
    EXPECT_EQ(ws.state.instrumentSpeed, 9600);
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(line->SentFrames().back().speed, 9600);
    EXPECT_EQ(engine.Data().items.dataSet.size(), 13u);
}

TEST_F(JobDevice, FailedChangeRestoresThePreviousRate) {
    Connect(SmallInstrument());
    rq50::comm::CoreOf(engine).Results().baudRow =
        jobs::BaudRateRow{"RQB2", 5, 9, 0, "BR", "96", "12"};
    ASSERT_TRUE(jobs::StartBaudRateChange(engine, 9600));
    ASSERT_TRUE(engine.RunCommJob());
    EXPECT_NE(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Speed(), 1200);
    EXPECT_EQ(ws.state.instrumentSpeed, 1200);
}

}  // namespace
}  // namespace rq50::testing
