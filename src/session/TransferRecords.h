#pragma once

// The session's transfers as the plant register records them: every upload
// and download (parameter and program) as its job ends, the backup before a
// download, a compare with the instrument and a restore, each with the whole
// set, the instrument's identity, the line and slot, and the result.

#include <string>
#include <vector>

#include "comm/jobs/JobResults.h"
#include "files/SaveTarget.h"
#include "register/Record.h"
#include "session/Vocabulary.h"

namespace rq50::session {

struct Workspace;

/// Where the workspace's program came from, as its download names it: the
/// editor's file, "program uploaded from the instrument" or "new program",
/// with ", edited" when it was changed since.
std::string ProgramSourceName(const Workspace& ws);

/// A record of what the workspace holds now (the set just uploaded, or the
/// file just downloaded) as `kind`, with the line and slot of the last job.
plant::Record RecordOfWorkspace(const Workspace& ws, plant::RecordKind kind,
                                files::DataFileKind fileKind);

/// What a download's read-back confirmed, as a record lists it.
struct ConfirmedWrites {
    /// The items whose value the instrument's answer shows changed from the
    /// backup (`before` kBeforeUnknown without one: every item written),
    /// `after` the instrument's answer, `file` the file's value where the
    /// answer is another.
    std::vector<plant::Change> changes;
    /// Items written whose answer is not the file's value.
    int differFromFile = 0;
};

/// The changes of writing the set `file` (of `kind`, a file's bytes) to an
/// instrument that held `backup` (empty: not known) and answered `written`.
ConfirmedWrites ConfirmedChanges(files::DataFileKind kind, const plant::Blob& file,
                                 const plant::Blob& backup,
                                 const std::vector<comm::jobs::WrittenItem>& written);

/// Records `record` when the session has a recorder and recording is on.
/// Empty when it went in or nothing is recorded; else what the user was told.
std::string RecordTransfer(Workspace& ws, plant::Record record);

/// The session's register asks a reason for every write (its setting
/// REASONREQUIRED) and transfers are recorded.
bool ReasonRequired(Workspace& ws);

/// Makes the session's engine record its transfer jobs as they end
/// (JobRequest::recordAs names another kind, or "none").
void RecordTransfersOf(Workspace& ws);

}  // namespace rq50::session
