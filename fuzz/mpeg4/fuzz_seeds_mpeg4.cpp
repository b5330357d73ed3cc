// Writes seeds into <root>/fuzz_mpeg4_stream/: the ffmpeg-made fixtures and a
// .ztm-like stream with time and audio packets, each behind option bytes
// that vary the window size, the post-filter and the audio switches.

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/avi_writer.h"

using klv::sample::ReadBytes;
using klv::sample::WriteBytes;

namespace {

// Time and audio packets in front of every picture's first start code (its
// group-of-VOP header, or its VOP).
std::vector<uint8_t> WithSidePackets(const std::vector<uint8_t>& s) {
  std::vector<size_t> pictures;
  size_t lastGov = 0;
  bool haveGov = false;
  for (size_t i = 0; i + 4 <= s.size(); ++i) {
    if (s[i] != 0 || s[i + 1] != 0 || s[i + 2] != 1) continue;
    if (s[i + 3] == 0xB3) {
      pictures.push_back(i);
      lastGov = i;
      haveGov = true;
    } else if (s[i + 3] == 0xB6 && !(haveGov && i - lastGov < 16)) {
      pictures.push_back(i);
    }
  }
  if (pictures.empty()) return s;
  std::vector<uint8_t> out(s.begin(), s.begin() + static_cast<long>(pictures[0]));
  for (size_t k = 0; k < pictures.size(); ++k) {
    const uint8_t time[] = {0, 0, 1, 0xB2, 6, 0, 0x82, 1, 0, 0, 0x40, 0x42, 0x0F, 0};
    out.insert(out.end(), time, time + sizeof time);
    const uint8_t audio[] = {0, 0, 1, 0xB2, 40, 0, 0x01, 8};
    out.insert(out.end(), audio, audio + sizeof audio);
    for (int b = 0; b < 40; ++b) out.push_back(static_cast<uint8_t>(0x90 + b));
    const size_t end = k + 1 < pictures.size() ? pictures[k + 1] : s.size();
    out.insert(out.end(), s.begin() + static_cast<long>(pictures[k]), s.begin() + static_cast<long>(end));
  }
  return out;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_mpeg4 CORPUS_ROOT\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/fuzz_mpeg4_stream";
  mkdir(argv[1], 0755);
  mkdir(dir.c_str(), 0755);
  const char* fixtures[] = {"intra_q8", "intra_q16", "intra_q4", "inter_still", "inter_motion", "inter_pan",
                            "odd_size", "dquant", "four_vectors", "ac_prediction", "b_vops"};
  // window class (top 3 bits), audio switches, post-filter method
  const uint8_t options[] = {0x02, 0x21 | 0x08, 0x40 | 0x18, 0x86, 0xE3};
  bool ok = true;
  int n = 0;
  for (const char* name : fixtures) {
    const std::vector<uint8_t> s = ReadBytes(std::string(KLV_TEST_DATA_DIR) + "/mpeg4/" + name + ".m4v");
    if (s.empty()) {
      ok = false;
      continue;
    }
    const std::vector<uint8_t> variants[] = {s, WithSidePackets(s)};
    for (const std::vector<uint8_t>& v : variants) {
      std::vector<uint8_t> seed = {options[n % 5], static_cast<uint8_t>(n * 37)};
      seed.insert(seed.end(), v.begin(), v.end());
      ok &= WriteBytes(dir + "/" + name + "_" + std::to_string(n++) + ".bin", seed);
    }
  }
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds_mpeg4: cannot write seeds into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
