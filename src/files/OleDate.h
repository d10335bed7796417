#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace rq50::files {

/// A calendar date and time of day, to the second.
struct DateTimeParts {
    int year = 1899;
    int month = 12;
    int day = 30;
    int hour = 0;
    int minute = 0;
    int second = 0;
    friend bool operator==(const DateTimeParts&, const DateTimeParts&) = default;
};

/// The calendar parts of an OLE Automation date (days since 30 December 1899
/// 00:00, the fraction being the time of day; for dates before that day the
/// fraction counts forward from the start of the day). Rounded to the second.
/// Empty for a value that is not a finite date between the years 100 and 9999.
std::optional<DateTimeParts> OleDateToParts(double oleDate);

/// The OLE Automation date of `parts`; empty when the parts are not a real
/// date and time (the 30th of February, hour 24, the year 10000 ...).
std::optional<double> PartsToOleDate(const DateTimeParts& parts);

/// The general date-and-time form shown by the program: "yyyy/mm/dd hh:mm:ss".
/// A value that is no date gives an empty text.
std::string FormatGeneralDate(double oleDate);

/// ISO 8601 local time without a zone: "yyyy-mm-ddThh:mm:ss"; empty when no date.
std::string FormatIsoDate(double oleDate);

/// Reads a date typed by the user or given on a command line. Accepted:
/// "yyyy/mm/dd", "yyyy/mm/dd hh:mm", "yyyy/mm/dd hh:mm:ss" (month, day and
/// hour may have one digit), the same with "-" between the date parts, and the
/// ISO form with "T" between date and time. Blanks around the text are
/// ignored. Impossible dates and times give an empty result.
std::optional<double> ParseDateText(std::string_view text);

/// The present local date and time as an OLE Automation date.
double OleDateNow();

}  // namespace rq50::files
