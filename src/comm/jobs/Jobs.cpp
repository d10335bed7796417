#include "comm/jobs/Jobs.h"

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::comm::jobs {

namespace {}  // namespace

bool StartBaudRateChange(CommEngine& e, int rate, CommCallers caller) {
    auto& g = e.Data().state;
    e.Results().previousInstrumentSpeed = g.instrumentSpeed;
    g.instrumentSpeed = rate;
    if (e.StartCommJob({kJobBaudChange, shell::Catalogue(kTextBaudRateCaption), caller}))
        return true;
    g.instrumentSpeed = e.Results().previousInstrumentSpeed;
    return false;
}

void RegisterAllJobs(CommEngine& e) {
    RegisterParameterJobs(e);
    RegisterPageJobs(e);
    RegisterProgramJobs(e);
    RegisterDeviceJobs(e);
}

}  // namespace rq50::comm::jobs
