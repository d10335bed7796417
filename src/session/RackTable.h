#pragma once

// The rack window's table: the 16 slots of a rack interface with what a
// rack run found and did in each, the slot the run is at, the run's
// progress and its summary. The window shows it and starts the run's
// actions; the run itself is RackRun's.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "session/RackRun.h"
#include "session/Vocabulary.h"

namespace rq50::session {

struct Workspace;

struct RackRow {
    int slot = 0;
    std::string model;
    std::string tag;
    /// The register's newest record of the tag: "2026-12-07T23:41:23Z upload".
    std::string lastRecord;
    /// "empty", "instrument", "uploaded - FILE", ...; "working..." while the
    /// run is at the slot.
    std::string status;
    bool working = false;
};

class RackTable {
  public:
    explicit RackTable(Workspace& ws);
    ~RackTable();

    /// Starts `action` on all 16 slots; empty when it started, else why not.
    /// Verify without a folder compares with the register.
    std::string Start(RackAction action, const std::string& folder,
                      std::function<bool(const SlotOutcome&, const DownloadPreview&)> confirm = {});
    void Stop();
    bool Running() const { return m_running; }

    const std::vector<RackRow>& Rows() const { return m_rows; }
    /// Slots the run has finished, of those it was asked for.
    int Done() const { return m_done; }
    int Asked() const { return static_cast<int>(m_rows.size()); }
    /// RackSummary of the last run, "(stopped)" added when it was stopped.
    const std::string& Summary() const { return m_summary; }

    /// Called whenever a row, the progress or the summary changes.
    std::function<void()> onChange;

  private:
    void Show(const SlotOutcome& outcome);
    void Working(int row);
    void Changed();
    std::string LastRecord(const std::string& tag) const;

    Workspace& m_ws;
    std::vector<RackRow> m_rows;
    std::shared_ptr<RackRun> m_run;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    std::string m_summary;
    int m_done = 0;
    bool m_running = false;
    bool m_stopped = false;
};

}  // namespace rq50::session
