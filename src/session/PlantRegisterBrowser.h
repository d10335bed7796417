#pragma once

// The Plant Register window of the top menu: the instruments the session's
// register knows, by plant and area, the records of the one chosen, and what
// can be done with a record. Open puts its set into the data view (a program
// into the program editor) as opening its file would; Compare lists what two
// records differ in, or runs Compare with TAVRO on one; Restore downloads a
// record (or the instrument's last good one) as a safe download recorded as
// a restore; Export writes its set as a .7pa/.7pr file; Print prints the
// instrument's history with the selected record's changes. The window shows
// the rows and calls these; the work that goes on the line starts once the
// window has closed, on the screens of the chain.

#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "print/Reports.h"
#include "register/PlantRegister.h"
#include "session/FileDialog.h"
#include "session/SafeDownload.h"
#include "session/Vocabulary.h"
#include "shell/MessageBoxHost.h"

namespace rq50::session {

struct Workspace;

/// One line of the instrument tree: a plant (depth 0), an area of it (1), or
/// an instrument of that area (2), in the order they are shown.
struct RegisterTreeRow {
    int depth = 0;
    std::string text;     ///< the plant, the area, or "NAME (MODEL)"; UTF-8
    int instrument = -1;  ///< at depth 2 the instrument's index, else -1
};

/// A record as the list shows it (UTF-8).
struct RegisterRecordRow {
    std::string time;
    std::string kind;
    std::string who;   ///< user@host
    std::string slot;  ///< empty without a rack interface
    std::string file;
    std::string result;
    std::string reason;
    /// What register verify found of the record ("edited", "inserted",
    /// "reordered"); empty before Verify and for a record found intact.
    std::string finding;
};

/// What two records differ in, the older one's values first (UTF-8).
struct RecordDifferences {
    std::string heading;  ///< the instrument and the two records
    std::string first;    ///< the older record, as its column is headed
    std::string second;
    /// Address, name, the older record's value, the newer one's.
    std::vector<std::vector<std::string>> rows;
};

/// What the browser needs of its window.
class PlantRegisterHost {
  public:
    virtual ~PlantRegisterHost() = default;
    /// The password before work, as the top menu asks it: false to stay.
    virtual bool PasswordGate() = 0;
    /// Closes the window; what follows happens on the screens of the chain.
    virtual void CloseWindow() = 0;
    /// The questions of a restore's download (the list of changes), asked
    /// over a window that outlives this one.
    virtual std::unique_ptr<DownloadQuestions> RestoreQuestions() = 0;
    /// The file dialog of Export.
    virtual FileDialogHost& FileDialog() = 0;
    /// Shows what two records differ in and returns when it is closed.
    virtual void ShowDifferences(const RecordDifferences& differences) = 0;
    /// Prints the report `write` draws on the printer (without one, offers a
    /// PDF file).
    virtual void PrintReport(const print::ReportWriter& write) = 0;
    /// Asks the name to give the instrument now named `current`; nothing
    /// when the user cancels.
    virtual std::optional<std::string> AskName(const std::string& current) = 0;
};

class PlantRegisterBrowser {
  public:
    PlantRegisterBrowser(Workspace& ws, PlantRegisterHost& host) : m_ws(ws), m_host(host) {}

    /// Opens the session's register and reads its instruments. False, after
    /// a message that names the register and why (or says that transfers are
    /// not recorded), when there is nothing to show.
    bool Open();
    const std::vector<RegisterTreeRow>& Tree() const { return m_tree; }
    /// Chooses the instrument of tree row `row` (a plant or an area chooses
    /// none) and reads its records.
    void ChooseInstrument(int row);
    /// The chosen instrument's records, newest first.
    std::vector<RegisterRecordRow> RecordRows() const;
    const std::vector<plant::Record>& Records() const { return m_records; }
    /// The row Restore takes without a selection, which the window selects:
    /// the newest record whose result was good (PlantRegister::LastGood);
    /// -1 when there is none.
    int DefaultRestoreRow() const { return m_defaultRow; }

    /// Enter or a double click on record `row`: its set in the data view (a
    /// program in the program editor), after the password; the window closes.
    void OpenRecord(int row);
    /// Two records: the items they differ in. One: the record in the data view
    /// (or program editor) and Compare with TAVRO on it.
    void Compare(const std::vector<int>& rows);
    /// The record selected, or with none the chosen instrument's last good
    /// one, downloaded after a question that names it and the instrument,
    /// from the data view (the program editor) as a safe download recorded
    /// as a restore.
    void Restore(const std::vector<int>& rows);
    /// The selected record's set written as a file chosen in the save dialog.
    /// Returns the path written; empty when nothing was.
    std::string Export(const std::vector<int>& rows);
    /// The chosen instrument's history, and the changes of the record
    /// selected, on the printer.
    void Print(const std::vector<int>& rows);
    /// Gives the chosen instrument (one without a TAG NO) the name the user
    /// enters; its later records follow it. The tree is read again.
    void Name();
    /// Walks the register's hash chain (against the head this computer
    /// kept): the line that says what was found, and the records concerned
    /// marked in RecordRows. Kept as the head when the chain is intact.
    std::string Verify();

  private:
    /// Runs `action`; a register that fails on the way is said, with why.
    void Guarded(const std::function<void()>& action);
    void Say(const std::string& text, MsgIcon icon) const;
    /// The whole record `row` of the list (its set and changes); a message
    /// and nothing when there is none.
    std::optional<plant::Record> Whole(int row);
    /// The record's set in the chain's screen for its kind of data, after
    /// the password; the window closes. That screen, or nothing.
    std::optional<Screen> ShowInChain(const plant::Record& record);

    Workspace& m_ws;
    PlantRegisterHost& m_host;
    plant::PlantRegister* m_register = nullptr;
    std::vector<plant::Instrument> m_instruments;
    std::vector<RegisterTreeRow> m_tree;
    int m_chosen = -1;
    int m_defaultRow = -1;
    std::vector<plant::Record> m_records;
    /// What the last Verify found, by record number.
    std::map<std::int64_t, std::string> m_findings;
};

/// `name` with the password a PostgreSQL URI may carry shown as "***".
std::string RegisterNameShown(const std::string& name);

/// The record as the user knows it: "upload of 2026-12-07T23:41:23Z".
std::string RecordTitle(const plant::Record& record);
/// The record as a restore names it: "the upload of 2026-12-08 05:57
/// (completed)".
std::string RestoreTitle(const plant::Record& record);

}  // namespace rq50::session
