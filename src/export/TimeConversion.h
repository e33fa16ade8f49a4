#pragma once

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

namespace date {
class time_zone;
}

namespace tillery {

// A log time "yyyy/mm/dd hh:mm:ss" (the examined machine's local time) as a calendar
// value. Empty optional when the text has another shape or names no real day or time.
std::optional<std::chrono::local_seconds> parseLogTime(std::string_view text);

// What a log time becomes in the exports.
struct ConvertedTime {
    std::string datetime;  // ISO 8601; "" when the log time is unreadable
    std::string note;      // why the conversion needed a rule; "" when it needed none
    // For ordering: the UTC instant when converted, else the local time taken as if UTC.
    std::optional<std::chrono::sys_seconds> sortKey;
};

// Turns log times into ISO 8601 text: unchanged local time without an offset, or UTC
// ("+00:00") through a fixed offset or an IANA time zone with its daylight-saving rules.
//
// Around a change of a zone's offset:
// - a local time that does not exist (the clock jumped over it) is read with the offset
//   in force before the jump, as if the clock had not yet been changed: Europe/Berlin
//   2019-03-31 02:30 gives 01:30 UTC, the same instant as 03:30 after the jump;
// - a local time that exists twice (the clock went back) is read as the earlier of the
//   two instants, the one before the change (in daylight time for an autumn change).
class TimeConversion {
public:
    // Local times as they stand.
    TimeConversion() = default;
    // Empty optional for a name the time-zone database does not hold.
    static std::optional<TimeConversion> zone(std::string_view ianaName);
    // "+HH:MM" or "-HH:MM", at most 14 hours; empty optional for any other text.
    static std::optional<TimeConversion> fixedOffset(std::string_view offsetText);

    bool toUtc() const { return m_zone != nullptr || m_fixed.has_value(); }
    ConvertedTime convert(std::string_view logTime) const;

private:
    const date::time_zone* m_zone = nullptr;
    std::optional<std::chrono::seconds> m_fixed;
};

inline constexpr std::string_view kNoteUnreadable = "date not readable";
inline constexpr std::string_view kNoteNonexistent =
    "local time does not exist (clock moved forward); read with the offset before the change";
inline constexpr std::string_view kNoteAmbiguous =
    "local time occurs twice (clock moved back); the earlier instant taken";

}  // namespace tillery
