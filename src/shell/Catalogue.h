#pragma once

#include <string>
#include <vector>

namespace rq50::shell {

/// The text with catalogue number `number`, exactly as stored (blanks and "&"
/// marks included). An unknown number gives an empty text.
const std::string& Catalogue(int number);

/// True when the catalogue holds `number`.
bool CatalogueHas(int number);

/// Every number of the catalogue in file order, duplicates included (so a
/// test can tell that no two entries share a number).
const std::vector<int>& CatalogueNumbersInFileOrder();

}  // namespace rq50::shell
