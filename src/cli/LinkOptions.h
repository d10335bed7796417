#pragma once

#include <optional>
#include <string>
#include <vector>

#include "comm/Engine.h"

namespace rq50::cli {

/// Options every instrument command reads (given before or after the command).
struct LinkOptions {
    std::string port;                ///< the first --port
    std::vector<std::string> ports;  ///< every --port (rack runs one rack on each)
    double connectTimeoutS = 5;      ///< connecting to a device server (tcp://, rfc2217://)
    int speed = 1200;
    int slot = 0;
    std::optional<std::string> log;  ///< --log [FILE]: empty text for the default file
    bool logAppend = false;
    bool quiet = false;
    bool json = false;
    std::string sim;
    bool simReset = false;  ///< --sim-reset: the built-in instrument as shipped
    bool fast = false;      ///< --fast: the next request as soon as an answer is complete
    int gapMs = comm::kDefaultGapMs;
};

}  // namespace rq50::cli
