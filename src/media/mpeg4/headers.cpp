#include "media/mpeg4/headers.h"

#include <cstdio>

#include "media/mpeg4/stream_reader.h"
#include "platform/debug_log.h"

namespace klv {
namespace {

// Reads `n` bits; false when the read fails.
struct Fields {
  StreamReader& reader;
  bool Read(int n, uint32_t& v) { return reader.ReadBits(n, v); }
  // Reads `n` bits that must equal `want`.
  bool Expect(int n, uint32_t want) {
    uint32_t v = 0;
    return reader.ReadBits(n, v) && v == want;
  }
  bool Skip(int n) {
    uint32_t v = 0;
    return reader.ReadBits(n, v);
  }
};

// intra_dc_vlc_thr: running quantisers below the threshold use the DC-size
// code; 0 always, 7 never.
constexpr int kIntraDcThreshold[8] = {32, 13, 15, 17, 19, 21, 23, 0};

}  // namespace

int TimeIncrementBits(int resolution) {
  int bits = 1;
  while (bits < 16 && (1 << bits) < resolution) ++bits;
  return bits;
}

bool ParseStreamHeaders(StreamReader& reader, StreamLayer& layer) {
  Fields f {reader};
  uint32_t v = 0;

  // Visual object sequence: simple profile level 1 or advanced simple level 0.
  if (reader.NextStartCode() != mpeg4::kVisualObjectSequenceCode || !f.Skip(32)) return false;
  if (!f.Read(8, v) || (v != 0x01 && v != 0xF0)) return false;

  // Visual object: a video object without identifier or signal type.
  DebugOut("Visual Object Start Code");
  if (reader.NextStartCode() != mpeg4::kVisualObjectCode || !f.Skip(32)) return false;
  if (!f.Expect(1, 0) || !f.Expect(4, 1) || !f.Expect(1, 0)) return false;

  // Video object.
  int code = reader.NextStartCode();
  if (code < 0x100 || code > 0x11F || !f.Skip(32)) return false;

  // Video object layer.
  code = reader.NextStartCode();
  if (code < 0x120 || code > 0x12F || !f.Skip(32)) return false;
  if (!f.Skip(1)) return false;  // random_accessible_vol
  if (!f.Read(8, v) || (v != 0x01 && v != 0x11)) return false;
  if (!f.Read(1, v)) return false;  // is_object_layer_identifier
  if (v == 1 && !f.Skip(4 + 3)) return false;
  if (!f.Expect(4, 1)) return false;  // square pixels
  if (!f.Read(1, v)) return false;    // vol_control_parameters
  if (v == 1) {
    if (!f.Skip(2 + 1) || !f.Read(1, v)) return false;
    if (v == 1 && !(f.Skip(15) && f.Skip(1) && f.Skip(15) && f.Skip(1) && f.Skip(15) && f.Skip(1) &&
                    f.Skip(3) && f.Skip(11) && f.Skip(1) && f.Skip(15) && f.Skip(1))) {
      return false;
    }
  }
  if (!f.Expect(2, 0) || !f.Expect(1, 1)) return false;  // rectangular, marker
  if (!f.Read(16, v)) return false;
  layer.timeIncrementResolution = static_cast<int>(v);
  layer.timeIncrementBits = TimeIncrementBits(layer.timeIncrementResolution);
  if (!f.Skip(1) || !f.Expect(1, 0)) return false;  // marker (any), fixed_vop_rate
  uint32_t width = 0;
  uint32_t height = 0;
  if (!f.Expect(1, 1) || !f.Read(13, width) || !f.Expect(1, 1) || !f.Read(13, height) || !f.Expect(1, 1)) {
    return false;
  }
  if (!f.Expect(1, 0)) return false;  // interlaced
  if (!f.Skip(1)) return false;       // obmc_disable
  if (!f.Expect(1, 0) || !f.Expect(1, 0) || !f.Expect(1, 0)) return false;  // sprite, not_8_bit, quant_type
  if (!f.Expect(1, 1) || !f.Expect(1, 1)) return false;  // no complexity estimation, no resync markers
  if (!f.Expect(1, 0) || !f.Expect(1, 0)) return false;  // no data partitioning, no scalability

  // An empty picture has nothing to decode; wider than the predictor rows
  // would overrun them.
  if (width == 0 || height == 0) return false;
  layer.width = static_cast<int>(width);
  layer.height = static_cast<int>(height);
  layer.mbWidth = (layer.width + 15) / 16;
  layer.mbHeight = (layer.height + 15) / 16;
  layer.quantPrecision = 5;
  return layer.mbWidth <= mpeg4::kMaxMbWidth;
}

bool ReadGroupOfVopHeader(StreamReader& reader) {
  Fields f {reader};
  return f.Skip(32) && f.Skip(18) && f.Skip(1) && f.Skip(1);
}

bool ReadVopHeader(StreamReader& reader, const StreamLayer& layer, VopHeader& vop) {
  Fields f {reader};
  uint32_t v = 0;
  if (!f.Read(32, v) || v != static_cast<uint32_t>(mpeg4::kVopCode)) return false;
  if (!f.Read(2, v) || v == 3) return false;
  vop.codingType = static_cast<int>(v);
  vop.moduloBits = 0;
  do {
    if (!f.Read(1, v)) return false;
    ++vop.moduloBits;
  } while (v != 0);
  if (!f.Expect(1, 1)) return false;
  if (!f.Read(layer.timeIncrementBits, v)) return false;
  vop.timeIncrement = static_cast<int>(v);
  if (DebugEnabled()) {
    char line[64];
    std::snprintf(line, sizeof line, "VOPTimeInc = %d, z = %d", vop.timeIncrement, vop.moduloBits);
    DebugOut(line);
  }
  if (!f.Expect(1, 1)) return false;
  if (!f.Read(1, v)) return false;
  vop.coded = v != 0;
  if (!vop.coded) return true;
  if (vop.codingType == 1 && !f.Skip(1)) return false;  // vop_rounding_type, not applied
  if (!f.Read(3, v)) return false;
  vop.intraDcThreshold = kIntraDcThreshold[v];
  if (!f.Read(layer.quantPrecision, v)) return false;
  // Quantiser 0 has no step tables: such a picture is not decodable.
  if (v == 0) return false;
  vop.quantiser = static_cast<int>(v);
  if (vop.codingType != 0) {
    if (!f.Read(3, v) || v == 0) return false;  // fcode 0 is forbidden
    vop.fcodeForward = static_cast<int>(v);
    vop.rSize = vop.fcodeForward - 1;
  }
  if (vop.codingType == 2 && !f.Skip(3)) return false;  // vop_fcode_backward
  return true;
}

}  // namespace klv
