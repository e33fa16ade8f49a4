#include "export/TimeConversion.h"

#include <gtest/gtest.h>

#include <string>

using namespace tillery;

TEST(LogTime, ReadsOnlyRealDaysAndTimesInTheLogShape)
{
    const struct {
        const char* text;
        bool readable;
    } cases[] = {
        {"2019/03/31 02:30:00", true},
        {"2020/02/29 23:59:59", true},
        {"2019/02/29 10:00:00", false},  // no such day
        {"2019/04/31 10:00:00", false},
        {"2019/13/01 10:00:00", false},
        {"2019/00/01 10:00:00", false},
        {"2019/03/31 24:00:00", false},
        {"2019/03/31 12:60:00", false},
        {"2019/03/31 12:00:61", false},
        {"2019-03-31 12:00:00", false},
        {"2019/03/31 12:00:00.123", false},
        {"2019/03/31 12:00", false},
        {"2019/3/31 12:00:00 ", false},
        {"?", false},
        {"", false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(parseLogTime(c.text).has_value(), c.readable) << c.text;
    }
}

TEST(TimeConversion, LocalTimesStayWithoutOffset)
{
    const TimeConversion local;
    EXPECT_FALSE(local.toUtc());
    const ConvertedTime t = local.convert("2019/03/31 02:30:00");
    EXPECT_EQ(t.datetime, "2019-03-31T02:30:00");
    EXPECT_EQ(t.note, "");
    EXPECT_EQ(local.convert("?").datetime, "");
    EXPECT_EQ(local.convert("?").note, kNoteUnreadable);
    EXPECT_EQ(local.convert("").note, "");
}

TEST(TimeConversion, ZonesHonourDaylightSavingAndStateTheirRuleAroundChanges)
{
    const struct {
        const char* zone;
        const char* local;
        const char* utc;
        std::string_view note;
    } cases[] = {
        {"Europe/Berlin", "2019/01/15 12:00:00", "2019-01-15T11:00:00+00:00", ""},
        {"Europe/Berlin", "2019/07/15 12:00:00", "2019-07-15T10:00:00+00:00", ""},
        // Spring: 02:00-02:59 does not exist; read with the winter offset.
        {"Europe/Berlin", "2019/03/31 01:59:59", "2019-03-31T00:59:59+00:00", ""},
        {"Europe/Berlin", "2019/03/31 02:30:00", "2019-03-31T01:30:00+00:00", kNoteNonexistent},
        {"Europe/Berlin", "2019/03/31 03:30:00", "2019-03-31T01:30:00+00:00", ""},
        // Autumn: 02:00-02:59 occurs twice; the earlier (summer-time) instant.
        {"Europe/Berlin", "2019/10/27 01:59:59", "2019-10-26T23:59:59+00:00", ""},
        {"Europe/Berlin", "2019/10/27 02:30:00", "2019-10-27T00:30:00+00:00", kNoteAmbiguous},
        {"Europe/Berlin", "2019/10/27 03:00:00", "2019-10-27T02:00:00+00:00", ""},
        {"America/New_York", "2019/03/10 02:15:00", "2019-03-10T07:15:00+00:00", kNoteNonexistent},
        {"America/New_York", "2019/11/03 01:15:00", "2019-11-03T05:15:00+00:00", kNoteAmbiguous},
        {"Asia/Kolkata", "2016/11/22 23:50:30", "2016-11-22T18:20:30+00:00", ""},
        {"UTC", "2000/01/01 00:00:00", "2000-01-01T00:00:00+00:00", ""},
        // Crossing midnight and a year end.
        {"Pacific/Auckland", "2020/01/01 05:00:00", "2019-12-31T16:00:00+00:00", ""},
    };
    for (const auto& c : cases) {
        const auto conversion = TimeConversion::zone(c.zone);
        ASSERT_TRUE(conversion.has_value()) << c.zone;
        EXPECT_TRUE(conversion->toUtc());
        const ConvertedTime t = conversion->convert(c.local);
        EXPECT_EQ(t.datetime, c.utc) << c.zone << " " << c.local;
        EXPECT_EQ(t.note, c.note) << c.zone << " " << c.local;
    }
}

TEST(TimeConversion, UnknownZoneIsRefused)
{
    for (const char* name : {"Europe/Atlantis", "", "berlin", "../../etc/passwd"}) {
        EXPECT_FALSE(TimeConversion::zone(name).has_value()) << name;
    }
}

TEST(TimeConversion, FixedOffsets)
{
    const struct {
        const char* offset;
        const char* utc;  // of 2019/03/31 02:30:00; nullptr when the offset is refused
    } cases[] = {
        {"+00:00", "2019-03-31T02:30:00+00:00"},
        {"+02:00", "2019-03-31T00:30:00+00:00"},
        {"-05:30", "2019-03-31T08:00:00+00:00"},
        {"+05:45", "2019-03-30T20:45:00+00:00"},
        {"+14:00", "2019-03-30T12:30:00+00:00"},
        {"+14:01", nullptr},
        {"+02:60", nullptr},
        {"02:00", nullptr},
        {"+2:00", nullptr},
        {"+0200", nullptr},
        {"UTC+2", nullptr},
        {"", nullptr},
    };
    for (const auto& c : cases) {
        const auto conversion = TimeConversion::fixedOffset(c.offset);
        ASSERT_EQ(conversion.has_value(), c.utc != nullptr) << c.offset;
        if (conversion) {
            EXPECT_EQ(conversion->convert("2019/03/31 02:30:00").datetime, c.utc) << c.offset;
            EXPECT_EQ(conversion->convert("2019/03/31 02:30:00").note, "") << c.offset;
        }
    }
}
