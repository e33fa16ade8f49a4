#include "export/TimeConversion.h"

#include <date/tz.h>

#include <cstdio>
#include <exception>

namespace tillery {

namespace {

bool digitsAt(std::string_view text, std::size_t from, std::size_t count, int& value)
{
    value = 0;
    for (std::size_t i = from; i < from + count; ++i) {
        if (i >= text.size() || text[i] < '0' || text[i] > '9') {
            return false;
        }
        value = value * 10 + (text[i] - '0');
    }
    return true;
}

std::string isoText(std::chrono::sys_seconds instant, bool utc)
{
    const auto day = std::chrono::floor<std::chrono::days>(instant);
    const std::chrono::year_month_day ymd{day};
    const std::chrono::hh_mm_ss<std::chrono::seconds> time{instant - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02d%s", int(ymd.year()),
                  unsigned(ymd.month()), unsigned(ymd.day()), int(time.hours().count()),
                  int(time.minutes().count()), int(time.seconds().count()),
                  utc ? "+00:00" : "");
    return text;
}

}  // namespace

std::optional<std::chrono::local_seconds> parseLogTime(std::string_view text)
{
    if (text.size() != 19 || text[4] != '/' || text[7] != '/' || text[10] != ' ' ||
        text[13] != ':' || text[16] != ':') {
        return std::nullopt;
    }
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, s = 0;
    if (!digitsAt(text, 0, 4, y) || !digitsAt(text, 5, 2, mo) || !digitsAt(text, 8, 2, d) ||
        !digitsAt(text, 11, 2, h) || !digitsAt(text, 14, 2, mi) || !digitsAt(text, 17, 2, s)) {
        return std::nullopt;
    }
    const std::chrono::year_month_day ymd{std::chrono::year(y), std::chrono::month(unsigned(mo)),
                                          std::chrono::day(unsigned(d))};
    if (!ymd.ok() || h > 23 || mi > 59 || s > 59) {
        return std::nullopt;
    }
    return std::chrono::local_days(ymd) + std::chrono::hours(h) + std::chrono::minutes(mi) +
           std::chrono::seconds(s);
}

std::optional<TimeConversion> TimeConversion::zone(std::string_view ianaName)
{
    if (ianaName.empty()) {
        return std::nullopt;
    }
    try {
        TimeConversion conversion;
        conversion.m_zone = date::locate_zone(ianaName);
        return conversion;
    } catch (const std::exception&) {
        // Unknown name, or no readable time-zone database.
        return std::nullopt;
    }
}

std::optional<TimeConversion> TimeConversion::fixedOffset(std::string_view offsetText)
{
    int hours = 0;
    int minutes = 0;
    if (offsetText.size() != 6 || (offsetText[0] != '+' && offsetText[0] != '-') ||
        offsetText[3] != ':' || !digitsAt(offsetText, 1, 2, hours) ||
        !digitsAt(offsetText, 4, 2, minutes) || minutes > 59 || hours * 60 + minutes > 14 * 60) {
        return std::nullopt;
    }
    const std::chrono::seconds offset = std::chrono::hours(hours) + std::chrono::minutes(minutes);
    TimeConversion conversion;
    conversion.m_fixed = offsetText[0] == '-' ? -offset : offset;
    return conversion;
}

ConvertedTime TimeConversion::convert(std::string_view logTime) const
{
    ConvertedTime result;
    const auto local = parseLogTime(logTime);
    if (!local) {
        if (!logTime.empty()) {
            result.note = kNoteUnreadable;
        }
        return result;
    }
    std::chrono::seconds offset{0};
    if (m_fixed) {
        offset = *m_fixed;
    } else if (m_zone != nullptr) {
        const date::local_seconds dateLocal{local->time_since_epoch()};
        const date::local_info info = m_zone->get_info(dateLocal);
        // Unique, and both readings around a change, take the offset in force first.
        offset = info.first.offset;
        if (info.result == date::local_info::nonexistent) {
            result.note = kNoteNonexistent;
        } else if (info.result == date::local_info::ambiguous) {
            result.note = kNoteAmbiguous;
        }
    }
    const std::chrono::sys_seconds instant{local->time_since_epoch() - offset};
    result.datetime = isoText(instant, toUtc());
    result.sortKey = instant;
    return result;
}

}  // namespace tillery
