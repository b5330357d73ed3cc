// Writes seeds into <root>/fuzz_adpcm/: the sample writer's tone as ADPCM
// behind a choice byte, and scripts for the audio output that feed it, start,
// complete and refill buffers, and reset.
#include <sys/stat.h>

#include <cstdio>
#include <string>
#include <vector>

#include "support/adpcm_encoder.h"
#include "support/avi_writer.h"

using namespace klv::sample;

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: fuzz_seeds_audio CORPUS_ROOT\n");
    return 2;
  }
  const std::string dir = std::string(argv[1]) + "/fuzz_adpcm";
  mkdir(argv[1], 0755);
  mkdir(dir.c_str(), 0755);
  SteppingTone tone;
  const std::vector<uint8_t> sound = SteppingToneAdpcm(tone, 4);  // 0.4 s
  bool ok = true;
  int n = 0;
  auto write = [&](const std::vector<uint8_t>& seed) {
    ok &= WriteBytes(dir + "/seed_" + std::to_string(n++) + ".bin", seed);
  };
  for (uint8_t choices : {0, 1, 127, 200}) {
    std::vector<uint8_t> seed = {choices};
    seed.insert(seed.end(), sound.begin(), sound.begin() + 1000 + choices);
    write(seed);
  }
  // Scripts: feed 2 x 255 bytes of sound, set a credit, start 5/3, then
  // completions with their messages, a reset, a refill and a restart.
  for (uint8_t credit : {0, 3, 60}) {
    std::vector<uint8_t> s = {0, 0, 63, 255};
    s.insert(s.end(), sound.begin(), sound.begin() + 63 * 8 + 255);
    s.insert(s.end(), {8, credit, 2, 5, 3});
    for (int i = 0; i < 6; ++i) s.insert(s.end(), {3, 4});
    s.insert(s.end(), {7, 3, 3, 3, 1, 10, 0});
    s.insert(s.end(), sound.begin(), sound.begin() + 80);
    s.insert(s.end(), {2, 5, 3, 3, 4, 5, 6, 169, 3, 4, 209});
    write(s);
  }
  if (!ok) {
    std::fprintf(stderr, "fuzz_seeds_audio: cannot write seeds into %s\n", dir.c_str());
    return 1;
  }
  return 0;
}
