#include "files/OleDate.h"
#include "shell/PlatformFile.h"
#include "shell/TextTrim.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <ctime>

namespace rq50::files {

namespace {

constexpr std::int64_t kSecondsPerDay = 86400;
// Limits of the OLE Automation date range: 1 January 100 and 31 December 9999.
constexpr double kFirstOleDay = -657434.0;
constexpr double kLastOleDay = 2958465.0;

// Days since 1 January 1970 of a proleptic Gregorian date.
constexpr std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d) {
    y -= m <= 2 ? 1 : 0;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

void CivilFromDays(std::int64_t z, int& year, int& month, int& day) {
    z += 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const auto doe = static_cast<unsigned>(z - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
    year = static_cast<int>(static_cast<std::int64_t>(yoe) + era * 400 + (month <= 2 ? 1 : 0));
}

constexpr std::int64_t kOleEpoch = DaysFromCivil(1899, 12, 30);

bool IsLeap(int y) {
    return (y % 4 == 0 && y % 100 != 0) || y % 400 == 0;
}

int DaysInMonth(int y, int m) {
    static constexpr int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && IsLeap(y) ? 29 : kDays[m - 1];
}

// Reads 1 to `maxDigits` decimal digits at `pos`.
bool Number(std::string_view s, std::size_t& pos, int minDigits, int maxDigits, int& out) {
    int n = 0;
    int value = 0;
    while (pos < s.size() && n < maxDigits && s[pos] >= '0' && s[pos] <= '9') {
        value = value * 10 + (s[pos] - '0');
        ++pos;
        ++n;
    }
    out = value;
    return n >= minDigits;
}

}  // namespace

std::optional<DateTimeParts> OleDateToParts(double oleDate) {
    if (!std::isfinite(oleDate) || oleDate < kFirstOleDay || oleDate >= kLastOleDay + 1.0) {
        return std::nullopt;
    }
    const double whole = std::trunc(oleDate);
    const double fraction = std::fabs(oleDate - whole);
    auto days = static_cast<std::int64_t>(whole);
    auto seconds = static_cast<std::int64_t>(std::llround(fraction * kSecondsPerDay));
    if (seconds >= kSecondsPerDay) {
        seconds -= kSecondsPerDay;
        ++days;
    }
    DateTimeParts p;
    CivilFromDays(days + kOleEpoch, p.year, p.month, p.day);
    if (p.year > 9999) return std::nullopt;
    p.hour = static_cast<int>(seconds / 3600);
    p.minute = static_cast<int>(seconds / 60 % 60);
    p.second = static_cast<int>(seconds % 60);
    return p;
}

std::optional<double> PartsToOleDate(const DateTimeParts& p) {
    if (p.year < 100 || p.year > 9999 || p.month < 1 || p.month > 12 || p.day < 1 ||
        p.day > DaysInMonth(p.year, p.month) || p.hour < 0 || p.hour > 23 || p.minute < 0 ||
        p.minute > 59 || p.second < 0 || p.second > 59) {
        return std::nullopt;
    }
    const std::int64_t days =
        DaysFromCivil(p.year, static_cast<unsigned>(p.month), static_cast<unsigned>(p.day)) -
        kOleEpoch;
    const double time = static_cast<double>(p.hour * 3600 + p.minute * 60 + p.second) /
                        static_cast<double>(kSecondsPerDay);
    return days >= 0 ? static_cast<double>(days) + time : static_cast<double>(days) - time;
}

std::string FormatGeneralDate(double oleDate) {
    const auto p = OleDateToParts(oleDate);
    if (!p) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", p->year, p->month, p->day,
                  p->hour, p->minute, p->second);
    return text;
}

std::string FormatIsoDate(double oleDate) {
    const auto p = OleDateToParts(oleDate);
    if (!p) return {};
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d", p->year, p->month, p->day,
                  p->hour, p->minute, p->second);
    return text;
}

std::optional<double> ParseDateText(std::string_view text) {
    const std::string trimmed = shell::Trim(text, shell::kSpaceOrTab);
    const std::string_view s = trimmed;
    std::size_t pos = 0;
    DateTimeParts p;
    if (!Number(s, pos, 4, 4, p.year) || pos >= s.size()) return std::nullopt;
    const char separator = s[pos];
    if (separator != '/' && separator != '-') return std::nullopt;
    ++pos;
    if (!Number(s, pos, 1, 2, p.month) || pos >= s.size() || s[pos] != separator) {
        return std::nullopt;
    }
    ++pos;
    if (!Number(s, pos, 1, 2, p.day)) return std::nullopt;
    if (pos < s.size()) {
        const char between = s[pos];
        const bool isoT = between == 'T' && separator == '-';
        if (between != ' ' && !isoT) return std::nullopt;
        while (pos < s.size() && (s[pos] == ' ' || s[pos] == 'T')) ++pos;
        if (!Number(s, pos, 1, 2, p.hour) || pos >= s.size() || s[pos] != ':') {
            return std::nullopt;
        }
        ++pos;
        if (!Number(s, pos, 2, 2, p.minute)) return std::nullopt;
        if (pos < s.size()) {
            if (s[pos] != ':') return std::nullopt;
            ++pos;
            if (!Number(s, pos, 2, 2, p.second)) return std::nullopt;
        }
        if (pos != s.size()) return std::nullopt;
    }
    return PartsToOleDate(p);
}

double OleDateNow() {
    const std::time_t now = std::time(nullptr);
    const std::tm local = shell::platform::LocalTime(now);
    DateTimeParts p{local.tm_year + 1900, local.tm_mon + 1, local.tm_mday,
                    local.tm_hour,        local.tm_min,     std::min(local.tm_sec, 59)};
    return PartsToOleDate(p).value_or(0.0);
}

}  // namespace rq50::files
