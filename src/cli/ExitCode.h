#pragma once

namespace rq50::cli {

/// Exit codes of rq50-cli. A run stopped by a signal ends with 128 + the
/// signal's number (StoppedExit), outside the names below.
enum class ExitCode : int {
    Ok = 0,
    SystemError = 1,  ///< the operation ended with a message of the system
    Usage = 2,        ///< the command line was wrong
};

/// The process's exit status for `code`.
constexpr int ExitStatus(ExitCode code) { return static_cast<int>(code); }

}  // namespace rq50::cli
