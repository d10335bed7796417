#include "comm/jobs/Jobs.h"

#include "comm/Engine.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"

namespace rq50::comm::jobs {

namespace {
constexpr int kTextBaudRateDialog = 4201;
}  // namespace

bool StartBaudRateChange(CommEngine& e, int rate, CommCallers caller) {
    auto& g = e.Data().state;
    e.Results().previousInstrumentSpeed = g.instrumentSpeed;
    g.instrumentSpeed = rate;
    if (e.StartCommJob({kJobBaudChange, shell::Catalogue(kTextBaudRateDialog), caller})) return true;
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
