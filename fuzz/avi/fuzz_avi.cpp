// A camera AVI from arbitrary bytes: open, read and decode every frame in
// playback order (a bounded number), step the cursor, scan for events, and
// ask for the frame's date and time, as the player does.

#include <sys/mman.h>
#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <string>

#include "engine/stamp.h"
#include "media/avi/avi_reader.h"

namespace {

class MemFile {
 public:
  MemFile() : fd_(memfd_create("fuzz_avi", 0)) {}
  ~MemFile() {
    if (fd_ >= 0) close(fd_);
  }
  bool Set(const uint8_t* data, size_t size) {
    if (fd_ < 0 || ftruncate(fd_, 0) != 0) return false;
    size_t done = 0;
    while (done < size) {
      const ssize_t n = pwrite(fd_, data + done, size - done, static_cast<off_t>(done));
      if (n <= 0) return false;
      done += static_cast<size_t>(n);
    }
    return true;
  }
  std::string Path() const { return "/proc/self/fd/" + std::to_string(fd_); }

 private:
  int fd_;
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static MemFile file;
  if (!file.Set(data, size)) return 0;
  klv::AviReader avi;
  klv::JpegDecoder decoder;
  klv::DecoderFlags flags;
  flags.bForceBW = size % 2 == 1;
  decoder.SetFlags(&flags);
  if (avi.AviOpen(file.Path(), decoder) != klv::AviOpenStatus::kOk) return 0;
  // Keep the work per input bounded: small pictures, a few frames.
  if (static_cast<int64_t>(avi.Width()) * avi.Height() > 512 * 512) return 0;
  klv::FramePicture picture;
  if (!decoder.AllocatePlanes(avi.Width(), avi.Height()) || !picture.Create(avi.Width(), avi.Height()))
    return 0;
  const int frames = avi.TotalFrames() < 16 ? avi.TotalFrames() : 16;
  for (int i = 0; i < frames; ++i) {
    uint32_t offset = 0;
    if (klv::ReadAndDecodeFrame(avi, decoder, i, picture, &offset))
      klv::DrawAviOverlays(avi, decoder.TimeStamp(), picture, avi.ElapsedSeconds(i), true, nullptr, nullptr);
  }
  avi.AviFindEvent(decoder, frames - 1, 0);
  return 0;
}
