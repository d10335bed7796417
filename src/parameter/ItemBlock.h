#pragma once

#include <array>
#include <cstdint>
#include <vector>

namespace rq50::parameter {

/// One item as the instrument describes it: exactly 40 bytes, kept as received.
using ItemBlock = std::array<std::uint8_t, 40>;

/// A growable array of item blocks, lower bound 0.
using ItemArray = std::vector<ItemBlock>;

}  // namespace rq50::parameter
