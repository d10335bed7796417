#pragma once

// What several rq50-cli commands share: reading and saving data files with
// the names and checks of the file dialogs, the information fields of a save,
// what `show` prints of a data set, and printing JSON.

#include "files/Compare.h"
#include "files/ReportTable.h"
#include "files/SaveTarget.h"

#include <nlohmann/json.hpp>

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace rq50::session {
class CoreSession;
}  // namespace rq50::session

namespace rq50::cli {

using nlohmann::ordered_json;

/// Prints `text` as "rq50-cli: text" on stderr.
void Note(const std::string& text);

/// A job's progress figure now stands on the terminal's current line
/// (written with "\r", no line end).
void ProgressLineShown();
/// Ends the progress line, if one is open, so that what is said next starts
/// on a line of its own; the last figure stays visible.
void EndProgressLine();

/// Reads a parameter or program file into the current data, as the open
/// dialog does. On failure the system's message is followed by a line that
/// names the file.
bool ReadDataFile(session::CoreSession& core, files::DataFileKind kind, const std::string& path);

/// The file a save of `kind` writes for the name the user gave: the
/// extension added when missing, a name of another kind refused, and the
/// place checked before any work is done (a folder, a missing folder, a folder
/// that takes no file). nullopt (reason printed) when it cannot be saved.
std::optional<std::string> PrepareSave(session::CoreSession& core, const std::string& path,
                                       files::DataFileKind kind);

/// Information fields given on the command line (text box index -> text),
/// applied to the current information record as OK of the information
/// window does. False (reason printed) when a field is refused.
bool ApplyInformationFields(session::CoreSession& core, const std::map<files::InfoBox, std::string>& boxes);

/// The texts of the single-byte world as UTF-8 for JSON, trimmed of blanks.
std::string JsonText(const std::string& singleByte);

/// Name of a data kind ("text", "decimal", ...).
std::string KindName(int kind);

/// Prints a JSON document on stdout.
void PrintJson(const ordered_json& document);

/// A report table's rows as JSON objects, one field a column (its key), each
/// cell's value and unit as they came, trimmed, in UTF-8.
ordered_json TableJson(const files::ReportTable& table);

/// What `show` prints of the data the workspace holds (a file just read, or
/// a record of the plant register put there): the information fields, then
/// the item list (MAINT too with `maint`) or the program; `source` names
/// where the data came from.
void PrintCurrentData(session::CoreSession& core, files::DataFileKind kind,
                      const std::string& source, bool maint);
/// The same data with every decoded field, as `show --json` prints it.
ordered_json CurrentDataJson(session::CoreSession& core, files::DataFileKind kind);

/// Prints the outcome of a comparison of `first` with `second` (file names,
/// or "instrument"): the header notes, then one line an item; as JSON when
/// `json` is set.
void PrintDifferences(const std::string& first, const std::string& second,
                      const std::vector<std::string>& notes,
                      const std::vector<files::ItemDifference>& differences, bool json);

}  // namespace rq50::cli
