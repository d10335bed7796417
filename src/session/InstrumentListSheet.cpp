#include "session/InstrumentListSheet.h"

#include "files/FileError.h"
#include "files/OleDate.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "files/Workspace.h"

#include <map>

namespace rq50::session {

InstrumentListSheet::InstrumentListSheet(Workspace& ws) : m_ws(ws) {}

InstrumentListSheet::~InstrumentListSheet() {
    // A run still going calls back no more.
    m_alive.reset();
    if (m_run && m_running) m_run->Stop();
}

std::string InstrumentListSheet::Open(const std::string& list, const std::string& templates) {
    if (m_running) return "a commissioning runs";
    files::InstrumentListTable table;
    if (const auto e = files::ReadInstrumentList(list, table); e != files::FileError::Ok)
        return list + " cannot be read: " + files::FileErrorDescription(e);
    TemplateFolder folder(templates);
    m_check = CheckInstrumentList(table, folder, files::OleDateNow());
    m_table = std::move(table);
    m_list = list;
    m_open = true;
    m_report.reset();
    m_progress.clear();
    // Where each problem stands in the table: the rows by their first line.
    std::map<int, int> rowOfLine;
    for (int r = 0; r < Rows(); ++r) rowOfLine[m_table.rows[static_cast<std::size_t>(r)].line] = r;
    const std::string name = files::FileTitleOf(list);
    m_marks.clear();
    for (const auto& p : m_check.problems) {
        const auto row = rowOfLine.find(p.line);
        m_marks.push_back(
            {row == rowOfLine.end() ? -1 : row->second, p.column - 1, FormatListProblem(name, p)});
    }
    Changed();
    return {};
}

std::string InstrumentListSheet::Heading(int column) const {
    if (column < 0 || column >= Columns()) return {};
    return files::SingleByteToUtf8(m_table.header.cells[static_cast<std::size_t>(column)]);
}

std::string InstrumentListSheet::Cell(int row, int column) const {
    if (row < 0 || row >= Rows() || column < 0) return {};
    const auto& cells = m_table.rows[static_cast<std::size_t>(row)].cells;
    if (column >= static_cast<int>(cells.size())) return {};
    return files::SingleByteToUtf8(cells[static_cast<std::size_t>(column)]);
}

int InstrumentListSheet::LineOf(int row) const {
    return row < 0 || row >= Rows() ? 0 : m_table.rows[static_cast<std::size_t>(row)].line;
}

std::string InstrumentListSheet::ProblemsAt(int row, int column) const {
    std::string text;
    for (const auto& m : m_marks) {
        if (m.row != row || (m.column != column && m.column != -1)) continue;
        // The tip names what is wrong; the place is the cell itself.
        const auto at = m.text.find(": ");
        if (!text.empty()) text += "\n";
        text += at == std::string::npos ? m.text : m.text.substr(at + 2);
    }
    return text;
}

std::string InstrumentListSheet::Summary() const {
    if (!m_open) return {};
    return std::to_string(Rows()) + " rows, " +
           (m_check.Ok() ? std::string("no problems")
                         : std::to_string(m_check.problems.size()) + " problems");
}

MakeOutcome InstrumentListSheet::Make(const std::string& folder, bool replace) {
    if (!m_open) return {{}, {"no list is open"}};
    return MakeInstrumentFiles(m_check, folder, replace);
}

bool InstrumentListSheet::FilesExist(const std::string& folder) const {
    return m_open && !ExistingInstrumentFiles(m_check, folder).empty();
}

std::string InstrumentListSheet::Commission(
    const std::string& folder, bool replace, const std::string& user,
    std::function<bool(const SlotOutcome&, const DownloadPreview&)> confirm) {
    if (m_running) return "a commissioning runs";
    const auto made = Make(folder, replace);
    if (!made.problems.empty()) return made.problems.front();
    CommissioningOptions options;
    options.list = files::FileTitleOf(m_list);
    options.folder = folder;
    options.user = user;
    options.confirm = std::move(confirm);
    const std::weak_ptr<bool> alive = m_alive;
    options.onSlot = [this, alive](const SlotOutcome& s) {
        if (alive.expired()) return;
        m_progress = "slot " + std::to_string(s.slot) + " " +
                     (s.result.empty() ? SlotStateName(s.state) : s.result);
        Changed();
    };
    options.onEnd = [this, alive](const CommissioningReport& report) {
        if (alive.expired()) return;
        m_report = report;
        m_running = false;
        m_progress = report.summary;
        Changed();
    };
    m_report.reset();
    m_running = true;
    m_progress = std::to_string(made.written.size()) + " files made; downloading...";
    Changed();
    std::string why;
    // The run may end before it returns (a line that cannot open).
    auto run = StartCommissioning(m_ws, m_check, std::move(options), why);
    if (!run) {
        m_running = false;
        m_progress = why;
        Changed();
        return why;
    }
    m_run = run;
    return {};
}

void InstrumentListSheet::Stop() {
    if (m_running && m_run) m_run->Stop();
}

void InstrumentListSheet::Changed() {
    if (onChange) onChange();
}

}  // namespace rq50::session
