#include "session/RackTable.h"

#include <exception>

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "register/PlantRegister.h"
#include "register/Recorder.h"
#include "shell/Catalogue.h"
#include "shell/TextNumbers.h"

namespace rq50::session {

using namespace rq50::shell;

namespace {

std::string StatusOf(const SlotOutcome& s) {
    std::string status = !s.result.empty()                   ? s.result
                         : s.state == SlotState::kNotScanned ? std::string()
                                                             : SlotStateName(s.state);
    if (!s.detail.empty()) status += (status.empty() ? "" : " - ") + s.detail;
    return status;
}

}  // namespace

RackTable::RackTable(Workspace& ws) : m_ws(ws) {
    m_rows.resize(16);
    for (int r = 0; r < 16; ++r) m_rows[static_cast<std::size_t>(r)].slot = r + 1;
}

RackTable::~RackTable() {
    // A run still going calls back no more.
    m_alive.reset();
    if (m_run && m_running) m_run->Stop();
}

std::string RackTable::Start(
    RackAction action, const std::string& folder,
    std::function<bool(const SlotOutcome&, const DownloadPreview&)> confirm) {
    if (m_running || m_ws.Engine().Busy()) return "the line is busy";
    RackOptions options;
    options.action = action;
    options.folder = folder;
    options.confirm = std::move(confirm);
    if (action == RackAction::kVerify && folder.empty()) {
        if (m_ws.hosts.recorder == nullptr) return "no plant register is in use";
        try {
            options.reg = &m_ws.hosts.recorder->Open();
        } catch (const std::exception& e) {
            return e.what();
        }
    }
    const std::weak_ptr<bool> alive = m_alive;
    options.onSlot = [this, alive](const SlotOutcome& outcome) {
        if (alive.expired()) return;
        Show(outcome);
        ++m_done;
        Working(m_done);
        Changed();
    };
    options.onEnd = [this, alive](const std::vector<SlotOutcome>& slots, bool direct) {
        if (alive.expired()) return;
        if (direct && !slots.empty()) Show(slots.front());
        Working(-1);
        m_running = false;
        m_summary = RackSummary(slots) + (m_stopped ? " (stopped)" : "");
        Changed();
    };
    for (auto& row : m_rows) {
        const int slot = row.slot;
        row = RackRow();
        row.slot = slot;
    }
    m_done = 0;
    m_summary.clear();
    m_stopped = false;
    m_running = true;
    Working(0);
    Changed();
    // The run may end before Start returns (a line that cannot open).
    auto run = RackRun::Start(m_ws, std::move(options));
    if (!run) {
        m_running = false;
        Working(-1);
        Changed();
        return "the line is busy";
    }
    m_run = run;
    return {};
}

void RackTable::Stop() {
    if (!m_running || !m_run) return;
    m_stopped = true;
    m_run->Stop();
}

void RackTable::Show(const SlotOutcome& outcome) {
    if (outcome.slot < 1 || outcome.slot > static_cast<int>(m_rows.size())) return;
    RackRow& row = m_rows[static_cast<std::size_t>(outcome.slot - 1)];
    row.model = outcome.model;
    row.tag = outcome.tag;
    row.status = StatusOf(outcome);
    row.working = false;
    row.lastRecord = LastRecord(outcome.tag);
}

void RackTable::Working(int row) {
    for (int r = 0; r < static_cast<int>(m_rows.size()); ++r) {
        auto& at = m_rows[static_cast<std::size_t>(r)];
        if (at.working && r != row) at.status.clear();
        at.working = r == row;
        if (at.working) at.status = Catalogue(kTextRackWorking);
    }
}

void RackTable::Changed() {
    if (onChange) onChange();
}

std::string RackTable::LastRecord(const std::string& tag) const {
    if (tag.empty() || m_ws.hosts.recorder == nullptr) return {};
    try {
        const auto history = m_ws.hosts.recorder->Open().History(tag);
        if (history.empty()) return {};
        return history.front().time + " " + plant::KindName(history.front().kind);
    } catch (const std::exception&) {
        return {};  // the register unreachable: the table goes on without it
    }
}

}  // namespace rq50::session
