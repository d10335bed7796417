#pragma once

// The job codes of the engine, each declared once: the screens, the page
// model and rq50-cli start jobs by these numbers.

namespace rq50::comm {

/// Job codes (`CommJob`). 22 is not used.
enum CommJobs : int {
    kJobUpload = 1,
    kJobDownload = 2,
    kJobConnect = 3,
    kJobCategoryDisplay = 4,
    kJobCategorySet = 5,
    kJobCategoryAdjust = 6,
    kJobCategoryMaint = 7,
    kJobNextPage = 8,
    kJobPrevPage = 9,
    kJobTabDisplay = 10,
    kJobTabSet = 11,
    kJobTabAdjust = 12,
    kJobTabMaint = 13,
    kJobPeriodicRead = 14,
    kJobProgramUpload = 15,
    kJobProgramDownload = 16,
    kJobReadItem = 17,
    kJobWriteItem = 18,
    kJobCancelForced = 19,
    kJobBaudCheck = 20,
    kJobBaudChange = 21,
    kJobSlot = 23,
};

}  // namespace rq50::comm
