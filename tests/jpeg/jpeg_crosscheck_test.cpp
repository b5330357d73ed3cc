// Cross-checks: our decode against libjpeg-turbo's on realistic pictures, and
// the decoder's fast paths against the plain model on good, cut and damaged
// frames.

#include <gtest/gtest.h>

#include <cstdio>
#include <vector>

#include "jpeg/jpeg_reference.h"
#include "jpeg/jpeg_test_support.h"
#include "media/jpeg/jpeg_decoder.h"

namespace klv {
namespace {

struct Size {
  int w, h;
};

TEST(JpegTurbo, DefaultTablesAreTheOnesTurboWrites) {
  const std::vector<uint8_t> bgr = jpegtest::MakeScene(64, 64, 1);
  const std::vector<uint8_t> jpg = jpegtest::TurboEncode(bgr, 64, 64, 75);
  ASSERT_FALSE(jpg.empty());
  const JpegDecoder fresh;
  JpegDecoder d;
  // Scramble our tables with one-symbol ones, then let turbo's DHT segments
  // load them back.
  for (int tcth : {0x00, 0x01, 0x10, 0x11}) {
    std::vector<uint8_t> payload(18, 0);
    payload[0] = static_cast<uint8_t>(tcth);
    payload[1] = 1;  // one 1-bit code
    std::vector<uint8_t> f = jpegtest::Soi();
    jpegtest::Segment(f, 0xC4, payload);
    d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
    ASSERT_FALSE(d.Huff(tcth >> 4, tcth & 1) == fresh.Huff(tcth >> 4, tcth & 1));
  }
  int found = 0;
  for (size_t i = 2; i + 4 < jpg.size();) {
    if (jpg[i] != 0xFF) break;
    const int marker = jpg[i + 1];
    const size_t len = static_cast<size_t>((jpg[i + 2] << 8) | jpg[i + 3]);
    if (marker == 0xDA) break;
    if (marker == 0xC4) {
      std::vector<uint8_t> f = jpegtest::Soi();
      f.insert(f.end(), jpg.begin() + static_cast<long>(i), jpg.begin() + static_cast<long>(i + 2 + len));
      d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
      ++found;
    }
    i += 2 + len;
  }
  EXPECT_EQ(found, 4);
  for (int c = 0; c < 2; ++c)
    for (int id = 0; id < 2; ++id)
      EXPECT_TRUE(d.Huff(c, id) == fresh.Huff(c, id)) << c << id;
}

TEST(JpegTurbo, PsnrAgainstTurboDecode) {
  const Size sizes[] = {{640, 480}, {1280, 720}, {632, 472}};
  for (const Size& s : sizes) {
    const std::vector<uint8_t> bgr = jpegtest::MakeScene(s.w, s.h, static_cast<uint32_t>(s.w));
    for (int quality : {50, 75, 90}) {
      const std::vector<uint8_t> jpg = jpegtest::TurboEncode(bgr, s.w, s.h, quality);
      ASSERT_FALSE(jpg.empty());
      const std::vector<uint8_t> theirs = jpegtest::TurboDecode(jpg, s.w, s.h, TJFLAG_FASTUPSAMPLE);
      ASSERT_FALSE(theirs.empty());
      JpegDecoder d;
      ASSERT_TRUE(d.AllocatePlanes(s.w, s.h));
      FramePicture pic;
      ASSERT_TRUE(pic.Create(s.w, s.h));
      ASSERT_TRUE(d.DecodeFrame(jpg.data(), jpg.size(), pic, 0).Ok());
      const double vsTurbo = jpegtest::Psnr(pic.Bits(), static_cast<size_t>(pic.Stride()), theirs.data(),
                                            static_cast<size_t>(s.w) * 3, s.w, s.h);
      const double vsSource = jpegtest::Psnr(pic.Bits(), static_cast<size_t>(pic.Stride()), bgr.data(),
                                             static_cast<size_t>(s.w) * 3, s.w, s.h);
      const double turboVsSource = jpegtest::Psnr(theirs.data(), static_cast<size_t>(s.w) * 3, bgr.data(),
                                                  static_cast<size_t>(s.w) * 3, s.w, s.h);
      std::printf("%dx%d q%d: ours vs turbo %.2f dB; vs source: ours %.2f dB, turbo %.2f dB\n", s.w, s.h,
                  quality, vsTurbo, vsSource, turboVsSource);
      EXPECT_GE(vsTurbo, 35.0) << s.w << "x" << s.h << " q" << quality;
      EXPECT_GE(vsSource, turboVsSource - 1.5) << s.w << "x" << s.h << " q" << quality;
    }
  }
}

// Decodes with the decoder and with the plain model from the same state;
// both must agree on the result, the error and every plane sample.
void ExpectSameAsModel(JpegDecoder& d, ref::Model& m, const uint8_t* data, size_t size, int w, int h,
                       const char* what) {
  ref::Planes pl;
  pl.Allocate(w, h);
  // Start both from the decoder's current planes (a failed frame leaves a mixture).
  std::copy(d.PlaneY(), d.PlaneY() + pl.y.size(), pl.y.begin());
  std::copy(d.PlaneCb(), d.PlaneCb() + pl.cb.size(), pl.cb.begin());
  std::copy(d.PlaneCr(), d.PlaneCr() + pl.cr.size(), pl.cr.begin());
  int refError = 0;
  const int want = ref::DecodeMcus(m, data, size, d.Quant(), d.Huff(0, 0), d.Huff(0, 1), pl, &refError);
  const int got = d.DecodeMcus(data, size);
  ASSERT_EQ(got, want) << what;
  ASSERT_EQ(d.JpegError(), refError) << what;
  ASSERT_TRUE(std::equal(pl.y.begin(), pl.y.end(), d.PlaneY())) << what;
  ASSERT_TRUE(std::equal(pl.cb.begin(), pl.cb.end(), d.PlaneCb())) << what;
  ASSERT_TRUE(std::equal(pl.cr.begin(), pl.cr.end(), d.PlaneCr())) << what;
}

TEST(JpegModel, TurboFramesDecodeExactlyAsTheModel) {
  ref::Model m;
  const Size sizes[] = {{640, 480}, {632, 472}, {96, 80}};
  for (const Size& s : sizes)
    for (int quality : {20, 75, 98}) {
      const std::vector<uint8_t> bgr = jpegtest::MakeScene(s.w, s.h, 7);
      const std::vector<uint8_t> jpg = jpegtest::TurboEncode(bgr, s.w, s.h, quality);
      JpegDecoder d;
      ASSERT_TRUE(d.AllocatePlanes(s.w, s.h));
      const int p = d.ParseHeaders(jpg.data(), jpg.size(), nullptr, nullptr, nullptr, nullptr);
      ASSERT_GT(p, 0);
      ExpectSameAsModel(d, m, jpg.data() + p, jpg.size() - static_cast<size_t>(p), s.w, s.h, "whole");
      // The colour conversion against the per-pixel model, plain and grey.
      for (bool bw : {false, true}) {
        DecoderFlags flags;
        flags.bForceBW = bw;
        d.SetFlags(&flags);
        FramePicture pic;
        ASSERT_TRUE(pic.Create(s.w, s.h));
        d.ToPicture(pic, s.w, s.h);
        ref::Planes pl;
        pl.Allocate(s.w, s.h);
        std::copy(d.PlaneY(), d.PlaneY() + pl.y.size(), pl.y.begin());
        std::copy(d.PlaneCb(), d.PlaneCb() + pl.cb.size(), pl.cb.begin());
        std::copy(d.PlaneCr(), d.PlaneCr() + pl.cr.size(), pl.cr.begin());
        std::vector<uint8_t> want(pic.SizeBytes(), 0);
        ref::ToBgr(pl, s.w, s.h, bw, want.data(), static_cast<size_t>(pic.Stride()));
        ASSERT_TRUE(std::equal(want.begin(), want.end(), pic.Bits())) << s.w << " bw " << bw;
        d.SetFlags(nullptr);
      }
    }
}

TEST(JpegModel, DamagedFramesFailExactlyAsTheModel) {
  ref::Model m;
  const int w = 96, h = 64;
  const std::vector<uint8_t> bgr = jpegtest::MakeScene(w, h, 3);
  const std::vector<uint8_t> jpg = jpegtest::TurboEncode(bgr, w, h, 85);
  JpegDecoder d;
  ASSERT_TRUE(d.AllocatePlanes(w, h));
  const int p = d.ParseHeaders(jpg.data(), jpg.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_GT(p, 0);
  const std::vector<uint8_t> entropy(jpg.begin() + p, jpg.end());
  uint32_t rng = 99;
  auto next = [&rng]() { return rng = rng * 1664525u + 1013904223u; };
  for (int n = 0; n < 400; ++n) {
    std::vector<uint8_t> e = entropy;
    const int kind = n % 5;
    if (kind == 0) {
      e.resize(next() % e.size());  // cut anywhere, without EOI
    } else if (kind == 1) {
      for (int i = 0; i < 3; ++i) e[next() % e.size()] ^= static_cast<uint8_t>(1u << (next() % 8));
    } else if (kind == 2) {
      const size_t at = next() % e.size();
      e[at] = 0xFF;
      if (at + 1 < e.size()) e[at + 1] = static_cast<uint8_t>(0xD0 + next() % 10);
    } else if (kind == 3) {
      for (auto& b : e) b = static_cast<uint8_t>(next() >> 24);  // noise
    } else {
      const size_t at = next() % e.size();
      for (size_t i = at; i < e.size() && i < at + 40; ++i) e[i] = (i & 1) ? 0x00 : 0xFF;
    }
    char what[32];
    std::snprintf(what, sizeof what, "case %d", n);
    ExpectSameAsModel(d, m, e.data(), e.size(), w, h, what);
  }
}

TEST(JpegModel, SkipAcWalksLikeDecodeAc) {
  // The motion search's DC-only walk must end up exactly where the full
  // decode does, block by block, also on damaged data.
  const std::vector<uint8_t> jpg = jpegtest::TurboEncode(jpegtest::MakeScene(160, 96, 2), 160, 96, 90);
  JpegDecoder a, b;
  const int p = a.ParseHeaders(jpg.data(), jpg.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_GT(p, 0);
  std::vector<uint8_t> e(jpg.begin() + p, jpg.end());
  uint32_t rng = 8;
  for (int n = 0; n < 60; ++n) {
    if (n > 0) {
      rng = rng * 1664525u + 1013904223u;
      e[rng % e.size()] ^= static_cast<uint8_t>(rng >> 24);
    }
    a.StartBits(e.data(), e.size());
    b.StartBits(e.data(), e.size());
    for (int blk = 0; blk < 10 * 6 * 6 + 20; ++blk) {
      const bool chroma = blk % 6 >= 4;
      ASSERT_EQ(a.DecodeDcDiff(chroma), b.DecodeDcDiff(chroma));
      int32_t block[64];
      a.DecodeAc(block, chroma);
      b.SkipAc(chroma);
      ASSERT_EQ(a.BytesRead(), b.BytesRead()) << n << " " << blk;
      ASSERT_EQ(a.JpegError(), b.JpegError()) << n << " " << blk;
      ASSERT_EQ(a.Peek16(), b.Peek16());
    }
  }
}

TEST(JpegModel, StrangeDcTablesMatchTheModel) {
  // DC tables with long codes and sizes above 11 (and 16), loaded by DHT.
  ref::Model m;
  const int w = 32, h = 32;
  std::vector<uint8_t> dht = {0x00, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2, 3, 0, 12, 13, 16, 17, 2};
  std::vector<uint8_t> f = jpegtest::Soi();
  jpegtest::Segment(f, 0xC4, dht);
  jpegtest::Segment(f, 0xDB, jpegtest::DqtPayload(0, 3));
  jpegtest::Segment(f, 0xDB, jpegtest::DqtPayload(1, 200));
  JpegDecoder d;
  d.ParseHeaders(f.data(), f.size(), nullptr, nullptr, nullptr, nullptr);
  ASSERT_TRUE(d.AllocatePlanes(w, h));
  uint32_t rng = 5;
  for (int n = 0; n < 300; ++n) {
    std::vector<uint8_t> e(40 + n % 200);
    for (auto& b : e) {
      rng = rng * 1664525u + 1013904223u;
      b = static_cast<uint8_t>(rng >> 24);
      if (b == 0xFF && (rng & 0x100)) b = 0xFE;
    }
    ExpectSameAsModel(d, m, e.data(), e.size(), w, h, "strange");
  }
}

}  // namespace
}  // namespace klv
