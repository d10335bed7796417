#pragma once

// Commissioning from the instrument list: every row of the list checked
// against its template by the entry rules an offline `set` applies, one
// parameter file made per row, and the list written back from a folder of
// files. The list's reading is files/InstrumentList.h.

#include "files/Csv.h"
#include "files/InstrumentList.h"
#include "files/ParameterFile.h"

#include <map>
#include <memory>
#include <string>
#include <vector>

namespace rq50::session {

/// One thing wrong with the list, at a line and column of the file (column 0
/// when the whole row is meant). The text is UTF-8.
struct ListProblem {
    int line = 0;
    int column = 0;
    std::string text;
};

/// "LIST.csv:4:5: C02 5000 is above the maximum 999.99".
std::string FormatListProblem(const std::string& listName, const ListProblem& problem);

/// A value the list sets in a row's file, as the file then holds it (UTF-8).
struct ListValueSet {
    std::string address;  ///< "C02"
    std::string name;     ///< the item's name, trimmed
    std::string value;    ///< the data text, trimmed
    int column = 0;       ///< the list's column it came from
};

/// The file one row of the list makes.
struct PlannedFile {
    int line = 0;
    std::string tag;    ///< UTF-8, trimmed
    std::string model;  ///< UTF-8, trimmed
    int slot = 0;       ///< 0 when the row gives none
    std::string templateName;
    std::string fileName;  ///< "S03_RQB2_FIC-101.7pa" or "RQB2_FIC-101.7pa"
    files::ParameterFileRecord record;
    std::vector<ListValueSet> values;  ///< TAG NO first where the model has one
};

/// The outcome of a check: every problem found, and the files of the rows
/// (complete only when there is no problem).
struct ListCheck {
    std::vector<ListProblem> problems;
    /// What the check could not tell (a choice code the template cannot
    /// confirm, as `set` notes it); no problem.
    std::vector<ListProblem> notes;
    std::vector<PlannedFile> files;
    bool Ok() const { return problems.empty(); }
};

/// The templates of a folder, each read once, by file name.
class TemplateFolder {
  public:
    explicit TemplateFolder(std::string folder) : m_folder(std::move(folder)) {}
    /// The template `name` of the folder; null and the reason in `why` when
    /// it is missing or cannot be read.
    const files::ParameterFileRecord* Find(const std::string& name, std::string& why);

  private:
    struct Entry {
        std::unique_ptr<files::ParameterFileRecord> record;
        std::string why;
    };
    std::string m_folder;
    std::map<std::string, Entry> m_templates;
};

/// Checks every cell of `list` and builds each row's file from its template:
/// the values set as `set` sets them, TAG also into the TAG NO item where the
/// model has one, the information record's titles, comment, instrument
/// number (the tag), file name and `date`.
ListCheck CheckInstrumentList(const files::InstrumentListTable& list, TemplateFolder& templates,
                              double date);

/// What a make did.
struct MakeOutcome {
    std::vector<std::string> written;   ///< paths, in the list's order
    std::vector<std::string> problems;  ///< sentences; nothing is written when any
};

/// The files of `check` that are in `folder` already.
std::vector<std::string> ExistingInstrumentFiles(const ListCheck& check, const std::string& folder);

/// Writes the files of a check that found no problem into `folder` (made when
/// missing). Nothing is written when any target exists and `replace` is not
/// set, or cannot be written; each file is whole or absent, and after a
/// failed write no further file is started (those written stay).
MakeOutcome MakeInstrumentFiles(const ListCheck& check, const std::string& folder, bool replace);

/// The list of a folder of parameter files (UTF-8 lines, the first with a
/// byte order mark): TAG, MODEL, SLOT (for rack files), TITLE1, TITLE2,
/// COMMENT, then a column per writable item whose value is not the same in
/// every file of a model (TAG NO is the TAG column). Files that cannot be read are named in
/// `problems`.
files::CsvLines ExportInstrumentList(const std::string& folder, std::vector<std::string>& problems);

}  // namespace rq50::session
