#pragma once

// The program branch of the setting menu: what its window calls on load,
// confirm and unload. The window itself only shows the options.

#include <memory>

#include "program/ProgramTypes.h"
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files
namespace rq50::program {
class ProgramEditor;
}  // namespace rq50::program

namespace rq50::session {

/// The options of the setting menu in program mode, in their order on screen.
enum class ProgramMenuOption { kNew = 0, kUpload = 1, kReadFile = 2 };

/// Load in program mode: the undo folder exists and is empty. False when it
/// could not be created.
bool ProgramMenuLoad(files::Workspace& ws);

/// Unload: the undo folder is removed.
void ProgramMenuUnload(files::Workspace& ws);

/// Confirm in program mode. The menu is disabled, then:
/// New builds the template (model RQK2) and opens the editor; Upload asks
/// "Starts communication. Press OK button if ready." and starts the
/// PROGRAM/CONST upload job, whose end opens the editor; Read opens the file
/// dialog, and a file read opens the editor. False when nothing was started
/// (New refused, upload prompt cancelled, dialog cancelled or failed): the
/// menu is enabled again with its option unchanged.
bool ProgramMenuConfirm(files::Workspace& ws, ProgramMenuOption option);

class DownloadQuestions;

/// How the program editor's Download went.
enum class ProgramDownloadStart {
    Started,          ///< the download (with its backup) is under way
    NotStarted,       ///< refused or cancelled; the editor works on
    ErrorListWanted,  ///< the command check found errors and the user wants to see them
};

/// The program editor's Download, once its grids are written back: a
/// program the command check finds errors in asks "see the errors first?"
/// (Yes: nothing is sent, the editor opens its error list); otherwise the
/// safe download of the program starts from `screen`, its preview and
/// record naming the program's own source.
ProgramDownloadStart DownloadProgram(files::Workspace& ws, program::ProgramEditor& editor,
                                     Screen screen, std::unique_ptr<DownloadQuestions> questions);

}  // namespace rq50::session
