#pragma once

#include "files/SaveTarget.h"
#include "parameter/ItemBlock.h"

#include <string>
#include <string_view>
#include <vector>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

// Before a download overwrites an instrument, its set is uploaded and kept
// in User/BACKUP of the user data folder, so that what the instrument held
// can always be put back.

/// The TAG NO item's text of a data set, trimmed; empty when the model has
/// no such item.
std::string TagOf(const std::vector<parameter::ItemBlock>& dataSet);

/// `text` as part of a file name: blanks at the ends trimmed, and every
/// character a file name cannot hold on Windows or Linux, and every blank,
/// made "-"; "none" when empty.
std::string FileNamePart(std::string_view text);

/// "<model>_<tag>_<time>.7pa" (or .7pr): blanks at the ends trimmed, and every
/// character a file name cannot hold on Windows or Linux, and every blank,
/// made "-"; an empty model or tag is "none".
std::string BackupFileName(std::string_view model, std::string_view tag, std::string_view time,
                           DataFileKind kind);

/// Saves the current data set (or program) as the instrument's backup: the
/// set just uploaded, named by its model and tag (else the information
/// record's instrument number) and the local time, in User/BACKUP (made when
/// missing), never over an earlier backup. The file is whole or absent.
/// Returns its path, or empty when it could not be written; `why` then says
/// what went wrong.
std::string WriteBackup(files::Workspace& ws, DataFileKind kind, std::string& why);

}  // namespace rq50::files
