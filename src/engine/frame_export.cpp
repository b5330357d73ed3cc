// Save Current: the AVI frame as the camera stored it (JPEG), a stream
// picture as a BMP file.

#include <cstdio>

#include "engine/player.h"
#include "platform/format.h"

namespace klv {
namespace {

bool WriteWholeFile(const std::string& path, const std::vector<uint8_t>& data) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  const bool written = data.empty() || std::fwrite(data.data(), 1, data.size(), f) == data.size();
  const bool closed = std::fclose(f) == 0;
  return written && closed;
}

}  // namespace

bool Player::SaveCurrent(bool fromPopup) {
  if (source_ == nullptr) return false;
  // The frame and its number are taken now: playback may run on behind the
  // dialog, and what is written must be what the command named.
  SavedFrame frame;
  if (!source_->TakeFrame(fromPopup, &frame)) return false;

  std::optional<std::string> chosen = view_->RunSaveDialog(movieFolder_ + frame.suggestedName);
  if (!chosen || chosen->empty()) return false;

  const bool ok = !frame.bytes.empty() ? WriteWholeFile(*chosen, frame.bytes)
                                       : !frame.picture.Empty() && WriteBmpFile(frame.picture, *chosen);
  // The camera software kept quiet about a frame it could not write; the
  // user should know the file is not there.
  if (!ok) view_->ShowErrorBox("Error", Format("Could not write %s", chosen->c_str()));
  return ok;
}

}  // namespace klv
