#pragma once

// The account the program runs as, as reports and records name their user.

#include <string>

namespace rq50::platform {

/// The account's name from the system ("unknown" when it cannot be told);
/// never the environment's USER, which can name anyone.
std::string AccountName();

}  // namespace rq50::platform
