#include "shell/Workspace.h"

namespace rq50::shell {

Workspace& FrontEndWorkspace() {
    static Workspace workspace;
    return workspace;
}

}  // namespace rq50::shell

namespace rq50::parameter {
ItemArrays& Items() {
    return shell::FrontEndWorkspace().items;
}
}  // namespace rq50::parameter

namespace rq50::files {
DataSetHeader& CurrentDataSetHeader() {
    return shell::FrontEndWorkspace().header;
}
}  // namespace rq50::files

namespace rq50::program {
ProgramState& Program() {
    return shell::FrontEndWorkspace().program;
}
}  // namespace rq50::program
