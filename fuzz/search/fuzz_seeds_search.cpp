// Writes seeds into <root>/fuzz_dc_predictors/: camera frames from the sample
// writer at a few sizes and qualities (one byte of MCU count in front), and
// one with a DC table of long codes.

#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace {

bool Write(const std::string& path, uint8_t mcus, const std::vector<uint8_t>& frame) {
  std::vector<uint8_t> seed{mcus};
  seed.insert(seed.end(), frame.begin(), frame.end());
  return klv::sample::WriteBytes(path, seed);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_search CORPUS_ROOT\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/fuzz_dc_predictors";
  mkdir(argv[1], 0755);
  mkdir(dir.c_str(), 0755);
  using namespace klv::sample;
  bool ok = true;
  int n = 0;
  for (int q : {20, 75, 98}) {
    MovieSpec plan;
    plan.width = 64;
    plan.height = 48;
    plan.jpeg.quality = q;
    ok &= Write(dir + "/camera_" + std::to_string(n++), 12, BuildCameraFrame(plan, 0));
  }
  MovieSpec plan;
  plan.width = 48;
  plan.height = 32;
  HuffmanSpec longDc;
  for (int len = 2; len <= 13; ++len) longDc.bits[static_cast<size_t>(len - 1)] = 1;
  for (uint8_t s = 0; s < 12; ++s) longDc.values.push_back(s);
  plan.jpeg.dcLuma = longDc;
  plan.jpeg.dcChroma = longDc;
  ok &= Write(dir + "/long_dc", 6, BuildCameraFrame(plan, 0));
  return ok ? 0 : 1;
}
