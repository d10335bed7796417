#include "comm/EngineCore.h"
#include "comm/jobs/DownloadStop.h"
#include "comm/jobs/Jobs.h"
#include "shell/TextNumbers.h"
#include "shell/TextTrim.h"
#include "unit/JobTestSupport.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <functional>

namespace rq50::testing {
namespace {

using nlohmann::json;
using namespace rq50::comm;

constexpr int kRead = 0x80;
constexpr int kNext = 0x84;
constexpr int kWrite = 0x40;
constexpr int kCommand10 = 0x10;

/// A V3 model whose access code lives at (20, 3).
json V3Instrument() {
    json described = SmallInstrument("RQV3");
    described["v3"] = {{"customType", "82"}};
    described["set"][1]["ma"] = 20;
    described["set"][1]["items"].push_back({{"name", "CODE"}, {"kind", "text"}, {"data", "x"}});
    return described;
}

std::string Name(const parameter::ItemBlock& b) {
    return parameter::DecodeItem(b, false).name;
}

class JobUpload : public JobBench {};

TEST_F(JobUpload, DirectInstrumentGivesItsItemsInOrder) {
    Connect(SmallInstrument());
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_TRUE(Texts().empty());
    // Model first, then the category starts: no slot write, no ReqNextMB(0, 0).
    const auto sent = Sent();
    ASSERT_GE(sent.size(), 4u);
    EXPECT_EQ(sent[0].command, kRead);
    EXPECT_EQ(sent[1].ma, 26);
    EXPECT_EQ(sent[2].ma, 25);
    EXPECT_EQ(sent[3].ma, 24);
    EXPECT_EQ(CountCommand(kWrite), 0);  // not a V3 model: no access code

    const auto& header = engine.Data().header;
    EXPECT_EQ(header.model, "RQB2    ");
    EXPECT_EQ(header.starts[files::Category::Set], 2);
    EXPECT_EQ(header.starts[files::Category::Maint], 5);
    EXPECT_EQ(header.customType, 0);
    EXPECT_EQ(rq50::comm::CoreOf(engine).Results().categoryNames[1],
              (std::vector<std::string>{"INPUT", "OUTPUT"}));

    const auto& data = engine.Data().items.dataSet;
    const std::vector<std::string> names = {"PV      ", "PV      ", "INPUT   ", "INP TYPE",
                                            "SCALE LO", "OUTPUT  ", "TAG     ", "ALARM   ",
                                            "ADJUST  ", "ZERO ADJ", "MAINT   ", "FORCEOUT"};
    ASSERT_EQ(data.size(), names.size());
    for (std::size_t i = 0; i < names.size(); ++i) EXPECT_EQ(Name(data[i]), names[i]) << i;
    // Every block as the instrument sent it.
    const auto direct = instrument->Handle(sim::MakeRequest(0x80, 2, 1, 0));
    ASSERT_TRUE(direct);
    EXPECT_EQ(data[3], parameter::ItemBlockFromResponse(*direct));
}

TEST_F(JobUpload, AnInstrumentThatStaysOnTheLastItemEndsEachGroup) {
    Connect(SmallInstrument("RQB2", "stay"));
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().items.dataSet.size(), 12u);
}

// A cancelled slot dialog: CommEngineSim.RackSlotIsAskedForAndCancellingTerminates.
TEST_F(JobUpload, RackSlotIsAskedWrittenAndNotKept) {
    Connect(InRack(SmallInstrument()));
    host.slot = 3;
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(host.slotAsked, 1);
    const auto sent = Sent();
    ASSERT_GE(sent.size(), 3u);
    EXPECT_EQ(sent[1].command, kWrite);
    EXPECT_EQ(sent[1].data, "      03");
    EXPECT_EQ(sent[2].command, kNext);
    EXPECT_EQ(engine.Data().header.model, "RQB2    ");
    EXPECT_EQ(engine.Data().header.slot, 3);
    // A direct instrument after it records no slot.
    Connect(SmallInstrument());
    ASSERT_TRUE(Run(kJobUpload));
    ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().header.slot, 0);
}

TEST_F(JobUpload, V3ModelWritesTheAccessCodeAndKeepsTheCustomType) {
    Connect(V3Instrument());
    UseTables({{"RQV3"}, {}, {}});
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    bool wroteCode = false;
    for (const auto& r : Sent()) {
        if (r.command == kWrite && r.ma == 20 && r.mb == 3)
            wroteCode = r.data == jobs::AccessCode();
    }
    EXPECT_TRUE(wroteCode);
    EXPECT_GE(CountCommand(kCommand10), 2);  // the V3 entry and the MAINT entry
    EXPECT_EQ(engine.Data().header.customType, 0x82);
}

TEST_F(JobUpload, ProgramAndConstGroupsArePassedOver) {
    json described = SmallInstrument("RQK2");
    described["set"].push_back({{"program", {{"steps", 3}, {"operators", {"LDX1", "END"}}}}});
    described["set"].push_back({{"const", {{"count", 2}}}});
    Connect(described);
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(engine.Data().items.dataSet.size(), 12u);  // as without the two groups
    EXPECT_EQ(rq50::comm::CoreOf(engine).Results().categoryNames[1].size(), 2u);
    EXPECT_NE(std::ranges::find(host.status, "Now skipping PROGRAM ..."), host.status.end());
    EXPECT_TRUE(host.status.back().empty());
}

TEST_F(JobUpload, FailureKeepsThePreviousDataSetAndHeader) {
    Connect(SmallInstrument());
    ASSERT_TRUE(Run(kJobUpload));
    const auto before = engine.Data().items.dataSet;
    const auto header = engine.Data().header;
    instrument->Faults().drop.all = true;
    ASSERT_TRUE(Run(kJobUpload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
    EXPECT_EQ(engine.Data().items.dataSet, before);
    EXPECT_EQ(engine.Data().header, header);
    EXPECT_TRUE(Texts().back().starts_with("Response time out. Check the connection."));
}

class JobDownload : public JobBench {
  protected:
    void Upload(const json& described) {
        Connect(described);
        ASSERT_TRUE(Run(kJobUpload));
        ASSERT_EQ(engine.LastOutcome().code, kErrNone);
    }
    /// Puts a new data text into the data-set item named `name`.
    void SetData(const std::string& name, const std::string& data) {
        for (auto& b : engine.Data().items.dataSet) {
            const auto item = parameter::DecodeItem(b, false);
            if (shell::Trim(item.name) != name) continue;
            for (std::size_t i = 0; i < 8; ++i) {
                b[4 + item.nameLength + i] =
                    static_cast<std::uint8_t>(i < data.size() ? data[i] : ' ');
            }
        }
    }
};

TEST_F(JobDownload, UnchangedItemsCompleteWithAnEmptyCheckList) {
    Upload(SmallInstrument());
    const int before = static_cast<int>(line->SentFrames().size());
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Downloading to TAVRO completed."}));
    EXPECT_TRUE(engine.LastOutcome().differences.empty());
    // Only the four writable SET items are written (the selection by its code).
    int writes = 0;
    const auto sent = Sent();
    for (std::size_t i = static_cast<std::size_t>(before); i < sent.size(); ++i) {
        if (sent[i].command != kWrite) continue;
        ++writes;
        EXPECT_TRUE(sent[i].ma == 2 || sent[i].ma == 3);
        if (sent[i].ma == 2 && sent[i].mb == 1) {
            EXPECT_EQ(sent[i].mc, 1);
            EXPECT_TRUE(sent[i].data.empty());
        }
    }
    EXPECT_EQ(writes, 4);
}

TEST_F(JobDownload, ATrimmedModelStillMatchesAnotherModelWritesNothing) {
    Upload(SmallInstrument());
    engine.Data().header.model = "RQB2";
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    messages.boxes.clear();
    engine.Data().header.model = "RQB3    ";
    const std::size_t before = line->SentFrames().size();
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrModel);
    EXPECT_EQ(line->SentFrames().size(), before + 1);
    EXPECT_EQ(Texts(),
              (std::vector<std::string>{"Cannot download to TAVRO due to non-matching MODEL."}));
}

TEST_F(JobDownload, ClampedValueIsListed) {
    Upload(SmallInstrument());
    SetData("SCALE LO", "+150.00");
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    ASSERT_EQ(engine.LastOutcome().differences.size(), 1u);
    const auto& entry = engine.LastOutcome().differences[0];
    EXPECT_EQ(entry.ma, 2);
    EXPECT_EQ(entry.mb, 2);
    EXPECT_EQ(entry.sentData, "+150.00 ");
    EXPECT_EQ(shell::Trim(entry.setData), "+100.00");
}

// A file whose header holds nonsense category starts is refused with a message
// before anything is sent, and the job does not end as completed.
TEST_F(JobDownload, AHeaderThatDoesNotFitItsItemsIsRefusedBeforeAnythingIsSent) {
    Upload(SmallInstrument());
    engine.Data().header.starts[files::Category::Set] = INT32_MIN;
    engine.Data().header.starts[files::Category::Adjust] = INT32_MAX;
    const std::size_t before = line->SentFrames().size();
    ASSERT_TRUE(Run(kJobDownload, "Download to TAVRO"));
    EXPECT_EQ(engine.LastOutcome().code, kErrDataSetRefused);
    EXPECT_EQ(line->SentFrames().size(), before);
    EXPECT_EQ(Texts(), std::vector<std::string>{shell::Catalogue(kTextHeaderDoesNotFit)});
    EXPECT_EQ(messages.boxes.back().title, "Download to TAVRO");
}

// A write the instrument refuses (status 1) or leaves unanswered stops the
// download half way; the check list and the message say which items the
// instrument took and which it did not.
TEST_F(JobDownload, AStopHalfWayNamesTheItemsWrittenAndNotWritten) {
    json described = SmallInstrument();
    described["set"][0]["items"][1]["readOnly"] = true;  // B02 SCALE LO
    Upload(described);
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrCommand);
    EXPECT_EQ(Texts().back(),
              "Command error. Communication will be terminated.\r\n\r\n"
              "Items written: 1\r\n"
              "Last item written: B01 INP TYPE\r\n"
              "Items not written: 3, from B02 SCALE LO on");
    const auto& list = engine.LastOutcome().differences;
    ASSERT_EQ(list.size(), 3u);
    const std::vector<std::pair<int, int>> addresses = {{2, 2}, {3, 1}, {3, 2}};
    for (std::size_t i = 0; i < list.size(); ++i) {
        EXPECT_EQ(std::make_pair(list[i].ma, list[i].mb), addresses[i]) << i;
        EXPECT_EQ(list[i].reason, jobs::CheckReason::NotWritten) << i;
        EXPECT_EQ(jobs::CheckEntrySetText(list[i]), "(not written)") << i;
    }
    EXPECT_EQ(shell::Trim(list[1].sentData), "FIC-101");

    // No answer to the write of B02 at either speed: it may have been taken.
    Upload(SmallInstrument());
    messages.boxes.clear();
    const int before = instrument->RequestCount();
    // Requests: the model, the write of B01, then the three tries of B02 at
    // 1200 bit/s (the tries at 9600 bit/s do not reach the instrument).
    for (int n = before + 3; n <= before + 5; ++n) instrument->Faults().drop.on.insert(n);
    ASSERT_TRUE(Run(kJobDownload));
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
    EXPECT_EQ(Texts(), (std::vector<std::string>{
                           "Response time out. Check the connection.\r\n\r\n"
                           "Items written: 1\r\n"
                           "Last item written: B01 INP TYPE\r\n"
                           "No answer came to the write of B02 SCALE LO: check that item on the "
                           "instrument.\r\n"
                           "Items not written: 2, from C01 TAG on"}));
    ASSERT_EQ(engine.LastOutcome().differences.size(), 3u);
    EXPECT_EQ(jobs::CheckEntrySetText(engine.LastOutcome().differences[0]), "(no answer)");
}

// "Terminate" and a line that goes away both end a download between two
// exchanges, and both say how far it came. A stop pressed while a write's
// answer is on its way waits for that answer, so the write counts as written.
TEST_F(JobDownload, AStopOrALostLineEndsBetweenExchangesAndSaysHowFar) {
    Upload(SmallInstrument());
    const auto writesSent = [this] { return CountCommand(kWrite); };
    // Runs the download until the second write is on the line, then acts.
    const auto runUntilSecondWrite = [&](const std::function<void()>& act) {
        messages.boxes.clear();
        ASSERT_TRUE(engine.StartCommJob({kJobDownload, "TEST"}));
        const int before = writesSent();
        while (engine.Busy() && !(writesSent() == before + 2 && engine.AwaitingAnswer())) {
            engine.Timer1();
            clock.Advance(engine.TickIntervalMs());
        }
        ASSERT_TRUE(engine.Busy());
        act();
        ASSERT_TRUE(engine.RunCommJob());
    };

    runUntilSecondWrite([this] { engine.Terminate(); });
    EXPECT_EQ(engine.LastOutcome().code, kErrTerminated);
    EXPECT_EQ(Texts(), (std::vector<std::string>{"Communication terminated.\r\n\r\n"
                                                 "Items written: 2\r\n"
                                                 "Last item written: B02 SCALE LO\r\n"
                                                 "Items not written: 2, from C01 TAG on"}));

    runUntilSecondWrite([this] { line->Unplug(); });
    const int sentAfterLoss = static_cast<int>(line->SentFrames().size());
    EXPECT_EQ(engine.LastOutcome().code, kErrLineLost);
    EXPECT_EQ(static_cast<int>(line->SentFrames().size()), sentAfterLoss);  // no retry
    ASSERT_EQ(messages.boxes.size(), 1u);
    EXPECT_EQ(messages.boxes[0].title, "Communication Error");
    EXPECT_EQ(messages.boxes[0].text,
              "The connection to " + engine.CommDevice() +
                  " was lost: the serial port went away during communication.\r\n\r\n"
                  "Items written: 1\r\n"
                  "Last item written: B01 INP TYPE\r\n"
                  "No answer came to the write of B02 SCALE LO: check that item on the "
                  "instrument.\r\n"
                  "Items not written: 2, from C01 TAG on\r\n\r\n" +
                  shell::Catalogue(1590));
}

// The custom type, OUT2 TYPE and SENSOR TYPE of a V3 model must match the
// instrument's; otherwise nothing but the access code is written.
TEST_F(JobDownload, V3TypeMismatchesStopBeforeWriting) {
    std::ifstream file(std::string(RQ50_SOURCE_DIR) + "/sim/instruments/RQG2.json");
    const json rqg2 = json::parse(file);
    UseTables({{"RQG2"}, {}, {}});
    const struct {
        int ma, mb, code;  // MA 0: the header's custom type instead of an item
        CommErrorCode error;
        const char* text;
    } cases[] = {
        {0, 0, 0x80, kErrCustomType, nullptr},  // bit 1 differs
        {20, 12, 1, kErrOut2Type, "Cannot download to TAVRO due to non-matching OUT2 TYPE."},
        {4, 7, 2, kErrSensorType, "Cannot download to TAVRO due to non-matching SENSOR TYPE."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(ErrorNumber(c.error));
        Upload(rqg2);
        messages.boxes.clear();
        if (c.ma == 0) engine.Data().header.customType = static_cast<std::uint8_t>(c.code);
        // The data set holds another choice than the instrument.
        for (auto& b : engine.Data().items.dataSet) {
            if (c.ma != 0 && (b[1] & 63) == c.ma && (b[2] & 63) == c.mb)
                b[3] = static_cast<std::uint8_t>(c.code);
        }
        const std::size_t before = line->SentFrames().size();
        ASSERT_TRUE(Run(kJobDownload));
        EXPECT_EQ(engine.LastOutcome().code, c.error);
        if (c.text) {
            EXPECT_EQ(Texts(), (std::vector<std::string>{c.text}));
        }
        const auto sent = Sent();
        for (std::size_t i = before; i < sent.size(); ++i) {
            EXPECT_FALSE(sent[i].command == kWrite && !(sent[i].ma == 20 && sent[i].mb == 3));
        }
    }
}

class JobConnect : public JobBench {};

TEST_F(JobConnect, LeavesThePortOpenOnSuccessAndClosesOnFailure) {
    Connect(InRack(SmallInstrument(), "5"));
    host.slot = 5;
    ASSERT_TRUE(Run(kJobConnect));
    EXPECT_EQ(engine.LastOutcome().code, kErrNone);
    EXPECT_TRUE(line->IsOpen());
    EXPECT_EQ(engine.Data().header.slot, 5);
    line->Close();
    instrument->Faults().drop.all = true;
    ASSERT_TRUE(Run(kJobConnect));
    EXPECT_EQ(engine.LastOutcome().code, kErrNoResponse);
    EXPECT_FALSE(line->IsOpen());
}

}  // namespace
}  // namespace rq50::testing
