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
enum Display : int {
    kDisplayTopMenu = 2,
    kDisplaySettingMenu = 3,
    kDisplayCategoryMenu = 4,
    kDisplayParameterDisplay = 5,
    kDisplayParameterSet = 6,
    kDisplayParameterAdjust = 7,
    kDisplayParameterMaint = 8,
    kDisplayDataView = 9,
    kDisplayOpenFile = 10,
    kDisplayDataViewUploaded = 11,
    kDisplayContentList = 12,
    kDisplayInformation = 13,
    kDisplaySaveFile = 14,
    kDisplayDownloadCheck = 15,
    kDisplayPrintDialog = 16,
    kDisplayPrintNow = 17,
    kDisplayPrintPreview = 18,
    kDisplaySettingMenuProgram = 19,
    kDisplayDataViewFile = 20,
    kDisplayProgramEditor = 21,
    kDisplayErrorList = 22,
    kDisplayCommProgress = 23,
    kDisplaySlotDialog = 24,
    kDisplayBaudRateDialog = 25,
    kDisplayVersion = 26,
    kDisplayNoAction = 27,
    kDisplayCsvFile = 28,
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
int EventDisplay(int eventCode);

/// The display a follow code runs, or 0 when it runs none (follow code 2
/// enables the setting menu instead and also gives 0).
int FollowDisplay(int followCode);

/// Shows one screen or runs one file action through the workspace's navigation host. Returns
/// the file dialog's result for displays 10, 14 and 28 (-1 when it completed),
/// 0 for all other displays. Unknown displays do nothing.
int ShowDisplay(Workspace& ws, int display);

/// Performs the action of `eventCode`, then that of `followCode`. `answer`
/// carries kAnswerDataChanged for the codes that ask whether to save. Returns
/// -1 when a save dialog completed (codes 165, 403, 407), else 0.
int DisplayMatrix(Workspace& ws, NavEvent event, int followCode = 0, int answer = kAnswerNoChange);
/// The same for a code the engine hands back after a job (any number the
/// table lists, named or not).
int DisplayMatrix(Workspace& ws, int eventCode, int followCode, int answer);

}  // namespace rq50::session
