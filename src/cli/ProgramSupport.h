#pragma once

// The program editor's rules as the rq50-cli commands use them without a
// window.

#include "cli/CliSupport.h"
#include "program/ProgramEditor.h"
#include "program/ProgramTypes.h"

#include <memory>
#include <string>

namespace rq50::session {
class CoreSession;
}  // namespace rq50::session

namespace rq50::cli {

/// Category.ini of the session's application folder, read afresh into its
/// tables, as the program side sees it; false (message printed) when it is
/// missing.
bool LoadCategories(session::CoreSession& core, program::CategoryTable& table);

/// Reads a program file and opens it in an editor without a window.
bool OpenInEditor(session::CoreSession& core, const std::string& path,
                  const program::CategoryTable& categories, program::EditorHost& host,
                  std::unique_ptr<program::ProgramEditor>& editor);

/// The check of the editor's Download: the program file is read, written back
/// and checked. With errors they are listed (as JSON lines into `errors` when
/// given) and the download is refused unless `force`. True when the current
/// program may be downloaded.
bool ProgramReadyForDownload(session::CoreSession& core, const std::string& path, bool force,
                             ordered_json* errors);

/// The error list of the last check as JSON.
ordered_json ErrorLinesJson(const std::vector<program::ErrorLine>& lines);

}  // namespace rq50::cli
