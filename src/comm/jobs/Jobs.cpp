#include "comm/jobs/Jobs.h"

#include "comm/Engine.h"
#include "parameter/PageModel.h"
#include "shell/Catalogue.h"
#include "shell/GlobalState.h"

namespace rq50::comm::jobs {

namespace {
parameter::PageModel* g_page = nullptr;
constexpr int kTextBaudRateDialog = 4201;
}  // namespace

JobTables& Tables() {
    static JobTables tables;
    return tables;
}

JobResults& Results() {
    static JobResults results;
    return results;
}

void AttachPageModel(parameter::PageModel* page) {
    g_page = page;
}
parameter::PageModel* OnlinePage() {
    return g_page;
}

bool StartBaudRateChange(int rate) {
    auto& g = shell::G();
    Results().previousInstrumentSpeed = g.instrumentSpeed;
    g.instrumentSpeed = rate;
    CommTitle = shell::Catalogue(kTextBaudRateDialog);
    if (StartCommJob(kJobBaudChange)) return true;
    g.instrumentSpeed = Results().previousInstrumentSpeed;
    return false;
}

void RegisterAllJobs() {
    RegisterParameterJobs();
    RegisterPageJobs();
    RegisterProgramJobs();
    RegisterDeviceJobs();
}

}  // namespace rq50::comm::jobs
