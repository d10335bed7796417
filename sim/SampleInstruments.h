#pragma once

#include <string>

namespace rq50::sim {

/// The file of a sample instrument such as "RQB2.json": the one in the
/// application folder's instruments folder (or the user's own copy of it) when
/// there is one, else the one in the source tree the program was built from.
std::string SampleInstrumentFile(const std::string& name);

}  // namespace rq50::sim
