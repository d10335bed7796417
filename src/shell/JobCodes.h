#pragma once

// The job codes of the engine, each declared once: the screens, the page
// model and rq50-cli start jobs by these codes.

namespace rq50::comm {

/// Job codes (`CommJob`). 22 is not used.
enum class Job : int {
    None = 0,  ///< no job (a request or an outcome not yet filled in)
    Upload = 1,
    Download = 2,
    Connect = 3,
    CategoryDisplay = 4,
    CategorySet = 5,
    CategoryAdjust = 6,
    CategoryMaint = 7,
    NextPage = 8,
    PrevPage = 9,
    TabDisplay = 10,
    TabSet = 11,
    TabAdjust = 12,
    TabMaint = 13,
    PeriodicRead = 14,
    ProgramUpload = 15,
    ProgramDownload = 16,
    ReadItem = 17,
    WriteItem = 18,
    CancelForced = 19,
    BaudCheck = 20,
    BaudChange = 21,
    Slot = 23,
};

/// The job's number, as the log, the records and the messages show it.
constexpr int JobNumber(Job job) {
    return static_cast<int>(job);
}

/// The job that opens category `category` (0 DISPLAY .. 3 MAINT) from the
/// category menu.
constexpr Job CategoryJob(int category) {
    return static_cast<Job>(JobNumber(Job::CategoryDisplay) + category);
}

/// The job that switches the parameter screen to tab `category`
/// (0 DISPLAY .. 3 MAINT).
constexpr Job TabJob(int category) {
    return static_cast<Job>(JobNumber(Job::TabDisplay) + category);
}

/// The category (0 DISPLAY .. 3 MAINT) a category or tab job opens; -1 for
/// any other job.
constexpr int JobCategory(Job job) {
    if (job >= Job::CategoryDisplay && job <= Job::CategoryMaint)
        return JobNumber(job) - JobNumber(Job::CategoryDisplay);
    if (job >= Job::TabDisplay && job <= Job::TabMaint)
        return JobNumber(job) - JobNumber(Job::TabDisplay);
    return -1;
}

inline constexpr Job kJobUpload = Job::Upload;
inline constexpr Job kJobDownload = Job::Download;
inline constexpr Job kJobConnect = Job::Connect;
inline constexpr Job kJobCategoryDisplay = Job::CategoryDisplay;
inline constexpr Job kJobCategorySet = Job::CategorySet;
inline constexpr Job kJobCategoryAdjust = Job::CategoryAdjust;
inline constexpr Job kJobCategoryMaint = Job::CategoryMaint;
inline constexpr Job kJobNextPage = Job::NextPage;
inline constexpr Job kJobPrevPage = Job::PrevPage;
inline constexpr Job kJobTabDisplay = Job::TabDisplay;
inline constexpr Job kJobTabSet = Job::TabSet;
inline constexpr Job kJobTabAdjust = Job::TabAdjust;
inline constexpr Job kJobTabMaint = Job::TabMaint;
inline constexpr Job kJobPeriodicRead = Job::PeriodicRead;
inline constexpr Job kJobProgramUpload = Job::ProgramUpload;
inline constexpr Job kJobProgramDownload = Job::ProgramDownload;
inline constexpr Job kJobReadItem = Job::ReadItem;
inline constexpr Job kJobWriteItem = Job::WriteItem;
inline constexpr Job kJobCancelForced = Job::CancelForced;
inline constexpr Job kJobBaudCheck = Job::BaudCheck;
inline constexpr Job kJobBaudChange = Job::BaudChange;
inline constexpr Job kJobSlot = Job::Slot;

}  // namespace rq50::comm
