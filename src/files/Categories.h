#pragma once

// Where the categories DISPLAY, SET, ADJUST and MAINT lie in a data set: the
// one split the printout, the CSV export and the content list all use.

#include "files/DataSet.h"
#include "parameter/ItemBlock.h"

#include <array>
#include <cstddef>
#include <optional>

namespace rq50::files {

inline constexpr std::size_t kDisplayCategory = 0;
inline constexpr std::size_t kSetCategory = 1;
inline constexpr std::size_t kAdjustCategory = 2;
inline constexpr std::size_t kMaintCategory = 3;

/// The blocks [first, end) of one category. An empty range (first == end)
/// is a category that shares its first block with a later one.
struct CategoryRange {
    std::size_t first = 0;
    std::size_t end = 0;
    bool Empty() const { return first >= end; }
    bool Holds(std::size_t index) const { return index >= first && index < end; }
};

/// Each category's blocks, in category order; none for a category whose start
/// MA no block has. A category begins at the first block whose MA is its start
/// MA in the header (a MAINT start below 1 marks a data set without MAINT) and
/// ends at the nearest start of another category behind it, or at the end of
/// the data set, so every block belongs to one category at most whatever
/// order the header's starts come in. Two categories that start at the same
/// block: the earlier in category order is empty, the later takes the blocks.
std::array<std::optional<CategoryRange>, 4> CategoryRanges(const DataSetHeader& header,
                                                           const parameter::ItemArray& items);

}  // namespace rq50::files
