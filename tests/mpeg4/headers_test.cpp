// Stream and VOP headers: what the camera's decoder accepts and refuses.

#include "media/mpeg4/headers.h"

#include <gtest/gtest.h>

#include <functional>

#include "m4v_test_util.h"

namespace klv {
namespace {

using m4vtest::BitWriter;
using m4vtest::HeaderFields;

bool Opens(const HeaderFields& h) {
  BitWriter w;
  m4vtest::WriteHeaders(w, h);
  w.Put(0xFFFFFFFF, 32);  // something after the headers
  const std::vector<uint8_t> s = w.Take();
  StreamReader r;
  r.OpenStreamBuffer(s.data(), s.size());
  return r.IsOpen();
}

TEST(StreamHeaders, RefusedLayers) {
  struct Case {
    const char* what;
    std::function<void(HeaderFields&)> change;
    bool opens;
  } cases[] = {
      {"the camera's headers", [](HeaderFields&) {}, true},
      {"advanced simple profile level 0", [](HeaderFields& h) { h.profile = 0xF0; h.objectType = 0x11; }, true},
      {"layer identifier and control parameters", [](HeaderFields& h) { h.layerId = 1; h.volControl = 1; }, true},
      {"other object and layer start codes", [](HeaderFields& h) { h.voCode = 0x11F; h.volCode = 0x12F; }, true},
      {"80 macroblocks wide", [](HeaderFields& h) { h.width = 1280; }, true},
      {"profile 0x02", [](HeaderFields& h) { h.profile = 0x02; }, false},
      {"profile 0xF1", [](HeaderFields& h) { h.profile = 0xF1; }, false},
      {"visual object identifier", [](HeaderFields& h) { h.visualObjectId = 1; }, false},
      {"visual object type 2", [](HeaderFields& h) { h.visualObjectType = 2; }, false},
      {"video signal type", [](HeaderFields& h) { h.signalType = 1; }, false},
      {"object type 0x04", [](HeaderFields& h) { h.objectType = 0x04; }, false},
      {"pixel aspect 2", [](HeaderFields& h) { h.aspect = 2; }, false},
      {"binary shape", [](HeaderFields& h) { h.shape = 1; }, false},
      {"fixed VOP rate", [](HeaderFields& h) { h.fixedRate = 1; }, false},
      {"interlace", [](HeaderFields& h) { h.interlaced = 1; }, false},
      {"sprites", [](HeaderFields& h) { h.sprite = 1; }, false},
      {"not 8 bit", [](HeaderFields& h) { h.not8Bit = 1; }, false},
      {"quant_type 1", [](HeaderFields& h) { h.quantType = 1; }, false},
      {"complexity estimation", [](HeaderFields& h) { h.complexityDisable = 0; }, false},
      {"resync markers", [](HeaderFields& h) { h.resyncDisable = 0; }, false},
      {"data partitioning", [](HeaderFields& h) { h.dataPartitioned = 1; }, false},
      {"scalability", [](HeaderFields& h) { h.scalability = 1; }, false},
      {"user data between the headers", [](HeaderFields& h) { h.userDataBetween = true; }, false},
      {"layer start code as object", [](HeaderFields& h) { h.voCode = 0x120; }, false},
      {"81 macroblocks wide", [](HeaderFields& h) { h.width = 1281; }, false},
      {"width 0", [](HeaderFields& h) { h.width = 0; }, false},
  };
  for (const Case& c : cases) {
    HeaderFields h;
    c.change(h);
    EXPECT_EQ(Opens(h), c.opens) << c.what;
  }
}

TEST(StreamHeaders, LayerValues) {
  HeaderFields h;
  h.width = 72;
  h.height = 40;
  h.resolution = 30;
  BitWriter w;
  m4vtest::WriteHeaders(w, h);
  w.Put(0xFFFF, 16);
  const std::vector<uint8_t> s = w.Take();
  StreamReader r;
  r.OpenStreamBuffer(s.data(), s.size());
  ASSERT_TRUE(r.IsOpen());
  EXPECT_EQ(r.Layer().mbWidth, 5);
  EXPECT_EQ(r.Layer().mbHeight, 3);
  EXPECT_EQ(r.Layer().timeIncrementBits, 5);
  const int resolutions[][2] = {{30, 5}, {16, 4}, {15, 4}, {1, 1}, {2, 1}, {3, 2}, {65535, 16}};
  for (const auto& rb : resolutions) EXPECT_EQ(TimeIncrementBits(rb[0]), rb[1]) << rb[0];
}

// Reads one VOP header written with `v` after the camera's headers.
bool VopHeaderOk(const m4vtest::VopFields& v, VopHeader* out = nullptr) {
  BitWriter w;
  m4vtest::WriteHeaders(w, {});
  m4vtest::WriteVopHeader(w, v);
  w.Put(0xFFFFFFFF, 32);
  const std::vector<uint8_t> s = w.Take();
  StreamReader r;
  r.OpenStreamBuffer(s.data(), s.size());
  EXPECT_EQ(r.NextStartCode(), 0x1B6);
  VopHeader vop;
  const bool ok = ReadVopHeader(r, r.Layer(), vop);
  if (out != nullptr) *out = vop;
  return ok;
}

TEST(VopHeaders, AcceptedAndRefused) {
  VopHeader vop;
  m4vtest::VopFields v;
  v.moduloOnes = 2;
  v.dcThreshold = 3;
  v.quant = 13;
  ASSERT_TRUE(VopHeaderOk(v, &vop));
  EXPECT_EQ(vop.moduloBits, 3);  // 1, 1, 0
  EXPECT_EQ(vop.intraDcThreshold, 17);
  EXPECT_EQ(vop.quantiser, 13);
  v = {};
  v.type = 1;
  v.fcode = 3;
  ASSERT_TRUE(VopHeaderOk(v, &vop));
  EXPECT_EQ(vop.rSize, 2);
  v = {};
  v.coded = 0;
  ASSERT_TRUE(VopHeaderOk(v, &vop));  // passes; the picture is not decodable
  EXPECT_FALSE(vop.coded);
  v = {};
  v.type = 2;
  EXPECT_TRUE(VopHeaderOk(v));  // B-VOPs pass the header (the picture fails later)
  v = {};
  v.type = 3;
  EXPECT_FALSE(VopHeaderOk(v));  // S-VOP
  v = {};
  v.quant = 0;
  EXPECT_FALSE(VopHeaderOk(v));
  v = {};
  v.type = 1;
  v.fcode = 0;
  EXPECT_FALSE(VopHeaderOk(v));
}

}  // namespace
}  // namespace klv
