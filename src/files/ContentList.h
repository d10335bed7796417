#pragma once

#include "files/DataSet.h"
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
/// where the MA changes. Unless `maintMode`, the blocks of the MAINT category
/// (CategoryRanges) are left out; a data set without MAINT is listed whole.
std::vector<ContentRow> BuildContentList(const parameter::ItemArray& items,
                                         const DataSetHeader& header, bool maintMode);

}  // namespace rq50::files
