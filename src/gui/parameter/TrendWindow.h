#pragma once

// The trend of the online page's measured values: a window of the DISPLAY
// page (not a screen of its own), opened by its Trend button. It draws the
// page's Trend, one line per measured item over clock time, a failed reading
// as a gap; shows the values of the reading under the cursor; and exports the
// trend as CSV or the chart as PNG.

#include <QDialog>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

#include "gui/QtHosts.h"
#include "parameter/Trend.h"

class QChart;
class QChartView;
class QComboBox;
class QDateTimeAxis;
class QLabel;
class QLineSeries;
class QPushButton;
class QValueAxis;

namespace rq50::files {
struct Workspace;
}  // namespace rq50::files
namespace rq50::session {
class OnlinePage;
}  // namespace rq50::session

namespace rq50::gui {

class TrendWindow : public QDialog {
    Q_OBJECT
  public:
    TrendWindow(files::Workspace& ws, session::OnlinePage& page, QWidget* parent);
    ~TrendWindow() override;

    /// A reading was taken: the chart follows within a quarter second, so it
    /// redraws at most four times a second however fast the page is read.
    void ReadingTaken();
    /// Draws the trend now.
    void Redraw();
    /// The lines of measured item `series`: one per stretch between gaps;
    /// none before the first reading.
    std::vector<QLineSeries*> Lines(std::size_t series) const;

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void done(int result) override;

  private:
    parameter::Trend& Data() const;
    parameter::TrendSpan Span() const;
    /// The lines, legend and colours anew for the trend's series.
    void Rebuild();
    /// The scale of series `i` (its unit's).
    QValueAxis* AxisOf(std::size_t series) const;
    /// The cursor on the reading nearest to `ms` (the session's clock).
    void PointAt(std::int64_t ms);
    /// The cursor `step` readings on, within the span shown.
    void MoveCursor(int step);
    void ShowCursor();
    void TogglePause();
    void Export(bool csv);

    files::Workspace& m_ws;
    session::OnlinePage& m_online;
    QtFileDialogHost m_fileDialog;
    QChart* m_chart = nullptr;
    QChartView* m_view = nullptr;
    QDateTimeAxis* m_time = nullptr;
    QValueAxis* m_values = nullptr;  ///< the first unit's scale, at the left
    /// Per unit of Trend::Units() its scale: m_values for the first, the
    /// others at the right.
    std::vector<QValueAxis*> m_unitAxes;
    std::vector<std::string> m_units;
    QLineSeries* m_cursorLine = nullptr;
    std::vector<std::vector<QLineSeries*>> m_lines;
    std::vector<std::string> m_labels;
    QComboBox* m_span = nullptr;
    QPushButton* m_pause = nullptr;
    QLabel* m_readout = nullptr;
    QTimer m_redraw;
    /// The axis shown, on the session's clock, and where the clock's 0 lies
    /// in the wall clock's milliseconds since the epoch.
    std::int64_t m_from = 0;
    std::int64_t m_to = 0;
    std::int64_t m_epoch = 0;
    std::optional<std::int64_t> m_cursor;
};

}  // namespace rq50::gui
