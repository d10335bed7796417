#pragma once

// What the desktop program and rq50-cli do with the plant register's
// records: put one into the workspace (to view, compare or download it),
// choose the record a restore downloads, and start that restore as a safe
// download.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "files/SaveTarget.h"
#include "register/PlantRegister.h"
#include "session/SafeDownload.h"
#include "session/Vocabulary.h"

namespace rq50::session {

struct Workspace;

/// Puts the record's set into the workspace as reading its file would (the
/// information record's file name becomes the record's file name). False
/// when its bytes are not a set of its kind; nothing is changed then.
bool LoadRecord(Workspace& ws, const plant::Record& record);

/// The record a restore into the instrument `name` downloads: record `id`
/// when non-zero (it must be of that instrument and of `kind`), else the last
/// good one (PlantRegister::LastGood). Nothing, with the reason in `why`,
/// when there is none.
std::optional<plant::Record> RestoreRecordFor(plant::PlantRegister& reg, const std::string& name,
                                              std::int64_t id, files::DataFileKind kind,
                                              std::string& why);

/// Downloads `record` into the instrument on the line from `screen`, as a
/// safe download (backup, preview, read-back), recorded as a restore.
bool StartRestore(Workspace& ws, const plant::Record& record, Screen screen,
                  std::unique_ptr<DownloadQuestions> questions);

}  // namespace rq50::session
