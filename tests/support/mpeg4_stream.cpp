#include "support/mpeg4_stream.h"

#include <algorithm>

namespace klv::sample {

PictureType PictureTypeAt(const M4vStreamSpec& spec, int k) {
  if (!spec.types.empty()) return spec.types[static_cast<size_t>(k) % spec.types.size()];
  if (k == 0) return PictureType::Intra;
  if (spec.intraPeriod > 0 && k % spec.intraPeriod == 0) return PictureType::Intra;
  return PictureType::Inter;
}

YuvPicture SourcePicture(const M4vStreamSpec& spec, int k) {
  if (!spec.sources.empty()) return spec.sources[static_cast<size_t>(k) % spec.sources.size()];
  const int w = std::max(16, spec.encoder.width / 16 * 16);
  const int h = std::max(16, spec.encoder.height / 16 * 16);
  return RenderMovingScene(spec.scene, w, h, k);
}

std::vector<uint8_t> InsertionBytes(const StreamInsertion& insertion) {
  switch (insertion.kind) {
    case StreamInsertion::Kind::Raw: return insertion.bytes;
    case StreamInsertion::Kind::Zeros: return std::vector<uint8_t>(static_cast<size_t>(std::max(insertion.count, 0)), 0);
    case StreamInsertion::Kind::Junk: {
      std::vector<uint8_t> out;
      for (int i = 0; i < insertion.count; ++i) out.push_back(static_cast<uint8_t>(0xA5 + 6 * (i % 9)));
      return out;
    }
  }
  return {};
}

namespace {

void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more) {
  out.insert(out.end(), more.begin(), more.end());
}

}  // namespace

M4vStreamSpec DemoM4vSpec() {
  M4vStreamSpec s;
  s.encoder.width = 640;
  s.encoder.height = 480;
  s.encoder.intraQuant = 5;
  s.encoder.interQuant = 6;
  s.encoder.searchRange = 4;
  s.pictures = 90;
  s.intraPeriod = 30;
  s.scene.panX = 1;
  s.scene.panY = 0;
  s.scene.objects = 3;
  s.scene.objectSpeed = 4;
  s.scene.textureScale = 16;
  return s;
}

M4vStream BuildM4v(const M4vStreamSpec& spec) {
  M4vStream s;
  Mpeg4Encoder enc(spec.encoder);
  s.bytes = enc.Headers();
  s.headerLength = s.bytes.size();
  const int n = std::max(spec.pictures, 0);
  for (int k = 0; k <= n; ++k) {
    for (const StreamInsertion& ins : spec.insertions) {
      if (ins.beforePicture == k) Append(s.bytes, InsertionBytes(ins));
    }
    if (k == n) break;
    const PictureType type = PictureTypeAt(spec, k);
    const YuvPicture source = SourcePicture(spec, k);
    M4vPictureInfo info;
    info.offset = s.bytes.size();
    if (spec.groupOfVopBeforeIntra && type == PictureType::Intra) Append(s.bytes, enc.GroupOfVop());
    info.vopOffset = s.bytes.size();
    const PictureControls controls =
        static_cast<size_t>(k) < spec.controls.size() ? spec.controls[static_cast<size_t>(k)] : PictureControls {};
    Append(s.bytes, enc.EncodePicture(source, type, controls));
    info.size = s.bytes.size() - info.offset;
    info.stats = enc.LastStats();
    s.pictures.push_back(std::move(info));
    s.reconstructions.push_back(enc.Reconstruction());
    if (spec.keepSources) s.sources.push_back(source);
  }
  if (spec.truncateTo >= 0 && static_cast<size_t>(spec.truncateTo) < s.bytes.size()) {
    s.bytes.resize(static_cast<size_t>(spec.truncateTo));
  }
  return s;
}

std::vector<uint8_t> BuildM4vStream(const M4vStreamSpec& spec) { return BuildM4v(spec).bytes; }

}  // namespace klv::sample
