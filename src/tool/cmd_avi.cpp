// The AVI branches of klvtool's commands.
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/stamp.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "tool/tool_common.h"
#include "tool/tool_avi.h"

namespace klv::tool {

int OpenAviOrFail(AviReader& avi, const std::string& path) {
  const int r = avi.AviOpen(path);
  if (r == 0) return kOk;
  const char* message = avi.nTotalFrames == 0 ? "File Does Not Contain Any Frames" : "File Not Found";
  std::string line = path + ": " + message;
  if (!avi.FailReason().empty() && avi.nTotalFrames != 0) line += " (" + avi.FailReason() + ")";
  return Fail(line);
}

int AviInfo(const std::string& path) {
  AviReader avi;
  if (int r = OpenAviOrFail(avi, path)) return r;
  std::printf("kind: avi\nwidth: %d\nheight: %d\nframes: %d\ncapture_interval: %d\nrate: %d\n",
              avi.nImageWidth, avi.nImageHeight, avi.nTotalFrames, avi.nCapInterval, avi.nAviRate);
  std::printf("event_mode: %d\ntimestamps: %d\nevents:", avi.bEventMode ? 1 : 0,
              avi.bTimeStamps ? 1 : 0);
  if (avi.bEventMode)
    for (int e : avi.pnEventFrames) std::printf(" %d", e);
  std::printf("\n");
  return kOk;
}

// Decodes frames 0 .. index in order, as playback does, so that tables carried
// from frame to frame and failed frames behave as in the player.
int AviFrame(const std::string& path, int index, const std::string& out, bool stamp, bool bw) {
  AviReader avi;
  DecoderFlags flags;
  flags.bForceBW = bw;
  avi.decoder.flags = &flags;
  if (int r = OpenAviOrFail(avi, path)) return r;
  if (index >= avi.nTotalFrames)
    return Fail(Format("%s: frame %d is beyond the last frame (%d)", path.c_str(), index,
                       avi.nTotalFrames - 1));
  FramePicture picture;
  if (!picture.Create(avi.nImageWidth, avi.nImageHeight)) return Fail("cannot create the picture");
  bool shown = false;
  for (int i = 0; i <= index; ++i) {
    if (avi.ReadAndDecode(i, picture) != 0) continue;
    DrawAviOverlays(avi, picture, avi.ElapsedSeconds(i), stamp, nullptr, nullptr);
    shown = true;
  }
  if (!shown) return Fail(Format("%s: no frame up to %d could be decoded", path.c_str(), index));
  if (!WriteBmpFile(picture, out)) return Fail(out + ": cannot write the picture");
  return kOk;
}

int AviTimes(const std::string& path) {
  AviReader avi;
  if (int r = OpenAviOrFail(avi, path)) return r;
  FramePicture picture;
  if (!picture.Create(avi.nImageWidth, avi.nImageHeight)) return Fail("cannot create the picture");
  for (int i = 0; i < avi.nTotalFrames; ++i) {
    if (avi.ReadAndDecode(i, picture) != 0) {
      std::printf("%d bad\n", i);
      continue;
    }
    std::string date, time;
    avi.FrameDateTime(avi.ElapsedSeconds(i), &date, &time);
    std::printf("%d %s %s.%02d\n", i, date.c_str(), time.c_str(), avi.frameClock.nCentisecond);
  }
  return kOk;
}

int AviDecode(const std::string& path, const std::string& outDir) {
  AviReader avi;
  if (int r = OpenAviOrFail(avi, path)) return r;
  FramePicture picture;
  if (!picture.Create(avi.nImageWidth, avi.nImageHeight)) return Fail("cannot create the picture");
  if (!outDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
  }
  int decoded = 0, bad = 0;
  for (int i = 0; i < avi.nTotalFrames; ++i) {
    if (avi.ReadAndDecode(i, picture) != 0) {
      ++bad;
      continue;
    }
    ++decoded;
    if (!outDir.empty()) {
      const std::string file = outDir + Format("/frame%05d.bmp", i);
      if (!WriteBmpFile(picture, file)) return Fail(file + ": cannot write the picture");
    }
  }
  std::printf("decoded %d bad %d\n", decoded, bad);
  return kOk;
}

int AviSave(const std::string& path, int index, const std::string& out) {
  AviReader avi;
  if (int r = OpenAviOrFail(avi, path)) return r;
  if (index >= avi.nTotalFrames)
    return Fail(Format("%s: frame %d is beyond the last frame (%d)", path.c_str(), index,
                       avi.nTotalFrames - 1));
  uint32_t offset = 0;
  if (avi.AviReadFrame(index, &offset) != 0)
    return Fail(Format("%s: frame %d at offset 0x%x cannot be read", path.c_str(), index, offset));
  FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) return Fail(out + ": cannot create the file");
  const size_t n = static_cast<size_t>(avi.nLastFrameSize);
  const bool wrote = std::fwrite(avi.pFrameBuffer.data(), 1, n, f) == n;
  const bool closed = std::fclose(f) == 0;
  if (!wrote || !closed) {
    std::remove(out.c_str());
    return Fail(out + ": cannot write the file");
  }
  return kOk;
}

}  // namespace klv::tool
