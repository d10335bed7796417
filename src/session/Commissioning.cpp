#include "session/Commissioning.h"

#include "files/OleDate.h"
#include "files/RecordFile.h"
#include "files/SingleByteText.h"
#include "print/PrintControl.h"

#include <algorithm>

namespace rq50::session {

namespace {

/// Column format of the printed table (twips), as CommissioningTable's.
constexpr const char* kTableFormat = "1500|900|>600|1500|2300|3400";

std::string ValuesText(const PlannedFile& file) {
    std::string text;
    for (const auto& v : file.values) {
        if (!text.empty()) text += "; ";
        text += v.address + " " + v.name + " = " + v.value;
    }
    return text;
}

/// The backup's file name: the folder is the user data folder's BACKUP.
std::string FileNameOf(const std::string& path) {
    const auto at = path.find_last_of("/\\");
    return at == std::string::npos ? path : path.substr(at + 1);
}

}  // namespace

CommissioningReport CommissioningReportOf(const std::string& list, const ListCheck& check,
                                          const std::vector<SlotOutcome>& outcome,
                                          const std::map<int, std::string>& backups, double date,
                                          const std::string& user) {
    CommissioningReport report{list, date, user, RackSummary(outcome), {}};
    for (const auto& file : check.files) {
        CommissionedTag t{file.tag,         file.model, file.slot, file.fileName,
                          ValuesText(file), "",         "",        ""};
        if (file.slot == 0) {
            t.result = "no slot";
            t.detail = "not in a rack; download " + file.fileName + " on its own";
        } else {
            const auto s = std::find_if(outcome.begin(), outcome.end(),
                                        [&](const SlotOutcome& o) { return o.slot == file.slot; });
            if (s == outcome.end()) {
                t.result = "not reached";
            } else {
                t.result = s->result.empty() ? SlotStateName(s->state) : s->result;
                t.detail = s->detail;
            }
            if (const auto b = backups.find(file.slot); b != backups.end()) t.backup = b->second;
        }
        report.tags.push_back(std::move(t));
    }
    return report;
}

files::ReportTable CommissioningTable(const CommissioningReport& report) {
    files::ReportTable table;
    table.columns = {{"Tag", 1500, files::ColumnAlign::Left, 14, "tag"},
                     {"Model", 900, files::ColumnAlign::Left, 7, "model"},
                     {"Slot", 600, files::ColumnAlign::Right, 5, "slot"},
                     {"Read-back", 1500, files::ColumnAlign::Left, 12, "readBack"},
                     {"Backup", 2300, files::ColumnAlign::Left, 36, "backup"},
                     {"Values Set", 3400, files::ColumnAlign::Left, 0, "values"}};
    for (const auto& t : report.tags) {
        // Every backup is in the same folder: the printed forms show its name.
        table.rows.push_back(files::ReportRow({{t.tag},
                                               {t.model},
                                               {t.slot == 0 ? "" : std::to_string(t.slot)},
                                               {t.result},
                                               {t.backup, "", FileNameOf(t.backup)},
                                               {t.values}}));
    }
    return table;
}

files::CsvLines CommissioningCsv(const CommissioningReport& report) {
    files::CsvLines lines;
    lines.push_back("\xEF\xBB\xBF" + files::CsvQuote("Commissioning Report"));
    lines.push_back("List," + files::CsvQuote(report.list));
    lines.push_back("Date," + files::CsvQuote(files::FormatGeneralDate(report.date)));
    lines.push_back("User," + files::CsvQuote(report.user));
    lines.push_back("Summary," + files::CsvQuote(report.summary));
    lines.emplace_back();
    const auto table = CommissioningTable(report);
    std::string heading;
    for (const auto& column : table.columns)
        heading += (heading.empty() ? "" : ",") + column.heading;
    heading += ",Detail";
    lines.push_back(heading);
    for (std::size_t r = 0; r < table.rows.size(); ++r)
        lines.push_back(files::CsvLine(table.rows[r]) + "," +
                        files::CsvQuote(report.tags[r].detail));
    return lines;
}

bool PrintCommissioningReport(print::PrintControl& control, const CommissioningReport& report,
                              const print::ReportSetup& setup) {
    auto single = [](const std::string& utf8) { return files::Utf8ToSingleByte(utf8); };
    const auto table = CommissioningTable(report);
    print::ReportTable printed;
    printed.title = single("List " + report.list + ", " + files::FormatGeneralDate(report.date) +
                           ", " + report.user + ": " + report.summary);
    printed.format = kTableFormat;
    printed.heading = files::Headings(table);
    for (const auto& row : files::ShownRows(table)) {
        print::TableRow cells;
        for (const auto& cell : row) cells.push_back(single(cell));
        printed.rows.push_back(std::move(cells));
    }
    return print::PrintTables(control, "Commissioning Report", {printed}, setup);
}

bool CommissioningSucceeded(const CommissioningReport& report) {
    return std::all_of(report.tags.begin(), report.tags.end(), [](const CommissionedTag& t) {
        return t.slot == 0 || t.result == "downloaded";
    });
}

std::shared_ptr<RackRun> StartCommissioning(Workspace& ws, const ListCheck& check,
                                            CommissioningOptions options, std::string& why) {
    RackOptions rack;
    rack.action = RackAction::kDownload;
    rack.folder = options.folder;
    for (const auto& file : check.files) {
        if (file.slot != 0) rack.askedSlots.push_back(file.slot);
    }
    if (rack.askedSlots.empty()) {
        why = "no row of the list names a slot; nothing goes into a rack";
        return nullptr;
    }
    std::sort(rack.askedSlots.begin(), rack.askedSlots.end());
    // Another file for a list's slot in the folder would leave the slot out.
    const auto found = FindRackFiles(options.folder);
    for (const int slot : rack.askedSlots) {
        const auto at = found.bySlot.find(slot);
        if (at != found.bySlot.end() && at->second.size() > 1) {
            std::string names;
            for (const auto& path : at->second)
                names += (names.empty() ? "" : ", ") + files::FileTitleOf(path);
            why = "two files name slot " + std::to_string(slot) + " in " + options.folder + " (" +
                  names + "); keep only the list's file there; nothing was downloaded";
            return nullptr;
        }
    }
    auto backups = std::make_shared<std::map<int, std::string>>();
    rack.confirm = [backups, confirm = options.confirm](const SlotOutcome& slot,
                                                        const DownloadPreview& preview) {
        (*backups)[slot.slot] = preview.backup;
        return !confirm || confirm(slot, preview);
    };
    rack.onSlot = options.onSlot;
    rack.onEnd = [backups, check, o = options](const std::vector<SlotOutcome>& outcome, bool) {
        if (o.onEnd)
            o.onEnd(CommissioningReportOf(o.list, check, outcome, *backups, files::OleDateNow(),
                                          o.user));
    };
    auto run = RackRun::Start(ws, std::move(rack));
    if (!run) why = "the line is busy";
    return run;
}

}  // namespace rq50::session
