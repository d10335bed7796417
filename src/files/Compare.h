#pragma once

// Comparing two data sets or two programs item by item, with the rule a
// download's read-back uses: the choice code of a selection, the value of a
// number, the data text of anything else.

#include "files/DataSet.h"
#include "files/ProgramFile.h"
#include "parameter/ItemBlock.h"

#include <string>
#include <vector>

namespace rq50::files {

/// One item that is not the same on both sides.
struct ItemDifference {
    enum class Side { kBoth, kFirstOnly, kSecondOnly };
    Side side = Side::kBoth;
    int ma = 0;
    int mb = 0;
    int kind = 0;
    std::string address;  ///< "C02", or "P05" for a program step
    std::string name;     ///< trimmed name text
    std::string first;    ///< the value as shown, trimmed; empty when absent
    std::string second;
};

/// Which items of a data set take part in a comparison.
enum class CompareScope {
    kAllButMeasured,  ///< every item except measured values, which change by the second
    kAll,
    kDownloadable,  ///< the items a download writes (SET, neither kind 0 nor 6)
};

/// Items of two data sets that differ, matched by address (MA, MB), in the
/// order of `first` followed by the items only `second` holds.
/// `setStart`/`adjustStart` bound the SET category for kDownloadable.
std::vector<ItemDifference> CompareDataSets(const parameter::ItemArray& first,
                                            const parameter::ItemArray& second, CompareScope scope,
                                            int setStart, int adjustStart);

/// Differences between the headers that matter to a download (model, category
/// starts, custom type), one sentence each.
std::vector<std::string> CompareHeaders(const DataSetHeader& first, const DataSetHeader& second);

/// Why a file and an instrument of another model are not worked on together:
/// "the file is for model RQB2, the instrument is model RQG2"; empty when the
/// models are the same (trailing blanks do not count).
std::string ModelMismatch(const std::string& fileModel, const std::string& instrumentModel);

/// PROGRAM steps and CONST items of two programs that differ, matched by their
/// address; operators compare as trimmed text, CONST values by their value.
/// Step comments take part when `comments` is set.
std::vector<ItemDifference> ComparePrograms(const ProgramFileRecord& first,
                                            const ProgramFileRecord& second, bool comments);

/// The rule of a download's read-back for two items of one address: the code
/// of a selection, the value of a number, the data bytes of anything else.
bool SameItemValue(const parameter::DecodedItem& a, const parameter::DecodedItem& b);

/// The value of an item as a comparison shows it: the grid's display form,
/// with the auxiliary text, trimmed; a selection adds its code.
std::string ShownValue(const parameter::DecodedItem& item);

}  // namespace rq50::files
