// The rings across the daylight-saving changes of Central Europe (the suite
// runs with TZ=Europe/Berlin), with explicit moments in UTC; and the times
// of file systems that keep them coarsely.
#include "notifier/notifier.h"
#include "notifier/copy/copy_internal.h"

#include <gtest/gtest.h>

#include <string>

namespace {

const ULONGLONG SECOND = 10000000ULL;

FILETIME Utc(WORD month, WORD day, WORD hour, WORD minute)
{
    SYSTEMTIME utc = {2026, month, 0, day, hour, minute, 0, 0};
    FILETIME time;
    SystemTimeToFileTime(&utc, &time);
    return time;
}

FILETIME Later(const FILETIME &t, ULONGLONG ticks)
{
    ULONGLONG v = ((ULONGLONG)t.dwHighDateTime << 32 | t.dwLowDateTime) + ticks;
    return FILETIME{(DWORD)v, (DWORD)(v >> 32)};
}

TEST(ClockChanges, TheZoneIsOneWithDaylightSaving)
{
    TIME_ZONE_INFORMATION zone;
    ASSERT_EQ(GetTimeZoneInformation(&zone) != TIME_ZONE_ID_INVALID, true);
    EXPECT_EQ(zone.Bias, -60) << "run with TZ=Europe/Berlin";
    EXPECT_EQ(zone.DaylightBias, -60);
}

TEST(ClockChanges, RingRoundsAreLocalCalendarTimeAcrossBothChanges)
{
    struct Case {
        const char *what;
        int ring;
        FILETIME slot, now;
        bool earlier, expired;
    } cases[] = {
        // 25 October: 03:00 summer time becomes 02:00 again.
        {"02:10 summer, 02:30 winter: the same hour", RING_HOUR, Utc(10, 25, 0, 10), Utc(10, 25, 1, 30), false, false},
        {"00:30 summer to 23:45 winter: the same day of 25 hours", RING_DAY, Utc(10, 24, 22, 30), Utc(10, 25, 22, 45),
         false, false},
        {"01:30 to 01:20 next day: 24 h 50 min, but 23 h 50 min by the calendar", RING_HOUR, Utc(10, 24, 23, 30),
         Utc(10, 26, 0, 20), true, false},
        {"01:30 to 01:40 next day", RING_HOUR, Utc(10, 24, 23, 30), Utc(10, 26, 0, 40), true, true},
        // 29 March: 02:00 winter time becomes 03:00.
        {"00:30 to 23:45: the same day of 23 hours", RING_DAY, Utc(3, 28, 23, 30), Utc(3, 29, 21, 45), false, false},
        {"01:50 winter to 03:10 summer: an hour later", RING_HOUR, Utc(3, 29, 0, 50), Utc(3, 29, 1, 10), true, false},
        {"10:00 to 09:30 next day, 22.5 h", RING_HOUR, Utc(3, 28, 9, 0), Utc(3, 29, 7, 30), true, false},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        SlotRound round;
        GetRoundOf(c.ring, &c.slot, &round);
        EXPECT_EQ(IsSlotFromEarlierRound(c.ring, &round, &c.now) != 0, c.earlier);
        EXPECT_EQ(IsSlotExpired(c.ring, &round, &c.now) != 0, c.expired);
    }
}

TEST(ClockChanges, SlotNamesFollowTheLocalTimeOfTheirMoment)
{
    char slot[LONG_PATH];
    struct Case {
        FILETIME at;
        const char *hour;
    } cases[] = {
        {Utc(3, 29, 0, 59), "01"}, {Utc(3, 29, 1, 0), "03"}, {Utc(10, 25, 0, 30), "02"}, {Utc(10, 25, 1, 30), "02"},
    };
    for (const Case &c : cases) {
        ASSERT_TRUE(GetSlotFolder("B:", RING_HOUR, &c.at, slot, sizeof(slot)));
        EXPECT_EQ(std::string(slot), std::string("B:\\b Last Day - One per Hour\\") + c.hour);
    }
}

TEST(ClockChanges, ThePreviousRoundIsTheMinuteHourOrDayBeforeAcrossBothChanges)
{
    char slot[LONG_PATH];
    struct Case {
        const char *what;
        int ring;
        FILETIME now;
        const char *before;
    } cases[] = {
        {"14:00:00.0001234", RING_MINUTE, Later(Utc(6, 1, 12, 0), 1234), "a Last Hour - One per Minute\\59"},
        {"23:30 after a day of 25 hours", RING_DAY, Utc(10, 25, 22, 30), "c Last Month - One per Day\\24"},
        {"23:30 after a day of 23 hours", RING_DAY, Utc(3, 29, 21, 30), "c Last Month - One per Day\\28"},
        {"02:30 winter after 02:xx summer", RING_HOUR, Utc(10, 25, 1, 30), "b Last Day - One per Hour\\01"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        FILETIME before;
        GetPreviousRound(c.ring, &c.now, &before);
        ASSERT_TRUE(GetSlotFolder("B:", c.ring, &before, slot, sizeof(slot)));
        EXPECT_EQ(std::string(slot), std::string("B:\\") + c.before);
    }
}

TEST(Granularity, CopiesOnDisksWithCoarseTimesAreCurrentWithinTwoSeconds)
{
    FILETIME source = Utc(6, 1, 12, 0);
    struct Case {
        LONGLONG apart;  // the copy's time minus the source's, in 100 ns
        bool same;
    } cases[] = {{0, true}, {(LONGLONG)SECOND, true}, {2 * (LONGLONG)SECOND, true}, {-2 * (LONGLONG)SECOND, true},
                 {2 * (LONGLONG)SECOND + 1, false}, {-3 * (LONGLONG)SECOND, false}};
    for (const Case &c : cases) {
        ULONGLONG v = ((ULONGLONG)source.dwHighDateTime << 32 | source.dwLowDateTime) + c.apart;
        FILETIME copy = {(DWORD)v, (DWORD)(v >> 32)};
        EXPECT_EQ(IsSameTime(&source, &copy) != 0, c.same) << c.apart;
    }
}

}  // namespace
