// FILETIME, local date-times and DOS date-times: archive dates must survive the round trip.

#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

#include "platform/file_system.h"

namespace {

using platform::DateTime;
using platform::FileTime;

// 17 May 2020 13:45:30 as a DOS date-time.
constexpr uint32_t kDosMay2020 = (((2020 - 1980) << 9 | 5 << 5 | 17) << 16) | (13 << 11 | 45 << 5 | 30 / 2);

TEST(FileTimes, KnownDosValueIsThatLocalTime) {
    FileTime time;
    ASSERT_TRUE(platform::DosDateTimeToFileTime(kDosMay2020, time));
    DateTime local;
    ASSERT_TRUE(platform::FileTimeToLocalDateTime(time, local));
    EXPECT_EQ(local, (DateTime{2020, 5, 17, 13, 45, 30}));
    uint32_t back = 0;
    ASSERT_TRUE(platform::FileTimeToDosDateTime(time, back));
    EXPECT_EQ(back, kDosMay2020);
}

TEST(FileTimes, LocalDateTimeRoundTrips) {
    const DateTime cases[] = {{1980, 1, 1, 0, 0, 0}, {1999, 12, 31, 23, 59, 58}, {2024, 2, 29, 12, 0, 0},
                              {2038, 1, 19, 3, 14, 8}, {2107, 12, 31, 23, 59, 58}};
    for (const DateTime& local : cases) {
        SCOPED_TRACE(local.year);
        FileTime time;
        ASSERT_TRUE(platform::LocalDateTimeToFileTime(local, time));
        DateTime back;
        ASSERT_TRUE(platform::FileTimeToLocalDateTime(time, back));
        EXPECT_EQ(back, local);
        uint32_t dos = 0;
        ASSERT_TRUE(platform::FileTimeToDosDateTime(time, dos));
        FileTime from_dos;
        ASSERT_TRUE(platform::DosDateTimeToFileTime(dos, from_dos));
        EXPECT_EQ(from_dos, time) << "even seconds survive the 2-second DOS clock";
    }
}

TEST(FileTimes, DosKeepsEvenSecondsOnly) {
    FileTime time;
    ASSERT_TRUE(platform::LocalDateTimeToFileTime(DateTime{2001, 6, 1, 10, 20, 31}, time));
    uint32_t dos = 0;
    ASSERT_TRUE(platform::FileTimeToDosDateTime(time, dos));
    EXPECT_EQ(dos & 0x1F, 15u) << "31 seconds are stored as 15 two-second units";
}

TEST(FileTimes, OutOfRangeValuesAreRefused) {
    FileTime time;
    EXPECT_FALSE(platform::LocalDateTimeToFileTime(DateTime{2020, 13, 1, 0, 0, 0}, time));
    EXPECT_FALSE(platform::LocalDateTimeToFileTime(DateTime{2021, 2, 29, 0, 0, 0}, time));
    EXPECT_FALSE(platform::DosDateTimeToFileTime((((2020 - 1980) << 9 | 0 << 5 | 1) << 16), time)) << "month 0";
    ASSERT_TRUE(platform::LocalDateTimeToFileTime(DateTime{1979, 12, 31, 12, 0, 0}, time));
    uint32_t dos = 0;
    EXPECT_FALSE(platform::FileTimeToDosDateTime(time, dos)) << "DOS dates start in 1980";
}

#ifndef _WIN32
// With the zone fixed, the absolute value can be checked too.
TEST(FileTimes, UtcZoneGivesTheAbsoluteTicks) {
    const char* saved = std::getenv("TZ");
    const std::string previous = saved != nullptr ? saved : "";
    ::setenv("TZ", "UTC", 1);
    ::tzset();
    FileTime time;
    EXPECT_TRUE(platform::DosDateTimeToFileTime(kDosMay2020, time));
    EXPECT_EQ(time.ticks, 132341967300000000ull);
    ::setenv("TZ", "Europe/Moscow", 1);
    ::tzset();
    FileTime moscow;
    EXPECT_TRUE(platform::DosDateTimeToFileTime(kDosMay2020, moscow));
    EXPECT_EQ(time.ticks - moscow.ticks, 3ull * 3600 * 10'000'000) << "Moscow is three hours ahead";
    if (saved != nullptr) {
        ::setenv("TZ", previous.c_str(), 1);
    } else {
        ::unsetenv("TZ");
    }
    ::tzset();
}
#endif

}  // namespace
