// Streams made by ffmpeg's MPEG-4 encoder (tests/data/mpeg4, see
// make_fixtures.sh), decoded and compared with ffmpeg's own decode.
//
// Between them the streams use 197 of the 204 coefficient codes and all
// three escapes.
//
// At quantiser 16 (8 for intra pictures) with MPEG quantisation ffmpeg's
// dequantiser gives the camera's coefficients, so intra pictures may differ
// only by the inverse transform (+-1) and still P-VOPs by its drift; a wrong
// code in any table desynchronises the stream and fails these bounds. Moving
// pictures use half-pixel vectors the camera applies in whole pixels, so
// they only get a loose bound.

#include <gtest/gtest.h>

#include <random>

#include "m4v_test_util.h"

namespace klv {
namespace {

using m4vtest::DataPath;
using m4vtest::ReadFileBytes;

// Decodes pictures until one fails; returns how many decoded.
int DecodeAll(Mpeg4Decoder& d, int limit = 64) {
  int n = 0;
  while (n < limit) {
    d.DecodeNextFrame();
    if (!d.lastPictureDecoded()) break;
    ++n;
  }
  return n;
}

struct Reference {
  const char* stream;
  int picture;
  int maxError;
  double minPsnr;
};

TEST(FfmpegFixtures, PicturesMatchFfmpegsDecode) {
  const Reference refs[] = {
      {"intra_q8", 0, 1, 60}, {"intra_q8", 1, 1, 60},     {"intra_q16", 0, 1, 60},
      {"inter_still", 5, 4, 52}, {"inter_motion", 0, 1, 60}, {"inter_motion", 7, 255, 24},
      {"odd_size", 0, 1, 60},
      // Quantiser 4: the camera's steps are rounded down from ffmpeg's.
      {"intra_q4", 0, 16, 38}, {"inter_q4", 2, 24, 36},
  };
  for (const Reference& r : refs) {
    const std::string name = std::string(r.stream) + ".m4v";
    const std::vector<uint8_t> raw = ReadFileBytes(DataPath(std::string(r.stream) + ".f" + std::to_string(r.picture) + ".yuv"));
    ASSERT_FALSE(raw.empty()) << r.stream;
    DecoderFlags flags;
    flags.g_nDeblockMethod = 0;
    Mpeg4Decoder d;
    d.SetFlags(&flags);
    d.OpenStream(DataPath(name));
    ASSERT_TRUE(d.IsOpen()) << name;
    for (int k = 0; k <= r.picture; ++k) {
      d.DecodeNextFrame();
      ASSERT_TRUE(d.lastPictureDecoded()) << name << " picture " << k;
    }
    const m4vtest::Comparison c = m4vtest::Compare(m4vtest::OutputPlanes(d), raw);
    EXPECT_LE(c.maxError, r.maxError) << name << " picture " << r.picture;
    EXPECT_GE(c.psnr, r.minPsnr) << name << " picture " << r.picture;
  }
}

TEST(FfmpegFixtures, PictureCountsAndToolsTheCameraLacks) {
  struct Case {
    const char* stream;
    int decoded;     // pictures that decode before the first failure
    int failedType;  // coding type of the picture that fails (-1: the stream ends)
  } cases[] = {
      {"intra_q8", 2, -1},     {"intra_q16", 1, -1}, {"inter_still", 6, -1}, {"inter_motion", 8, -1},
      {"odd_size", 3, -1},     {"intra_q4", 1, -1},     {"inter_q4", 3, -1},
      {"four_vectors", 1, 1},  // a P-VOP with four-vector macroblocks
      {"ac_prediction", 0, 0},                          // AC prediction in the first picture
      {"b_vops", 2, 2},                                 // I, P, then a B-VOP
  };
  for (const Case& c : cases) {
    Mpeg4Decoder d;
    d.OpenStream(DataPath(std::string(c.stream) + ".m4v"));
    ASSERT_TRUE(d.IsOpen()) << c.stream;
    EXPECT_EQ(DecodeAll(d), c.decoded) << c.stream;
    if (c.failedType >= 0) {
      EXPECT_EQ(d.vop().codingType, c.failedType) << c.stream;
    }
    // The reader stays usable: back to the first picture.
    ASSERT_TRUE(d.RewindStream()) << c.stream;
    EXPECT_EQ(DecodeAll(d), c.decoded) << c.stream;
  }
}

TEST(FfmpegFixtures, PanningPicturesMatchAwayFromTheEdges) {
  // Whole-pixel vectors of many sizes; the outer ring of macroblocks differs
  // (the camera drops vectors pointing out of the picture there).
  for (int picture : {3, 5, 7}) {
    const std::vector<uint8_t> raw = ReadFileBytes(DataPath("inter_pan.f" + std::to_string(picture) + ".yuv"));
    ASSERT_EQ(raw.size(), 96u * 64u * 3u / 2u);
    Mpeg4Decoder d;
    d.OpenStream(DataPath("inter_pan.m4v"));
    for (int k = 0; k <= picture; ++k) {
      d.DecodeNextFrame();
      ASSERT_TRUE(d.lastPictureDecoded()) << k;
    }
    const m4vtest::Planes p = m4vtest::OutputPlanes(d);
    int worst = 0;
    for (int y = 16; y < 64; ++y) {
      for (int x = 0; x < 80; ++x) worst = std::max(worst, std::abs(p.y[static_cast<size_t>(y * 96 + x)] - raw[static_cast<size_t>(y * 96 + x)]));
    }
    EXPECT_LE(worst, 2) << picture;
  }
}

TEST(FfmpegFixtures, DquantMovesTheRunningQuantiserAsFfmpegReadsIt) {
  // The last macroblock's quantiser of each picture as ffmpeg -debug qp
  // shows it; the VOP quantisers are 19 and then 31.
  const int finalQuantiser[6] = {5, 9, 10, 10, 10, 10};
  Mpeg4Decoder d;
  d.OpenStream(DataPath("dquant.m4v"));
  for (int k = 0; k < 6; ++k) {
    const DecodedFrame f = d.DecodeNextFrame();
    ASSERT_TRUE(f.decoded) << k;
    EXPECT_EQ(d.vop().quantiser, k == 0 ? 19 : 31) << k;
    EXPECT_EQ(f.quantiser, finalQuantiser[k]) << k;
  }
  EXPECT_EQ(d.DecodeNextFrame().position, -1);
}

// Offsets of the pictures' first start codes (group of VOP or VOP).
std::vector<size_t> PictureOffsets(const std::vector<uint8_t>& s) {
  std::vector<size_t> at;
  for (size_t i = 0; i + 4 <= s.size(); ++i) {
    if (s[i] == 0 && s[i + 1] == 0 && s[i + 2] == 1 && (s[i + 3] == 0xB3 || s[i + 3] == 0xB6)) {
      if (s[i + 3] == 0xB6 && !at.empty() && i - at.back() < 16 && s[at.back() + 3] == 0xB3) continue;
      at.push_back(i);
    }
  }
  return at;
}

TEST(FfmpegFixtures, DamagedStreamsFailCleanly) {
  const char* names[] = {"intra_q8", "inter_still", "inter_motion", "odd_size", "dquant", "four_vectors", "b_vops"};
  std::mt19937 rng(11);
  for (const char* name : names) {
    const std::vector<uint8_t> s = ReadFileBytes(DataPath(std::string(name) + ".m4v"));
    ASSERT_FALSE(s.empty()) << name;
    Mpeg4Decoder whole;
    whole.OpenStreamBuffer(s.data(), s.size());
    const int all = DecodeAll(whole);
    // Cut anywhere: never more pictures than the whole stream, never a crash.
    for (size_t len = 0; len < s.size(); len += 1 + len / 8) {
      std::vector<uint8_t> cut(s.begin(), s.begin() + static_cast<long>(len));
      Mpeg4Decoder d;
      d.OpenStreamBuffer(cut.data(), cut.size());
      EXPECT_LE(DecodeAll(d), all) << name << " cut at " << len;
    }
    // Flipped bits and overwritten bytes anywhere.
    for (int t = 0; t < 150; ++t) {
      std::vector<uint8_t> bad = s;
      for (int k = 0; k <= t % 4; ++k) {
        const size_t at = rng() % bad.size();
        if (t % 2 == 0) {
          bad[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
        } else {
          bad[at] = static_cast<uint8_t>(rng());
        }
      }
      Mpeg4Decoder d;
      DecoderFlags flags;
      flags.g_nDeblockMethod = t % 3;
      d.SetFlags(&flags);
      d.OpenStreamBuffer(bad.data(), bad.size());
      FramePicture pic;
      if (d.IsOpen()) {
        ASSERT_TRUE(pic.Create(d.PictureWidth(), d.PictureHeight()));
      }
      for (int k = 0; k < 12; ++k) d.DecodeNextFrame({pic.Empty() ? nullptr : &pic, false, false}).position;
    }
  }
}

TEST(FfmpegFixtures, SidePacketsInFrontOfRealPictures) {
  // inter_still with a time packet and an audio packet in front of every
  // picture, as the camera's .ztm files have them; read through a small
  // window so that packets and pictures cross window edges.
  const std::vector<uint8_t> s = ReadFileBytes(DataPath("inter_still.m4v"));
  const std::vector<size_t> pictures = PictureOffsets(s);
  std::vector<uint8_t> ztm(s.begin(), s.begin() + static_cast<long>(pictures[0]));
  std::vector<uint8_t> audioAll;
  for (size_t k = 0; k < pictures.size(); ++k) {
    const uint32_t count = static_cast<uint32_t>(100000 * (k + 1));
    const uint8_t time[] = {0, 0, 1, 0xB2, 6, 0, 0x82, 0, 0, 0, static_cast<uint8_t>(count),
                            static_cast<uint8_t>(count >> 8), static_cast<uint8_t>(count >> 16), 0};
    ztm.insert(ztm.end(), time, time + sizeof time);
    const uint16_t n = static_cast<uint16_t>(700 + 13 * k);
    const uint8_t head[] = {0, 0, 1, 0xB2, static_cast<uint8_t>(n), static_cast<uint8_t>(n >> 8), 0x01, 40};
    ztm.insert(ztm.end(), head, head + sizeof head);
    for (uint16_t i = 0; i < n; ++i) {
      const uint8_t b = static_cast<uint8_t>((i * 31 + k) | 0x80);
      ztm.push_back(b);
      if (k != 1 || i >= 40) audioAll.push_back(b);  // picture 1 starts playback: lead dropped
    }
    const size_t end = k + 1 < pictures.size() ? pictures[k + 1] : s.size();
    ztm.insert(ztm.end(), s.begin() + static_cast<long>(pictures[k]), s.begin() + static_cast<long>(end));
  }
  m4vtest::TempFile f(ztm, "clip.ztm");
  Mpeg4Decoder plain, d;
  plain.OpenStream(DataPath("inter_still.m4v"));
  d.SetWindowSizeForTesting(4096);
  std::vector<uint8_t> fed;
  struct Sink : AudioSink {
    std::vector<uint8_t>* to;
    void PutAudioBytes(const uint8_t* data, size_t size) override { to->insert(to->end(), data, data + size); }
  } sink;
  sink.to = &fed;
  d.SetAudioSink(&sink);
  ASSERT_GT(d.OpenStream(f.path()), 0);
  for (size_t k = 0; k < pictures.size(); ++k) {
    const DecodedFrame f = d.DecodeNextFrame({nullptr, k == 1, true});
    const int pos = f.position;
    const uint32_t elapsed = f.elapsedTime;
    ASSERT_GT(pos, 0) << k;
    EXPECT_EQ(static_cast<uint64_t>(pos), d.Reader().Position() / 1024);
    EXPECT_EQ(f.audioLength, static_cast<int>(700 + 13 * k - (k == 1 ? 40 : 0))) << k;
    EXPECT_EQ(elapsed, static_cast<uint32_t>(((uint64_t {100000} * (k + 1) * 249) >> 7) / 162)) << k;
    EXPECT_EQ(f.quantiser, 16);
    plain.DecodeNextFrame();
    ASSERT_EQ(m4vtest::OutputPlanes(d).y, m4vtest::OutputPlanes(plain).y) << k;
  }
  EXPECT_EQ(fed, audioAll);
  // The seek lands on the intra picture's VOP start code (its time packet is
  // not immediately in front of it here), inside the first KiB.
  size_t vop = 0;
  while (!(ztm[vop] == 0 && ztm[vop + 1] == 0 && ztm[vop + 2] == 1 && ztm[vop + 3] == 0xB6)) ++vop;
  ASSERT_TRUE(d.RewindStream());
  EXPECT_EQ(d.SeekKeyFrame(0, 1, +1), 0);
  EXPECT_EQ(d.Reader().Position(), vop);
  EXPECT_GT(d.DecodeNextFrame().position, 0);
}

}  // namespace
}  // namespace klv
