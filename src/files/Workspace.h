#pragma once

// What one session works on and with, apart from its engine: the parameter
// data set with its header and information record, the program of the Free
// Program Computing Unit, the session's flags and navigation state, and the
// hosts its front end lent, and the configuration tables read from the
// session's application folder. Jobs, presenters, screens and commands are given
// the workspace (or the engine, whose Data() it is) by reference; nothing of
// it is process-wide.

#include <stdexcept>

#include <vector>

#include "files/CheckList.h"
#include "files/Csv.h"
#include "files/DataSet.h"
#include "files/InformationRecord.h"
#include "files/ReportKind.h"
#include "parameter/ItemBlock.h"
#include "program/CommandCheck.h"
#include "program/ProgramTypes.h"
#include "shell/ConfigTables.h"
#include "shell/Services.h"
#include "shell/SessionState.h"

namespace rq50::files {

struct Workspace {
    parameter::ItemArrays items;
    files::DataSetHeader header;
    files::InformationRecord information = files::DefaultInformation(0.0);
    program::ProgramState program;
    shell::SessionState state;
    /// V3Model.ini, Category.ini and the operator table of the session's
    /// application folder.
    shell::ConfigTables config;
    /// The areas the print dialog chose, the command check's error lines
    /// kept for printing, and the report the print preview shows.
    files::CsvAreas printAreas;
    std::vector<program::ErrorLine> errorPrintList;
    /// The check list of the last download or compare, for its screen and
    /// its printout.
    files::CheckList checkList;
    files::ReportKind previewReport = files::ReportKind::Current;
    /// The front end's message boxes, settings, navigation, clock and the
    /// session's engine; a null entry leaves that part out.
    shell::Services hosts;

    /// The session's engine; std::logic_error when the workspace has none.
    comm::CommEngine& Engine() const {
        if (hosts.engine == nullptr) throw std::logic_error("the workspace has no engine");
        return *hosts.engine;
    }
};

}  // namespace rq50::files
