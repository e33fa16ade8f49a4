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
    const int year = int(ymd.year());
    const auto hours = static_cast<unsigned>(time.hours().count());
    const auto minutes = static_cast<unsigned>(time.minutes().count());
    const auto seconds = static_cast<unsigned>(time.seconds().count());
    if (year < 0 || year > 9999) {
        // A year past four digits (a log time at the calendar's ends, moved by an offset):
        // written as the formatted print writes it.
        char text[48];
        std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02u:%02u:%02u%s", year,
                      unsigned(ymd.month()), unsigned(ymd.day()), hours, minutes, seconds,
                      utc ? "+00:00" : "");
        return text;
    }
    // Written digit by digit: a row's time costs a formatted print otherwise.
    std::string text = "0000-00-00T00:00:00";
    const auto put = [&text](std::size_t at, unsigned value, std::size_t digits) {
        for (std::size_t i = digits; i-- > 0; value /= 10) {
            text[at + i] = static_cast<char>('0' + value % 10);
        }
    };
    put(0, static_cast<unsigned>(year), 4);
    put(5, unsigned(ymd.month()), 2);
    put(8, unsigned(ymd.day()), 2);
    put(11, hours, 2);
    put(14, minutes, 2);
    put(17, seconds, 2);
    if (utc) {
        text.append("+00:00");
    }
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
