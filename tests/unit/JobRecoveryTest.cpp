// Lost, garbled and late answers at every request of a job: each job must end
// exactly as it does on a clean line, with the same result, messages and data.

#include "comm/EngineCore.h"
#include "comm/jobs/Jobs.h"
#include "parameter/PageModel.h"
#include "sim/Faults.h"
#include "unit/JobTestSupport.h"

#include <functional>
#include <sstream>

namespace rq50::testing {
namespace {

using nlohmann::json;
using namespace rq50::comm;

std::string Hex(const parameter::ItemArray& blocks) {
    std::ostringstream out;
    for (const auto& b : blocks) {
        for (auto byte : b) out << static_cast<int>(byte) << ' ';
        out << '\n';
    }
    return out.str();
}

/// Puts `text` into the data field of an item block (name length 8).
void SetData(parameter::ItemBlock& block, const std::string& text) {
    for (std::size_t i = 0; i < 8; ++i)
        block[4 + 8 + i] = static_cast<std::uint8_t>(i < text.size() ? text[i] : ' ');
}

class JobRecovery : public JobBench {
  protected:
    /// A job run on the line `described` (faults included) that returns what
    /// it left: result, messages and the data it moved.
    using Scenario = std::string (JobRecovery::*)(const json& described);

    /// Runs `scenario` on a clean line, then once with `fault` on each request
    /// the clean run made, and expects every run to end the same.
    void ExpectEveryRequestSurvives(const json& described, const Scenario& scenario,
                                    const json& fault, const std::string& what) {
        Fresh();
        const std::string clean = (this->*scenario)(described);
        const int requests = instrument->RequestCount();
        ASSERT_GT(requests, 0);
        for (int n = 1; n <= requests; ++n) {
            json faulty = described;
            json rule = fault;
            rule[std::string(sim::kFaultOn)] = {n};
            faulty[std::string(sim::kFaultsKey)] = {{what, rule}};
            Fresh();
            EXPECT_EQ((this->*scenario)(faulty), clean)
                << what << " on request " << n << " of " << requests;
        }
    }

    /// The state a job starts from, as the fixture sets it up.
    void Fresh() {
        engine.Reset();
        engine.SetCommPacing(PacingUnderTest());
        engine.SetHost(&host);
        engine.AttachPageModel(nullptr);
        rq50::comm::CoreOf(engine).Results() = {};
        engine.Data().header = {};
        engine.Data().items = {};
        engine.Data().program = {};
        messages.boxes.clear();
        host.slot = 3;
        host.slotAsked = 0;
    }

    /// Result and messages of the job just run.
    std::string Ending() const {
        std::string out = "result " + std::to_string(ErrorNumber(engine.LastOutcome().code)) + "\n";
        for (const auto& text : Texts()) out += text + "\n";
        return out;
    }

    std::string DataSet() const {
        const auto& h = engine.Data().header;
        std::ostringstream out;
        out << h.model << '|' << h.slot << '|' << h.starts[files::Category::Display] << ' '
            << h.starts[files::Category::Set] << ' ' << h.starts[files::Category::Adjust] << ' '
            << h.starts[files::Category::Maint] << '|' << h.displayCount << ' ' << h.setCount << ' '
            << h.adjustCount << ' ' << h.maintCount << '|' << int(h.customType) << '\n'
            << Hex(engine.Data().items.dataSet);
        return out.str();
    }

    std::string ProgramData() const {
        const auto& p = engine.Data().program;
        std::ostringstream out;
        out << p.header.modelCode << '|' << p.header.stepCount << ' ' << p.header.constCount << '|'
            << p.header.programAreaLetter << ' ' << p.header.programStartNumber << ' '
            << p.header.constAreaLetter << ' ' << p.header.constStartNumber << '\n'
            << Hex(p.records);
        return out.str();
    }

  public:  // the jobs, each as a scenario (public for the member pointers)
    std::string Upload(const json& described) {
        Connect(described);
        UseTables({{"RQG2"}, {}, {}});
        EXPECT_TRUE(Run(kJobUpload));
        return Ending() + DataSet();
    }

    /// Job 2 writes changed SET values; an upload afterwards shows what the
    /// instrument holds.
    std::string Download(const json& described) {
        Connect(SmallInstrument());
        EXPECT_TRUE(Run(kJobUpload));
        auto& data = engine.Data().items.dataSet;
        EXPECT_EQ(data.size(), 12u);
        if (data.size() < 8) return {};
        SetData(data[4], "+012.50");  // SCALE LO
        SetData(data[6], "PIC-202");  // TAG
        messages.boxes.clear();
        Connect(described);
        EXPECT_TRUE(Run(kJobDownload));
        std::string out = Ending();
        for (const auto& e : engine.LastOutcome().differences)
            out += e.sentData + "/" + e.setData + "\n";
        EXPECT_TRUE(Run(kJobUpload));
        return out + DataSet();
    }

    std::string ConnectOnline(const json& described) {
        Connect(described);
        EXPECT_TRUE(Run(kJobConnect));
        return Ending() + "slot " + std::to_string(engine.Data().header.slot) + "\n";
    }

    std::string ProgramUpload(const json& described) {
        Connect(described);
        UseTables({{}, {{"RQK2", kRqk2Row}}, {}});
        EXPECT_TRUE(Run(kJobProgramUpload));
        return Ending() + ProgramData();
    }

    std::string ProgramDownload(const json& described) {
        Connect(ProgramUnit("RQK2"));
        UseTables({{}, {{"RQK2", kRqk2Row}}, {}});
        EXPECT_TRUE(Run(kJobProgramUpload));
        auto& records = engine.Data().program.records;
        EXPECT_EQ(records.size(), 5u);
        if (records.size() < 5) return {};
        SetData(records[1], "MUL");
        SetData(records[4], "+7.25000");
        messages.boxes.clear();
        Connect(described);
        EXPECT_TRUE(Run(kJobProgramDownload));
        std::string out = Ending();
        engine.Data().program = {};
        EXPECT_TRUE(Run(kJobProgramUpload));
        return out + ProgramData();
    }

    std::string BaudCheck(const json& described) {
        Connect(described);
        UseTables({{}, {}, {{"RQB2", {"RQB2*", 5, 2, 0, "BR", "96", "12"}}}});
        EXPECT_TRUE(Run(kJobBaudCheck));
        return Ending() + (rq50::comm::CoreOf(engine).Results().baudRow
                               ? rq50::comm::CoreOf(engine).Results().baudRow->pattern
                               : "none");
    }

    std::string BaudChange(const json& described) {
        Connect(described);
        rq50::comm::CoreOf(engine).Results().baudRow =
            jobs::BaudRateRow{"RQB2*", 5, 2, 0, "BR", "96", "12"};
        EXPECT_TRUE(jobs::StartBaudRateChange(engine, 9600));
        EXPECT_TRUE(engine.RunCommJob());
        return Ending() + "speed " + std::to_string(engine.Speed()) + " instrument " +
               std::to_string(instrument->Speed());
    }

    /// Job 3, then the MAINT page (job 7), which finds MAINT through the
    /// maintenance entry.
    std::string MaintPage(const json& described) {
        Connect(described);
        parameter::PageModel page(parameter::PageCategory::Maint);
        engine.AttachPageModel(&page);
        EXPECT_TRUE(Run(kJobConnect));
        EXPECT_TRUE(Run(kJobCategoryMaint));
        std::string out = Ending() + Hex(page.ScreenPage());
        for (const auto& name : page.TabNames()) out += name + "\n";
        engine.AttachPageModel(nullptr);
        return out;
    }
};

json Lost() {
    return json::object();
}

/// A V3 model with its access code and custom type.
json V3() {
    json v3 = SmallInstrument("RQG2");
    v3["v3"] = {{"accessCode", "R350.01 "}, {"customType", "82"}};
    return v3;
}

TEST_F(JobRecovery, ALostAnswerIsAskedForAgainInEveryStepOfEveryJob) {
    const std::string drop(sim::kFaultDrop);
    ExpectEveryRequestSurvives(InRack(V3()), &JobRecovery::Upload, Lost(), drop);
    ExpectEveryRequestSurvives(InRack(SmallInstrument()), &JobRecovery::Download, Lost(), drop);
    ExpectEveryRequestSurvives(InRack(SmallInstrument()), &JobRecovery::ConnectOnline, Lost(),
                               drop);
    ExpectEveryRequestSurvives(InRack(ProgramUnit("RQK2")), &JobRecovery::ProgramUpload, Lost(),
                               drop);
    // A model outside the category table: its areas are found by walking SET.
    ExpectEveryRequestSurvives(ProgramUnit("RQK9"), &JobRecovery::ProgramUpload, Lost(), drop);
    ExpectEveryRequestSurvives(ProgramUnit("RQK2"), &JobRecovery::ProgramDownload, Lost(), drop);
    ExpectEveryRequestSurvives(SmallInstrument(), &JobRecovery::BaudCheck, Lost(), drop);
    // The lost answer of the rate write: the instrument already listens at
    // the new rate, which the speed switch finds.
    ExpectEveryRequestSurvives(WithBaudItem(SmallInstrument()), &JobRecovery::BaudChange, Lost(),
                               drop);
    ExpectEveryRequestSurvives(InRack(SmallInstrument()), &JobRecovery::MaintPage, Lost(), drop);
}

TEST_F(JobRecovery, AGarbledAnswerNeverChangesTheUploadedData) {
    const std::string corrupt(sim::kFaultCorrupt);
    // The status and kind byte (with the item type, so the length changes),
    // an address byte, the length byte, a text byte and the first checksum.
    const std::vector<std::pair<int, int>> garbles = {{4, 0x01}, {4, 0xC0},  {6, 0x02},
                                                      {3, 0x10}, {14, 0x20}, {8, 0x01}};
    for (const auto& [byte, bits] : garbles) {
        const json fault = {{std::string(sim::kFaultCorruptByte), byte},
                            {std::string(sim::kFaultCorruptXor), bits}};
        ExpectEveryRequestSurvives(InRack(V3()), &JobRecovery::Upload, fault, corrupt);
    }
    ExpectEveryRequestSurvives(
        InRack(ProgramUnit("RQK2")), &JobRecovery::ProgramUpload,
        {{std::string(sim::kFaultCorruptByte), 12}, {std::string(sim::kFaultCorruptXor), 0x08}},
        corrupt);
}

TEST_F(JobRecovery, AnAnswerLaterThanItsTimeOutIsNotTakenForTheNextRequest) {
    const std::string late(sim::kFaultLate);
    for (int ms : {3100, 3500, 5000}) {
        const json fault = {{std::string(sim::kFaultLateMs), ms}};
        ExpectEveryRequestSurvives(InRack(V3()), &JobRecovery::Upload, fault, late);
        ExpectEveryRequestSurvives(InRack(SmallInstrument()), &JobRecovery::MaintPage, fault, late);
    }
    ExpectEveryRequestSurvives(ProgramUnit("RQK9"), &JobRecovery::ProgramUpload,
                               {{std::string(sim::kFaultLateMs), 3500}}, late);
}

}  // namespace
}  // namespace rq50::testing
