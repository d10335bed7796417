#include "sim/SampleInstruments.h"

#include <filesystem>
#include <system_error>

#include "shell/AppPaths.h"

namespace rq50::sim {

std::string SampleInstrumentFile(const std::string& name) {
    // The build and the installed package both place the samples in the
    // application folder; the source tree serves a program run from elsewhere.
    const std::string installed = shell::AppFilePath("instruments\\" + name);
    std::error_code ec;
    if (std::filesystem::is_regular_file(installed, ec)) return installed;
    return std::string(RQ50_SIM_INSTRUMENTS_DIR) + "/" + name;
}

}  // namespace rq50::sim
