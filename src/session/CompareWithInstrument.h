#pragma once

// Compare with TAVRO of the data view: the instrument's set is uploaded and
// compared item by item with the data the view holds, by the rule `verify`
// uses; the items that differ are shown in the check list (File / TAVRO),
// which prints as the download check does. Nothing is written.

#include <vector>

#include "comm/jobs/TransferRules.h"
#include "files/Compare.h"
#include "shell/NavigationHost.h"

namespace rq50::shell {

struct Workspace;

/// The differences in the check list's form: the file's value as sent, the
/// instrument's as set.
std::vector<comm::jobs::DownloadCheckEntry> CheckEntriesOf(
    const std::vector<files::ItemDifference>& differences);

/// Asks the start question and uploads the instrument's set from `screen`;
/// then puts the view's data back and shows the check list, or says that no
/// item differs and enables `screen` again. False when nothing started.
bool StartCompareWithInstrument(Workspace& ws, Screen screen);

}  // namespace rq50::shell
