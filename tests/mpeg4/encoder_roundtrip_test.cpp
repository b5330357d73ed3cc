// Streams from the sample writer's encoder, which reconstructs with the
// camera's arithmetic (its own tables and inverse transform): every picture
// the player decodes must equal the encoder's reconstruction bit for bit,
// over the stream features the camera writes; the features it lacks fail
// cleanly; .ztm side packets arrive as the writer put them.

#include <gtest/gtest.h>

#include <functional>
#include <random>

#include "m4v_test_util.h"
#include "support/mpeg4_stream.h"
#include "support/ztm_writer.h"

namespace klv {
namespace {

using sample::M4vStreamSpec;
using sample::PictureType;

// Planes of the output picture at the encoder's picture size.
bool SameAs(Mpeg4Decoder& d, const sample::YuvPicture& want, std::string* why) {
  const mpeg4::Picture& p = d.stores().outputPicture();
  for (int y = 0; y < want.height; ++y) {
    for (int x = 0; x < want.width; ++x) {
      if (p.y.Row(y)[x] != want.Y(x, y)) {
        *why = "Y at " + std::to_string(x) + "," + std::to_string(y);
        return false;
      }
    }
  }
  for (int y = 0; y < want.height / 2; ++y) {
    for (int x = 0; x < want.width / 2; ++x) {
      if (p.u.Row(y)[x] != want.U(x, y) || p.v.Row(y)[x] != want.V(x, y)) {
        *why = "chroma at " + std::to_string(x) + "," + std::to_string(y);
        return false;
      }
    }
  }
  return true;
}

// Decodes every picture and compares; pictures the camera cannot decode
// (not coded, B) must fail and leave the reference.
void ExpectRoundTrip(const M4vStreamSpec& plan, const char* what) {
  const sample::M4vStream s = sample::BuildM4v(plan);
  Mpeg4Decoder d;
  d.OpenStreamBuffer(s.bytes.data(), s.bytes.size());
  ASSERT_TRUE(d.IsOpen()) << what;
  for (size_t k = 0; k < s.pictures.size(); ++k) {
    const DecodedFrame f = d.DecodeNextFrame();
    const sample::PictureStats& st = s.pictures[k].stats;
    ASSERT_EQ(f.decoded, st.decodable) << what << " picture " << k;
    if (!st.decodable) continue;
    EXPECT_EQ(f.quantiser, st.finalQuant) << what << " picture " << k;
    EXPECT_EQ(d.macroblocks().macroblockCount, d.stores().mbWidth() * d.stores().mbHeight()) << what;
    std::string why;
    ASSERT_TRUE(SameAs(d, s.reconstructions[k], &why)) << what << " picture " << k << ": " << why;
  }
  EXPECT_EQ(d.DecodeNextFrame().position, -1) << what;
}

TEST(EncoderRoundTrip, PicturesEqualTheEncodersReconstruction) {
  struct Case {
    const char* what;
    std::function<void(M4vStreamSpec&)> setup;
  } cases[] = {
      {"plain I and P", [](M4vStreamSpec&) {}},
      {"intra every 4, GOV headers", [](M4vStreamSpec& s) {
         s.intraPeriod = 4;
         s.groupOfVopBeforeIntra = true;
       }},
      {"every coefficient as escape 3", [](M4vStreamSpec& s) { s.encoder.forceEscape3 = true; }},
      {"planted escapes 1, 2, 3", [](M4vStreamSpec& s) { s.encoder.plantEscapes = true; }},
      {"stuffing", [](M4vStreamSpec& s) {
         s.encoder.stuffingEvery = 3;
         s.encoder.stuffingCount = 2;
       }},
      {"dquant", [](M4vStreamSpec& s) { s.encoder.dquantPattern = {2, -1, 0, 1, -2, 2, 2}; }},
      {"quantisers 1 to 31", [](M4vStreamSpec& s) {
         s.encoder.quantPerPicture = {1, 31, 2, 13, 5, 24, 8, 30, 3, 17};
         s.intraPeriod = 3;
       }},
      {"odd vectors", [](M4vStreamSpec& s) { s.encoder.oddVectors = true; }},
      {"outward vectors at the edges", [](M4vStreamSpec& s) { s.encoder.edgeOutwardVectors = true; }},
      {"intra macroblocks in P-VOPs", [](M4vStreamSpec& s) { s.encoder.intraMbsInP = {0, 5, 11, 40, 98}; }},
      {"all skipped", [](M4vStreamSpec& s) {
         s.types = {PictureType::Intra, PictureType::Skipped, PictureType::Inter, PictureType::Skipped};
       }},
      {"not coded and B-VOPs", [](M4vStreamSpec& s) {
         s.types = {PictureType::Intra, PictureType::Inter, PictureType::NotCoded, PictureType::Inter,
                    PictureType::Bidirectional, PictureType::Inter};
       }},
      {"rounding type 1, noise", [](M4vStreamSpec& s) {
         s.encoder.roundingType = 1;
         s.scene.noise = 12;
       }},
      {"larger picture, wide search", [](M4vStreamSpec& s) {
         s.encoder.width = 320;
         s.encoder.height = 240;
         s.encoder.searchRange = 16;
         s.scene.objectSpeed = 9;
         s.pictures = 5;
       }},
  };
  for (const Case& c : cases) {
    M4vStreamSpec plan;
    plan.pictures = 8;
    c.setup(plan);
    ExpectRoundTrip(plan, c.what);
  }
}

TEST(EncoderRoundTrip, IntraDcThresholdsAndFCodes) {
  for (int thr = 0; thr < 8; ++thr) {
    M4vStreamSpec plan;
    plan.pictures = 3;
    plan.encoder.intraDcVlcThreshold = thr;
    plan.encoder.quantPerPicture = {10, 14, 22};
    plan.intraPeriod = 1;
    ExpectRoundTrip(plan, ("intra_dc_vlc_thr " + std::to_string(thr)).c_str());
  }
  // Scripted vectors of every size each f code can send.
  for (int fcode = 1; fcode <= 7; ++fcode) {
    M4vStreamSpec plan;
    plan.pictures = 4;
    plan.encoder.width = 256;
    plan.encoder.height = 160;
    plan.encoder.fcode = fcode;
    const int range = 16 << (fcode - 1);  // half pixels
    plan.encoder.vectorScript = [range](int picture, int mbx, int mby) -> std::optional<sample::MotionVector> {
      std::mt19937 rng(static_cast<uint32_t>(picture * 1000 + mby * 50 + mbx));
      const int r = std::min(range - 1, 60);
      return sample::MotionVector {static_cast<int>(rng() % (2 * r + 1)) - r, static_cast<int>(rng() % (2 * r + 1)) - r};
    };
    ExpectRoundTrip(plan, ("f code " + std::to_string(fcode)).c_str());
  }
}

TEST(EncoderRoundTrip, ToolsTheCameraLacksFailThePicture) {
  struct Case {
    const char* what;
    std::function<void(M4vStreamSpec&)> setup;
    int decodes;  // pictures before the failure
  } cases[] = {
      {"AC prediction", [](M4vStreamSpec& s) { s.encoder.acPrediction = true; }, 0},
      {"four vectors", [](M4vStreamSpec& s) { s.encoder.fourVectorMbs = {7}; }, 1},
  };
  for (const Case& c : cases) {
    M4vStreamSpec plan;
    plan.pictures = 3;
    c.setup(plan);
    const std::vector<uint8_t> bytes = sample::BuildM4vStream(plan);
    Mpeg4Decoder d;
    d.OpenStreamBuffer(bytes.data(), bytes.size());
    int n = 0;
    while (n < 3 && (d.DecodeNextFrame().decoded)) ++n;
    EXPECT_EQ(n, c.decodes) << c.what;
  }
}

TEST(EncoderRoundTrip, JunkZerosAndTruncation) {
  for (int junk : {32, 33}) {
    M4vStreamSpec plan;
    plan.pictures = 4;
    plan.insertions.push_back({.beforePicture = 2, .kind = sample::StreamInsertion::Kind::Junk, .count = junk});
    plan.insertions.push_back({.beforePicture = 1, .kind = sample::StreamInsertion::Kind::Zeros, .count = 5});
    const sample::M4vStream s = sample::BuildM4v(plan);
    Mpeg4Decoder d;
    d.OpenStreamBuffer(s.bytes.data(), s.bytes.size());
    int n = 0;
    while (n < 4 && (d.DecodeNextFrame().decoded)) {
      std::string why;
      EXPECT_TRUE(SameAs(d, s.reconstructions[static_cast<size_t>(n)], &why)) << why;
      if (n == 2) {
        EXPECT_EQ(d.skippedBytes(), 32);
      }
      ++n;
    }
    EXPECT_EQ(n, junk == 32 ? 4 : 2);
  }
  M4vStreamSpec plan;
  plan.pictures = 3;
  const sample::M4vStream whole = sample::BuildM4v(plan);
  for (size_t cut = whole.pictures[1].vopOffset; cut < whole.pictures[2].offset; cut += 37) {
    plan.truncateTo = static_cast<int64_t>(cut);
    const std::vector<uint8_t> bytes = sample::BuildM4vStream(plan);
    Mpeg4Decoder d;
    d.OpenStreamBuffer(bytes.data(), bytes.size());
    d.DecodeNextFrame();
    EXPECT_TRUE(d.lastPictureDecoded()) << cut;
    EXPECT_EQ(d.DecodeNextFrame().position, -1) << cut;
  }
}

class CollectingSink : public AudioSink {
 public:
  void PutAudioBytes(const uint8_t* data, size_t size) override {
    bytes.insert(bytes.end(), data, data + size);
    ++pieces;
  }
  std::vector<uint8_t> bytes;
  int pieces = 0;
};

TEST(EncoderRoundTrip, ZtmSidePacketsAcrossWindowEdges) {
  sample::ZtmSpec plan;
  plan.video.pictures = 12;
  plan.video.intraPeriod = 5;
  plan.audioPacketsPerPicture = 2;
  plan.timePackets = sample::ZtmSpec::TimePackets::BeforeEvery;
  plan.timeShift = 1;
  // Items straddling 4 KiB window edges (the window the reader is given),
  // each edge beyond where the item would otherwise lie.
  const sample::ZtmFile plain = sample::BuildZtm(plan);
  auto edgeAfter = [&](int picture, uint64_t extra) {
    return (plain.pictures[static_cast<size_t>(picture)].firstPacketOffset + extra + 4096) / 4096 * 4096;
  };
  plan.straddles.push_back({.picture = 2, .item = sample::ZtmStraddle::Item::AudioPacket, .edge = edgeAfter(2, 0), .bytesBeforeEdge = 20});
  plan.straddles.push_back({.picture = 5, .item = sample::ZtmStraddle::Item::TimePacket, .edge = edgeAfter(5, 8192), .bytesBeforeEdge = 5});
  plan.straddles.push_back({.picture = 8, .item = sample::ZtmStraddle::Item::Vop, .edge = edgeAfter(8, 16384), .bytesBeforeEdge = 9});
  const sample::ZtmFile z = sample::BuildZtm(plan);
  m4vtest::TempFile f(z.bytes, "clip.ztm");
  Mpeg4Decoder d;
  CollectingSink sink;
  d.SetAudioSink(&sink);
  d.SetWindowSizeForTesting(4096);
  ASSERT_GT(d.OpenStream(f.path()), 0);
  std::vector<uint8_t> expectAudio;
  for (size_t k = 0; k < z.pictures.size(); ++k) {
    const sample::ZtmPictureInfo& info = z.pictures[k];
    const bool first = k == 1;  // playback starts with the second picture's sound
    const DecodedFrame f = d.DecodeNextFrame({nullptr, first, true});
    const int audioLength = f.audioLength;
    const uint32_t elapsed = f.elapsedTime;
    ASSERT_TRUE(f.decoded) << k;
    EXPECT_EQ(f.position, static_cast<int>(d.Reader().Position() / 1024)) << k;
    EXPECT_EQ(elapsed, info.elapsedHundredths) << k;
    if (!info.audioPacketLengths.empty()) {
      // The last packet's count, less its lead bytes at a playback start.
      const int last = static_cast<int>(info.audioPacketLengths.back());
      const int lead = std::min(static_cast<int>(z.bytes[info.audioPacketOffsets.back() + 7]), last);
      EXPECT_EQ(audioLength, last - (first ? lead : 0)) << k;
    } else {
      EXPECT_EQ(audioLength, 0) << k;
    }
    std::string why;
    ASSERT_TRUE(SameAs(d, z.reconstructions[k], &why)) << k << ": " << why;
  }
  EXPECT_EQ(z.straddlesMissed, 0);
  // Without a playback start no lead bytes are dropped: all audio in order.
  Mpeg4Decoder again;
  CollectingSink all;
  again.SetAudioSink(&all);
  again.OpenStreamBuffer(z.bytes.data(), z.bytes.size());
  while (again.DecodeNextFrame({nullptr, false, true}).position > 0) {
  }
  EXPECT_EQ(all.bytes, z.audio);
}

}  // namespace
}  // namespace klv
