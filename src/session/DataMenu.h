#pragma once

// The data view as its window presents it: the data set held (uploaded, read
// from a file, or of a program) and what to do with it. Each option goes to
// its navigation event by the data's source; leaving asks about unsaved data
// first. The window shows the options and calls these.

#include <memory>
#include <string>
#include "session/Vocabulary.h"
#include "shell/SessionState.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files
namespace rq50::session {
class DownloadQuestions;
}  // namespace rq50::session

namespace rq50::session {

/// The four options, in their order on screen.
enum class DataMenuOption {
    kContentOrEditor = 0,  ///< check the content (the program editor for a program)
    kSave = 1,
    kDownload = 2,
    kPrint = 3,
    kCompare = 4,  ///< Compare with TAVRO (a data set or a program)
    kEdit = 5,     ///< the items changed offline (parameter data)
};

/// What the data menu needs of its window.
class DataMenuHost {
  public:
    virtual ~DataMenuHost() = default;
    /// Print: the window's report goes to the print dialog.
    virtual void PrintData() = 0;
    /// Download: the questions before it (the list of changes, a missing
    /// backup), asked over the window.
    virtual std::unique_ptr<session::DownloadQuestions> DownloadQuestions() = 0;
    /// Edit: the offline editor over the data set (session::OfflineEditor).
    virtual void EditData() = 0;
};

class DataMenu {
  public:
    DataMenu(files::Workspace& ws, DataMenuHost& host) : m_ws(ws), m_host(host) {}

    /// Where the data came from: uploaded, a file, a program.
    shell::DataSource Source() const;
    /// The caption by source, and the option texts.
    std::string Caption() const;
    std::string OptionText(DataMenuOption option) const;
    /// Without the download password the data goes nowhere but to a file.
    bool DownloadAllowed() const;
    /// Edit is for parameter data, not a program (Compare with TAVRO is for
    /// both).
    bool ParameterOptions() const;

    /// Load: uploaded data is in no file until it is saved.
    void Load();
    /// The view became the working screen (the Baud Rate command's screen).
    void Activated();

    /// OK with `option` chosen: the content list (or the program editor), the
    /// save dialog with the information window after it, the download (with
    /// its backup and list of changes), the print dialog, the comparison with
    /// the instrument, or the offline editor.
    void Confirm(DataMenuOption option);
    /// Cancel: back to the setting menu, asking first when the data is
    /// unsaved.
    void Cancel();
    /// File / Information: the information window over the disabled view.
    void Information();
    /// Baud Rate of the Communication Settings menu: the check job.
    void BaudRate();

  private:
    files::Workspace& m_ws;
    DataMenuHost& m_host;
};

}  // namespace rq50::session
