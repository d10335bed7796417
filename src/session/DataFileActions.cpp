#include "session/DataFileActions.h"

#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "files/Workspace.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramTypes.h"
#include "shell/SessionState.h"

namespace rq50::session {

using namespace rq50::files;

namespace {
bool ProgramMode(const files::Workspace& ws) {
    return ws.state.settingMode != shell::SettingMode::Parameter;
}
}  // namespace

session::FileDialogActions DataFileActions(files::Workspace& ws) {
    session::FileDialogActions actions;
    actions.readFile = [&ws](const std::string& path, const std::string& title) {
        return ProgramMode(ws) ? ReadProgramFile(ws, path, title)
                               : ReadParameterFile(ws, path, title);
    };
    actions.lastItemIndex = [&ws]() -> std::int64_t {
        if (ProgramMode(ws)) return static_cast<std::int64_t>(ws.program.records.size()) - 1;
        return static_cast<std::int64_t>(ws.items.dataSet.size()) - 1;
    };
    return actions;
}

}  // namespace rq50::session
