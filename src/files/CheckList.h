#pragma once

// The check list a download or a compare leaves: the items whose read-back
// differs from what was sent, or that were not written.

#include <string>
#include <vector>

namespace rq50::files {

/// Why a download check entry is listed.
enum class CheckReason {
    ReadBackDiffers,  ///< written; the instrument holds another value
    NotWritten,       ///< the download stopped before the instrument took it
    Unanswered,       ///< written, but no answer came: the instrument may hold either value
};

/// One item whose read-back differs from what was sent, or that a download
/// which stopped half way did not write (set data and auxiliary text empty).
struct DownloadCheckEntry {
    int ma = 0;
    int mb = 0;
    std::string sentName;
    std::string sentData;
    std::string sentAux;
    std::string setData;
    std::string setAux;
    int index = 0;
    CheckReason reason = CheckReason::ReadBackDiffers;
};

using CheckList = std::vector<DownloadCheckEntry>;

}  // namespace rq50::files
