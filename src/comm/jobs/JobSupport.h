#pragma once

// Small pieces every transaction uses: the response checks, storing a
// response as an item block, the connect sequence.

#include "comm/Engine.h"
#include "comm/Frame.h"
#include "comm/SerialPort.h"
#include "comm/jobs/Jobs.h"
#include "parameter/ItemBlock.h"

#include <string>

namespace rq50::comm::jobs {

/// Steps of the connect sequence every job begins with.
enum ConnectStep : int { kStepFirstItem = 1, kStepSlotWrite = 2, kStepModel = 3 };

/// The step whose response the parser is handling, or -1 when the engine
/// calls the parser on its way to the finishing step.
int AnsweredStep();

/// CheckRespStatus and CheckSlotZero, as every parser line begins.
bool Checks(int flag = 0);

/// The last response as an item block: from its byte 4 up to, not including,
/// its checksum.
parameter::ItemBlock ResponseBlock();
/// The last response decoded.
parameter::DecodedItem ResponseItem();

/// Checks of the program jobs outside their area requests: there the engine
/// keeps an address error pending while the job goes on, which would only
/// repeat the request; an address error ends the job instead.
bool ProgramChecks();

/// The answer to a connect's first request: its status is checked, and a rack
/// interface that answers slot 00 gets the SLOT No. dialog. True when the
/// answer is the instrument's first item and the job goes on with it.
bool AcceptFirstItem();

/// Trimmed, upper-case name of the last response.
std::string ResponseNameKey();
/// The group names that uploads and pages pass over.
bool IsProgramOrConst(const std::string& nameKey);

/// Step 2 of the connect sequence: writes the slot to the rack interface.
void BuildSlotWrite(int slot);

/// Builds the finishing step at once, for a builder that finds it has no
/// request to send.
void FinishNow(const std::function<void(SerialPort&)>& build, SerialPort& port);

/// The MAINT entry (ADJUST head, 10h, 82h from the ADJUST start) leads to the
/// MAINT head only on the 82h right after the 10h. When that 82h had to be
/// sent again, its first try may have used the entry and the answer is the
/// next ADJUST or DISPLAY head: the entry is then made again, a few times at
/// most. `entries` counts the repeats of the running job.
bool MaintEntryNeedsRepeat(int& entries);

/// Text of the status bar while a group is passed over.
std::string SkippingText(const std::string& nameKey);

}  // namespace rq50::comm::jobs
