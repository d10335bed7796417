#pragma once

// The communication jobs of the tool (codes 1-21 and 23), each a builder and
// a parser registered with the engine, and the state they share with the
// screens that start them.

#include "comm/Engine.h"
#include "comm/jobs/GroupWalk.h"
#include "comm/jobs/JobResults.h"
#include "files/DataSet.h"
#include "parameter/ItemBlock.h"

#include <array>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace rq50::comm::jobs {

/// Installs the readers of the configuration files in the application folder
/// as the tables of `engine`'s jobs.
void UseConfigurationFiles(CommEngine& engine);

/// Starts job 21 with the rate chosen in the baud-rate dialog (1200 or 9600):
/// the previous rate is kept for a failure. False when the engine refuses.
bool StartBaudRateChange(CommEngine& engine, int rate,
                         std::function<void(const JobOutcome&)> done = {});

/// Registers every job with `engine`; each job object lives as long as the
/// engine.
void RegisterAllJobs(CommEngine& engine);

// Registration of each family (RegisterAllJobs calls them all).
void RegisterParameterJobs(EngineCore& engine);
void RegisterPageJobs(EngineCore& engine);
void RegisterProgramJobs(EngineCore& engine);
void RegisterDeviceJobs(EngineCore& engine);

}  // namespace rq50::comm::jobs
