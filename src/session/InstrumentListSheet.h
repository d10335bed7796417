#pragma once

// The Instrument List window's data: the list's rows as a table, each cell
// with its problems, the problem list, and the window's two actions: make
// the files, and commission them into the rack with the report at the end.
// The window shows the table and asks the folders; the work is here.

#include "session/Commissioning.h"
#include "session/InstrumentList.h"
#include "session/Vocabulary.h"

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace rq50::session {

class InstrumentListSheet {
  public:
    explicit InstrumentListSheet(Workspace& ws);
    ~InstrumentListSheet();

    /// Reads `list` and checks it against the templates of `templates`.
    /// Empty when the list was read (with problems or without), else why not;
    /// the sheet is then as it was.
    std::string Open(const std::string& list, const std::string& templates);
    bool IsOpen() const { return m_open; }
    const std::string& ListPath() const { return m_list; }

    int Rows() const { return static_cast<int>(m_table.rows.size()); }
    int Columns() const { return static_cast<int>(m_table.header.cells.size()); }
    /// UTF-8 texts; an empty text outside the table.
    std::string Heading(int column) const;
    std::string Cell(int row, int column) const;
    /// The line of the list file a row starts on, as the problems name it.
    int LineOf(int row) const;

    /// One problem, where the table shows it: row -1 is the heading row,
    /// column -1 the whole row.
    struct Mark {
        int row = -1;
        int column = -1;
        std::string text;  ///< "plant.csv:4:5: C02 5000 is above the maximum 999.99"
    };
    const std::vector<Mark>& Problems() const { return m_marks; }
    /// The problems of one cell (row -1: a heading), one a line; empty when none.
    std::string ProblemsAt(int row, int column) const;
    bool Ok() const { return m_open && m_check.Ok(); }
    /// "12 rows, no problems" / "12 rows, 3 problems".
    std::string Summary() const;

    /// Make Files: the files of a list without problems into `folder`.
    MakeOutcome Make(const std::string& folder, bool replace);
    /// True when a file the list makes is in `folder` already.
    bool FilesExist(const std::string& folder) const;

    /// Commission: makes the files into `folder` (replacing them with
    /// `replace`), then starts the rack download of the list's slots; the
    /// report names `user`. Empty when it started, else why not.
    std::string Commission(const std::string& folder, bool replace, const std::string& user,
                           std::function<bool(const SlotOutcome&, const DownloadPreview&)> confirm);
    bool Running() const { return m_running; }
    void Stop();
    /// The last slot's outcome while a commissioning runs ("slot 3 downloaded").
    const std::string& Progress() const { return m_progress; }
    /// The report of the last commissioning.
    const std::optional<CommissioningReport>& Report() const { return m_report; }

    /// Called whenever the table, the problems, the progress or the report change.
    std::function<void()> onChange;

  private:
    void Changed();

    Workspace& m_ws;
    bool m_open = false;
    std::string m_list;
    files::InstrumentListTable m_table;
    ListCheck m_check;
    std::vector<Mark> m_marks;
    std::shared_ptr<RackRun> m_run;
    std::shared_ptr<bool> m_alive = std::make_shared<bool>(true);
    bool m_running = false;
    std::string m_progress;
    std::optional<CommissioningReport> m_report;
};

}  // namespace rq50::session
