#pragma once

namespace rq50::files {

/// What a report prints.
enum class ReportKind {
    Current,        ///< the parameter report (SettingMode 0) or the program report (1)
    DownloadCheck,  ///< the download check list of the last download
    ErrorList,      ///< the command check's error list (the workspace's errorPrintList)
};

}  // namespace rq50::files
