#pragma once
// A camera movie that only a decoder keeping the tables of earlier frames
// decodes right, with damaged frames about the places where work on several
// threads is cut into chunks (every 48 frames): the motion scan, decode and
// export on many workers must give what one pass from frame 0 gives.
#include <algorithm>
#include <cstdint>
#include <tuple>
#include <vector>

#include "support/avi_writer.h"
#include "support/movie_builder.h"

namespace klv::test {

// 160 x 128, 200 frames, boxes in frames 30-33, 90-100 and 150-152.
//  - frame 60 brings new quantisation tables, frames after it have none;
//  - frame 100 brings new DC Huffman tables, frames after it have none;
//  - frame 130 brings a luma table after 3000 bytes of another segment;
//    frame 160 one whose segment runs past 8 KiB (and has no scan after it);
//  - frames 44-47 are cut short (their reduced pictures are written in part),
//    as are 94 and 141;
//  - frame 97 cannot be read (its chunk is not a frame's); frame 143 has no
//    scan at all.
inline sample::MovieSpec ChangingTablesPlan() {
  sample::MovieSpec plan;
  plan.width = 160;
  plan.height = 128;
  plan.frames = 200;
  plan.scene.seed = 31;
  for (auto [first, last, x] : {std::tuple{30, 33, 20}, std::tuple{90, 100, 70}, std::tuple{150, 152, 110}}) {
    sample::SceneObject box;
    box.firstFrame = first;
    box.lastFrame = last;
    box.x0 = x;
    box.x1 = x + 10;
    box.y0 = box.y1 = 60;
    box.width = box.height = 32;
    box.r = box.g = box.b = 250;
    plan.scene.objects.push_back(box);
  }
  plan.tweakOptions = [](int frame, sample::JpegOptions& o) {
    if (frame >= 60) o.quality = 40;
    if (frame > 60) o.dqt = sample::TablePacking::Omit;
    if (frame >= 100) {
      sample::HuffmanSpec flat;  // every DC category as a 4-bit code
      flat.bits[3] = 12;
      for (int i = 0; i < 12; ++i) flat.values.push_back(static_cast<uint8_t>(i));
      o.dcLuma = flat;
      o.dcChroma = flat;
    }
    if (frame > 100) o.dht = sample::TablePacking::Omit;
    // Tables behind a large segment: frame 130's new luma table lies beyond
    // the first KiB; frame 160's DQT runs past 8 KiB, after which its walk
    // ends without a scan.
    if (frame == 130 || frame == 160) {
      std::vector<uint8_t> dqt = sample::DqtPayload(0, sample::QuantTableForQuality(frame == 130 ? 60 : 40, false));
      if (frame == 160) dqt.resize(6000, 0);
      o.extraSegments = {{0xE9, std::vector<uint8_t>(frame == 130 ? 3000 : 2500, 0x41)}, {0xDB, dqt}};
    }
  };
  plan.tweakFrame = [](int frame, std::vector<uint8_t>& jpeg) {
    if ((frame >= 44 && frame <= 47) || frame == 94 || frame == 141) jpeg.resize(jpeg.size() * 2 / 3);
    if (frame == 143) {
      // The scan's marker turned into one the walk stops at.
      for (size_t i = 2; i + 1 < jpeg.size(); ++i)
        if (jpeg[i] == 0xFF && jpeg[i + 1] == 0xDA) {
          jpeg[i + 1] = 0xC1;
          break;
        }
    }
  };
  return plan;
}

inline std::vector<uint8_t> ChangingTablesMovie() {
  sample::CameraMovie movie = sample::BuildCameraMovie(ChangingTablesPlan());
  sample::SetFrameChunkId(movie.bytes, movie.layout, 97, "01wb");
  return movie.bytes;
}

}  // namespace klv::test
