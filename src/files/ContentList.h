#pragma once

#include "parameter/ItemBlock.h"

#include <cstdint>
#include <string>
#include <vector>

namespace rq50::files {

/// One row of the content list; a row with `blank` set separates two groups.
struct ContentRow {
    bool blank = false;
    std::string address;
    std::string name;
    std::string data;  ///< formatted for display
    std::string aux;
};

/// The rows of the content list of `items`: one row per item, a blank row
/// where the MA changes. Unless `maintMode`, the list ends before the first
/// item whose MA is at least `maintStart` (a start of 0 or less marks a data
/// set without a MAINT category, which is then listed whole).
std::vector<ContentRow> BuildContentList(const parameter::ItemArray& items, std::int32_t maintStart,
                                         bool maintMode);

}  // namespace rq50::files
