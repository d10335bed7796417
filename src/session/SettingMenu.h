#pragma once

// The setting menu of both work modes as its window presents it: the captions
// by SettingMode, and what each option starts. Parameter mode offers online
// setting, an upload and a parameter file; program mode hands its options to
// the program side (ProgramMenuConfirm). The window shows the options and
// calls these; it decides nothing.

#include <string>

#include "session/ScreenFlow.h"
#include "session/Vocabulary.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// The three options, in their order on screen, in both modes.
enum class SettingMenuOption { kSetOrNew = 0, kUpload = 1, kFile = 2 };

/// The job an option of the parameter mode starts, and the title it runs
/// under: the option's own caption from the catalogue.
struct SettingMenuJob {
    comm::Job job = comm::Job::None;
    session::JobCaller caller = session::kCallerNone;
    std::string title;
};

class SettingMenu {
  public:
    explicit SettingMenu(files::Workspace& ws) : m_ws(ws) {}

    /// Program mode (SettingMode 1) or parameter mode.
    bool ProgramMode() const;
    std::string Caption() const;
    std::string OptionText(SettingMenuOption option) const;

    /// Load: in program mode the program editor's undo folder is made; it
    /// lives as long as this menu. Unload removes it.
    void Load();
    void Unload();
    /// The menu became the working screen (the Baud Rate command's screen).
    void Activated();

    /// The job of a parameter-mode option that starts one (set and upload).
    static SettingMenuJob JobFor(SettingMenuOption option);

    /// OK with `option` chosen. Parameter mode: Set connects (job 3), Upload
    /// uploads the parameter data (job 1; the data view then shows uploaded
    /// data), File disables the menu and opens the parameter file dialog.
    /// Program mode: ProgramMenuConfirm.
    void Confirm(SettingMenuOption option);
    /// Cancel: back to the top menu, the menu goes.
    void Cancel();
    /// Baud Rate of the Communication Settings menu: the check job.
    void BaudRate();

  private:
    files::Workspace& m_ws;
};

}  // namespace rq50::session
