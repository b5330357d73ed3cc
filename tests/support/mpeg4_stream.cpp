#include "support/mpeg4_stream.h"

#include <algorithm>

namespace klv::sample {

PictureType PictureTypeAt(const M4vStreamSpec& plan, int k) {
  if (!plan.types.empty()) return plan.types[static_cast<size_t>(k) % plan.types.size()];
  if (k == 0) return PictureType::Intra;
  if (plan.intraPeriod > 0 && k % plan.intraPeriod == 0) return PictureType::Intra;
  return PictureType::Inter;
}

YuvPicture SourcePicture(const M4vStreamSpec& plan, int k) {
  if (!plan.sources.empty()) return plan.sources[static_cast<size_t>(k) % plan.sources.size()];
  const int w = std::max(16, plan.encoder.width / 16 * 16);
  const int h = std::max(16, plan.encoder.height / 16 * 16);
  return RenderMovingScene(plan.scene, w, h, k);
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

M4vStream BuildM4v(const M4vStreamSpec& plan) {
  M4vStream s;
  Mpeg4Encoder enc(plan.encoder);
  s.bytes = enc.Headers();
  s.headerLength = s.bytes.size();
  const int n = std::max(plan.pictures, 0);
  for (int k = 0; k <= n; ++k) {
    for (const StreamInsertion& ins : plan.insertions) {
      if (ins.beforePicture == k) Append(s.bytes, InsertionBytes(ins));
    }
    if (k == n) break;
    const PictureType type = PictureTypeAt(plan, k);
    const YuvPicture source = SourcePicture(plan, k);
    M4vPictureInfo info;
    info.offset = s.bytes.size();
    if (plan.groupOfVopBeforeIntra && type == PictureType::Intra) Append(s.bytes, enc.GroupOfVop());
    info.vopOffset = s.bytes.size();
    const PictureControls controls =
        static_cast<size_t>(k) < plan.controls.size() ? plan.controls[static_cast<size_t>(k)] : PictureControls {};
    Append(s.bytes, enc.EncodePicture(source, type, controls));
    info.size = s.bytes.size() - info.offset;
    info.stats = enc.LastStats();
    s.pictures.push_back(std::move(info));
    s.reconstructions.push_back(enc.Reconstruction());
    if (plan.keepSources) s.sources.push_back(source);
  }
  if (plan.truncateTo >= 0 && static_cast<size_t>(plan.truncateTo) < s.bytes.size()) {
    s.bytes.resize(static_cast<size_t>(plan.truncateTo));
  }
  return s;
}

std::vector<uint8_t> BuildM4vStream(const M4vStreamSpec& plan) { return BuildM4v(plan).bytes; }

}  // namespace klv::sample
