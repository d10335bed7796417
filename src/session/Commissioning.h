#pragma once

// Commissioning a rack from the instrument list: the files made from the
// list go into their slots by the rack download (backup, preview and
// read-back for each slot), and the run ends with the commissioning report:
// per tag the model, slot, the values set from the list, the read-back and
// the backup, with the date and the user.

#include "files/Csv.h"
#include "files/ReportTable.h"
#include "print/Reports.h"
#include "session/InstrumentList.h"
#include "session/RackRun.h"
#include "session/Vocabulary.h"

#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rq50::session {

/// One row of the list as commissioned. Texts are UTF-8.
struct CommissionedTag {
    std::string tag;
    std::string model;
    int slot = 0;
    std::string file;
    std::string values;  ///< "C02 SCALE LO = -12.50; D02 DAMPING = 2.50000"
    /// The rack run's result ("downloaded": every value read back as sent;
    /// "differs", "failed", "skipped"), or "no slot" for a row without one.
    std::string result;
    std::string detail;
    std::string backup;  ///< the instrument's set before the download
};

struct CommissioningReport {
    std::string list;  ///< the list's file name
    double date = 0;
    std::string user;
    std::string summary;  ///< the rack run's summary
    std::vector<CommissionedTag> tags;
};

/// The report of a rack download of `check`'s files: a row per row of the
/// list, in its order; `backups` by slot.
CommissioningReport CommissioningReportOf(const std::string& list, const ListCheck& check,
                                          const std::vector<SlotOutcome>& outcome,
                                          const std::map<int, std::string>& backups, double date,
                                          const std::string& user);

/// The report's table: Tag, Model, Slot, Read-back, Backup (the file's name
/// shown, its path in CSV and JSON), Values Set.
files::ReportTable CommissioningTable(const CommissioningReport& report);

/// The report as CSV lines (UTF-8, the first with a byte order mark): the
/// list, date, user and summary, then the table.
files::CsvLines CommissioningCsv(const CommissioningReport& report);

/// The report on paper or PDF through the report layout.
bool PrintCommissioningReport(print::PrintControl& control, const CommissioningReport& report,
                              const print::ReportSetup& setup);

/// True when every row with a slot was downloaded and read back as sent.
bool CommissioningSucceeded(const CommissioningReport& report);

struct CommissioningOptions {
    std::string list;    ///< the list's file name, for the report
    std::string folder;  ///< where the list's files were made
    std::string user;
    /// Asked per slot with the preview of its changes (true: download);
    /// null: every slot is downloaded.
    std::function<bool(const SlotOutcome&, const DownloadPreview&)> confirm;
    std::function<void(const SlotOutcome&)> onSlot;
    std::function<void(const CommissioningReport&)> onEnd;
};

/// Starts the rack download of the slots `check` names from the files made
/// in `options.folder`; onEnd gets the report. Null, with the reason in
/// `why`, when no row has a slot or the line is busy.
std::shared_ptr<RackRun> StartCommissioning(Workspace& ws, const ListCheck& check,
                                            CommissioningOptions options, std::string& why);

}  // namespace rq50::session
