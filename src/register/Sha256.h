#pragma once

#include <array>
#include <cstdint>
#include <span>
#include <string>

namespace rq50::plant {

/// The SHA-256 digest of `bytes`.
std::array<std::uint8_t, 32> Sha256(std::span<const std::uint8_t> bytes);
/// The SHA-256 digest of `bytes` as 64 lower-case hex digits.
std::string Sha256Hex(std::span<const std::uint8_t> bytes);

}  // namespace rq50::plant
