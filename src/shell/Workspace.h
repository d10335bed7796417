#pragma once

// The data one session works on, apart from the engine: the parameter data
// set with its header, and the program of the Free Program Computing Unit.

#include "files/DataSet.h"
#include "parameter/ItemBlock.h"
#include "program/ProgramTypes.h"

namespace rq50::shell {

struct Workspace {
    parameter::ItemArrays items;
    files::DataSetHeader header;
    program::ProgramState program;
};

/// The workspace of the desktop program's and the command line's session,
/// which its screens and file commands still reach through Items(),
/// CurrentDataSetHeader() and Program(). A session of its own (a second
/// instrument, a test) gives its engine another workspace.
Workspace& FrontEndWorkspace();

}  // namespace rq50::shell
