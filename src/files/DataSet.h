#pragma once

#include "parameter/Category.h"
#include "parameter/ItemBlock.h"
#include "shell/EnumArray.h"

#include <cstdint>
#include <string>

namespace rq50::files {

/// The categories DISPLAY, SET, ADJUST and MAINT, in the instrument's order.
using Category = parameter::PageCategory;

/// A value for each category, addressed by the category.
template <class T>
using PerCategory = shell::EnumArray<Category, T, parameter::kCategoryCount>;

/// What an upload learnt about the instrument besides its items: the model, the
/// slot, where each category begins and how many groups it has. Saved and
/// loaded with the data set. The data set itself and the upload buffer are the
/// item arrays of the session's workspace.
struct DataSetHeader {
    /// Data text of the instrument's model item, as received (not trimmed).
    std::string model;
    /// Slot number the data set was taken from.
    std::int32_t slot = 0;
    /// MA of the first group of each category (`starts[Category::Set]`),
    /// stored in category order.
    PerCategory<std::int32_t> starts{};
    /// Entries in each category's name list.
    std::int32_t displayCount = 0;
    std::int32_t setCount = 0;
    std::int32_t adjustCount = 0;
    std::int32_t maintCount = 0;
    /// Custom-type flags of the instrument; 0 for models outside the V3 list.
    std::uint8_t customType = 0;
    friend bool operator==(const DataSetHeader&, const DataSetHeader&) = default;
};

}  // namespace rq50::files
