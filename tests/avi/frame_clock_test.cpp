#include "media/avi/frame_clock.h"

#include <gtest/gtest.h>

#include "platform/file_times.h"

namespace klv {
namespace {

std::string Both(const FrameClock& c) { return DateText(c) + " " + TimeText(c); }

TEST(FrameClockTest, TimeStampCountsTenMillisecondsFrom2004) {
  FrameClock c;
  ASSERT_TRUE(ClockFromTimeStamp(100, &c));
  EXPECT_EQ(Both(c), "2004/01/01 00:00:01");
  EXPECT_EQ(c.nCentisecond, 0);

  ASSERT_TRUE(ClockFromTimeStamp(0, &c));
  EXPECT_EQ(Both(c), "2004/01/01 00:00:00");

  // 2009-07-15 13:45:30.25: 2004-01-01 .. 2009-07-15 is 2022 days.
  const uint64_t stamp = ((2022ULL * 86400 + 13 * 3600 + 45 * 60 + 30) * 100) + 25;
  ASSERT_TRUE(ClockFromTimeStamp(stamp, &c));
  EXPECT_EQ(Both(c), "2009/07/15 13:45:30");
  EXPECT_EQ(c.nCentisecond, 25);

  // 29 February of a leap year and the day after.
  const uint64_t feb29 = (31 + 28) * 86400ULL * 100;  // 2004-02-29
  ASSERT_TRUE(ClockFromTimeStamp(feb29, &c));
  EXPECT_EQ(DateText(c), "2004/02/29");
  ASSERT_TRUE(ClockFromTimeStamp(feb29 + 86400ULL * 100, &c));
  EXPECT_EQ(DateText(c), "2004/03/01");
}

TEST(FrameClockTest, StampBeyondTheCalendarIsRefused) {
  FrameClock c;
  EXPECT_FALSE(ClockFromTimeStamp(0xFFFFFFFFFFFFULL, &c));  // largest 48-bit stamp
}

TEST(FrameClockTest, FileTimeFallbackRollsOverDaysMonthsAndYears) {
  struct Case {
    int y, mo, d, h, mi, s;
    int64_t elapsed;
    const char* want;
  } cases[] = {
      {2009, 12, 31, 23, 59, 58, 4, "2010/01/01 00:00:02"},
      {2009, 12, 30, 23, 59, 58, 4, "2009/12/31 00:00:02"},
      {2008, 2, 28, 23, 59, 58, 4, "2008/02/29 00:00:02"},
      {2009, 2, 28, 23, 59, 58, 4, "2009/03/01 00:00:02"},
      {2010, 6, 1, 12, 0, 0, 3600, "2010/06/01 13:00:00"},
      // A week of hourly frames crosses a month end.
      {2010, 4, 28, 6, 30, 0, 7 * 86400, "2010/05/05 06:30:00"},
      // A year of daily frames: 2011 is not a leap year.
      {2011, 1, 1, 0, 0, 0, 365LL * 86400, "2012/01/01 00:00:00"},
      // Twelve years of daily frames: whole four-year cycles of 1461 days.
      {2009, 12, 31, 23, 59, 58, 4 + 3 * 1461LL * 86400, "2022/01/01 00:00:02"},
      {2008, 2, 28, 23, 59, 58, 4 + 1461LL * 86400, "2012/02/29 00:00:02"},
  };
  for (const Case& k : cases) {
    const DosDateTime dos = ToDosDateTime(k.y, k.mo, k.d, k.h, k.mi, k.s);
    EXPECT_EQ(Both(ClockFromFileTime(dos.date, dos.time, k.elapsed)), k.want)
        << k.y << "-" << k.mo << "-" << k.d;
  }
}

TEST(FrameClockTest, FileTimeFallbackUsesEveryFourthYearAsLeap) {
  // The camera software's rule has no century exception: 2100 gets 29 February.
  const DosDateTime dos = ToDosDateTime(2100, 2, 28, 23, 0, 0);
  EXPECT_EQ(DateText(ClockFromFileTime(dos.date, dos.time, 3600)), "2100/02/29");
}

TEST(FrameClockTest, AbsurdElapsedTimesStayBounded) {
  // A damaged capture interval can make frame x interval enormous: the date
  // stops 10,000 years on instead of looping or overflowing.
  const DosDateTime dos = ToDosDateTime(2010, 1, 1, 0, 0, 0);
  const FrameClock c = ClockFromFileTime(dos.date, dos.time, 4'000'000'000'000'000'000LL);
  EXPECT_GT(c.nYear, 2010);
  EXPECT_LE(c.nYear, 12010);
  EXPECT_LT(c.nHour, 24);
}

TEST(FrameClockTest, DamagedFileDateDoesNotHang) {
  // Month 0 and day 31 in a 30-day month still roll forward and end.
  const uint16_t badDate = static_cast<uint16_t>((29 << 9) | (0 << 5) | 31);
  const FrameClock c = ClockFromFileTime(badDate, 0, 400LL * 86400);
  EXPECT_GE(c.nYear, 2010);
  EXPECT_GE(c.nMonth, 1);
  EXPECT_LE(c.nMonth, 12);
}

}  // namespace
}  // namespace klv
