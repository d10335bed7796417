#pragma once

// Compare with TAVRO: the instrument's set (or program) is uploaded and
// compared item by item with the data held, by the rule the download's list
// of changes uses; the items that differ are shown in the check list (File /
// TAVRO), which prints as the download check does. Nothing is written. The
// data view offers it for a data set and a program, the program editor for
// its program.

#include <functional>
#include <string>
#include <vector>

#include "comm/jobs/TransferRules.h"
#include "files/Compare.h"
#include "files/SaveTarget.h"
#include "session/Vocabulary.h"
#include "shell/NavigationHost.h"

namespace rq50::session {

struct Workspace;

/// The differences in the check list's form: the file's value as sent, the
/// instrument's as set.
std::vector<comm::jobs::DownloadCheckEntry> CheckEntriesOf(
    const std::vector<files::ItemDifference>& differences);

/// What comparing the data held with the instrument's set found.
struct InstrumentComparison {
    bool uploaded = false;           ///< the instrument's set (or program) was read
    std::string otherModel;          ///< the data is for another model: nothing compared
    std::vector<std::string> notes;  ///< header differences, one sentence each
    std::vector<files::ItemDifference> differences;
    int Count() const { return static_cast<int>(notes.size() + differences.size()); }
};

/// The register's words for a comparison with `against`: "matches X",
/// "1 item differs from X", "N items differ from X".
std::string ComparisonResult(int differences, const std::string& against);

/// The comparison both front ends run: uploads the instrument's set (the
/// program for kProgram) from `screen`, asking the start question when
/// `askToStart`; compares the data the workspace held with it, by the rule
/// of the download's list of changes; records it in the plant register as a
/// verify against `against` (not when the data is for another model); puts
/// the data back and hands what was found to `done`. False when nothing
/// started.
bool StartComparison(Workspace& ws, files::DataFileKind kind, const std::string& against,
                     Screen screen, bool askToStart,
                     std::function<void(const InstrumentComparison&)> done);

/// Asks the start question and uploads the instrument's set (the program
/// upload for `kind` kProgram) from `screen`; then puts the held data back
/// and shows the check list, or says that no item differs and enables
/// `screen` again. An upload that failed, or found no program, compares
/// nothing. False when nothing started.
bool StartCompareWithInstrument(Workspace& ws, Screen screen,
                                files::DataFileKind kind = files::DataFileKind::kParameter);

/// Close of the check list: back to the screen that started the comparison
/// it shows, or after a download's read-back to the data view (the program
/// editor in program setting); that screen is shown and enabled.
void CloseCheckList(Workspace& ws);

}  // namespace rq50::session
