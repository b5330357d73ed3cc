// Record images of both profiles against bytes worked out by hand.
#include "camera/camera_settings.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

namespace klv {
namespace {

using Bytes = std::vector<uint8_t>;

CameraSettingsValues Player(int i1, int i2, int i3, LocalDateTime clock = {2024, 3, 15, 10, 5, 0}) {
  CameraSettingsValues v;
  v.profile = CameraProfile::Player;
  v.card = "/card";
  v.intervals = {i1, i2, i3};
  v.clock = clock;
  return v;
}

CameraSettingsValues Clock(int interval, int cutOff,
                           LocalDateTime clock = {2024, 3, 15, 10, 5, 0}) {
  CameraSettingsValues v;
  v.profile = CameraProfile::ClockTool;
  v.card = "/card";
  v.intervals = {interval, 0, 0};
  v.lowLightThreshold = LowLightThreshold(cutOff);
  v.clock = clock;
  return v;
}

Bytes Image(const CameraSettingsValues& v) {
  return CameraSettingsImage(MakeCameraSettingsFile(v));
}

uint16_t WordAt(const Bytes& b, size_t off) {
  return static_cast<uint16_t>(b[off] | b[off + 1] << 8);
}

TEST(CameraSettingsImage, PlayerDefaultsByteForByte) {
  // nInt 1, 2, 5; no flicker filter; no mode bits; 2024-03-15 10:05:00.
  // Time 10:05:00 = 10<<11 | 5<<5 = 0x50A0; date = 44<<9 | 3<<5 | 15 = 0x586F.
  const Bytes want = {0xB6, 0xC3, 0x10, 0x00, 0x28, 0x01, 0x00, 0x02, 0x00, 0x05,
                      0x00, 0xB4, 0x00, 0x00, 0x00, 0x3C, 0x00, 0x02, 0x00, 0x00,
                      0x00, 0xB6, 0xC3, 0x04, 0x00, 0x29, 0xA0, 0x50, 0x6F, 0x58};
  EXPECT_EQ(Image(Player(1, 2, 5)), want);
}

TEST(CameraSettingsImage, ClockToolByteForByte) {
  // One hour, low light OFF (cut-off 50 -> 4096), 50 Hz, 1999-12-31 23:59:58.
  // Time = 23<<11 | 59<<5 | 29 = 0xBF7D; date = 19<<9 | 12<<5 | 31 = 0x279F.
  CameraSettingsValues v = Clock(3600, 50, {1999, 12, 31, 23, 59, 58});
  v.flicker = kFlicker50Hz;
  const Bytes want = {0xB6, 0xC3, 0x10, 0x00, 0x28, 0x10, 0x0E, 0xFE, 0x7F, 0x00,
                      0x10, 0xB4, 0x00, 0xE8, 0x03, 0x3C, 0x00, 0x02, 0x00, 0x00,
                      0x00, 0xB6, 0xC3, 0x04, 0x00, 0x29, 0x7D, 0xBF, 0x9F, 0x27};
  EXPECT_EQ(Image(v), want);
}

TEST(CameraSettingsImage, TwentyFourHourRule) {
  struct Case {
    CameraSettingsValues v;
    size_t offset;
    uint16_t word;
  };
  const Case cases[] = {
      {Player(1, 2, 86400), 9, 0xFFFF},  // position 3 at 24:00:00
      {Player(1, 2, 43200), 9, 0xA8C0},  // 12:00:00
      {Player(1, 2, 86399), 9, 0x517F},  // truncated to 16 bits, not the marker
      {Player(86400, 2, 5), 5, 0x5180},  // only position 3 may mean 24 hours
      {Player(1, 2, -1), 9, 0xFFFF},     // -1 truncates to the same word
      {Clock(86400, 0), 5, 0xFFFF},      // the clock tool's one interval
      {Clock(43200, 0), 5, 0xA8C0},     {Clock(5, 0), 5, 0x0005},
  };
  for (const Case& c : cases) {
    const Bytes b = Image(c.v);
    EXPECT_EQ(WordAt(b, c.offset), c.word) << "interval at offset " << c.offset;
  }
  const Bytes b = Image(Player(1, 2, 86400));
  EXPECT_EQ(b[9], 0xFF);
  EXPECT_EQ(b[10], 0xFF);
  const Bytes c = Image(Player(1, 2, 43200));
  EXPECT_EQ(c[9], 0xC0);
  EXPECT_EQ(c[10], 0xA8);
}

TEST(CameraSettingsImage, ClockToolFixedWordsAndLowLight) {
  for (int cutOff : {0, 50, 100, 30}) {
    CameraSettingsValues v = Clock(60, cutOff);
    v.camMode = 3;             // the clock tool has no mode bits
    v.withResolutions = true;  // nor a resolution record
    const Bytes b = Image(v);
    ASSERT_EQ(b.size(), kSettingsFileSize);
    EXPECT_EQ(b[7], 0xFE);
    EXPECT_EQ(b[8], 0x7F);
    EXPECT_EQ(b[19], 0x00);
    EXPECT_EQ(b[20], 0x00);
  }
  EXPECT_EQ(WordAt(Image(Clock(60, 0)), 9), 0);      // low light ON
  EXPECT_EQ(WordAt(Image(Clock(60, 50)), 9), 4096);  // OFF
  EXPECT_EQ(WordAt(Image(Clock(60, 100)), 9), 8196);
  EXPECT_EQ(LowLightThreshold(0), 0);
  EXPECT_EQ(LowLightThreshold(-1000000000), 0);
  EXPECT_EQ(LowLightThreshold(30), 2456);
}

TEST(CameraSettingsImage, PlayerModeBitsFlickerAndResolutions) {
  CameraSettingsValues v = Player(10, 20, 30);
  v.camMode = 0x12343;  // looping, exposure lock and other bits as held; low 16 bits only
  v.flicker = kFlicker60Hz;
  v.withResolutions = true;
  v.resolutions = {2, 1, 0, 0x102};
  const Bytes b = Image(v);
  ASSERT_EQ(b.size(), kSettingsFileSizeWithResolution);
  EXPECT_EQ(WordAt(b, 13), 833);
  EXPECT_EQ(WordAt(b, 19), 0x2343);
  const Bytes tail(b.begin() + 30, b.end());
  EXPECT_EQ(tail, (Bytes{0xB6, 0xC3, 0x04, 0x00, 0x2A, 2, 1, 0, 2}));
}

TEST(CameraClock, FatWords) {
  struct Case {
    LocalDateTime t;
    uint16_t time, date;
  };
  const Case cases[] = {
      {{2024, 3, 15, 10, 5, 7}, 0x50A3, 0x586F},  // odd seconds rounded down (7 -> 6)
      {{2024, 3, 15, 10, 5, 6}, 0x50A3, 0x586F},
      {{2024, 3, 15, 10, 5, 59}, 0x50BD, 0x586F},
      {{1980, 1, 1, 0, 0, 0}, 0x0000, 0x0021},       // first representable day
      {{2107, 12, 31, 23, 59, 59}, 0xBF7D, 0xFF9F},  // last one
      {{1979, 12, 31, 23, 59, 59}, 0, 0},            // before 1980: both words 0
      {{2108, 1, 1, 0, 0, 0}, 0, 0},                 // after 2107
      {{2023, 2, 29, 0, 0, 0}, 0, 0},                // no such day
  };
  for (const Case& c : cases) {
    const DosDateTime d = CameraClockWords(c.t);
    EXPECT_EQ(d.time, c.time) << c.t.year << "-" << c.t.month << "-" << c.t.day;
    EXPECT_EQ(d.date, c.date) << c.t.year << "-" << c.t.month << "-" << c.t.day;
  }
}

TEST(CameraClock, PlayerOffsets) {
  EXPECT_EQ(PlayerClockOffsetSeconds(0), 0);
  EXPECT_EQ(PlayerClockOffsetSeconds(1), 60);
  EXPECT_EQ(PlayerClockOffsetSeconds(2), 300);
  struct Case {
    LocalDateTime now;
    int offset;
    LocalDateTime want;
  };
  const Case cases[] = {
      {{2024, 3, 15, 10, 0, 0}, 300, {2024, 3, 15, 10, 5, 0}},  // "System Time + 5 Min."
      {{2024, 3, 15, 10, 0, 0}, 60, {2024, 3, 15, 10, 1, 0}},
      {{2023, 12, 31, 23, 58, 30}, 300, {2024, 1, 1, 0, 3, 30}},  // across the year
      {{2024, 2, 28, 23, 59, 0}, 60, {2024, 2, 29, 0, 0, 0}},     // leap day
      {{2100, 2, 28, 23, 59, 0}, 60, {2100, 3, 1, 0, 0, 0}},      // 2100 is not a leap year
      {{1601, 1, 1, 0, 0, 0}, 0, {1601, 1, 1, 0, 0, 0}},
  };
  for (const Case& c : cases) {
    const LocalDateTime got = AddSeconds(c.now, c.offset);
    EXPECT_EQ(LocalToFileTime(got), LocalToFileTime(c.want));
    EXPECT_EQ(got.year, c.want.year);
    EXPECT_EQ(got.month, c.want.month);
    EXPECT_EQ(got.day, c.want.day);
    EXPECT_EQ(got.hour, c.want.hour);
    EXPECT_EQ(got.minute, c.want.minute);
    EXPECT_EQ(got.second, c.want.second);
  }
  // The platform's file-time scale: 1970-01-01 is 116444736000000000.
  EXPECT_EQ(LocalToFileTime({1970, 1, 1, 0, 0, 0}), 116444736000000000LL);
  CameraSettingsValues v =
      Player(1, 2, 5, AddSeconds({2024, 3, 15, 10, 0, 0}, PlayerClockOffsetSeconds(2)));
  EXPECT_EQ(WordAt(Image(v), 26), 10 << 11 | 5 << 5);
}

}  // namespace
}  // namespace klv
