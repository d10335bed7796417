#pragma once

#include "comm/Engine.h"
#include "shell/NavigationHost.h"

namespace rq50::comm {

/// What every screen does to start a job: asks "Starts communication. Press
/// OK button if ready." (when `prompt`), starts the job, and when the engine
/// accepts it disables `screen` and shows the "Now Communicating" dialog.
/// False when the user cancelled or the engine refused (nothing changed
/// then). A download (job 2 or 16) is refused with the wrong-password message
/// while downloads are not allowed.
bool StartScreenJob(CommEngine& engine, const JobRequest& request, shell::Screen screen,
                    bool prompt = true);

}  // namespace rq50::comm
