#pragma once

// Compare with TAVRO: the instrument's set (or program) is uploaded and
// compared item by item with the data held, by the rule the download's list
// of changes uses; the items that differ are shown in the check list (File /
// TAVRO), which prints as the download check does. Nothing is written. The
// data view offers it for a data set and a program, the program editor for
// its program.

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
