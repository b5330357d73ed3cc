#pragma once
// Helpers of the MPEG-4 decoder tests: a bit writer for hand-made streams
// (codes written out as bit strings from the standard's tables), camera
// stream headers, temporary files and picture comparisons.

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include <unistd.h>

#include "media/mpeg4/mpeg4_decoder.h"

namespace klv::m4vtest {

class BitWriter {
 public:
  void Put(uint32_t value, int n) {
    for (int i = n - 1; i >= 0; --i) PutBit((value >> i) & 1);
  }
  // A code written as "0101 1" (spaces ignored).
  void Code(const char* bits) {
    for (; *bits != '\0'; ++bits) {
      if (*bits == '0' || *bits == '1') PutBit(*bits == '1');
    }
  }
  void StartCode(uint32_t code) {
    Align();
    Put(code, 32);
  }
  // The standard's stuffing: a 0 and 1s up to the byte boundary (a whole
  // 0x7F when already aligned).
  void Stuff() {
    PutBit(0);
    while (bits_ != 0) PutBit(1);
  }
  void Align() {
    while (bits_ != 0) PutBit(0);
  }
  void Bytes(const std::vector<uint8_t>& b) {
    Align();
    bytes_.insert(bytes_.end(), b.begin(), b.end());
  }
  std::vector<uint8_t> Take() {
    Align();
    return bytes_;
  }
  size_t BitCount() const { return bytes_.size() * 8 + static_cast<size_t>(bits_); }

 private:
  void PutBit(uint32_t b) {
    if (bits_ == 0) bytes_.push_back(0);
    if (b != 0) bytes_.back() |= static_cast<uint8_t>(0x80u >> bits_);
    bits_ = (bits_ + 1) & 7;
  }
  std::vector<uint8_t> bytes_;
  int bits_ = 0;
};

// Fields of the camera's stream headers; each can be set to a refused value.
struct HeaderFields {
  int width = 48;
  int height = 32;
  int resolution = 15;
  uint32_t profile = 0x01;
  uint32_t visualObjectId = 0;
  uint32_t visualObjectType = 1;
  uint32_t signalType = 0;
  uint32_t objectType = 0x01;
  uint32_t layerId = 0;
  uint32_t aspect = 1;
  uint32_t volControl = 0;
  uint32_t shape = 0;
  uint32_t fixedRate = 0;
  uint32_t interlaced = 0;
  uint32_t sprite = 0;
  uint32_t not8Bit = 0;
  uint32_t quantType = 0;
  uint32_t complexityDisable = 1;
  uint32_t resyncDisable = 1;
  uint32_t dataPartitioned = 0;
  uint32_t scalability = 0;
  bool userDataBetween = false;  // a user-data unit between object and layer
  uint32_t voCode = 0x100;
  uint32_t volCode = 0x120;
};

inline void WriteHeaders(BitWriter& w, const HeaderFields& h) {
  w.StartCode(0x1B0);
  w.Put(h.profile, 8);
  w.StartCode(0x1B5);
  w.Put(h.visualObjectId, 1);
  if (h.visualObjectId) w.Put(0x9, 7);
  w.Put(h.visualObjectType, 4);
  w.Put(h.signalType, 1);
  w.Stuff();
  w.StartCode(h.voCode);
  if (h.userDataBetween) {
    w.StartCode(0x1B2);
    w.Put(0x12345678, 32);
  }
  w.StartCode(h.volCode);
  w.Put(0, 1);
  w.Put(h.objectType, 8);
  w.Put(h.layerId, 1);
  if (h.layerId) w.Put(0x11, 7);
  w.Put(h.aspect, 4);
  w.Put(h.volControl, 1);
  if (h.volControl) w.Put(0x2, 4);  // chroma 1, low delay 1, no vbv
  w.Put(h.shape, 2);
  w.Put(1, 1);
  w.Put(static_cast<uint32_t>(h.resolution), 16);
  w.Put(1, 1);
  w.Put(h.fixedRate, 1);
  w.Put(1, 1);
  w.Put(static_cast<uint32_t>(h.width), 13);
  w.Put(1, 1);
  w.Put(static_cast<uint32_t>(h.height), 13);
  w.Put(1, 1);
  w.Put(h.interlaced, 1);
  w.Put(1, 1);  // obmc_disable
  w.Put(h.sprite, 1);
  w.Put(h.not8Bit, 1);
  w.Put(h.quantType, 1);
  w.Put(h.complexityDisable, 1);
  w.Put(h.resyncDisable, 1);
  w.Put(h.dataPartitioned, 1);
  w.Put(h.scalability, 1);
  w.Stuff();
}

struct VopFields {
  int type = 0;  // 0 I, 1 P, 2 B, 3 S
  int moduloOnes = 0;
  int timeIncrement = 1;
  int timeBits = 4;  // for resolution 15
  int coded = 1;
  int dcThreshold = 0;
  int quant = 8;
  int fcode = 1;
};

inline void WriteVopHeader(BitWriter& w, const VopFields& v) {
  w.StartCode(0x1B6);
  w.Put(static_cast<uint32_t>(v.type), 2);
  for (int i = 0; i < v.moduloOnes; ++i) w.Put(1, 1);
  w.Put(0, 1);
  w.Put(1, 1);
  w.Put(static_cast<uint32_t>(v.timeIncrement), v.timeBits);
  w.Put(1, 1);
  w.Put(static_cast<uint32_t>(v.coded), 1);
  if (!v.coded) return;
  if (v.type == 1) w.Put(0, 1);
  w.Put(static_cast<uint32_t>(v.dcThreshold), 3);
  w.Put(static_cast<uint32_t>(v.quant), 5);
  if (v.type != 0) w.Put(static_cast<uint32_t>(v.fcode), 3);
  if (v.type == 2) w.Put(1, 3);
}

// An intra macroblock whose six blocks have no AC and DC differential 0
// (MCBPC "1", no AC prediction, CBPY 0000, DC sizes 0).
inline void WriteFlatIntraMb(BitWriter& w) {
  w.Code("1 0 0011");
  for (int b = 0; b < 4; ++b) w.Code("011");
  w.Code("11 11");
}

inline std::vector<uint8_t> ReadFileBytes(const std::string& path) {
  std::ifstream f(path, std::ios::binary);
  return std::vector<uint8_t>((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
}

inline std::string DataPath(const std::string& name) { return std::string(KLV_TEST_DATA_DIR) + "/mpeg4/" + name; }

// A file in a fresh temporary folder, removed with the object.
class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes, const std::string& name = "stream.m4v") {
    char tmpl[] = "/tmp/klv_m4v_XXXXXX";
    dir_ = mkdtemp(tmpl);
    path_ = dir_ + "/" + name;
    std::ofstream f(path_, std::ios::binary);
    f.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  }
  ~TempFile() {
    std::remove(path_.c_str());
    rmdir(dir_.c_str());
  }
  const std::string& path() const { return path_; }
  const std::string& dir() const { return dir_; }

 private:
  std::string dir_, path_;
};

// Planes of the decoder's output picture at the display size.
struct Planes {
  int width = 0, height = 0;
  std::vector<uint8_t> y, u, v;  // chroma (width + 1) / 2 x (height + 1) / 2
};

inline Planes OutputPlanes(Mpeg4Decoder& d) {
  const mpeg4::Picture& p = d.stores().outputPicture();
  Planes o;
  o.width = d.PictureWidth();
  o.height = d.PictureHeight();
  const int cw = (o.width + 1) / 2, ch = (o.height + 1) / 2;
  for (int r = 0; r < o.height; ++r) o.y.insert(o.y.end(), p.y.Row(r), p.y.Row(r) + o.width);
  for (int r = 0; r < ch; ++r) {
    o.u.insert(o.u.end(), p.u.Row(r), p.u.Row(r) + cw);
    o.v.insert(o.v.end(), p.v.Row(r), p.v.Row(r) + cw);
  }
  return o;
}

struct Comparison {
  double psnr = 99;
  int maxError = 0;
};

// Compares planes with a raw 4:2:0 frame (Y, then U, then V).
inline Comparison Compare(const Planes& p, const std::vector<uint8_t>& raw) {
  Comparison c;
  const std::vector<uint8_t>* planes[3] = {&p.y, &p.u, &p.v};
  size_t at = 0;
  double se = 0;
  size_t n = 0;
  for (const auto* plane : planes) {
    for (uint8_t s : *plane) {
      const int e = at < raw.size() ? s - raw[at] : 255;
      ++at;
      se += e * e;
      c.maxError = std::max(c.maxError, std::abs(e));
      ++n;
    }
  }
  if (se > 0) c.psnr = 10 * std::log10(255.0 * 255.0 * static_cast<double>(n) / se);
  return c;
}

}  // namespace klv::m4vtest
