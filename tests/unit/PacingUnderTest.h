#pragma once

// The pacing the job tests run in: classic, or fast when the environment
// says RQ50_TEST_PACING=fast (ctest runs the job tests once in each).

#include "comm/Engine.h"

#include <cstdlib>
#include <string>

namespace rq50::testing {

inline comm::CommPacing PacingUnderTest() {
    const char* pacing = std::getenv("RQ50_TEST_PACING");
    return {pacing != nullptr && std::string(pacing) == "fast", comm::kDefaultGapMs};
}

}  // namespace rq50::testing
