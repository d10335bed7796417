#pragma once

#include <string>

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::files {

/// The program editor's working folder, `Undo\` in the session's user data
/// folder.
std::string UndoFolderPath(const Workspace& ws);

/// Empties the folder when it exists; otherwise creates it, asking up to 101
/// times and letting window events run between attempts. True when the
/// folder exists afterwards.
bool PrepareUndoFolder(Workspace& ws);

/// Deletes every file of the folder.
void ClearUndoFolder(const Workspace& ws);

/// Removes the folder when it exists; a failure (a folder that still holds
/// files) is ignored.
void RemoveUndoFolder(Workspace& ws);

}  // namespace rq50::files
