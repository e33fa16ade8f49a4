#include "export/TimeConversion.h"

#include <gtest/gtest.h>

#include <string>

using namespace tillery;

TEST(LogTime, ReadsOnlyRealDaysAndTimesInTheLogShape)
{
    for (const char* text : {"2019/03/31 02:30:00", "2020/02/29 23:59:59"}) {
        EXPECT_TRUE(parseLogTime(text).has_value()) << text;
    }
    for (const char* text : {"2019/02/29 10:00:00", "2019/04/31 10:00:00", "2019/13/01 10:00:00",
                             "2019/00/01 10:00:00", "2019/03/31 24:00:00", "2019/03/31 12:00:61",
                             "2019-03-31 12:00:00", "2019/03/31 12:00:00.123", "2019/3/31 12:00:00 ", "?", ""}) {
        EXPECT_FALSE(parseLogTime(text).has_value()) << text;
    }
    // Without a zone, times stay local: no offset, and a note only for what cannot be read.
    const TimeConversion local;
    EXPECT_FALSE(local.toUtc());
    EXPECT_EQ(local.convert("2019/03/31 02:30:00").datetime, "2019-03-31T02:30:00");
    EXPECT_EQ(local.convert("2019/03/31 02:30:00").note, "");
    EXPECT_EQ(local.convert("?").datetime, "");
    EXPECT_EQ(local.convert("?").note, kNoteUnreadable);
    EXPECT_EQ(local.convert("").note, "");
}

// A zone or a fixed offset turns the log's local time into UTC. In a zone a time the
// clock skipped is read with the offset before the change, a time it showed twice is the
// earlier instant, and both say so.
TEST(TimeConversion, ZonesAndOffsetsGiveUtcAndStateTheirRuleAroundChanges)
{
    const struct {
        const char* zone;    // a zone name, or an offset when it starts with + or -
        const char* local;
        const char* utc;     // nullptr: the zone or offset is refused
        std::string_view note;
    } cases[] = {
        {"Europe/Berlin", "2019/01/15 12:00:00", "2019-01-15T11:00:00+00:00", ""},
        {"Europe/Berlin", "2019/07/15 12:00:00", "2019-07-15T10:00:00+00:00", ""},
        {"Europe/Berlin", "2019/03/31 01:59:59", "2019-03-31T00:59:59+00:00", ""},
        {"Europe/Berlin", "2019/03/31 02:30:00", "2019-03-31T01:30:00+00:00", kNoteNonexistent},
        {"Europe/Berlin", "2019/03/31 03:30:00", "2019-03-31T01:30:00+00:00", ""},
        {"Europe/Berlin", "2019/10/27 01:59:59", "2019-10-26T23:59:59+00:00", ""},
        {"Europe/Berlin", "2019/10/27 02:30:00", "2019-10-27T00:30:00+00:00", kNoteAmbiguous},
        {"Europe/Berlin", "2019/10/27 03:00:00", "2019-10-27T02:00:00+00:00", ""},
        {"America/New_York", "2019/03/10 02:15:00", "2019-03-10T07:15:00+00:00", kNoteNonexistent},
        {"America/New_York", "2019/11/03 01:15:00", "2019-11-03T05:15:00+00:00", kNoteAmbiguous},
        {"Pacific/Auckland", "2020/01/01 05:00:00", "2019-12-31T16:00:00+00:00", ""},
        {"+00:00", "2019/03/31 02:30:00", "2019-03-31T02:30:00+00:00", ""},
        {"-05:30", "2019/03/31 02:30:00", "2019-03-31T08:00:00+00:00", ""},
        {"+05:45", "2019/03/31 02:30:00", "2019-03-30T20:45:00+00:00", ""},
        {"+14:00", "2019/03/31 02:30:00", "2019-03-30T12:30:00+00:00", ""},
        {"+14:00", "0001/01/01 09:59:59", "0000-12-31T19:59:59+00:00", ""},  // the calendar's ends
        {"-05:30", "9999/12/31 23:00:00", "10000-01-01T04:30:00+00:00", ""},
        {"Europe/Atlantis", "", nullptr, ""},
        {"berlin", "", nullptr, ""},
        {"../../etc/passwd", "", nullptr, ""},
        {"+14:01", "", nullptr, ""},
        {"+02:60", "", nullptr, ""},
        {"+2:00", "", nullptr, ""},
        {"+0200", "", nullptr, ""},
    };
    for (const auto& c : cases) {
        const std::string name = c.zone;
        const auto conversion = name.starts_with('+') || name.starts_with('-')
                                    ? TimeConversion::fixedOffset(name)
                                    : TimeConversion::zone(name);
        ASSERT_EQ(conversion.has_value(), c.utc != nullptr) << c.zone;
        if (conversion) {
            EXPECT_TRUE(conversion->toUtc());
            const ConvertedTime t = conversion->convert(c.local);
            EXPECT_EQ(t.datetime, c.utc) << c.zone << " " << c.local;
            EXPECT_EQ(t.note, c.note) << c.zone << " " << c.local;
        }
    }
    for (const char* refused : {"", "02:00", "UTC+2"}) {
        EXPECT_FALSE(TimeConversion::zone(refused) || TimeConversion::fixedOffset(refused)) << refused;
    }
}
