// The AVI branches of klvtool's commands.
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "engine/frame_jobs.h"
#include "engine/message_kind.h"
#include "engine/stamp.h"
#include "engine/texts.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "tool/progress.h"
#include "tool/tool_common.h"
#include "tool/tool_avi.h"

namespace klv::tool {

int OpenAviOrFail(AviReader& avi, JpegDecoder& decoder, const std::string& path) {
  AviOpenStatus status = avi.AviOpen(path, decoder);
  if (status == AviOpenStatus::kOk && !decoder.AllocatePlanes(avi.Width(), avi.Height()))
    status = AviOpenStatus::kOutOfMemory;
  if (status == AviOpenStatus::kOk) return kOk;
  return Fail(AviOpenFailureLine(path, avi, status));
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

// Frames are decoded in chunks on `jobs` workers, each with its own reader
// and decoder; a worker starting part way walks the headers in front of its
// chunk first, so that every frame is decoded with the tables that decoding
// from frame 0 gives it. The files and the counts are those of one pass.
int AviDecode(const std::string& path, const std::string& outDir, int jobs) {
  int frames = 0;
  {
    AviReader avi;
    JpegDecoder decoder;
    if (int r = OpenAviOrFail(avi, decoder, path)) return r;
    frames = avi.TotalFrames();
  }
  if (!outDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
  }
  jobs = JobCount(jobs);
  const std::vector<FrameChunk> chunks = SplitFrames({frames}, jobs, 16, 8);
  std::vector<std::unique_ptr<AviFrameCursor>> workers(static_cast<size_t>(jobs));
  std::vector<char> good(static_cast<size_t>(frames), 0);
  std::atomic<int> firstUnwritten {frames};  // the first frame whose file could not be written
  std::atomic<bool> stop {false};
  const std::atomic<bool>& interrupted = InterruptFlag();
  std::atomic<int64_t> done {0};
  std::mutex progressLock;
  ProgressLine line("decoding");
  RunJobs(jobs, chunks.size(), [&](int w, size_t c) {
    std::unique_ptr<AviFrameCursor>& k = workers[static_cast<size_t>(w)];
    if (!k) {
      k = std::make_unique<AviFrameCursor>();
      if (!k->Open(path)) {
        k.reset();
        stop = true;
        return;
      }
    }
    for (int i = chunks[c].first; i < chunks[c].end && !interrupted && !stop; ++i) {
      if (!k->Decode(i)) continue;
      good[static_cast<size_t>(i)] = 1;
      if (!outDir.empty() && !WriteBmpFile(k->Picture(), outDir + Format("/frame%05d.bmp", i))) {
        for (int f = firstUnwritten.load(); i < f && !firstUnwritten.compare_exchange_weak(f, i);) {
        }
        stop = true;
      }
    }
    const int64_t now = done += chunks[c].end - chunks[c].first;
    std::lock_guard<std::mutex> g(progressLock);
    line.Update(now, frames);
  }, &stop);
  line.Finish();
  if (interrupted) return Interrupted("decode");
  if (firstUnwritten < frames)
    return Fail(outDir + Format("/frame%05d.bmp", firstUnwritten.load()) + ": cannot write the picture");
  if (stop) return Fail(path + ": cannot be read again");
  const int decoded = static_cast<int>(std::count(good.begin(), good.end(), 1));
  std::printf("decoded %d bad %d\n", decoded, frames - decoded);
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
