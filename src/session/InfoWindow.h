#pragma once

// The information window as its window presents it: the record's boxes, OK
// and Cancel by the purpose it was opened for, and the closing work (the
// file written by the setting mode's writer, the screen given back, the quit
// question after a save before quitting). The window edits the boxes and
// calls these.

#include "files/InformationRecord.h"
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

class InfoWindow {
  public:
    explicit InfoWindow(files::Workspace& ws) : m_ws(ws) {}

    /// The boxes filled from the current information record.
    files::InfoForm Form() const;

    /// OK with the boxes as typed. False when the date is refused (the
    /// window stays; its date box takes the focus). Otherwise the record is
    /// updated, the purpose's OK event runs and the window closes.
    bool Ok(files::InfoForm form);
    /// Cancel: the purpose's Cancel event, then the window closes.
    void Cancel();
    /// Set once the window is closing: its boxes are no longer checked.
    bool Closing() const { return m_closing; }

  private:
    void Close();

    files::Workspace& m_ws;
    bool m_closing = false;
};

}  // namespace rq50::session
