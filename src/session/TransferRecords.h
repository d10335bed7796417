#pragma once

// The session's transfers as the plant register records them: every upload
// and download (parameter and program) as its job ends, the backup before a
// download, a compare with the instrument and a restore, each with the whole
// set, the instrument's identity, the line and slot, and the result.

#include <string>

#include "files/SaveTarget.h"
#include "register/Record.h"

namespace rq50::shell {

struct Workspace;

/// A record of what the workspace holds now (the set just uploaded, or the
/// file just downloaded) as `kind`, with the line and slot of the last job.
plant::Record RecordOfWorkspace(const Workspace& ws, plant::RecordKind kind,
                                files::DataFileKind fileKind);

/// Records `record` when the session has a recorder and recording is on.
/// Empty when it went in or nothing is recorded; else what the user was told.
std::string RecordTransfer(Workspace& ws, plant::Record record);

/// Makes the session's engine record its transfer jobs as they end
/// (JobRequest::recordAs names another kind, or "none").
void RecordTransfersOf(Workspace& ws);

}  // namespace rq50::shell
