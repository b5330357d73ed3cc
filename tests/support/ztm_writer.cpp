#include "support/ztm_writer.h"

#include <algorithm>
#include <cmath>

namespace klv::sample {

std::vector<uint8_t> ZtmPacket(uint8_t type, const std::vector<uint8_t>& body) {
  const size_t size = std::clamp<size_t>(body.size(), 1, 0x10000);
  const size_t length = size - 1;
  std::vector<uint8_t> p = {0x00, 0x00, 0x01, 0xB2, static_cast<uint8_t>(length & 0xFF),
                            static_cast<uint8_t>(length >> 8), type};
  p.insert(p.end(), body.begin(), body.begin() + static_cast<std::ptrdiff_t>(std::min(size, body.size())));
  p.resize(7 + size, 0);
  return p;
}

std::vector<uint8_t> ZtmAudioPacket(const uint8_t* audio, size_t n, uint8_t lead, uint8_t type) {
  n = std::min<size_t>(n, 0xFFFF);
  std::vector<uint8_t> body;
  body.reserve(n + 1);
  body.push_back(lead);
  body.insert(body.end(), audio, audio + n);
  return ZtmPacket(type, body);
}

std::vector<uint8_t> ZtmTimePacket(uint32_t count, uint8_t shift) {
  return ZtmPacket(kZtmTimeType, {shift, 0, 0, static_cast<uint8_t>(count), static_cast<uint8_t>(count >> 8),
                                  static_cast<uint8_t>(count >> 16), static_cast<uint8_t>(count >> 24)});
}

std::vector<uint8_t> ZtmFillerPacket(size_t total) {
  total = std::clamp<size_t>(total, 8, 7 + 65536);
  return ZtmPacket(kZtmFillerType, std::vector<uint8_t>(total - 7, 0x5A));
}

uint32_t ZtmElapsedHundredths(uint32_t count, uint8_t shift) {
  uint64_t t = ((static_cast<uint64_t>(count) * 249) >> 7) / 162;
  if (shift > 0) t <<= shift;
  return static_cast<uint32_t>(t);
}

std::vector<uint8_t> GenerateAudioBytes(size_t offset, size_t n) {
  std::vector<uint8_t> out(n);
  for (size_t j = 0; j < n; ++j) {
    const size_t i = offset + j;
    const size_t block = i / 128, pos = i % 128;
    uint8_t b;
    if (pos < 2) {
      const int predictor = static_cast<int>((block * 517) % 8000) - 4000;
      b = static_cast<uint8_t>(static_cast<uint16_t>(predictor) >> (pos * 8));
      if (b == 0) b = 1;
    } else if (pos == 2) {
      b = static_cast<uint8_t>(8 + block % 60);  // step index
    } else if (pos == 3) {
      b = 0;  // reserved
    } else {
      uint32_t h = static_cast<uint32_t>(block * 2654435761u) ^ static_cast<uint32_t>(pos * 40503u);
      h ^= h >> 13;
      h *= 0x5bd1e995u;
      h ^= h >> 15;
      b = static_cast<uint8_t>(0x11 + h % 0xDD);
    }
    out[j] = b;
  }
  return out;
}

namespace {

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

// Filler of exactly n bytes: zero bytes below 8, else skipped packets.
std::vector<uint8_t> Filler(size_t n) {
  std::vector<uint8_t> out;
  if (n < 8) return std::vector<uint8_t>(n, 0);
  constexpr size_t kMax = 7 + 65536;
  while (n > 0) {
    size_t chunk = std::min(n, kMax);
    if (n - chunk > 0 && n - chunk < 8) chunk = n - 8;
    Append(out, ZtmFillerPacket(chunk));
    n -= chunk;
  }
  return out;
}

}  // namespace

ZtmSpec DemoZtmSpec() {
  ZtmSpec z;
  z.video = DemoM4vSpec();
  z.video.pictures = 100;
  z.video.intraPeriod = 20;
  z.video.scene.seed = 5;
  return z;
}

ZtmFile BuildZtm(const ZtmSpec& plan) {
  M4vStreamSpec videoSpec = plan.video;
  videoSpec.insertions.clear();
  videoSpec.truncateTo = -1;
  const M4vStream video = BuildM4v(videoSpec);

  ZtmFile z;
  z.reconstructions = video.reconstructions;
  z.bytes.assign(video.bytes.begin(), video.bytes.begin() + static_cast<std::ptrdiff_t>(video.headerLength));
  z.headerLength = video.headerLength;

  const double fps = plan.picturesPerSecond > 0 ? plan.picturesPerSecond : 10.0;
  const double perPicture =
      plan.audioBytesPerPicture > 0 ? plan.audioBytesPerPicture : 16000.0 / 249.0 * 128.0 / fps;
  auto audioEnd = [&](int k) { return static_cast<size_t>(std::floor(k * perPicture)); };
  auto audioBytes = [&](size_t offset, size_t n) {
    if (plan.audio.empty()) return GenerateAudioBytes(offset, n);
    std::vector<uint8_t> out(n);
    for (size_t j = 0; j < n; ++j) out[j] = plan.audio[(offset + j) % plan.audio.size()];
    return out;
  };

  const int n = static_cast<int>(video.pictures.size());
  uint64_t audioWritten = 0;
  for (int k = 0; k <= n; ++k) {
    for (const StreamInsertion& ins : plan.video.insertions) {
      if (ins.beforePicture == k) Append(z.bytes, InsertionBytes(ins));
    }
    if (k == n) break;
    const M4vPictureInfo& vp = video.pictures[static_cast<size_t>(k)];
    ZtmPictureInfo info;
    info.type = vp.stats.type;

    // Side packets of this picture, built first so that straddles can be placed.
    std::vector<uint8_t> extras;
    for (const ZtmExtraPacket& e : plan.extraPackets) {
      if (e.beforePicture == k) Append(extras, ZtmPacket(e.type, e.body));
    }
    size_t begin = 0, end = 0;
    if (plan.audioBeforeFirstPicture) {
      begin = audioEnd(k);
      end = audioEnd(k + 1);
    } else if (k > 0) {
      begin = audioEnd(k - 1);
      end = audioEnd(k);
    }
    std::vector<std::vector<uint8_t>> audioPackets;
    {
      const size_t total = end - begin;
      const int parts = std::max(plan.audioPacketsPerPicture, 1);
      size_t at = begin;
      for (int p = 0; p < parts && total > 0; ++p) {
        size_t stop = begin + total * static_cast<size_t>(p + 1) / static_cast<size_t>(parts);
        while (at < stop) {
          const size_t len = std::min<size_t>(stop - at, 0xFFFF);
          uint8_t lead = 0;
          if (plan.leadBytes) lead = static_cast<uint8_t>(std::min<size_t>((128 - at % 128) % 128, len));
          const std::vector<uint8_t> data = audioBytes(at, len);
          Append(z.audio, data);
          audioPackets.push_back(ZtmAudioPacket(data.data(), len, lead));
          info.audioPacketLengths.push_back(static_cast<uint32_t>(len));
          at += len;
        }
      }
      info.audioBytes = static_cast<uint32_t>(total);
      audioWritten += total;
    }
    if (!audioPackets.empty()) info.lead = audioPackets.front()[7];
    const bool intra = vp.stats.type == PictureType::Intra;
    std::vector<uint8_t> timePacket;
    if (plan.timePackets == ZtmSpec::TimePackets::BeforeEvery ||
        (plan.timePackets == ZtmSpec::TimePackets::BeforeIntra && intra)) {
      info.timeCount = static_cast<uint32_t>(plan.timeCountBase + audioWritten);
      info.elapsedHundredths = ZtmElapsedHundredths(info.timeCount, plan.timeShift);
      timePacket = ZtmTimePacket(info.timeCount, plan.timeShift);
    }
    size_t audioSize = 0;
    for (const auto& p : audioPackets) audioSize += p.size();

    for (const ZtmStraddle& s : plan.straddles) {
      if (s.picture != k) continue;
      size_t rel = extras.size();
      bool present = true;
      if (s.item == ZtmStraddle::Item::AudioPacket) {
        present = !audioPackets.empty();
      } else if (s.item == ZtmStraddle::Item::TimePacket) {
        rel += audioSize;
        present = !timePacket.empty();
      } else {
        rel += audioSize + timePacket.size();
      }
      const int64_t target = static_cast<int64_t>(s.edge) - s.bytesBeforeEdge;
      const int64_t gap = target - static_cast<int64_t>(z.bytes.size() + rel);
      if (!present || gap < 0) {
        ++z.straddlesMissed;
        continue;
      }
      Append(z.bytes, Filler(static_cast<size_t>(gap)));
    }

    info.firstPacketOffset = z.bytes.size();
    Append(z.bytes, extras);
    for (const auto& p : audioPackets) {
      info.audioPacketOffsets.push_back(z.bytes.size());
      Append(z.bytes, p);
    }
    if (!timePacket.empty()) {
      info.timePacketOffset = static_cast<int64_t>(z.bytes.size());
      Append(z.bytes, timePacket);
    }
    info.vopOffset = z.bytes.size();
    z.bytes.insert(z.bytes.end(), video.bytes.begin() + static_cast<std::ptrdiff_t>(vp.offset),
                   video.bytes.begin() + static_cast<std::ptrdiff_t>(vp.offset + vp.size));
    info.endOffset = z.bytes.size();
    z.pictures.push_back(std::move(info));
  }
  if (plan.video.truncateTo >= 0 && static_cast<size_t>(plan.video.truncateTo) < z.bytes.size()) {
    z.bytes.resize(static_cast<size_t>(plan.video.truncateTo));
  }
  return z;
}

std::vector<uint8_t> BuildZtmFile(const ZtmSpec& plan) { return BuildZtm(plan).bytes; }

}  // namespace klv::sample
