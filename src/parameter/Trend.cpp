#include "parameter/Trend.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "shell/Clock.h"
#include "shell/QuotedField.h"
#include "shell/TextTrim.h"
#include "shell/UntrustedText.h"

namespace rq50::parameter {

namespace {

constexpr std::array<std::int64_t, 3> kSpanMs = {60 * 1000, 10 * 60 * 1000, 60 * 60 * 1000};

/// The auxiliary text of a measured item is its unit ("%", "mA", "degC")
/// unless it is a word of state; a unit has no blank and is short.
std::string UnitOf(const std::string& aux) {
    const std::string unit = shell::Trim(aux);
    return unit.size() <= 6 && unit.find(' ') == std::string::npos ? unit : std::string{};
}

}  // namespace

std::string PlainNumber(const std::string& data) {
    std::string text = shell::Trim(data);
    std::string sign;
    if (!text.empty() && (text[0] == '+' || text[0] == '-')) {
        if (text[0] == '-') sign = "-";
        text.erase(0, 1);
    }
    const auto point = text.find('.');
    const std::string whole = text.substr(0, point);
    const std::string part = point == std::string::npos ? "" : text.substr(point + 1);
    const auto digits = [](const std::string& t) {
        return t.find_first_not_of("0123456789") == std::string::npos;
    };
    if (whole.empty() || !digits(whole) || !digits(part) ||
        (point != std::string::npos && part.empty()))
        return {};
    const auto first = whole.find_first_not_of('0');
    const std::string integer = first == std::string::npos ? "0" : whole.substr(first);
    return sign + integer + (part.empty() ? "" : "." + part);
}

void Trend::FollowPage(const PageModel& page) {
    m_series.clear();
    m_samples.clear();
    for (const MeasuredItem& m : page.Window().measured) {
        TrendSeries series;
        series.address = m.address;
        series.label = shell::Trim(shell::Trim(page.Cell(m.row, kColAddress)) + " " +
                                   shell::Trim(page.Cell(m.row, kColName)));
        series.unit = UnitOf(page.Cell(m.row, kColAux));
        m_series.push_back(std::move(series));
    }
}

void Trend::Add(const PageModel& page, bool read, std::int64_t ms) {
    const auto& measured = page.Window().measured;
    const bool same = measured.size() == m_series.size() &&
                      std::equal(measured.begin(), measured.end(), m_series.begin(),
                                 [](const MeasuredItem& m, const TrendSeries& s) {
                                     return m.address == s.address;
                                 });
    if (!same) FollowPage(page);
    if (m_series.empty()) return;
    if (!m_origin) m_origin = {std::time(nullptr), ms};
    TrendSample sample;
    sample.ms = ms;
    sample.read = read;
    for (std::size_t i = 0; i < measured.size(); ++i) {
        std::string text = read ? PlainNumber(page.Cell(measured[i].row, kColData)) : std::string{};
        sample.values.push_back(text.empty()
                                    ? std::nullopt
                                    : std::optional<double>(std::strtod(text.c_str(), nullptr)));
        // A unit learnt late (the page was empty at the first reading).
        if (m_series[i].unit.empty() && read)
            m_series[i].unit = UnitOf(page.Cell(measured[i].row, kColAux));
        sample.texts.push_back(std::move(text));
    }
    m_samples.push_back(std::move(sample));
    if (m_samples.size() > kMaxSamples) m_samples.pop_front();
}

void Trend::SetPaused(bool paused) {
    if (!paused) {
        m_pausedAt.reset();
    } else if (!m_pausedAt) {
        m_pausedAt = m_samples.empty() ? 0 : m_samples.back().ms;
    }
}

std::optional<std::pair<std::int64_t, std::int64_t>> Trend::Range(TrendSpan span) const {
    if (m_samples.empty()) return std::nullopt;
    const std::int64_t end = m_pausedAt ? *m_pausedAt : m_samples.back().ms;
    std::int64_t from = m_samples.front().ms;
    if (span != TrendSpan::All)
        from = std::max(from, end - kSpanMs[static_cast<std::size_t>(span)]);
    if (from >= end) from = end - 1000;  // one reading: a second around it
    return std::make_pair(from, end);
}

std::vector<std::string> Trend::Units() const {
    std::vector<std::string> units;
    for (const TrendSeries& s : m_series) {
        if (std::find(units.begin(), units.end(), s.unit) == units.end()) units.push_back(s.unit);
    }
    return units;
}

std::optional<std::pair<double, double>> Trend::ValueRange(
    std::int64_t from, std::int64_t to, const std::optional<std::string>& unit) const {
    std::optional<std::pair<double, double>> range;
    for (const TrendSample& s : m_samples) {
        if (s.ms < from || s.ms > to) continue;
        for (std::size_t i = 0; i < s.values.size(); ++i) {
            const auto& v = s.values[i];
            if (!v || (unit && (i >= m_series.size() || m_series[i].unit != *unit))) continue;
            if (!range) range = {*v, *v};
            range->first = std::min(range->first, *v);
            range->second = std::max(range->second, *v);
        }
    }
    if (!range) return range;
    const double margin = std::max((range->second - range->first) * 0.05,
                                   std::max(std::abs(range->second) * 0.01, 0.5));
    return std::make_pair(range->first - margin, range->second + margin);
}

const TrendSample* Trend::Nearest(std::int64_t ms, std::int64_t from, std::int64_t to) const {
    const TrendSample* best = nullptr;
    for (const TrendSample& s : m_samples) {
        if (s.ms < from || s.ms > to) continue;
        if (best == nullptr || std::llabs(s.ms - ms) < std::llabs(best->ms - ms)) best = &s;
    }
    return best;
}

std::string Trend::Readout(const TrendSample& sample) const {
    std::string text = TimeOfDay(sample.ms);
    for (std::size_t i = 0; i < m_series.size() && i < sample.texts.size(); ++i) {
        text += "   " + m_series[i].label + " ";
        text += sample.texts[i].empty()
                    ? std::string("no reading")
                    : sample.texts[i] +
                          (m_series[i].unit.empty() ? std::string{} : " " + m_series[i].unit);
    }
    return text;
}

void Trend::SetClockOrigin(std::time_t wall, std::int64_t ms) {
    m_origin = {wall, ms};
}

std::string Trend::IsoTime(std::int64_t ms) const {
    const auto [wall, at] = m_origin.value_or(std::make_pair(std::time(nullptr), ms));
    const std::int64_t since = ms - at;
    // Whole seconds down, so that a moment before the origin stays in order.
    const std::int64_t seconds = since >= 0 ? since / 1000 : -((999 - since) / 1000);
    char milliseconds[16];
    std::snprintf(milliseconds, sizeof milliseconds, ".%03d",
                  static_cast<int>(since - seconds * 1000));
    return shell::LocalTimeText(wall + static_cast<std::time_t>(seconds), "%Y-%m-%dT%H:%M:%S") +
           milliseconds;
}

std::string Trend::TimeOfDay(std::int64_t ms) const {
    const std::string iso = IsoTime(ms);
    return iso.substr(11, 8);
}

std::string Trend::LastReadingText() const {
    if (m_samples.empty()) return {};
    const TrendSample& last = m_samples.back();
    return "Last reading " + TimeOfDay(last.ms) + (last.read ? "" : " failed");
}

std::string Trend::CsvHead() const {
    std::string head = "time";
    for (const TrendSeries& s : m_series)
        head += "," + shell::QuotedField(shell::SpreadsheetText(s.label));
    return head + "\r\n";
}

std::string Trend::CsvRow(const TrendSample& sample) const {
    std::string row = IsoTime(sample.ms);
    for (const std::string& text : sample.texts) row += "," + text;
    return row + "\r\n";
}

std::string Trend::Csv() const {
    std::string csv = CsvHead();
    for (const TrendSample& s : m_samples) csv += CsvRow(s);
    return csv;
}

}  // namespace rq50::parameter
