#pragma once

// The file work behind the open and save dialogs of the data files: which
// reader a chosen file goes to and how many item blocks the data holds, both
// by SettingMode (parameter or program data).

#include "session/FileDialog.h"
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// The reader of the mode (ReadParameterFile or ReadProgramFile) and the
/// index of the data's last item block (-1 for none).
session::FileDialogActions DataFileActions(files::Workspace& ws);

}  // namespace rq50::session
