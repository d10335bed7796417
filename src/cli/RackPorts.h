#pragma once

// rq50-cli rack on several ports: what the one-rack run (RackCommands.cpp)
// and the run of one rack on each port (RackPorts.cpp) share.

#include <string>
#include <vector>

#include "cli/CliSupport.h"
#include "cli/InstrumentCommands.h"
#include "session/RackRun.h"

namespace rq50::cli {

/// One rack on each --port at the same time, each in a session of its own:
/// `base` as RunRack prepared it; one combined summary and exit status.
ExitCode RunRackOnPorts(session::CoreSession& core, const RackCliOptions& o, session::RackOptions base);

/// A slot of a rack run as JSON, with the port when given.
ordered_json RackSlotJson(const session::SlotOutcome& s, const std::string& port = {});
/// A slot of a rack run as a line of the table, after the port when given.
void PrintRackSlot(const session::SlotOutcome& s, const std::string& port = {});
/// True when a slot failed, differs, or was skipped or kept.
bool RackRunFailed(const std::vector<session::SlotOutcome>& outcome);

/// The folder of one port's rack files under the run's folder: the port's
/// name with everything but letters, digits, "." and "-" made "_"
/// ("rfc2217://rack7:2217" gives "rfc2217_rack7_2217", "/dev/ttyUSB0"
/// gives "ttyUSB0").
std::string RackFolderOfPort(const std::string& folder, const std::string& port);

}  // namespace rq50::cli
