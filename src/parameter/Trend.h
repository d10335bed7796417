#pragma once

// The measured values of the online page over time: every periodic reading
// of the page's measured items (data kind 6) as one sample, a failed reading
// as a gap. The trend window draws it, exports it to CSV, and rq50-cli's
// monitor writes the same CSV.

#include <cstdint>
#include <ctime>
#include <deque>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "parameter/PageModel.h"

namespace rq50::parameter {

/// One measured item the trend follows.
struct TrendSeries {
    ItemAddress address;
    std::string label;  ///< "<address> <name>": the CSV column head and the legend
    std::string unit;   ///< the item's auxiliary text when it reads as a unit, else empty
};

/// One reading: when it ended on the session's clock, and per series its value
/// as a number for the chart and as the plain text for the CSV; both empty
/// where the reading failed or the item showed no number (an over-range mark).
struct TrendSample {
    std::int64_t ms = 0;
    bool read = true;  ///< false: the reading failed (a gap)
    std::vector<std::optional<double>> values;
    std::vector<std::string> texts;
};

/// How much of the trend the chart shows.
enum class TrendSpan : int { OneMinute = 0, TenMinutes = 1, OneHour = 2, All = 3 };

class Trend {
  public:
    /// The oldest samples go beyond this many (a day at two readings a second).
    static constexpr std::size_t kMaxSamples = 200000;

    /// A reading of `page` ended at `ms` (the session's clock), well or not.
    /// When the page's measured items are others than the trend follows (a
    /// new page), the trend starts again with them.
    void Add(const PageModel& page, bool read, std::int64_t ms);

    const std::vector<TrendSeries>& Series() const { return m_series; }
    const std::deque<TrendSample>& Samples() const { return m_samples; }
    bool Empty() const { return m_samples.empty(); }

    /// Paused, the chart keeps showing what it showed; readings are still
    /// recorded and come into view on Resume.
    void SetPaused(bool paused);
    bool Paused() const { return m_pausedAt.has_value(); }

    /// The time axis for `span`: from the span's length before its end to its
    /// end, the last sample (or the last one when paused), but never before
    /// the first reading. All: the first sample to the end. Nothing while no
    /// sample is in view.
    std::optional<std::pair<std::int64_t, std::int64_t>> Range(TrendSpan span) const;
    /// The smallest and largest value in [from, to], a little widened so a
    /// flat line does not sit on the frame; nothing without values. With
    /// `unit`, only the series of that unit: each unit has its own scale, so
    /// that a swing of half a percent is not drawn flat beside 4-20 mA.
    std::optional<std::pair<double, double>> ValueRange(
        std::int64_t from, std::int64_t to, const std::optional<std::string>& unit = {}) const;
    /// The units of the series in the order they first appear ("" for none).
    std::vector<std::string> Units() const;
    /// The sample nearest to `ms` within [from, to], for the cursor readout.
    const TrendSample* Nearest(std::int64_t ms, std::int64_t from, std::int64_t to) const;
    /// "14:03:25  A01 PV 51.05 %  A02 MV no reading": a sample in one line.
    std::string Readout(const TrendSample& sample) const;

    /// The local time of a moment on the session's clock: ISO 8601 with
    /// milliseconds ("2026-12-08T14:03:25.250"), or the time of day alone.
    std::string IsoTime(std::int64_t ms) const;
    std::string TimeOfDay(std::int64_t ms) const;
    /// "Last reading 14:03:25", "Last reading 14:03:25 failed", or empty.
    std::string LastReadingText() const;

    /// The CSV: "time", then one column per series headed by its label; a
    /// row per sample with its ISO time and plain numbers ("51.05", not
    /// "+051.05"), an empty cell where the value is missing. Lines end CR LF.
    std::string CsvHead() const;
    std::string CsvRow(const TrendSample& sample) const;
    std::string Csv() const;

    /// Ties the session's clock to the wall clock: `ms` on the clock is
    /// `wall`. Taken from the machine at the first sample unless set.
    void SetClockOrigin(std::time_t wall, std::int64_t ms);

  private:
    void FollowPage(const PageModel& page);

    std::vector<TrendSeries> m_series;
    std::deque<TrendSample> m_samples;
    std::optional<std::int64_t> m_pausedAt;
    std::optional<std::pair<std::time_t, std::int64_t>> m_origin;
};

/// A measured value as a plain number: "+012.34" is "12.34", "-000.50" is
/// "-0.50"; empty for a text that is no number.
std::string PlainNumber(const std::string& data);

}  // namespace rq50::parameter
