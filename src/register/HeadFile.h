#pragma once

// The chain head each RQ50 keeps of a register: the newest record it wrote
// or verified. A register whose chain no longer reaches it lost its newest
// records, or was written anew from some record on.

#include <filesystem>
#include <optional>
#include <string>

#include "register/Chain.h"

namespace rq50::plant {

/// Where this program keeps the heads of the registers it writes:
/// User/REGISTER-HEAD of the user data folder.
std::filesystem::path HeadFolder();
/// The file of `folder` that keeps the head of the register `name`.
std::filesystem::path HeadFileOf(const std::filesystem::path& folder, const std::string& name);
/// The head kept in `file`; nothing when there is none or it cannot be read.
std::optional<ChainHead> ReadHead(const std::filesystem::path& file);
/// Keeps `head` in `file` (owner only) when it is further along the chain
/// than the one kept there; false when it could not be written.
bool KeepHead(const std::filesystem::path& file, const ChainHead& head,
              const std::string& registerName);

}  // namespace rq50::plant
