#include "media/avi/avi_reader.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <utime.h>

#include <ctime>
#include <filesystem>

#include "support/movie_builder.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using sample::AviLayout;
using sample::CameraMovie;
using sample::MovieSpec;

class AviReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() /
           ("klv_avi_" + std::to_string(::getpid()) + "_" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  static MovieSpec Small(int frames = 12) {
    MovieSpec plan;
    plan.width = 64;
    plan.height = 48;
    plan.frames = frames;
    plan.jpeg.quality = 60;
    return plan;
  }

  std::string Write(const std::vector<uint8_t>& bytes, const std::string& name = "clip.avi") {
    const std::string path = (dir_ / name).string();
    EXPECT_TRUE(sample::WriteBytes(path, bytes));
    return path;
  }

  fs::path dir_;
  JpegDecoder headers;  // walks the frame headers at open
};

TEST_F(AviReaderTest, OpensTheCameraLayoutAndReadsEveryFrameAsStored) {
  MovieSpec plan = Small();
  plan.scale = 30;
  plan.rate = 300;
  const CameraMovie movie = sample::BuildCameraMovie(plan);
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(movie.bytes), headers), AviOpenStatus::kOk);
  EXPECT_EQ(avi.TotalFrames(), 12);
  EXPECT_EQ(avi.CapInterval(), 30);
  EXPECT_EQ(avi.Rate(), 300);
  EXPECT_EQ(avi.Width(), 64);
  EXPECT_EQ(avi.Height(), 48);
  EXPECT_TRUE(avi.TimeStamps());
  EXPECT_FALSE(avi.EventMode());
  EXPECT_EQ(avi.MoviBase(), static_cast<int64_t>(movie.layout.moviTag));
  EXPECT_EQ(avi.IndexPosition(), static_cast<int64_t>(movie.layout.idx1) + 8);
  for (int i = 0; i < 12; ++i) {
    uint32_t offset = 0;
    ASSERT_EQ(avi.AviReadFrame(i, &offset), 0) << i;
    EXPECT_EQ(offset, movie.layout.frameChunk[static_cast<size_t>(i)]);
    const std::vector<uint8_t> want = sample::BuildCameraFrame(plan, i);
    ASSERT_EQ(avi.FrameBytes().size(), static_cast<int>(want.size()));
    EXPECT_TRUE(std::equal(want.begin(), want.end(), avi.FrameBytes().begin())) << i;
  }
}

TEST_F(AviReaderTest, HeaderWordRules) {
  struct Case {
    uint32_t scale;
    int32_t rate;
    int wantInterval, wantRate;
  } cases[] = {{65535, 10, 86400, 10}, {5, -1, 5, 50}, {60, -600, 60, 600}};
  for (const Case& c : cases) {
    MovieSpec plan = Small(2);
    plan.scale = c.scale;
    plan.rate = c.rate;
    AviReader avi;
    ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
    EXPECT_EQ(avi.CapInterval(), c.wantInterval);
    EXPECT_EQ(avi.Rate(), c.wantRate);
  }
}

TEST_F(AviReaderTest, ChunkLayoutsThatOpen) {
  MovieSpec junk = Small(3);
  junk.avi.junkBytes = 1000;
  MovieSpec absolute = Small(3);
  absolute.avi.absoluteOffsets = true;
  for (const MovieSpec* plan : {&junk, &absolute}) {
    const CameraMovie movie = sample::BuildCameraMovie(*plan);
    AviReader avi;
    ASSERT_EQ(avi.AviOpen(Write(movie.bytes), headers), AviOpenStatus::kOk);
    EXPECT_EQ(avi.MoviBase(), static_cast<int64_t>(movie.layout.moviTag));
    for (int i = 0; i < 3; ++i) {
      ASSERT_EQ(avi.AviReadFrame(i), 0);
      EXPECT_EQ(avi.IndexEntry(i).offset, movie.layout.frameChunk[static_cast<size_t>(i)]);
    }
  }
}

TEST_F(AviReaderTest, FailuresOfOpen) {
  AviReader avi;
  EXPECT_EQ(avi.AviOpen((dir_ / "missing.avi").string(), headers), AviOpenStatus::kCannotOpen);
  EXPECT_EQ(avi.TotalFrames(), -1);

  MovieSpec noIndex = Small(3);
  noIndex.avi.writeIndex = false;
  EXPECT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(noIndex)), headers), AviOpenStatus::kNoIndex);
  EXPECT_EQ(avi.TotalFrames(), 3);  // an unreadable file, not an empty one

  MovieSpec empty = Small(0);
  EXPECT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(empty)), headers), AviOpenStatus::kNoFrames);
  EXPECT_EQ(avi.TotalFrames(), 0);  // tells "no frames" apart

  MovieSpec audio = Small(3);
  audio.avi.secondStream = true;
  EXPECT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(audio)), headers), AviOpenStatus::kForeignIndex);

  EXPECT_EQ(avi.AviOpen(Write(std::vector<uint8_t>(100, 0)), headers), AviOpenStatus::kTooShort);
  EXPECT_EQ(avi.AviOpen(Write({}), headers), AviOpenStatus::kEmpty);
  EXPECT_STREQ(AviOpenStatusText(AviOpenStatus::kEmpty), "the file is empty");
}

TEST_F(AviReaderTest, HeaderValuesAreCheckedAgainstTheFileBeforeAllocating) {
  const std::vector<uint8_t> good = sample::BuildCameraAvi(Small(3));
  struct Case {
    size_t at;
    uint32_t value;
  } cases[] = {
      {sample::kAviTotalFramesAt, 0x7FFFFFFF},  // count far beyond the index
      {sample::kAviTotalFramesAt, 4},           // one more than the index holds
      {sample::kAviWidthAt, 0},
      {sample::kAviWidthAt, 8193},
      {sample::kAviHeightAt, 0xFFFFFFFF},       // negative height
  };
  for (const Case& c : cases) {
    std::vector<uint8_t> bad = good;
    sample::PutLe32(bad, c.at, c.value);
    AviReader avi;
    EXPECT_NE(avi.AviOpen(Write(bad), headers), AviOpenStatus::kOk) << c.at << " = " << c.value;
    EXPECT_TRUE(avi.FrameBytes().empty());
  }
}

TEST_F(AviReaderTest, BadFramesFailAndLeaveTheBufferAlone) {
  CameraMovie movie = sample::BuildCameraMovie(Small(5));
  sample::SetFrameChunkId(movie.bytes, movie.layout, 2, "01wb");
  sample::SetFrameChunkSize(movie.bytes, movie.layout, 3, movie.layout.frameSize[3] + 2);
  // Frame 4's entry points at the file's last 16 bytes (its own idx1 entry,
  // which reads as a "00db" chunk of 16 bytes): the chunk runs past the end.
  const size_t last = movie.bytes.size() - 16;
  sample::SetIndexOffset(movie.bytes, movie.layout, 4,
                         static_cast<uint32_t>(last - movie.layout.moviTag));
  sample::SetIndexSize(movie.bytes, movie.layout, 4, 0x10);
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(movie.bytes), headers), AviOpenStatus::kOk);

  ASSERT_EQ(avi.AviReadFrame(1), 0);
  const std::vector<uint8_t> frame1(avi.FrameBytes().begin(),
                                    avi.FrameBytes().begin() + avi.FrameBytes().size());
  uint32_t offset = 0;
  EXPECT_EQ(avi.AviReadFrame(2, &offset), -1);  // wrong chunk identifier
  EXPECT_EQ(offset, movie.layout.frameChunk[2]);  // offset reported on failure too
  EXPECT_EQ(avi.AviReadFrame(3), -1);  // size differs from the index
  EXPECT_EQ(avi.AviReadFrame(4), -1);  // chunk beyond the end of the file
  EXPECT_EQ(avi.AviReadFrame(5), -1);
  EXPECT_EQ(avi.AviReadFrame(-1), -1);
  EXPECT_EQ(avi.FrameBytes().size(), static_cast<int>(frame1.size()));
  EXPECT_TRUE(std::equal(frame1.begin(), frame1.end(), avi.FrameBytes().begin()));
}

TEST_F(AviReaderTest, FramesLargerThanThePictureGrowTheBufferUpToASaneSize) {
  MovieSpec plan = Small(3);
  plan.width = 16;
  plan.height = 16;
  // Frame 1 carries 2 KiB after its end marker (more than 16 x 16 bytes);
  // frame 2 carries 100 KiB, beyond any 16 x 16 picture.
  plan.tweakFrame = [](int frame, std::vector<uint8_t>& jpeg) {
    if (frame == 1) jpeg.resize(jpeg.size() + 2048, 0);
    if (frame == 2) jpeg.resize(jpeg.size() + 100 * 1024, 0);
  };
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
  EXPECT_EQ(avi.AviReadFrame(1), 0);
  EXPECT_GT(avi.FrameBytes().size(), 16 * 16);
  EXPECT_EQ(avi.AviReadFrame(2), -1);
}

TEST_F(AviReaderTest, EventModeBuildsTheEventListAndScansBothWays) {
  MovieSpec plan = Small(30);
  plan.eventMode = true;
  plan.eventFrames = {4, 17, 25};
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
  EXPECT_TRUE(avi.EventMode());
  EXPECT_EQ(avi.EventFrames(), (std::vector<int>{4, 17, 25}));
  EXPECT_EQ(avi.EventCount(), 3);
  EXPECT_EQ(avi.AviFindEvent(headers, 5, 5), -1);
  EXPECT_EQ(avi.AviFindEvent(headers, 5, 30), 17);
  EXPECT_EQ(avi.AviFindEvent(headers, 17, 30), 17);  // `from` itself is examined
  EXPECT_EQ(avi.AviFindEvent(headers, 16, 0), 4);
  EXPECT_EQ(avi.AviFindEvent(headers, 26, 30), -1);
  EXPECT_EQ(avi.AviFindEvent(headers, 3, 0), -1);
}

TEST_F(AviReaderTest, BackwardEventScanNeverExaminesItsTarget) {
  MovieSpec plan = Small(12);
  plan.eventMode = true;
  plan.eventFrames = {0};  // frame 0 marked as well as flagging event mode
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
  EXPECT_EQ(avi.EventFrames(), (std::vector<int>{0}));
  EXPECT_EQ(avi.AviFindEvent(headers, 10, 0), -1);
  EXPECT_EQ(avi.AviFindEvent(headers, 0, 10), 0);
}

TEST_F(AviReaderTest, FilesWithoutTheEventFlagHaveNoEventList) {
  MovieSpec plan = Small(8);
  plan.eventFrames = {3};  // marked frame, but frame 0 does not say event mode
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
  EXPECT_FALSE(avi.EventMode());
  EXPECT_EQ(avi.AviFindEvent(headers, 0, 8), 3);
}

TEST_F(AviReaderTest, DateAndTimeComeFromTheDecodedFramesStamp) {
  MovieSpec plan = Small(6);
  plan.timeStampStart = sample::TimeStampFromDate(2010, 5, 15, 8, 0, 0, 25);
  plan.scale = 5;
  AviReader avi;
  ASSERT_EQ(avi.AviOpen(Write(sample::BuildCameraAvi(plan)), headers), AviOpenStatus::kOk);
  FramePicture picture;
  ASSERT_TRUE(picture.Create(64, 48));
  ASSERT_TRUE(headers.AllocatePlanes(64, 48));
  ASSERT_TRUE(ReadAndDecodeFrame(avi, headers, 3, picture));
  std::string date, time;
  avi.FrameDateTime(headers.TimeStamp(), 3 * 5, &date, &time);
  EXPECT_EQ(date, "2010/05/15");
  EXPECT_EQ(time, "08:00:15");
  EXPECT_EQ(avi.Clock().nCentisecond, 25);
}

TEST_F(AviReaderTest, ZeroStampInFrameZeroFallsBackToTheFileTime) {
  MovieSpec plan = Small(4);
  plan.timeStampStart = 0;  // frame 0 stamp 0; the others are not
  const std::string path = Write(sample::BuildCameraAvi(plan));
  std::tm tm {};
  tm.tm_year = 2009 - 1900;
  tm.tm_mon = 11;
  tm.tm_mday = 31;
  tm.tm_hour = 23;
  tm.tm_min = 59;
  tm.tm_sec = 58;
  tm.tm_isdst = -1;
  const std::time_t t = std::mktime(&tm);
  struct utimbuf times {t, t};
  ASSERT_EQ(::utime(path.c_str(), &times), 0);

  AviReader avi;
  ASSERT_EQ(avi.AviOpen(path, headers), AviOpenStatus::kOk);
  EXPECT_FALSE(avi.TimeStamps());
  FramePicture picture;
  ASSERT_TRUE(picture.Create(64, 48));
  ASSERT_TRUE(headers.AllocatePlanes(64, 48));
  ASSERT_TRUE(ReadAndDecodeFrame(avi, headers, 2, picture));
  std::string date, time;
  avi.FrameDateTime(headers.TimeStamp(), 4, &date, &time);
  EXPECT_EQ(date, "2010/01/01");
  EXPECT_EQ(time, "00:00:02");
}

}  // namespace
}  // namespace klv
