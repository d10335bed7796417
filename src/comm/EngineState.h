#pragma once

// The communication engine's whole state as one value. Its fields carry the
// names the engine's documentation gives its variables, so the routines read
// as documented. A reset is one assignment.

#include "comm/CommPort.h"
#include "comm/Frame.h"
#include "parameter/ItemBlock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rq50::comm {

/// Facts some hand-backs depend on; the jobs keep them current.
struct HandBackFacts {
    int programItemCount = 0;   ///< job 15: PROGRAM steps + CONST items uploaded
    bool rackAnswered = false;  ///< job 23: a rack interface answered
    int category = 0;           ///< parameter screen category: 0 DISPLAY .. 3 MAINT
    /// Job 16: the area the instrument refused (0, 7 PROGRAM, 8 CONST), or
    /// the error code that ended the download.
    int refusedArea = 0;
    /// Job 2: the items whose read-back differs from what was sent.
    int downloadDifferences = 0;
};

/// The instrument the last job reached, for the status bar: its model and,
/// behind a rack interface, its slot. Cleared when a job starts.
struct InstrumentFacts {
    std::string model;     ///< trimmed model text; empty until the model answered
    bool viaRack = false;  ///< a rack interface answered the first request
    int slot = 0;          ///< the slot written to the rack interface
};

constexpr int kTickMs = 50;               ///< Timer1 interval
constexpr int kResponseTimeoutMs = 3000;  ///< Timer2 interval
constexpr int kTriesPerSpeed = 3;
constexpr int kFastPollMs = 1;     ///< the tick interval in fast pacing
constexpr int kDefaultGapMs = 20;  ///< fast pacing: pause between answer and request

/// How the engine paces its exchanges. Classic: one action per 50 ms tick,
/// as the instrument family was tested with. Fast: the engine acts as soon as
/// an answer is complete and sends the next request after `gapMs`; the settle
/// after opening, the response time-out, the tries and the speed switch are
/// the same in both.
struct CommPacing {
    bool fast = false;
    int gapMs = kDefaultGapMs;
};

/// Engine states (`CommState`): one action per tick according to the state.
enum class CommStates : int { Idle = 0, Build = 1, Transmit = 2, Wait = 3, Parse = 4, Finish = 5 };
inline constexpr CommStates kStateIdle = CommStates::Idle;
inline constexpr CommStates kStateBuild = CommStates::Build;
inline constexpr CommStates kStateTransmit = CommStates::Transmit;
inline constexpr CommStates kStateWait = CommStates::Wait;
inline constexpr CommStates kStateParse = CommStates::Parse;
inline constexpr CommStates kStateFinish = CommStates::Finish;

/// Caller codes (`CommCaller`): the screen that started the job, which gets
/// control back when it ends.
enum class CommCallers : int {
    None = -1,  ///< a front end without screens (rq50-cli, tests): no hand-back
    DataViewDownload = 0,
    SettingMenuUpload = 1,
    SettingMenuProgram = 2,
    DataView3 = 3,
    DataView4 = 4,
    CategoryMenu = 5,
    SettingMenuSet = 6,
    ProgramEditor = 7,
    BaudDialog = 8,
    SlotDialog = 9,
    /// The parameter screen's own jobs (tabs, moves, reads, writes): they end
    /// on that screen, with no hand-back.
    ParameterScreen = 10,
};
inline constexpr CommCallers kCallerNone = CommCallers::None;
inline constexpr CommCallers kCallerDataViewDownload = CommCallers::DataViewDownload;
inline constexpr CommCallers kCallerSettingMenuUpload = CommCallers::SettingMenuUpload;
inline constexpr CommCallers kCallerSettingMenuProgram = CommCallers::SettingMenuProgram;
inline constexpr CommCallers kCallerDataView3 = CommCallers::DataView3;
inline constexpr CommCallers kCallerDataView4 = CommCallers::DataView4;
inline constexpr CommCallers kCallerCategoryMenu = CommCallers::CategoryMenu;
inline constexpr CommCallers kCallerSettingMenuSet = CommCallers::SettingMenuSet;
inline constexpr CommCallers kCallerProgramEditor = CommCallers::ProgramEditor;
inline constexpr CommCallers kCallerBaudDialog = CommCallers::BaudDialog;
inline constexpr CommCallers kCallerSlotDialog = CommCallers::SlotDialog;
inline constexpr CommCallers kCallerParameterScreen = CommCallers::ParameterScreen;

struct CommEngineState {
    // The engine.
    CommStates CommState = kStateIdle;
    int CommJob = 0;
    int CommStep = 0;
    int CommError = 0;
    int CommRetry = 0;
    int CommRecvStatus = 0;
    bool CommBusy = false;
    int CommResult = 0;
    /// The link speed the tool talks at (the main window shows it).
    std::int32_t CommSpeed = 1200;
    std::int32_t CommSpeedSaved = 1200;
    int CommProgress = 0;
    std::string CommTitle;
    CommCallers CommCaller = kCallerDataViewDownload;
    bool PortWasOpen = false;
    int Timer1Interval = kTickMs;
    bool Timer2Enabled = false;
    std::int64_t Timer2Deadline = 0;
    int SlotNumber = 0;
    bool SlotConfirmed = false;
    HandBackFacts CommFacts;
    InstrumentFacts lastInstrument;

    /// "Communication Monitor(&M)" and "Create Log File(&F)" of the Command
    /// menu, both off at start-up, and the monitor's display option (false
    /// hex, true ASCII).
    bool MonitorOn = false;
    bool LogFileOn = false;
    bool MonitorAscii = false;

    // The link and the frames.
    PortSettings CommSettings;
    PortErrorInfo PortError;
    std::vector<std::uint8_t> SendBuffer;
    std::array<std::uint8_t, kSendDataSize> SendData{};
    int SendDataCount = 0;
    std::vector<std::uint8_t> RecvBuffer;
    int RecvTextLength = 0;
    int RespItemType = 0;
    int RespStatus = 0;
    int RespDataKind = 0;
    int RespNameLength = 0;
    int RespMA = 0;
    int RespDataLength = 0;
    int RespMB = 0;
    int RespMC = 0;
    int RespTextLength = 0;
    std::string RespName;
    std::string RespData;
    std::string RespAux;
    std::string LastRespName;
    parameter::DecodedItem RespItem;

    // How the request of the current step fares.
    /// The request as its step built it; every retry sends these bytes again.
    std::vector<std::uint8_t> request;
    int triesSent = 0;    ///< transmissions of `request`
    int answersSeen = 0;  ///< answers to it, taken or not
    /// The last answer to `request` whose checksum failed.
    std::vector<std::uint8_t> badAnswer;
    /// The answer taken for the previous request, and how many answers to its
    /// earlier tries may still be on their way.
    std::vector<std::uint8_t> lastAnswer;
    int staleAnswers = 0;
    /// "Terminate" was pressed: the job ends before its next request, once
    /// the request on the line has its answer or its time-out.
    bool stopRequested = false;
    /// Requests the running (or last) job transmitted, retries included.
    int requestsSent = 0;

    /// A tick is running (a modal box shown from inside it must not start
    /// another).
    bool inTick = false;

    CommPacing pacing;
    /// The online work's line in fast pacing (CommEngine::ReleaseOnlineLine):
    /// the last job to end was an online one and left the line open, since
    /// `lineIdleSinceMs`; and the instrument to reach again (its rack slot)
    /// on a line let go of in between.
    bool onlineLineOpen = false;
    std::int64_t lineIdleSinceMs = 0;
    InstrumentFacts relinkInstrument;
    /// When the last complete frame arrived (fast pacing keeps the gap from it).
    std::int64_t lastFrameAtMs = 0;
};

}  // namespace rq50::comm
