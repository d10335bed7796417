#pragma once

// The page of the online parameter screen, shared by the category menu that
// opens a category, the parameter screen that draws it and the page jobs that
// fill it, with the trend of its measured values. Whoever owns the screens
// owns one of these; the screens hold a reference, never each other.

#include <cstdint>
#include <memory>
#include <span>

#include "parameter/PageModel.h"
#include "parameter/Trend.h"
#include "session/Vocabulary.h"

namespace rq50::session {
class FileDialogHost;
}  // namespace rq50::session
namespace rq50::files {
struct Workspace;
}  // namespace rq50::files

namespace rq50::session {

class OnlinePage {
  public:
    explicit OnlinePage(files::Workspace& ws) : m_ws(ws) {}
    ~OnlinePage();
    OnlinePage(const OnlinePage&) = delete;
    OnlinePage& operator=(const OnlinePage&) = delete;

    /// A fresh page of `category`, attached to the page jobs (the page held
    /// before goes), reading at the interval the user chose last, with an
    /// empty trend.
    parameter::PageModel& New(parameter::PageCategory category);
    /// The page is detached from the jobs and goes: the screen closed or the
    /// category was not opened. Fast pacing lets go of the line then.
    void Drop();
    /// The page held, or nullptr.
    parameter::PageModel* Get() const { return m_page.get(); }

    /// Every reading of the page since it was opened.
    parameter::Trend& PageTrend() { return m_trend; }
    /// The reading interval of this page and the pages after it (kept in
    /// the settings as READINTERVAL).
    void SetReadInterval(int ms);

    /// The trend window's exports: asks `dialog` for a file name (in the
    /// user's data folder, offering "trend-<date>-<time>" of the first
    /// reading) and writes the trend's CSV, or the chart as the PNG image
    /// `png`. The file there before stays as it was until the new one is
    /// whole. True when written; false when cancelled or failed (a failure
    /// has shown its message).
    bool ExportCsv(session::FileDialogHost& dialog);
    bool ExportImage(session::FileDialogHost& dialog, std::span<const std::uint8_t> png);
    /// What an exported picture is of: "FIC-101  RQB2  2026-12-08 14:03 - 14:10"
    /// (the tag where the instrument's set names one, the model, the first
    /// and last reading).
    std::string TrendTitle() const;

  private:
    bool Export(session::FileDialogHost& dialog, bool csv, std::span<const std::uint8_t> bytes);

    files::Workspace& m_ws;
    std::unique_ptr<parameter::PageModel> m_page;
    parameter::Trend m_trend;
};

}  // namespace rq50::session
