#pragma once

// The communication engine's whole state as one value. Its fields carry the
// names the engine's documentation gives its variables, so the routines read
// as documented. A reset is one assignment.

#include "comm/CommPort.h"
#include "comm/Engine.h"
#include "comm/Frame.h"
#include "parameter/ItemBlock.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace rq50::comm {

/// Engine states (`CommState`): one action per tick according to the state.
enum class CommStates : int { Idle = 0, Build = 1, Transmit = 2, Wait = 3, Parse = 4, Finish = 5 };
inline constexpr CommStates kStateIdle = CommStates::Idle;
inline constexpr CommStates kStateBuild = CommStates::Build;
inline constexpr CommStates kStateTransmit = CommStates::Transmit;
inline constexpr CommStates kStateWait = CommStates::Wait;
inline constexpr CommStates kStateParse = CommStates::Parse;
inline constexpr CommStates kStateFinish = CommStates::Finish;

struct CommEngineState {
    // The engine.
    CommStates CommState = kStateIdle;
    Job CommJob = Job::None;
    int CommStep = 0;
    CommErrorCode CommError = CommErrorCode::None;
    int CommRetry = 0;
    int CommRecvStatus = 0;
    bool CommBusy = false;
    CommErrorCode CommResult = CommErrorCode::None;
    /// The link speed the tool talks at (the main window shows it).
    std::int32_t CommSpeed = 1200;
    std::int32_t CommSpeedSaved = 1200;
    int CommProgress = 0;
    std::string CommTitle;
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
    ResponseStatus RespStatus = ResponseStatus::Normal;
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

    /// The online work's line in fast pacing (EngineCore::ReleaseOnlineLine):
    /// the last job to end was an online one and left the line open, since
    /// `lineIdleSinceMs`; and the instrument to reach again (its rack slot)
    /// on a line let go of in between.
    bool onlineLineOpen = false;
    std::int64_t lineIdleSinceMs = 0;
    InstrumentFacts relinkInstrument;
};

}  // namespace rq50::comm
