#pragma once

// The items of a parameter set as a report table: what the printed report
// and the CSV report list for each category.

#include <cstddef>

#include "files/ParameterFile.h"
#include "files/ReportTable.h"

namespace rq50::files {

/// Items [first, end) of `record`: Address, Display, Data (right-aligned,
/// shown as the grid shows it), Auxiliary Display. A group's first item
/// (and the range's first) heads the rows of its group.
ReportTable ParameterTable(const ParameterFileRecord& record, std::size_t first, std::size_t end);

}  // namespace rq50::files
