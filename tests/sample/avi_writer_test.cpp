#include <gtest/gtest.h>

#include <string>

#include "support/avi_writer.h"

namespace klv::sample {
namespace {

std::string FourCc(const std::vector<uint8_t>& d, size_t pos) {
  return pos + 4 <= d.size() ? std::string(d.begin() + pos, d.begin() + pos + 4) : std::string();
}

std::vector<std::vector<uint8_t>> Frames(std::initializer_list<size_t> sizes) {
  std::vector<std::vector<uint8_t>> r;
  uint8_t v = 1;
  for (size_t n : sizes) r.emplace_back(n, v++);
  return r;
}

// What the camera's reader does: walk top-level chunks from 220 by their
// stored size (not rounded) to "idx1", noting the "movi" tag, then resolve
// each index entry. Returns the chunk position of every "00db" entry, or an
// empty list when the walk or an entry fails.
struct Walk {
  bool reachedIndex = false;
  size_t moviBase = 0;
  std::vector<std::string> ids;
  std::vector<size_t> chunk;
  std::vector<uint32_t> size;
};
Walk CameraWalk(const std::vector<uint8_t>& d) {
  Walk w;
  size_t pos = kAviFirstChunkAt;
  while (pos + 8 <= d.size()) {
    if (FourCc(d, pos) == "idx1") {
      w.reachedIndex = true;
      break;
    }
    if (FourCc(d, pos) == "LIST" && FourCc(d, pos + 8) == "movi") w.moviBase = pos + 8;
    pos += GetLe32(d, pos + 4) + 8;
  }
  if (!w.reachedIndex) return w;
  const uint32_t entries = GetLe32(d, pos + 4) / 16;
  for (uint32_t i = 0; i < entries; ++i) {
    const size_t e = pos + 8 + 16 * i;
    w.ids.push_back(FourCc(d, e));
    w.chunk.push_back(GetLe32(d, e + 8) + w.moviBase);
    w.size.push_back(GetLe32(d, e + 12));
  }
  return w;
}

// A general RIFF reader's view: every list's contents tile it exactly.
bool RiffNestingOk(const std::vector<uint8_t>& d, size_t begin, size_t end) {
  size_t pos = begin;
  while (pos < end) {
    if (pos + 8 > end) return false;
    const size_t size = GetLe32(d, pos + 4);
    const size_t next = pos + 8 + size + (size & 1);
    if (next > end) return false;
    const std::string id = FourCc(d, pos);
    if ((id == "LIST" || id == "RIFF") && !RiffNestingOk(d, pos + 12, pos + 8 + size)) return false;
    pos = next;
  }
  return pos == end;
}

TEST(AviWriter, FixedHeaderWordsAndFirstChunk) {
  const AviStreamInfo s {1280, 720, 7, 70};
  AviLayout l;
  const auto avi = WriteAvi(s, Frames({100, 51, 2}), {}, &l);
  EXPECT_EQ(FourCc(avi, 0), "RIFF");
  EXPECT_EQ(GetLe32(avi, 4), avi.size() - 8);
  EXPECT_EQ(GetLe32(avi, kAviTotalFramesAt), 3u);
  EXPECT_EQ(GetLe32(avi, kAviScaleAt), 7u);
  EXPECT_EQ(GetLe32(avi, kAviRateAt), 70u);
  EXPECT_EQ(GetLe32(avi, kAviWidthAt), 1280u);
  EXPECT_EQ(GetLe32(avi, kAviHeightAt), 720u);
  EXPECT_EQ(FourCc(avi, kAviFirstChunkAt), "LIST");
  EXPECT_EQ(FourCc(avi, kAviFirstChunkAt + 8), "movi");
  EXPECT_EQ(FourCc(avi, 108), "vids");
  EXPECT_EQ(FourCc(avi, 112), "MJPG");
  EXPECT_TRUE(RiffNestingOk(avi, 12, avi.size()));
  EXPECT_EQ(l.moviTag, kAviFirstChunkAt + 8);
}

TEST(AviWriter, ScaleAndRateWordsAsGiven) {
  for (auto [scale, rate] : {std::pair<uint32_t, int32_t> {65535, 10}, {5, -1}, {1, 30}}) {
    const auto avi = WriteAvi({64, 48, scale, rate}, Frames({10}));
    EXPECT_EQ(GetLe32(avi, kAviScaleAt), scale);
    EXPECT_EQ(static_cast<int32_t>(GetLe32(avi, kAviRateAt)), rate);
  }
}

// Every layout variant must be readable the camera's way: the walk from 220
// reaches idx1, and every video entry resolves to its "00db" chunk with the
// payload size.
TEST(AviWriter, CameraWalkFindsEveryFrame) {
  struct Case {
    const char* name;
    uint32_t junk;
    bool absolute;
    bool audio;
  } cases[] = {
      {"relative", 0, false, false},     {"junk", 301, false, false},
      {"absolute", 0, true, false},      {"absolute junk", 8, true, false},
      {"second stream", 0, false, true}, {"absolute second stream", 0, true, true},
  };
  const auto frames = Frames({101, 64, 3, 1000});
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    AviOptions opt;
    opt.junkBytes = c.junk;
    opt.absoluteOffsets = c.absolute;
    opt.secondStream = c.audio;
    const bool expectMovi = !c.absolute;
    AviLayout l;
    const auto avi = WriteAvi({64, 48, 5, 50}, frames, opt, &l);
    EXPECT_TRUE(RiffNestingOk(avi, 12, avi.size()));
    const Walk w = CameraWalk(avi);
    ASSERT_TRUE(w.reachedIndex);
    EXPECT_EQ(w.moviBase != 0, expectMovi);
    EXPECT_EQ(w.moviBase, l.moviTag);
    int video = 0;
    for (size_t i = 0; i < w.ids.size(); ++i) {
      if (w.ids[i] != "00db") continue;
      ASSERT_LT(video, 4);
      EXPECT_EQ(w.chunk[i], l.frameChunk[video]);
      EXPECT_EQ(FourCc(avi, w.chunk[i]), "00db");
      EXPECT_EQ(GetLe32(avi, w.chunk[i] + 4), w.size[i]);
      // The stored bytes are the frame (plus, for bare chunks, an even pad).
      const size_t n = frames[video].size();
      EXPECT_EQ(w.size[i], expectMovi ? n : (n + 1) & ~size_t {1});
      EXPECT_EQ(avi[w.chunk[i] + 8], frames[video][0]);
      EXPECT_EQ(avi[w.chunk[i] + 8 + n - 1], frames[video][n - 1]);
      ++video;
    }
    EXPECT_EQ(video, 4);
    if (c.audio) {
      // Audio entries are interleaved, so the second entry is not video.
      EXPECT_EQ(w.ids[1], "01wb");
      EXPECT_EQ(GetLe32(avi, 56), 2u);
    }
    if (c.junk) {
      EXPECT_EQ(FourCc(avi, kAviFirstChunkAt), "JUNK");
    }
  }
}

TEST(AviWriter, ZeroFramesNoIndexAndHeaderOverride) {
  const auto empty = WriteAvi({64, 48, 5, 50}, {});
  EXPECT_EQ(GetLe32(empty, kAviTotalFramesAt), 0u);
  const Walk w = CameraWalk(empty);
  EXPECT_TRUE(w.reachedIndex);
  EXPECT_TRUE(w.ids.empty());

  AviOptions opt;
  opt.writeIndex = false;
  const auto noIndex = WriteAvi({64, 48, 5, 50}, Frames({10, 10}), opt);
  EXPECT_FALSE(CameraWalk(noIndex).reachedIndex);

  opt = AviOptions {};
  opt.headerTotalFrames = 9;
  const auto more = WriteAvi({64, 48, 5, 50}, Frames({10}), opt);
  EXPECT_EQ(GetLe32(more, kAviTotalFramesAt), 9u);
}

TEST(AviWriter, CorruptionHelpersHitTheRightWords) {
  AviLayout l;
  auto avi = WriteAvi({64, 48, 5, 50}, Frames({20, 30}), {}, &l);
  SetFrameChunkId(avi, l, 1, "01wb");
  SetFrameChunkSize(avi, l, 0, 21);
  SetIndexSize(avi, l, 1, 7);
  SetIndexOffset(avi, l, 0, 0x1234);
  SetIndexId(avi, l, 0, "00dc");
  EXPECT_EQ(FourCc(avi, l.frameChunk[1]), "01wb");
  EXPECT_EQ(GetLe32(avi, l.frameChunk[0] + 4), 21u);
  const Walk w = CameraWalk(avi);
  ASSERT_EQ(w.ids.size(), 2u);
  EXPECT_EQ(w.ids[0], "00dc");
  EXPECT_EQ(w.chunk[0], 0x1234 + l.moviTag);
  EXPECT_EQ(w.size[1], 7u);
  // Out of range: nothing happens.
  const auto before = avi;
  SetFrameChunkId(avi, l, 2, "xxxx");
  SetIndexSize(avi, l, -1, 0);
  PutLe32(avi, avi.size() - 2, 0);
  EXPECT_EQ(avi, before);
}

}  // namespace
}  // namespace klv::sample
