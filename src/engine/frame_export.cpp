// Save Current: the AVI frame as the camera stored it (JPEG), a stream
// picture as a BMP file.

#include <cstdio>

#include "engine/player.h"
#include "platform/format.h"

namespace klv {
namespace {

bool WriteWholeFile(const std::string& path, const uint8_t* data, size_t size) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = size == 0 || std::fwrite(data, 1, size, f) == size;
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace

bool Player::SaveCurrent(bool fromPopup) {
  if (state.kind == SourceKind::None) return false;
  int number = avi.nCurFrame + 1;
  if (state.kind == SourceKind::Ztm && !fromPopup) number = state.streamPos;

  const std::string suggested = movieFolder_ + SuggestedFrameName(state.kind, number);
  std::optional<std::string> chosen = view_->RunSaveDialog(suggested);
  if (!chosen || chosen->empty()) return false;

  bool ok = false;
  if (state.kind == SourceKind::Avi) {
    const size_t size = static_cast<size_t>(std::max(0, avi.nLastFrameSize));
    ok = size <= avi.pFrameBuffer.size() && WriteWholeFile(*chosen, avi.pFrameBuffer.data(), size);
  } else {
    ok = !picture.Empty() && WriteBmpFile(picture, *chosen);
  }
  // The camera software kept quiet about a frame it could not write; the
  // user should know the file is not there.
  if (!ok) view_->ShowErrorBox("Error", Format("Could not write %s", chosen->c_str()));
  return ok;
}

}  // namespace klv
