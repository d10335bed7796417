#pragma once

// A bench for the communication jobs: the engine on a virtual clock, the
// simulated line with an instrument described in JSON, recorded message
// boxes and a scripted SLOT No. dialog.

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/jobs/Jobs.h"
#include "files/DataSet.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramTypes.h"
#include "session/ScreenFlow.h"
#include "shell/Catalogue.h"
#include "shell/Clock.h"
#include "shell/MessageBoxHost.h"
#include "shell/Services.h"
#include "shell/SessionState.h"
#include "shell/TextTrim.h"
#include "sim/Frame.h"
#include "sim/Instrument.h"
#include "sim/SimulatedLine.h"
#include "unit/PacingUnderTest.h"
#include "unit/ShellFakes.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

namespace rq50::testing {

using JobMessages = shell::testing::RecordingMessages;

class JobHost : public comm::CommHost {
  public:
    std::optional<int> slot;  ///< the SLOT No. dialog's answer
    int slotAsked = 0;
    std::vector<std::string> status;
    std::optional<int> AskSlot() override {
        ++slotAsked;
        return slot;
    }
    void ShowStatusText(const std::string& text) override { status.push_back(text); }
};

/// The three sets a fixture starts with: a V3 model list, a category table
/// and a baud-rate table, each keyed by the trimmed model code.
struct JobTableRows {
    std::set<std::string> v3;
    std::map<std::string, comm::jobs::CategoryAreas> categories;
    std::map<std::string, comm::jobs::BaudRateRow> baudRates;
};

class JobBench : public ::testing::Test {
  protected:
    void SetUp() override {
        workspace.hosts.clock = &clock;
        workspace.hosts.messages = &messages;
        workspace.hosts.engine = &engine;
        engine.SetClock(&clock);
        engine.SetWorkspace(workspace);
        engine.SetCommPacing(PacingUnderTest());
        engine.SetHost(&host);
        comm::jobs::RegisterAllJobs(engine);
        UseTables({});
    }

    void UseTables(JobTableRows rows) {
        m_rows = std::move(rows);
        auto& t = engine.Tables();
        t.isV3Model = [this](const std::string& m) { return m_rows.v3.count(shell::Trim(m)) != 0; };
        t.findCategory = [this](const std::string& m) {
            auto it = m_rows.categories.find(shell::Trim(m));
            return it == m_rows.categories.end() ? comm::jobs::CategoryAreas{} : it->second;
        };
        t.findBaudRate = [this](const std::string& m) -> std::optional<comm::jobs::BaudRateRow> {
            auto it = m_rows.baudRates.find(shell::Trim(m));
            if (it == m_rows.baudRates.end()) return std::nullopt;
            return it->second;
        };
    }

    /// Connects the line to an instrument described in JSON.
    sim::Instrument& Connect(const nlohmann::json& description) {
        instrument = std::make_unique<sim::Instrument>(sim::Instrument::FromJson(description));
        line = std::make_unique<sim::SimulatedLine>(clock, instrument.get());
        engine.AttachPort(line.get());
        return *instrument;
    }

    /// Runs a job to its end; false when it did not start or did not end.
    bool Run(comm::Job job, const std::string& title = "TEST",
             session::JobCaller caller = session::kCallerNone) {
        if (!session::StartCallerJob(engine, {job, title}, caller)) return false;
        return engine.RunCommJob();
    }

    std::vector<std::string> Texts() const {
        std::vector<std::string> texts;
        for (const auto& b : messages.boxes) texts.push_back(b.text);
        return texts;
    }

    /// Requests the tool sent, decoded: command byte, MA, MB, MC, data text.
    struct SentRequest {
        int command = 0;
        int ma = 0, mb = 0, mc = 0;
        std::string data;
    };
    std::vector<SentRequest> Sent() const {
        std::vector<SentRequest> out;
        for (const auto& s : line->SentFrames()) {
            const auto& f = s.bytes;
            if (f.size() < 9) continue;
            out.push_back({f[4], f[5], f[6], f[7], std::string(f.begin() + 8, f.end() - 1)});
        }
        return out;
    }
    int CountCommand(int command) const {
        int n = 0;
        for (const auto& r : Sent()) n += r.command == command ? 1 : 0;
        return n;
    }

    shell::VirtualClock clock;
    JobMessages messages;
    JobHost host;
    /// A fresh engine and workspace for every test: nothing carries over.
    files::Workspace workspace;
    files::Workspace& ws = workspace;
    comm::CommEngine engine;
    std::unique_ptr<sim::Instrument> instrument;
    std::unique_ptr<sim::SimulatedLine> line;

  private:
    JobTableRows m_rows;
};

/// A small directly connected instrument: DISPLAY A, SET B-C, ADJUST D, MAINT E.
inline nlohmann::json SmallInstrument(const std::string& model = "RQB2",
                                      const std::string& end = "wrap") {
    using nlohmann::json;
    return json{
        {"model", model},
        {"endOfGroup", end},
        {"latencyMs", 20},
        {"display", json::array({{{"name", "PV"},
                                  {"items", json::array({{{"name", "PV"},
                                                          {"kind", "measured"},
                                                          {"data", "+050.00"},
                                                          {"aux", "%"}}})}}})},
        {"set",
         json::array(
             {{{"name", "INPUT"},
               {"items", json::array({{{"name", "INP TYPE"},
                                       {"kind", "select"},
                                       {"current", 1},
                                       {"choices", json::array({{{"code", 1}, {"data", "DC"}},
                                                                {{"code", 2}, {"data", "TC"}},
                                                                {{"code", 0}, {"data", "RTD"}}})}},
                                      {{"name", "SCALE LO"},
                                       {"kind", "numeric"},
                                       {"data", "+000.00"},
                                       {"min", -100},
                                       {"max", 100}}})}},
              {{"name", "OUTPUT"},
               {"items", json::array({{{"name", "TAG"}, {"kind", "text"}, {"data", "FIC-101"}},
                                      {{"name", "ALARM"}, {"kind", "hex"}, {"data", "3F"}}})}}})},
        {"adjust", json::array({{{"name", "ADJUST"},
                                 {"items", json::array({{{"name", "ZERO ADJ"},
                                                         {"kind", "numeric"},
                                                         {"data", "+00.000"},
                                                         {"min", -5},
                                                         {"max", 5}}})}}})},
        {"maint", json::array({{{"name", "MAINT"},
                                {"items", json::array({{{"name", "FORCEOUT"},
                                                        {"kind", "numeric"},
                                                        {"data", "+000.0"},
                                                        {"min", -10},
                                                        {"max", 110}}})}}})},
    };
}

/// `device` in slot `slot` of a rack.
inline nlohmann::json InRack(nlohmann::json device, const std::string& slot = "3") {
    device.erase("latencyMs");
    return nlohmann::json{{"rack", {{"slots", {{slot, device}}}}}};
}

/// A program unit: PROGRAM at D01 (3 steps) and CONST at E01 (2 items).
inline nlohmann::json ProgramUnit(const std::string& model = "RQK2", bool program = true,
                                  bool constants = true) {
    nlohmann::json described = SmallInstrument(model);
    if (program) {
        described["set"].push_back(
            {{"program", {{"steps", 3}, {"operators", {"LDX1", "STY1", "END"}}}}});
    }
    if (constants) described["set"].push_back({{"const", {{"count", 2}, {"values", {1.5, -2}}}}});
    return described;
}
/// The category row of ProgramUnit("RQK2").
inline const comm::jobs::CategoryAreas kRqk2Row{true, "3", "D01", "2", "E01"};

/// The instrument with a baud-rate item in MAINT, at 1200 bit/s.
inline nlohmann::json WithBaudItem(nlohmann::json described) {
    described["baudRate"] = {{"ma", 5},        {"mb", 2},          {"mc", 0},
                             {"prefix", "BR"}, {"code9600", "96"}, {"code1200", "12"}};
    described["maint"][0]["items"].push_back(
        {{"name", "BAUDRATE"}, {"kind", "text"}, {"data", " BR.12"}});
    return described;
}

}  // namespace rq50::testing
