#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "comm/CommErrors.h"
#include "session/Vocabulary.h"
#include "shell/NavigationEvents.h"

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

/// Answer argument of DisplayMatrix for the codes that ask the user.
inline constexpr int kAnswerDataChanged = -1;
inline constexpr int kAnswerNoChange = 0;

/// Display numbers of ShowDisplay.
enum class Display : int {
    None = 0,  ///< no display: the event or follow code runs none
    TopMenu = 2,
    SettingMenu = 3,
    CategoryMenu = 4,
    ParameterDisplay = 5,
    ParameterSet = 6,
    ParameterAdjust = 7,
    ParameterMaint = 8,
    DataView = 9,
    OpenFile = 10,
    DataViewUploaded = 11,
    ContentList = 12,
    Information = 13,
    SaveFile = 14,
    DownloadCheck = 15,
    PrintDialog = 16,
    PrintNow = 17,
    PrintPreview = 18,
    SettingMenuProgram = 19,
    DataViewFile = 20,
    ProgramEditor = 21,
    ErrorList = 22,
    CommProgress = 23,
    SlotDialog = 24,
    BaudRateDialog = 25,
    Version = 26,
    NoAction = 27,
    CsvFile = 28,
};

/// The engine's hand-back to the setting menu after a failed job, as the
/// communication side names it.
inline constexpr int kEventBackToSettingMenu = EventCode(NavEvent::kBackToSettingMenu);

/// Outcomes of a program download that choose the message after event 383:
/// nothing refused, the PROGRAM area refused, the CONST area refused.
inline constexpr comm::CommErrorCode kProgramDownloadAll = comm::CommErrorCode::None;
inline constexpr comm::CommErrorCode kProgramDownloadConstOnly =
    comm::CommErrorCode::ProgramRefused;
inline constexpr comm::CommErrorCode kProgramDownloadProgramOnly =
    comm::CommErrorCode::ConstRefused;

/// The message that reports a program download with `outcome`: 37, 39 or 38
/// for the three outcomes above, 0 (none) for any other code, whose message
/// the download itself has shown.
int ProgramDownloadMessage(comm::CommErrorCode outcome);

/// The display an event code maps to, or 0 when the event table does not list
/// it (the special event codes are not in the table).
Display EventDisplay(int eventCode);

/// The display a follow code runs, or 0 when it runs none (follow code 2
/// enables the setting menu instead and also gives 0).
Display FollowDisplay(int followCode);

/// Shows one screen or runs one file action through the workspace's navigation host. Returns
/// the file dialog's result for displays 10, 14 and 28 (-1 when it completed),
/// 0 for all other displays. Unknown displays do nothing.
int ShowDisplay(Workspace& ws, Display display);

/// The parameter screen's display for category `category` (0 DISPLAY .. 3 MAINT).
Display ParameterDisplayOf(int category);

/// Performs the action of `eventCode`, then that of `followCode`. `answer`
/// carries kAnswerDataChanged for the codes that ask whether to save. Returns
/// -1 when a save dialog completed (codes 165, 403, 407), else 0.
int DisplayMatrix(Workspace& ws, NavEvent event, int followCode = 0, int answer = kAnswerNoChange);
/// The same for a code the engine hands back after a job (any number the
/// table lists, named or not).
int DisplayMatrix(Workspace& ws, int eventCode, int followCode, int answer);

}  // namespace rq50::session
