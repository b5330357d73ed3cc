// The diagnostics window's record dump and bad-frame line: field order, the
// frame-interval mark, the usual Vsync count, and frames without a record.

#include <gtest/gtest.h>

#include <algorithm>

#include "engine/record_dump.h"
#include "support/camera_segments.h"

namespace klv {
namespace {

using Lines = std::vector<std::string>;

// Fields as the sample writer puts them into a frame's APP4 segment.
CameraFrameRecord Record(uint16_t vsyncs) {
  sample::CameraRecordFields f;
  f.Expo = 1234;
  f.Lum = 87;
  f.CamRdy = 1;
  f.Vsyncs = vsyncs;
  f.Target = 90;
  f.Flicker = 60;
  f.Gain = 65535;  // unsigned
  f.PhysExp = 4321;
  const sample::CameraRecordBytes bytes = sample::MakeCameraRecord(f);
  CameraFrameRecord r;
  std::copy(bytes.begin(), bytes.end(), r.bytes);
  return r;
}

FrameClock Clock() {
  FrameClock c;
  c.nHour = 7;
  c.nMinute = 5;
  c.nSecond = 9;
  c.nCentisecond = 3;
  return c;
}

TEST(RecordDumpTest, ListsTheTimeTheIntervalAndTheFieldsInTheWindowsOrder) {
  int previous = 0;
  const Lines lines = CameraRecordDump(12, Record(420), true, Clock(), 1000, true, true, &previous);
  EXPECT_EQ(lines, (Lines{"--- Frame 12 -----", "07:05:09.03", "FrmInt =   1000 MS",
                          "CamRdy  =    1", "Lum     =   87", "Target  =   90", "Expo    = 1234",
                          "PhysExp = 4321", "Gain    = 65535", "Vsyncs  =  420", "Flicker =   60"}));
  EXPECT_EQ(previous, 1000);
  // The camera's usual Vsync count is left out.
  const Lines usual = CameraRecordDump(12, Record(416), true, Clock(), 1000, true, true, &previous);
  ASSERT_EQ(usual.size(), 10u);
  EXPECT_EQ(usual[8], "Gain    = 65535");
  EXPECT_EQ(usual[9], "Flicker =   60");

  // Each switch alone; neither leaves the frame's heading only.
  previous = 0;
  EXPECT_EQ(CameraRecordDump(3, Record(420), true, Clock(), 40, false, true, &previous),
            (Lines{"--- Frame 3 -----", "07:05:09.03", "FrmInt =     40 MS"}));
  EXPECT_EQ(CameraRecordDump(3, Record(420), true, Clock(), 40, true, false, &previous).size(), 9u);
  EXPECT_EQ(CameraRecordDump(3, Record(420), true, Clock(), 40, false, false, &previous),
            Lines{"--- Frame 3 -----"});
  EXPECT_EQ(previous, 40) << "the interval is kept only while the times are shown";
}

TEST(RecordDumpTest, AJumpOfMoreThanASecondIsMarkedFromTheThirdFrameOn) {
  struct Case {
    int index, previous, interval;
    const char* line;
  };
  const Case cases[] = {
      {5, 1000, 2500, "FrmInt =   2500 MS ***"},
      {1, 1000, 2500, "FrmInt =   2500 MS"},      // too early to tell
      {2, 1000, 2500, "FrmInt =   2500 MS ***"},
      {5, 2500, 1000, "FrmInt =   1000 MS ***"},  // shorter counts too
      {5, 1000, 2000, "FrmInt =   2000 MS"},      // exactly a second is not a jump
      {5, 0, 1001, "FrmInt =   1001 MS ***"},      // the first interval after start-up
      {5, -2000000000, 2000000000, "FrmInt = 2000000000 MS ***"},
  };
  for (const Case& c : cases) {
    int previous = c.previous;
    const Lines lines = CameraRecordDump(c.index, Record(416), true, Clock(), c.interval, false,
                                         true, &previous);
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[2], c.line) << c.index << " " << c.previous << " -> " << c.interval;
    EXPECT_EQ(previous, c.interval);
  }

  // An unknown interval (after a jump in the file) prints none and keeps the last.
  int previous = 1000;
  EXPECT_EQ(CameraRecordDump(7, Record(416), true, Clock(), -1, false, true, &previous),
            (Lines{"--- Frame 7 -----", "07:05:09.03"}));
  EXPECT_EQ(previous, 1000);
  // Without a place to keep it the previous interval counts as 0.
  EXPECT_EQ(CameraRecordDump(7, Record(416), true, Clock(), 1500, false, true, nullptr)[2],
            "FrmInt =   1500 MS ***");
}

TEST(RecordDumpTest, AFrameWithoutARecordAddsNothing) {
  int previous = 1000;
  EXPECT_TRUE(CameraRecordDump(5, Record(420), false, Clock(), 2500, true, true, &previous).empty());
  EXPECT_EQ(previous, 1000) << "nor does it count as the previous interval";
}

TEST(RecordDumpTest, BadFrameLineNumbersFromOneInFiveColumnsWithTheOffsetInHex) {
  EXPECT_EQ(BadFrameLine(9, 0x1A2B3C), "   10: 001a2b3c");
  EXPECT_EQ(BadFrameLine(0, 0), "    1: 00000000");
  EXPECT_EQ(BadFrameLine(123456, 0xFFFFFFFFu), "123457: ffffffff");
  EXPECT_EQ(BadFrameLine(2147483647, 8), "2147483648: 00000008");
}

}  // namespace
}  // namespace klv
