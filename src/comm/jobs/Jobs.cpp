#include "comm/jobs/Jobs.h"

#include "comm/EngineCore.h"
#include "files/Workspace.h"
#include "shell/Catalogue.h"
#include "shell/SessionState.h"
#include "shell/TextNumbers.h"

namespace rq50::comm::jobs {

namespace {}  // namespace

bool StartBaudRateChange(CommEngine& engine, int rate,
                         std::function<void(const JobOutcome&)> done) {
    EngineCore& e = CoreOf(engine);
    auto& g = e.Data().state;
    e.Results().previousInstrumentSpeed = g.instrumentSpeed;
    g.instrumentSpeed = rate;
    if (e.StartCommJob(
            {kJobBaudChange, shell::Catalogue(kTextBaudRateCaption), 0, std::move(done)}))
        return true;
    g.instrumentSpeed = e.Results().previousInstrumentSpeed;
    return false;
}

void RegisterAllJobs(CommEngine& engine) {
    EngineCore& e = CoreOf(engine);
    RegisterParameterJobs(e);
    RegisterPageJobs(e);
    RegisterProgramJobs(e);
    RegisterDeviceJobs(e);
}

}  // namespace rq50::comm::jobs
