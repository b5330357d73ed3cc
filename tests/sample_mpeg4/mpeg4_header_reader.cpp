#include "sample_mpeg4/mpeg4_header_reader.h"

namespace klv::sample::test {

bool BitReader::Read(int n, uint32_t& out) {
  out = 0;
  for (int i = 0; i < n; ++i) {
    if (bit_ / 8 >= bytes_.size()) return false;
    out = (out << 1) | ((bytes_[bit_ / 8] >> (7 - bit_ % 8)) & 1u);
    ++bit_;
  }
  return true;
}

void BitReader::AlignToByte() {
  if (bit_ % 8 == 0 && BytePos() < bytes_.size() && bytes_[BytePos()] == 0x7F) bit_ += 8;
  while (bit_ % 8 != 0) ++bit_;
  if (BytePos() < bytes_.size() && bytes_[BytePos()] == 0x80) bit_ += 8;
}

int BitReader::CountLeadingZeroBits() const {
  int z = 0;
  for (size_t b = bit_; b / 8 < bytes_.size(); ++b, ++z) {
    if ((bytes_[b / 8] >> (7 - b % 8)) & 1u) return z;
  }
  return -1;
}

int64_t BitReader::NextStartCode(int* skipped) {
  AlignToByte();
  int count = 0;
  int z = CountLeadingZeroBits();
  while (z < 23) {
    if (z < 0 || BytePos() + 1 >= bytes_.size()) return -1;
    bit_ += 8;
    if (++count > 32) return -1;
    z = CountLeadingZeroBits();
  }
  if (skipped) *skipped = count;
  bit_ += static_cast<size_t>(z - 23);
  const size_t save = bit_;
  uint32_t code = 0;
  const bool ok = Read(32, code);
  bit_ = save;
  return ok ? static_cast<int64_t>(code) : -1;
}

namespace {

struct Checker {
  StreamHeaders& h;
  bool Require(bool condition, const char* field) {
    if (!condition && h.refusal.empty()) h.refusal = field;
    return condition;
  }
};

}  // namespace

StreamHeaders ReadStreamHeaders(const std::vector<uint8_t>& bytes) {
  StreamHeaders h;
  Checker check {h};
  BitReader r(bytes);
  if (!check.Require(r.NextStartCode() == 0x1B0, "visual_object_sequence_start_code")) return h;
  r.Get(32);
  h.profile = static_cast<int>(r.Get(8));
  if (!check.Require(h.profile == 0x01 || h.profile == 0xF0, "profile_and_level_indication")) return h;

  if (!check.Require(r.NextStartCode() == 0x1B5, "visual_object_start_code")) return h;
  r.Get(32);
  if (!check.Require(r.Get(1) == 0, "is_visual_object_identifier")) return h;
  h.visualObjectType = static_cast<int>(r.Get(4));
  if (!check.Require(h.visualObjectType == 1, "visual_object_type")) return h;
  if (!check.Require(r.Get(1) == 0, "video_signal_type")) return h;

  const int64_t vo = r.NextStartCode();
  if (!check.Require(vo >= 0x100 && vo <= 0x11F, "video_object_start_code")) return h;
  r.Get(32);
  const int64_t vol = r.NextStartCode();
  if (!check.Require(vol >= 0x120 && vol <= 0x12F, "video_object_layer_start_code")) return h;
  r.Get(32);
  r.Get(1);  // random_accessible_vol
  h.objectType = static_cast<int>(r.Get(8));
  if (!check.Require(h.objectType == 0x01 || h.objectType == 0x11, "video_object_type_indication")) return h;
  if (r.Get(1)) {
    h.verid = static_cast<int>(r.Get(4));
    r.Get(3);
  }
  h.aspect = static_cast<int>(r.Get(4));
  if (!check.Require(h.aspect == 1, "aspect_ratio_info")) return h;
  if (r.Get(1)) {
    h.chromaFormat = static_cast<int>(r.Get(2));
    h.lowDelay = static_cast<int>(r.Get(1));
    h.vbv = static_cast<int>(r.Get(1));
    if (h.vbv) {
      r.Get(15), r.Get(1), r.Get(15), r.Get(1), r.Get(15), r.Get(1), r.Get(3), r.Get(11), r.Get(1), r.Get(15), r.Get(1);
    }
  }
  h.shape = static_cast<int>(r.Get(2));
  if (!check.Require(h.shape == 0, "video_object_layer_shape")) return h;
  if (!check.Require(r.Get(1) == 1, "marker before vop_time_increment_resolution")) return h;
  h.resolution = static_cast<int>(r.Get(16));
  int bits = 0;
  while ((1 << bits) < h.resolution) ++bits;
  h.timeIncrementBits = bits < 1 ? 1 : bits;
  r.Get(1);  // marker, any value
  h.fixedVopRate = static_cast<int>(r.Get(1));
  if (!check.Require(h.fixedVopRate == 0, "fixed_vop_rate")) return h;
  if (!check.Require(r.Get(1) == 1, "marker before width")) return h;
  h.width = static_cast<int>(r.Get(13));
  if (!check.Require(r.Get(1) == 1, "marker before height")) return h;
  h.height = static_cast<int>(r.Get(13));
  if (!check.Require(r.Get(1) == 1, "marker after height")) return h;
  h.interlaced = static_cast<int>(r.Get(1));
  if (!check.Require(h.interlaced == 0, "interlaced")) return h;
  r.Get(1);  // obmc_disable
  h.sprite = static_cast<int>(r.Get(1));
  if (!check.Require(h.sprite == 0, "sprite_enable")) return h;
  h.not8Bit = static_cast<int>(r.Get(1));
  if (!check.Require(h.not8Bit == 0, "not_8_bit")) return h;
  h.quantType = static_cast<int>(r.Get(1));
  if (!check.Require(h.quantType == 0, "quant_type")) return h;
  h.complexityDisable = static_cast<int>(r.Get(1));
  if (!check.Require(h.complexityDisable == 1, "complexity_estimation_disable")) return h;
  h.resyncDisable = static_cast<int>(r.Get(1));
  if (!check.Require(h.resyncDisable == 1, "resync_marker_disable")) return h;
  h.dataPartitioned = static_cast<int>(r.Get(1));
  if (!check.Require(h.dataPartitioned == 0, "data_partitioned")) return h;
  h.scalability = static_cast<int>(r.Get(1));
  if (!check.Require(h.scalability == 0, "scalability")) return h;
  if (!check.Require(!r.Failed(), "end of data")) return h;
  if (!check.Require((h.width + 15) / 16 <= 80, "width above 80 macroblocks")) return h;
  r.AlignToByte();
  h.headerLength = r.BytePos();
  h.accepted = true;
  return h;
}

std::vector<VopHeader> ReadVopHeaders(const std::vector<uint8_t>& bytes, const StreamHeaders& headers,
                                      size_t from) {
  std::vector<VopHeader> out;
  BitReader r(bytes);
  for (size_t at = from; at + 4 <= bytes.size(); ++at) {
    if (bytes[at] != 0 || bytes[at + 1] != 0 || bytes[at + 2] != 1 || bytes[at + 3] != 0xB6) continue;
    r.SeekByte(at);
    VopHeader v;
    v.offset = r.BytePos();
    r.Get(32);
    v.codingType = static_cast<int>(r.Get(2));
    while (r.Get(1) == 1 && !r.Failed()) ++v.moduloBits;
    ++v.moduloBits;  // the closing 0 bit counts
    const bool marker1 = r.Get(1) == 1;
    v.timeIncrement = static_cast<int>(r.Get(headers.timeIncrementBits));
    const bool marker2 = r.Get(1) == 1;
    v.coded = static_cast<int>(r.Get(1));
    if (v.coded) {
      if (v.codingType == 1) v.roundingType = static_cast<int>(r.Get(1));
      v.dcThreshold = static_cast<int>(r.Get(3));
      v.quant = static_cast<int>(r.Get(5));
      if (v.codingType == 1 || v.codingType == 2) v.fcode = static_cast<int>(r.Get(3));
      if (v.codingType == 2) v.fcodeBackward = static_cast<int>(r.Get(3));
    }
    v.ok = marker1 && marker2 && !r.Failed() && v.codingType != 3;
    out.push_back(v);
  }
  return out;
}

}  // namespace klv::sample::test
