// The MPEG-4 sample writer: headers read back with the independent reader,
// the coding options show up in the stream, damaged streams are damaged where
// asked.

#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "sample_mpeg4/mpeg4_header_reader.h"
#include "support/mpeg4_stream.h"

namespace klv::sample {
namespace {

using test::ReadStreamHeaders;
using test::ReadVopHeaders;
using Kind = MacroblockInfo::Kind;

M4vStreamSpec Small(int pictures = 4) {
  M4vStreamSpec s;
  s.encoder.width = 96;
  s.encoder.height = 64;
  s.pictures = pictures;
  return s;
}

TEST(Mpeg4Headers, DefaultStreamIsAccepted) {
  const M4vStream m = BuildM4v(Small());
  const test::StreamHeaders h = ReadStreamHeaders(m.bytes);
  ASSERT_TRUE(h.accepted) << h.refusal;
  EXPECT_EQ(h.profile, 0x01);
  EXPECT_EQ(h.objectType, 0x01);
  EXPECT_EQ(h.width, 96);
  EXPECT_EQ(h.height, 64);
  EXPECT_EQ(h.resolution, 15);
  EXPECT_EQ(h.timeIncrementBits, 4);
  EXPECT_EQ(h.headerLength, m.headerLength);
  EXPECT_EQ(m.bytes[m.headerLength + 3], 0xB6);
}

TEST(Mpeg4Headers, AcceptedVariants) {
  struct Case {
    const char* name;
    std::function<void(Mpeg4EncodeOptions&)> set;
    std::function<void(const test::StreamHeaders&)> check;
  };
  const Case cases[] = {
      {"resolution 30", [](auto& o) { o.timeIncrementResolution = 30; },
       [](const auto& h) { EXPECT_EQ(h.timeIncrementBits, 5); }},
      {"resolution 16", [](auto& o) { o.timeIncrementResolution = 16; },
       [](const auto& h) { EXPECT_EQ(h.timeIncrementBits, 4); }},
      {"resolution 1", [](auto& o) { o.timeIncrementResolution = 1; },
       [](const auto& h) { EXPECT_EQ(h.timeIncrementBits, 1); }},
      {"advanced simple", [](auto& o) { o.profileLevel = 0xF0; o.objectType = 0x11; },
       [](const auto& h) { EXPECT_EQ(h.objectType, 0x11); }},
      {"layer identifier", [](auto& o) { o.layerIdentifier = true; },
       [](const auto& h) { EXPECT_EQ(h.verid, 1); }},
      {"control parameters", [](auto& o) { o.volControlParameters = true; o.vbvParameters = true; o.lowDelay = false; },
       [](const auto& h) { EXPECT_EQ(h.chromaFormat, 1); EXPECT_EQ(h.vbv, 1); EXPECT_EQ(h.lowDelay, 0); }},
      {"odd marker", [](auto& o) { o.overrides.markerAfterResolution = 0; },
       [](const auto& h) { EXPECT_EQ(h.width, 96); }},
  };
  for (const Case& c : cases) {
    M4vStreamSpec s = Small(2);
    c.set(s.encoder);
    const M4vStream m = BuildM4v(s);
    const test::StreamHeaders h = ReadStreamHeaders(m.bytes);
    ASSERT_TRUE(h.accepted) << c.name << ": " << h.refusal;
    c.check(h);
    const auto vops = ReadVopHeaders(m.bytes, h, h.headerLength);
    ASSERT_EQ(vops.size(), 2u) << c.name;
    EXPECT_TRUE(vops[1].ok) << c.name;
    EXPECT_EQ(vops[1].quant, 8) << c.name;
  }
}

TEST(Mpeg4Headers, RefusedFieldsLandWhereTheCameraLooks) {
  struct Case {
    std::function<void(Mpeg4EncodeOptions&)> set;
    const char* refusal;
  };
  const Case cases[] = {
      {[](auto& o) { o.profileLevel = 0x03; }, "profile_and_level_indication"},
      {[](auto& o) { o.overrides.visualObjectIdentifier = 1; }, "is_visual_object_identifier"},
      {[](auto& o) { o.overrides.visualObjectType = 2; }, "visual_object_type"},
      {[](auto& o) { o.overrides.videoSignalType = 1; }, "video_signal_type"},
      {[](auto& o) { o.overrides.userData = Mpeg4HeaderOverrides::UserData::AfterSequence; }, "visual_object_start_code"},
      {[](auto& o) { o.overrides.userData = Mpeg4HeaderOverrides::UserData::AfterObject; }, "video_object_start_code"},
      {[](auto& o) { o.objectType = 0x02; }, "video_object_type_indication"},
      {[](auto& o) { o.overrides.aspectRatioInfo = 2; }, "aspect_ratio_info"},
      {[](auto& o) { o.overrides.aspectRatioInfo = 15; }, "aspect_ratio_info"},
      {[](auto& o) { o.overrides.shape = 1; }, "video_object_layer_shape"},
      {[](auto& o) { o.overrides.fixedVopRate = 1; }, "fixed_vop_rate"},
      {[](auto& o) { o.overrides.interlaced = 1; }, "interlaced"},
      {[](auto& o) { o.overrides.spriteEnable = 1; }, "sprite_enable"},
      {[](auto& o) { o.overrides.not8Bit = 1; }, "not_8_bit"},
      {[](auto& o) { o.overrides.quantType = 1; }, "quant_type"},
      {[](auto& o) { o.overrides.complexityEstimationDisable = 0; }, "complexity_estimation_disable"},
      {[](auto& o) { o.overrides.resyncMarkerDisable = 0; }, "resync_marker_disable"},
      {[](auto& o) { o.overrides.dataPartitioned = 1; }, "data_partitioned"},
      {[](auto& o) { o.overrides.scalability = 1; }, "scalability"},
      // verid 2 adds a second sprite bit and quarter_sample that the camera never reads.
      {[](auto& o) { o.layerIdentifier = true; o.overrides.layerVerid = 2; }, "complexity_estimation_disable"},
      {[](auto& o) { o.overrides.headerWidth = 81 * 16; }, "width above 80 macroblocks"},
      {[](auto& o) { o.width = 81 * 16; o.height = 16; }, "width above 80 macroblocks"},
  };
  for (const Case& c : cases) {
    M4vStreamSpec s = Small(1);
    c.set(s.encoder);
    const test::StreamHeaders h = ReadStreamHeaders(BuildM4vStream(s));
    EXPECT_FALSE(h.accepted) << c.refusal;
    EXPECT_EQ(h.refusal, c.refusal);
  }
}

TEST(Mpeg4Headers, VopHeadersFollowThePictures) {
  M4vStreamSpec s = Small(18);
  s.intraPeriod = 6;
  s.encoder.quantPerPicture = {5, 9, 13};
  s.encoder.intraDcVlcThreshold = 3;
  s.encoder.roundingType = 1;
  s.types = {};
  s.controls.resize(18);
  s.controls[4].moduloTimeBaseOnes = 2;  // bits 1, 1, 0
  s.controls[5].codingType = 3;          // an S-VOP
  s.controls[7].quant = 31;
  const M4vStream m = BuildM4v(s);
  const auto h = ReadStreamHeaders(m.bytes);
  ASSERT_TRUE(h.accepted);
  const auto v = ReadVopHeaders(m.bytes, h, h.headerLength);
  ASSERT_EQ(v.size(), 18u);
  for (int k = 0; k < 18; ++k) {
    const auto& p = v[static_cast<size_t>(k)];
    EXPECT_EQ(p.offset, m.pictures[static_cast<size_t>(k)].vopOffset) << k;
    EXPECT_EQ(p.codingType, k == 5 ? 3 : (k % 6 == 0 ? 0 : 1)) << k;
    EXPECT_EQ(p.timeIncrement, k % 15) << k;
    EXPECT_EQ(p.moduloBits, k == 4 ? 3 : (k == 15 ? 2 : 1)) << k;
    if (k == 5) continue;  // the S-VOP carries a P-VOP body
    EXPECT_EQ(p.quant, k == 7 ? 31 : (k % 3 == 0 ? 5 : (k % 3 == 1 ? 9 : 13))) << k;
    EXPECT_EQ(p.dcThreshold, 3);
    if (p.codingType == 1) {
      EXPECT_EQ(p.roundingType, 1);
      EXPECT_EQ(p.fcode, m.pictures[static_cast<size_t>(k)].stats.fcode);
    }
  }
}

TEST(Mpeg4Headers, UncodedAndBidirectionalPictures) {
  M4vStreamSpec s = Small(6);
  s.encoder.timeIncrementPerPicture = 2;
  s.types = {PictureType::Intra, PictureType::Inter, PictureType::Inter, PictureType::Bidirectional,
             PictureType::NotCoded, PictureType::Intra};
  const M4vStream m = BuildM4v(s);
  const auto h = ReadStreamHeaders(m.bytes);
  const auto v = ReadVopHeaders(m.bytes, h, h.headerLength);
  ASSERT_EQ(v.size(), 6u);
  EXPECT_EQ(v[3].codingType, 2);
  EXPECT_EQ(v[3].fcodeBackward, 1);
  EXPECT_EQ(v[3].timeIncrement, 3);  // between its references at 2 and 4
  EXPECT_EQ(v[4].coded, 0);
  EXPECT_FALSE(m.pictures[3].stats.decodable);
  EXPECT_FALSE(m.pictures[4].stats.decodable);
  EXPECT_EQ(m.reconstructions[3], m.reconstructions[2]);
  EXPECT_EQ(m.reconstructions[4], m.reconstructions[2]);
  EXPECT_EQ(m.pictures[4].size, 6u);  // start code, 2 + 1 + 1 + 4 + 1 + 1 bits, stuffing
}

// ---- coding options

int Sum(const M4vStream& m, const std::function<int(const PictureStats&)>& f) {
  int n = 0;
  for (const auto& p : m.pictures) n += f(p.stats);
  return n;
}

TEST(Mpeg4Coding, EscapesOfEveryTypeWhenPlanted) {
  M4vStreamSpec s = Small(3);
  s.encoder.plantEscapes = true;
  const M4vStream m = BuildM4v(s);
  for (const auto& p : m.pictures) {  // intra and inter tables
    for (int t = 1; t <= 3; ++t) EXPECT_GE(p.stats.escapes[static_cast<size_t>(t)], 1) << p.stats.index << " type " << t;
  }
  s.encoder.plantEscapes = false;
  s.encoder.forceEscape3 = true;
  const M4vStream all3 = BuildM4v(s);
  EXPECT_EQ(Sum(all3, [](const auto& p) { return p.vlcCoefficients + p.escapes[1] + p.escapes[2]; }), 0);
  EXPECT_GT(Sum(all3, [](const auto& p) { return p.escapes[3]; }), 100);
  // Low quantisers give large levels: escapes occur without planting.
  s.encoder.forceEscape3 = false;
  s.encoder.intraQuant = 1;
  s.encoder.interQuant = 2;
  const M4vStream fine = BuildM4v(s);
  for (int t = 1; t <= 3; ++t) EXPECT_GT(Sum(fine, [t](const auto& p) { return p.escapes[static_cast<size_t>(t)]; }), 0);
}

TEST(Mpeg4Coding, StuffingAndDquant) {
  M4vStreamSpec s = Small(3);  // 6 x 4 macroblocks
  s.encoder.stuffingEvery = 5;
  s.encoder.stuffingCount = 2;
  s.encoder.dquantPattern = {2, -1, 0, 1, -2};
  s.scene.panX = s.scene.panY = 0;
  s.scene.objects = 1;
  const M4vStream m = BuildM4v(s);
  for (const auto& p : m.pictures) {
    EXPECT_EQ(p.stats.stuffingCodes, 2 * 5);  // before macroblocks 0, 5, 10, 15, 20
    int q = p.stats.quant;
    for (size_t i = 0; i < p.stats.macroblocks.size(); ++i) {
      const auto& mb = p.stats.macroblocks[i];
      if (mb.kind == Kind::NotCoded) {
        EXPECT_EQ(mb.dquant, 0);
        continue;
      }
      EXPECT_EQ(mb.dquant, std::vector<int>({2, -1, 0, 1, -2})[i % 5]) << i;  // stays within 1 .. 31
      q += mb.dquant;
      EXPECT_EQ(mb.quantAfter, q);
    }
    EXPECT_EQ(p.stats.finalQuant, q);
  }
  // A quantiser at the edge of the range: dquant that would leave it is sent as 0.
  s.encoder.intraQuant = 31;
  s.encoder.dquantPattern = {2};
  const M4vStream top = BuildM4v(s);
  EXPECT_EQ(top.pictures[0].stats.dquantMbs, 0);
  EXPECT_EQ(top.pictures[0].stats.finalQuant, 31);
}

TEST(Mpeg4Coding, IntraDcThresholdFollowsTheRunningQuantiser) {
  M4vStreamSpec s = Small(1);
  s.encoder.intraQuant = 12;
  s.encoder.intraDcVlcThreshold = 1;  // DC-size code below 13
  s.encoder.dquantPattern = {1, 1, -1, -1};
  const M4vStream m = BuildM4v(s);
  for (const auto& mb : m.pictures[0].stats.macroblocks) EXPECT_EQ(mb.useDcCode, mb.quantAfter < 13);
}

TEST(Mpeg4Coding, StillSceneGivesNotCodedMacroblocksAndSkippedCopies) {
  M4vStreamSpec s = Small(4);
  s.scene.panX = s.scene.panY = 0;
  s.scene.objects = 0;
  s.types = {PictureType::Intra, PictureType::Inter, PictureType::Skipped, PictureType::Inter};
  const M4vStream m = BuildM4v(s);
  EXPECT_EQ(m.pictures[1].stats.notCodedMbs, 24);
  EXPECT_EQ(m.pictures[2].stats.notCodedMbs, 24);
  EXPECT_EQ(m.pictures[2].size, 4 + (22 + 24 + 8) / 8u);  // 22 header bits, a bit a macroblock, stuffing
  EXPECT_EQ(m.reconstructions[1], m.reconstructions[0]);
  EXPECT_EQ(m.reconstructions[2], m.reconstructions[0]);
}

TEST(Mpeg4Coding, ReconstructionTracksTheSource) {
  M4vStreamSpec s = Small(6);
  s.keepSources = true;
  s.intraPeriod = 4;
  const M4vStream m = BuildM4v(s);
  for (size_t k = 0; k < m.pictures.size(); ++k) {
    EXPECT_GT(Psnr(m.reconstructions[k], m.sources[k]), 30.0) << k;
    EXPECT_EQ(m.pictures[k].stats.attenuatedBlocks, 0) << k;
  }
  EXPECT_GT(Sum(m, [](const auto& p) { return p.interMbs; }), 50);
}

TEST(Mpeg4Coding, VectorsNearTheEdges) {
  M4vStreamSpec s = Small(3);
  s.encoder.edgeOutwardVectors = true;
  const M4vStream m = BuildM4v(s);
  const auto& p = m.pictures[1].stats;
  int outward = 0;
  for (size_t i = 0; i < p.macroblocks.size(); ++i) {
    const auto& mb = p.macroblocks[i];
    if (mb.kind != Kind::Inter) continue;
    const int mbx = static_cast<int>(i % 6), mby = static_cast<int>(i / 6);
    EXPECT_EQ(mb.applied, mpeg4::LumaDisplacement(mb.vector.x, mb.vector.y, mbx, mby, 6, 4));
    if ((mbx == 0 && mb.vector.x <= -48) || (mby == 0 && mb.vector.y <= -48) ||
        (mbx == 5 && mb.vector.x >= 48) || (mby == 3 && mb.vector.y >= 48)) {
      ++outward;
    }
  }
  EXPECT_GE(outward, 5);
  EXPECT_GE(p.fcode, 2);  // |vector| above 32 half pixels
}

TEST(Mpeg4Coding, ScriptedVectorsStayInsideAndInRange) {
  M4vStreamSpec s = Small(2);
  s.encoder.vectorScript = [](int, int mbx, int mby) -> std::optional<MotionVector> {
    return MotionVector {mbx == 3 ? -80 : 300, mby == 1 ? 44 : -7};
  };
  const M4vStream m = BuildM4v(s);
  const auto& p = m.pictures[1].stats;
  EXPECT_GT(p.adjustedVectors, 0);
  for (size_t i = 0; i < p.macroblocks.size(); ++i) {
    const auto& mb = p.macroblocks[i];
    const int mbx = static_cast<int>(i % 6), mby = static_cast<int>(i / 6);
    if (mb.kind == Kind::Intra) continue;
    EXPECT_TRUE(mpeg4::DisplacementInside(mb.applied, mbx, mby, 96, 64)) << i;
  }
  // MB (3, 1): -80 half pixels = 40 pixels left, 22 down: kept.
  EXPECT_EQ(p.macroblocks[9].vector, (MotionVector {-80, 44}));
  EXPECT_EQ(p.macroblocks[9].applied, (mpeg4::Displacement {-40, 22}));
}

TEST(Mpeg4Coding, ForcedFcodeLimitsVectors) {
  M4vStreamSpec s = Small(3);
  s.encoder.fcode = 1;
  s.encoder.vectorScript = [](int, int, int) -> std::optional<MotionVector> { return MotionVector {40, -40}; };
  const M4vStream m = BuildM4v(s);
  for (const auto& p : m.pictures) {
    if (p.stats.type != PictureType::Inter) continue;
    EXPECT_EQ(p.stats.fcode, 1);
    EXPECT_LE(p.stats.maxVectorComponent, 32);
  }
}

TEST(Mpeg4Coding, OddVectorsKeepWholePixels) {
  M4vStreamSpec s = Small(2);
  s.encoder.oddVectors = true;
  const M4vStream m = BuildM4v(s);
  int odd = 0;
  for (const auto& mb : m.pictures[1].stats.macroblocks) {
    if (mb.kind != Kind::Inter || mb.vector == MotionVector {}) continue;
    odd += (mb.vector.x & 1) | (mb.vector.y & 1);
    EXPECT_EQ(mb.applied.x, mb.vector.x / 2);
  }
  EXPECT_GT(odd, 0);
  s.encoder.oddVectors = false;
  EXPECT_EQ(BuildM4v(s).reconstructions[1], m.reconstructions[1]);
}

TEST(Mpeg4Coding, RefusedMacroblockFeatures) {
  M4vStreamSpec s = Small(2);
  s.encoder.fourVectorMbs = {7, 8};
  s.encoder.intraMbsInP = {0, 23};
  s.encoder.acPrediction = true;
  const M4vStream m = BuildM4v(s);
  const auto& p = m.pictures[1].stats;
  EXPECT_EQ(p.macroblocks[7].kind, Kind::FourVector);
  EXPECT_EQ(p.macroblocks[8].kind, Kind::FourVector);
  EXPECT_EQ(p.macroblocks[0].kind, Kind::Intra);
  EXPECT_EQ(p.macroblocks[23].kind, Kind::Intra);
  EXPECT_TRUE(p.macroblocks[0].acPred);
  EXPECT_EQ(p.fourVectorMbs, 2);
}

// ---- damaged streams

TEST(Mpeg4Damage, JunkAndZerosBeforeStartCodes) {
  M4vStreamSpec s = Small(5);
  for (int k = 1; k <= 3; ++k) s.insertions.push_back({.beforePicture = k, .kind = StreamInsertion::Kind::Junk, .count = 30 + k});
  s.insertions.push_back({.beforePicture = 4, .kind = StreamInsertion::Kind::Zeros, .count = 1});
  const M4vStream m = BuildM4v(s);
  const int expected[] = {0, 31, 32, -1, 0};
  for (int k = 1; k <= 4; ++k) {
    const auto& prev = m.pictures[static_cast<size_t>(k - 1)];
    test::BitReader r(m.bytes);
    r.SeekByte(prev.offset + prev.size);
    int skipped = -1;
    const int64_t code = r.NextStartCode(&skipped);
    if (expected[k] < 0) {
      EXPECT_EQ(code, -1) << k;  // 33 bytes: the search gives up
      continue;
    }
    EXPECT_EQ(code, 0x1B6) << k;
    EXPECT_EQ(skipped, expected[k]) << k;
    EXPECT_EQ(r.BytePos(), m.pictures[static_cast<size_t>(k)].vopOffset) << k;
  }
}

TEST(Mpeg4Damage, GroupOfVopAndTruncation) {
  M4vStreamSpec s = Small(6);
  s.intraPeriod = 3;
  s.groupOfVopBeforeIntra = true;
  const M4vStream full = BuildM4v(s);
  for (int k : {0, 3}) {
    const auto& p = full.pictures[static_cast<size_t>(k)];
    EXPECT_EQ(full.bytes[p.offset + 3], 0xB3);
    EXPECT_EQ(p.vopOffset - p.offset, 7u);  // start code, 18 + 2 bits, stuffing
  }
  s.truncateTo = static_cast<int64_t>(full.pictures[4].vopOffset + 10);
  const M4vStream cut = BuildM4v(s);
  ASSERT_EQ(cut.bytes.size(), static_cast<size_t>(s.truncateTo));
  EXPECT_TRUE(std::equal(cut.bytes.begin(), cut.bytes.end(), full.bytes.begin()));
}

}  // namespace
}  // namespace klv::sample
