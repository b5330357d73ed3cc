// The AVI branches of klvtool's commands.
#include <cstdio>
#include <filesystem>
#include <string>

#include "engine/message_kind.h"
#include "engine/stamp.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "tool/tool_common.h"
#include "tool/tool_avi.h"

namespace klv::tool {

std::string AviFailureText(const std::string& path, const AviReader& avi, AviOpenStatus status) {
  const MessageKind kind = avi.TotalFrames() == 0 ? MessageKind::NoFrames : MessageKind::NotFound;
  std::string line = path + ": " + MessageText(kind);
  if (kind != MessageKind::NoFrames) line += std::string(" (") + AviOpenStatusText(status) + ")";
  return line;
}

int OpenAviOrFail(AviReader& avi, JpegDecoder& decoder, const std::string& path) {
  AviOpenStatus status = avi.AviOpen(path, decoder);
  if (status == AviOpenStatus::kOk && !decoder.AllocatePlanes(avi.Width(), avi.Height()))
    status = AviOpenStatus::kOutOfMemory;
  if (status == AviOpenStatus::kOk) return kOk;
  return Fail(AviFailureText(path, avi, status));
}

int AviInfo(const std::string& path) {
  AviReader avi;
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  std::printf("kind: avi\nwidth: %d\nheight: %d\nframes: %d\ncapture_interval: %d\nrate: %d\n",
              avi.Width(), avi.Height(), avi.TotalFrames(), avi.CapInterval(), avi.Rate());
  std::printf("event_mode: %d\ntimestamps: %d\nevents:", avi.EventMode() ? 1 : 0,
              avi.TimeStamps() ? 1 : 0);
  if (avi.EventMode())
    for (int e : avi.EventFrames()) std::printf(" %d", e);
  std::printf("\n");
  return kOk;
}

// Decodes frames 0 .. index in order, as playback does, so that tables carried
// from frame to frame and failed frames behave as in the player.
int AviFrame(const std::string& path, int index, const std::string& out, bool stamp, bool bw) {
  AviReader avi;
  JpegDecoder decoder;
  DecoderFlags flags;
  flags.bForceBW = bw;
  decoder.SetFlags(&flags);
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  if (index >= avi.TotalFrames())
    return Fail(Format("%s: frame %d is beyond the last frame (%d)", path.c_str(), index,
                       avi.TotalFrames() - 1));
  FramePicture picture;
  if (!picture.Create(avi.Width(), avi.Height())) return Fail("cannot create the picture");
  bool shown = false;
  for (int i = 0; i <= index; ++i) {
    if (!ReadAndDecodeFrame(avi, decoder, i, picture)) continue;
    DrawAviOverlays(avi, decoder.TimeStamp(), picture, avi.ElapsedSeconds(i), stamp, nullptr, nullptr);
    shown = true;
  }
  if (!shown) return Fail(Format("%s: no frame up to %d could be decoded", path.c_str(), index));
  if (!WriteBmpFile(picture, out)) return Fail(out + ": cannot write the picture");
  return kOk;
}

int AviTimes(const std::string& path) {
  AviReader avi;
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  FramePicture picture;
  if (!picture.Create(avi.Width(), avi.Height())) return Fail("cannot create the picture");
  for (int i = 0; i < avi.TotalFrames(); ++i) {
    if (!ReadAndDecodeFrame(avi, decoder, i, picture)) {
      std::printf("%d bad\n", i);
      continue;
    }
    std::string date, time;
    avi.FrameDateTime(decoder.TimeStamp(), avi.ElapsedSeconds(i), &date, &time);
    std::printf("%d %s %s.%02d\n", i, date.c_str(), time.c_str(), avi.Clock().nCentisecond);
  }
  return kOk;
}

int AviDecode(const std::string& path, const std::string& outDir) {
  AviReader avi;
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  FramePicture picture;
  if (!picture.Create(avi.Width(), avi.Height())) return Fail("cannot create the picture");
  if (!outDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
  }
  int decoded = 0, bad = 0;
  for (int i = 0; i < avi.TotalFrames(); ++i) {
    if (!ReadAndDecodeFrame(avi, decoder, i, picture)) {
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
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  if (index >= avi.TotalFrames())
    return Fail(Format("%s: frame %d is beyond the last frame (%d)", path.c_str(), index,
                       avi.TotalFrames() - 1));
  uint32_t offset = 0;
  if (avi.AviReadFrame(index, &offset) != 0)
    return Fail(Format("%s: frame %d at offset 0x%x cannot be read", path.c_str(), index, offset));
  FILE* f = std::fopen(out.c_str(), "wb");
  if (f == nullptr) return Fail(out + ": cannot create the file");
  const std::span<const uint8_t> bytes = avi.FrameBytes();
  const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
  const bool closed = std::fclose(f) == 0;
  if (!wrote || !closed) {
    std::remove(out.c_str());
    return Fail(out + ": cannot write the file");
  }
  return kOk;
}

}  // namespace klv::tool
