#pragma once

// The four categories an instrument's items fall into, in the instrument's
// order: the online screen's tabs and the data set header's starts.

#include <cstddef>

namespace rq50::parameter {

/// Categories of the instrument's items, in the instrument's order.
enum class PageCategory : int { Display = 0, Set = 1, Adjust = 2, Maint = 3 };

/// How many categories there are.
inline constexpr std::size_t kCategoryCount = 4;

}  // namespace rq50::parameter
