#pragma once

// What follows a job: the screen flow. A screen starts a job as its caller;
// when the job ends, its outcome is handed back to that caller's screen as
// an event of the navigation, a display, a menu command, or the screen
// enabled again. The engine knows none of this: it hands the outcome to the
// completion the flow gave the job.

#include <functional>
#include <string>

#include "comm/Engine.h"
#include "session/Navigation.h"
#include "session/Vocabulary.h"
#include "shell/NavigationHost.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// The screen that started a job, which gets control back when it ends.
enum class JobCaller {
    None,  ///< a front end without screens (rq50-cli, tests): no hand-back
    DataViewDownload,
    SettingMenuUpload,
    SettingMenuProgram,
    DataView3,
    DataView4,
    CategoryMenu,
    SettingMenuSet,
    ProgramEditor,
    BaudDialog,
    SlotDialog,
    /// The parameter screen's own jobs (tabs, moves, reads, writes): they end
    /// on that screen, with no hand-back.
    ParameterScreen,
};
inline constexpr JobCaller kCallerNone = JobCaller::None;
inline constexpr JobCaller kCallerDataViewDownload = JobCaller::DataViewDownload;
inline constexpr JobCaller kCallerSettingMenuUpload = JobCaller::SettingMenuUpload;
inline constexpr JobCaller kCallerSettingMenuProgram = JobCaller::SettingMenuProgram;
inline constexpr JobCaller kCallerDataView3 = JobCaller::DataView3;
inline constexpr JobCaller kCallerDataView4 = JobCaller::DataView4;
inline constexpr JobCaller kCallerCategoryMenu = JobCaller::CategoryMenu;
inline constexpr JobCaller kCallerSettingMenuSet = JobCaller::SettingMenuSet;
inline constexpr JobCaller kCallerProgramEditor = JobCaller::ProgramEditor;
inline constexpr JobCaller kCallerBaudDialog = JobCaller::BaudDialog;
inline constexpr JobCaller kCallerSlotDialog = JobCaller::SlotDialog;
inline constexpr JobCaller kCallerParameterScreen = JobCaller::ParameterScreen;

/// How control returns to the screens when a job ends.
enum class HandBackKind {
    None,         ///< nothing happens
    Event,        ///< DisplayMatrix(ws, code, follow)
    Display,      ///< ShowDisplay(ws, code)
    MenuCommand,  ///< the main window's menu command `code`
    Enable,       ///< the screen is enabled again
    Unload,       ///< the screen is closed
};

struct HandBackAction {
    HandBackKind kind = HandBackKind::None;
    int code = 0;  ///< the event code of an Event
    int follow = 0;
    Screen screen = Screen::TopMenu;
    Display display = Display::None;                   ///< of a Display
    MenuCommandCode menu = MenuCommandCode::Category;  ///< of a MenuCommand

    bool operator==(const HandBackAction&) const = default;
};

/// The hand-back of a job started by `caller` as `job` that ended with
/// `result`.
HandBackAction HandBackFor(JobCaller caller, comm::Job job, comm::CommErrorCode result,
                           const comm::HandBackFacts& facts);
inline HandBackAction HandBackFor(JobCaller caller, const comm::JobOutcome& outcome) {
    return HandBackFor(caller, outcome.job, outcome.code, outcome.facts);
}

/// Carries out `action` through the navigation routines; a MenuCommand goes
/// to the workspace's menu handler.
void RunHandBack(Workspace& ws, const HandBackAction& action);

/// The completion that hands a job's end back to `caller`'s screen.
std::function<void(const comm::JobOutcome&)> HandBackTo(Workspace& ws, JobCaller caller);

/// Starts a job whose end is handed back to `caller` (unless the request
/// names its own completion). False when the engine refused.
bool StartCallerJob(comm::CommEngine& engine, comm::JobRequest request, JobCaller caller);

/// What every screen does to start a job: asks "Starts communication. Press
/// OK button if ready." (when `prompt`), starts the job, and when the engine
/// accepts it disables `screen` and shows the "Now Communicating" dialog.
/// False when the user cancelled or the engine refused (nothing changed
/// then). A download (job 2 or 16) is refused with the wrong-password message
/// while downloads are not allowed.
bool StartScreenJob(comm::CommEngine& engine, comm::JobRequest request, JobCaller caller,
                    Screen screen, bool prompt = true);

/// Menu command that opens the baud-rate dialog after job 20.
constexpr MenuCommandCode kMenuBaudRateDialog = MenuCommandCode::BaudRate;
/// Menu command after job 23 when a rack interface answered.
constexpr MenuCommandCode kMenuAfterSlotJob = MenuCommandCode::Category;

}  // namespace rq50::session
