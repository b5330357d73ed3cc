// The event-mode open reads only each frame's header bytes. Its event list and
// the tables its walks leave behind must be those of walking every whole
// frame, as the camera's software does: frames with large segments around
// the event segment, a table segment running far past the header bytes, and
// frames that cannot be read (walked with what the buffer holds).

#include <gtest/gtest.h>

#include <cstring>
#include <filesystem>

#include "media/avi/avi_reader.h"
#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace klv {
namespace {

namespace fs = std::filesystem;
using sample::JpegSegment;

TEST(EventScan, HeaderBytesGiveTheWholeFrameWalksResult) {
  sample::MovieSpec plan;
  plan.width = 64;
  plan.height = 48;
  plan.frames = 39;  // the last frame has the large table segment
  plan.eventMode = true;
  plan.eventFrames = {3, 9, 10, 17, 22, 30, 31, 38};
  // Frame by frame: big comment segments before and after the event
  // segment, and a quantisation table whose segment runs far past 8 KiB.
  plan.tweakFrame = [](int frame, std::vector<uint8_t>& jpeg) {
    switch (frame % 5) {
      case 1:  // 3 KiB before the event segment: it still starts below 4096
        sample::InsertJpegSegment(jpeg, JpegSegment{0xFE, std::vector<uint8_t>(3000, 'a')}, 0xE5);
        break;
      case 2:  // 5 KiB before it: the walk stops before reaching it
        sample::InsertJpegSegment(jpeg, JpegSegment{0xFE, std::vector<uint8_t>(5000, 'b')}, 0xE5);
        break;
      case 3: {  // after it, a table segment from below 4096 to past 8 KiB
        std::vector<uint8_t> dqt(1 + 64 + 9000, static_cast<uint8_t>(frame));
        dqt[0] = 0x02;  // table 2: loaded, never used
        sample::InsertJpegSegment(jpeg, JpegSegment{0xDB, dqt}, 0xDB);
        sample::InsertJpegSegment(jpeg, JpegSegment{0xFE, std::vector<uint8_t>(3500, 'c')}, 0xDB);
        break;
      }
      default:
        break;
    }
  };
  sample::CameraMovie movie = sample::BuildCameraMovie(plan);
  // Frames 12 and 26 cannot be read.
  for (int bad : {12, 26}) sample::SetFrameChunkId(movie.bytes, movie.layout, bad, "01wb");
  const fs::path path = fs::temp_directory_path() / "klv_event_scan.avi";
  ASSERT_TRUE(sample::WriteBytes(path.string(), movie.bytes));

  AviReader avi;
  JpegDecoder headers;
  ASSERT_EQ(avi.AviOpen(path.string(), headers), AviOpenStatus::kOk);
  ASSERT_TRUE(avi.EventMode());

  // The model: every whole frame read into one buffer that keeps the last
  // frame read when a read fails, walked by a decoder of its own.
  AviReader reader;
  JpegDecoder readerHeaders;
  ASSERT_EQ(reader.AviOpen(path.string(), readerHeaders), AviOpenStatus::kOk);
  JpegDecoder model;
  std::vector<uint8_t> buffer;
  size_t size = 0;
  std::vector<int> events;
  for (int i = 0; i < reader.TotalFrames(); ++i) {
    if (reader.AviReadFrame(i, buffer) == 0) size = reader.IndexEntry(i).size;
    const uint8_t* event = nullptr;
    model.ParseHeaders(buffer.data(), size, nullptr, nullptr, nullptr, &event);
    if (event != nullptr && (event[0] & 0x80) != 0) events.push_back(i);
  }
  fs::remove(path);

  EXPECT_EQ(avi.EventFrames(), events);
  EXPECT_EQ(avi.EventCount(), static_cast<int>(events.size()));
  // Frames whose event segment comes after 5 KiB of comment are no events.
  for (int e : events) EXPECT_NE(e % 5, 2) << e;
  EXPECT_NE(std::find(events.begin(), events.end(), 31), events.end());  // after the 3 KiB comment
  EXPECT_NE(std::find(events.begin(), events.end(), 38), events.end());  // before the large table
  // The tables the walks leave behind are those of the last frame walked.
  EXPECT_EQ(model.Quant().dcQuant[2], 38);
  EXPECT_TRUE(headers.Quant() == model.Quant());
  for (int c = 0; c < 2; ++c)
    for (int id = 0; id < 2; ++id)
      EXPECT_TRUE(headers.Huff(c, id) == model.Huff(c, id));
}

}  // namespace
}  // namespace klv
