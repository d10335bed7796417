#include "files/DataFileActions.h"

#include "files/ParameterFile.h"
#include "files/ProgramFile.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramTypes.h"
#include "shell/GlobalState.h"

namespace rq50::files {

namespace {
bool ProgramMode() {
    return shell::G().settingMode != 0;
}
}  // namespace

shell::FileDialogActions DataFileActions() {
    shell::FileDialogActions actions;
    actions.readFile = [](const std::string& path, const std::string& title) {
        return ProgramMode() ? ReadProgramFile(path, title) : ReadParameterFile(path, title);
    };
    actions.lastItemIndex = []() -> std::int64_t {
        if (ProgramMode()) return static_cast<std::int64_t>(program::Program().records.size()) - 1;
        return static_cast<std::int64_t>(parameter::Items().dataSet.size()) - 1;
    };
    return actions;
}

}  // namespace rq50::files
