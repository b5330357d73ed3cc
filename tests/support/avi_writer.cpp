#include "support/avi_writer.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace klv::sample {
namespace {

class Out {
 public:
  std::vector<uint8_t> b;

  size_t Pos() const { return b.size(); }
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void U16(uint16_t v) {
    b.push_back(static_cast<uint8_t>(v & 0xFF));
    b.push_back(static_cast<uint8_t>(v >> 8));
  }
  void Cc(const char* f) { b.insert(b.end(), f, f + 4); }
  void Zeros(size_t n) { b.insert(b.end(), n, 0); }
  // Starts a chunk or list: returns the position of its size word.
  size_t Open(const char* id) {
    Cc(id);
    const size_t at = Pos();
    U32(0);
    return at;
  }
  void Close(size_t sizeAt) { PutLe32(b, sizeAt, static_cast<uint32_t>(Pos() - sizeAt - 4)); }
};

void WriteVideoStrl(Out& o, const AviStreamInfo& s, uint32_t frames, uint32_t maxFrame) {
  const size_t strl = o.Open("LIST");
  o.Cc("strl");
  o.Cc("strh");
  o.U32(64);  // the camera's stream header is 64 bytes (rcFrame followed by 8 spare bytes)
  o.Cc("vids");
  o.Cc("MJPG");
  o.U32(0);            // flags
  o.U32(0);            // priority, language
  o.U32(0);            // initial frames
  o.U32(s.scale);      // 128
  o.U32(static_cast<uint32_t>(s.rate));  // 132
  o.U32(0);            // start
  o.U32(frames);       // length
  o.U32(maxFrame);     // suggested buffer size
  o.U32(0xFFFFFFFFu);  // quality: default
  o.U32(0);            // sample size: varies
  o.U16(0);
  o.U16(0);
  o.U16(static_cast<uint16_t>(s.width));
  o.U16(static_cast<uint16_t>(s.height));
  o.Zeros(8);
  o.Cc("strf");
  o.U32(40);
  o.U32(40);  // biSize at 180
  o.U32(static_cast<uint32_t>(s.width));   // 184
  o.U32(static_cast<uint32_t>(s.height));  // 188
  o.U16(1);   // planes
  o.U16(24);  // bits per pixel
  o.Cc("MJPG");
  o.U32(static_cast<uint32_t>(s.width) * static_cast<uint32_t>(s.height) * 3);
  o.U32(0);
  o.U32(0);
  o.U32(0);
  o.U32(0);
  o.Close(strl);
}

void WriteAudioStrl(Out& o, uint32_t totalBytes, uint32_t perFrame) {
  const size_t strl = o.Open("LIST");
  o.Cc("strl");
  o.Cc("strh");
  o.U32(56);
  o.Cc("auds");
  o.U32(0);
  o.U32(0);
  o.U32(0);
  o.U32(0);
  o.U32(1);      // scale
  o.U32(8000);   // rate: 8 kHz, 8-bit mono
  o.U32(0);
  o.U32(totalBytes);
  o.U32(perFrame);
  o.U32(0xFFFFFFFFu);
  o.U32(1);      // sample size
  o.Zeros(8);
  o.Cc("strf");
  o.U32(18);
  o.U16(1);      // PCM
  o.U16(1);      // mono
  o.U32(8000);
  o.U32(8000);
  o.U16(1);
  o.U16(8);
  o.U16(0);
  o.Close(strl);
}

struct IndexEntry {
  char id[5];
  uint32_t flags;
  uint32_t offset;
  uint32_t size;
  int frame;  // -1 for audio
};

bool InRange(const std::vector<uint8_t>& d, size_t pos, size_t n) {
  return pos <= d.size() && n <= d.size() - pos;
}

}  // namespace

std::vector<uint8_t> WriteAvi(const AviStreamInfo& s, const std::vector<std::vector<uint8_t>>& frames,
                              const AviOptions& opt, AviLayout* layoutOut) {
  AviLayout layout;
  Out o;
  const uint32_t n = static_cast<uint32_t>(frames.size());
  uint32_t maxFrame = 0;
  for (const auto& f : frames) maxFrame = std::max<uint32_t>(maxFrame, static_cast<uint32_t>(f.size() + 1));

  const size_t riff = o.Open("RIFF");
  o.Cc("AVI ");
  const size_t hdrl = o.Open("LIST");
  o.Cc("hdrl");
  o.Cc("avih");
  o.U32(56);
  const uint32_t usPerFrame =
      s.rate > 0 ? static_cast<uint32_t>(std::min<double>(1e6 * s.scale / s.rate + 0.5, 4294967295.0)) : 0;
  o.U32(usPerFrame);
  o.U32(s.rate > 0 && s.scale > 0 ? static_cast<uint32_t>(std::min<double>(
                                        double(maxFrame) * s.rate / s.scale, 4294967295.0))
                                  : 0);
  o.U32(0);                                            // padding granularity
  o.U32(opt.writeIndex ? 0x10u : 0u);                  // has index
  o.U32(opt.headerTotalFrames.value_or(n));            // 48
  o.U32(0);                                            // initial frames
  o.U32(opt.secondStream ? 2 : 1);                     // streams
  o.U32(maxFrame);
  o.U32(static_cast<uint32_t>(s.width));
  o.U32(static_cast<uint32_t>(s.height));
  o.Zeros(16);
  WriteVideoStrl(o, s, n, maxFrame);
  if (opt.secondStream) WriteAudioStrl(o, n * opt.audioBytesPerFrame, opt.audioBytesPerFrame);
  o.Close(hdrl);

  if (opt.junkBytes > 0) {
    const size_t junk = o.Open("JUNK");
    o.Zeros((opt.junkBytes + 1) & ~1u);
    o.Close(junk);
  }

  std::vector<IndexEntry> index;
  size_t movi = 0;
  size_t moviTag = 0;
  if (!opt.absoluteOffsets) {
    movi = o.Open("LIST");
    moviTag = o.Pos();
    o.Cc("movi");
  }
  const std::vector<uint8_t> silence(opt.audioBytesPerFrame, 0x80);
  for (uint32_t i = 0; i < n; ++i) {
    const auto& f = frames[i];
    const bool padInSize = opt.absoluteOffsets && (f.size() & 1);
    const uint32_t size = static_cast<uint32_t>(f.size() + (padInSize ? 1 : 0));
    const size_t at = o.Pos();
    o.Cc("00db");
    o.U32(size);
    o.b.insert(o.b.end(), f.begin(), f.end());
    if (o.Pos() & 1) o.b.push_back(0);
    layout.frameChunk.push_back(at);
    layout.frameSize.push_back(size);
    const uint32_t off = static_cast<uint32_t>(opt.absoluteOffsets ? at : at - moviTag);
    index.push_back({"00db", opt.indexFlags, off, size, static_cast<int>(i)});
    if (opt.secondStream) {
      const size_t aat = o.Pos();
      o.Cc("01wb");
      o.U32(opt.audioBytesPerFrame);
      o.b.insert(o.b.end(), silence.begin(), silence.end());
      if (o.Pos() & 1) o.b.push_back(0);
      const uint32_t aoff = static_cast<uint32_t>(opt.absoluteOffsets ? aat : aat - moviTag);
      index.push_back({"01wb", 0x10, aoff, opt.audioBytesPerFrame, -1});
    }
  }
  if (!opt.absoluteOffsets) o.Close(movi);
  layout.moviTag = moviTag;

  layout.frameEntry.assign(n, 0);
  if (opt.writeIndex) {
    layout.idx1 = o.Pos();
    const size_t idx = o.Open("idx1");
    for (const auto& e : index) {
      if (e.frame >= 0) layout.frameEntry[static_cast<size_t>(e.frame)] = o.Pos();
      o.Cc(e.id);
      o.U32(e.flags);
      o.U32(e.offset);
      o.U32(e.size);
    }
    o.Close(idx);
  }
  o.Close(riff);
  if (layoutOut) *layoutOut = std::move(layout);
  return std::move(o.b);
}

uint32_t GetLe32(const std::vector<uint8_t>& d, size_t pos) {
  if (!InRange(d, pos, 4)) return 0;
  return static_cast<uint32_t>(d[pos]) | static_cast<uint32_t>(d[pos + 1]) << 8 |
         static_cast<uint32_t>(d[pos + 2]) << 16 | static_cast<uint32_t>(d[pos + 3]) << 24;
}

uint16_t GetLe16(const std::vector<uint8_t>& d, size_t pos) {
  if (!InRange(d, pos, 2)) return 0;
  return static_cast<uint16_t>(d[pos] | d[pos + 1] << 8);
}

void PutLe32(std::vector<uint8_t>& d, size_t pos, uint32_t v) {
  if (!InRange(d, pos, 4)) return;
  for (int i = 0; i < 4; ++i) d[pos + static_cast<size_t>(i)] = static_cast<uint8_t>(v >> (8 * i));
}

void PutLe16(std::vector<uint8_t>& d, size_t pos, uint16_t v) {
  if (!InRange(d, pos, 2)) return;
  d[pos] = static_cast<uint8_t>(v & 0xFF);
  d[pos + 1] = static_cast<uint8_t>(v >> 8);
}

void PutFourCc(std::vector<uint8_t>& d, size_t pos, const char* f) {
  if (!InRange(d, pos, 4) || f == nullptr) return;
  std::memcpy(d.data() + pos, f, 4);
}

namespace {
size_t ChunkAt(const AviLayout& l, int i) {
  return i >= 0 && static_cast<size_t>(i) < l.frameChunk.size() ? l.frameChunk[static_cast<size_t>(i)]
                                                                   : SIZE_MAX;
}
size_t EntryAt(const AviLayout& l, int i) {
  const size_t e = i >= 0 && static_cast<size_t>(i) < l.frameEntry.size()
                       ? l.frameEntry[static_cast<size_t>(i)]
                       : 0;
  return e == 0 ? SIZE_MAX : e;
}
}  // namespace

void SetFrameChunkId(std::vector<uint8_t>& avi, const AviLayout& l, int i, const char* f) {
  PutFourCc(avi, ChunkAt(l, i), f);
}
void SetFrameChunkSize(std::vector<uint8_t>& avi, const AviLayout& l, int i, uint32_t size) {
  const size_t at = ChunkAt(l, i);
  if (at != SIZE_MAX) PutLe32(avi, at + 4, size);
}
void SetIndexId(std::vector<uint8_t>& avi, const AviLayout& l, int i, const char* f) {
  PutFourCc(avi, EntryAt(l, i), f);
}
void SetIndexOffset(std::vector<uint8_t>& avi, const AviLayout& l, int i, uint32_t offset) {
  const size_t at = EntryAt(l, i);
  if (at != SIZE_MAX) PutLe32(avi, at + 8, offset);
}
void SetIndexSize(std::vector<uint8_t>& avi, const AviLayout& l, int i, uint32_t size) {
  const size_t at = EntryAt(l, i);
  if (at != SIZE_MAX) PutLe32(avi, at + 12, size);
}

bool WriteBytes(const std::string& path, const std::vector<uint8_t>& bytes) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (!f) return false;
  // An empty file is written too (fwrite must not be given a null buffer).
  const bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  return std::fclose(f) == 0 && ok;
}

std::vector<uint8_t> ReadBytes(const std::string& path) {
  std::vector<uint8_t> r;
  FILE* f = std::fopen(path.c_str(), "rb");
  if (!f) return r;
  uint8_t buf[65536];
  size_t got;
  while ((got = std::fread(buf, 1, sizeof buf, f)) > 0) r.insert(r.end(), buf, buf + got);
  std::fclose(f);
  return r;
}

}  // namespace klv::sample
