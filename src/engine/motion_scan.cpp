#include "engine/motion_scan.h"

#include <algorithm>
#include <atomic>
#include <memory>
#include <mutex>

#include "engine/frame_jobs.h"
#include "engine/motion_search.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"

namespace klv {

std::vector<MotionRun> FindMotionRuns(const std::vector<int>& changes, int threshold) {
  std::vector<MotionRun> runs;
  bool open = false;
  for (size_t i = 1; i < changes.size(); ++i) {
    const int d = changes[i];
    if (d <= threshold) {
      open = false;
      continue;
    }
    if (!open) {
      runs.push_back({static_cast<int>(i), static_cast<int>(i), d, static_cast<int>(i)});
      open = true;
      continue;
    }
    MotionRun& r = runs.back();
    r.last = static_cast<int>(i);
    if (d > r.largest) {
      r.largest = d;
      r.peak = static_cast<int>(i);
    }
  }
  return runs;
}

std::vector<FrameSpan> RunsWithContext(const std::vector<MotionRun>& runs, int context, int frames) {
  std::vector<FrameSpan> spans;
  context = std::max(context, 0);
  for (const MotionRun& r : runs) {
    const FrameSpan s {std::max(0, r.first - context), std::min(frames - 1, r.last + context)};
    if (s.first > s.last) continue;
    if (!spans.empty() && s.first <= spans.back().last + 1)
      spans.back().last = std::max(spans.back().last, s.last);
    else
      spans.push_back(s);
  }
  return spans;
}

namespace {

// One worker's movie: its own reader, decoder and reduced pictures, and how
// far they have come.
struct ScanWorker {
  int file = -1;
  std::unique_ptr<AviReader> avi;
  std::unique_ptr<JpegDecoder> decoder;
  MotionSearcher searcher;
  int next = 0;       // the tables are those in front of frame `next`
  bool warm = false;  // the slots hold frames next - 1 and next - 2 as one pass has them

  bool Open(const std::string& path) {
    avi = std::make_unique<AviReader>();
    decoder = std::make_unique<JpegDecoder>();
    next = 0;
    warm = false;
    // The open walks frame headers with the decoder (the probe, the event
    // list) as the one pass does before its first frame.
    return avi->AviOpen(path, *decoder) == AviOpenStatus::kOk && searcher.Allocate(avi->Width(), avi->Height());
  }

  // Makes the slots hold frames first - 1 and first - 2 as one pass from
  // frame 0 leaves them. A frame whose reduction stops part way (or that
  // cannot be read) leaves part of its slot as the frame two before it had
  // it, so the frames in front are reduced until each slot has been written
  // whole by one of them, or from frame 0.
  bool WarmUp(const std::string& path, int first) {
    for (int back = 2;; back *= 4) {
      const int from = std::max(0, first - back);
      if (next > from && !Open(path)) return false;
      avi->AviWalkHeaders(*decoder, next, from);
      if (!searcher.Allocate(avi->Width(), avi->Height())) return false;
      bool whole[2] = {false, false};
      for (int i = from; i < first; ++i) {
        searcher.ReduceFrame(*avi, *decoder, i, i & 1);
        whole[i & 1] = whole[i & 1] || searcher.LastReduceWhole();
      }
      next = first;
      if (from == 0 || (whole[0] && whole[1])) return warm = true;
    }
  }
};

}  // namespace

ScanResult ScanFrameChanges(const std::vector<ScanFile>& files, const ScanOptions& options) {
  ScanResult result;
  result.changes.resize(files.size());
  result.failed.assign(files.size(), false);
  std::vector<int> frames;
  int64_t total = 0;
  for (size_t f = 0; f < files.size(); ++f) {
    frames.push_back(std::max(files[f].frames, 0));
    result.changes[f].assign(static_cast<size_t>(frames.back()), 0);
    total += frames.back();
  }
  const int jobs = JobCount(options.jobs);
  // A chunk costs two frames' reduction to start; a dozen a worker keeps the
  // workers' ends close together.
  const std::vector<FrameChunk> chunks = SplitFrames(frames, jobs, 12, 48);
  std::vector<ScanWorker> workers(static_cast<size_t>(jobs));
  std::mutex lock;  // the progress callback and the failures
  std::atomic<int64_t> done {0};
  const auto stopped = [&] { return options.stopped && options.stopped(); };

  RunJobs(jobs, chunks.size(), [&](int w, size_t c) {
    if (stopped()) return;
    const FrameChunk& chunk = chunks[c];
    const std::string& path = files[static_cast<size_t>(chunk.file)].path;
    ScanWorker& worker = workers[static_cast<size_t>(w)];
    if (worker.file != chunk.file || !worker.avi || worker.next > chunk.first) {
      worker.file = chunk.file;
      if (!worker.Open(path)) {
        worker.file = -1;
        std::lock_guard<std::mutex> g(lock);
        result.failed[static_cast<size_t>(chunk.file)] = true;
        return;
      }
    }
    if (!worker.warm || worker.next != chunk.first) {
      if (!worker.WarmUp(path, chunk.first)) {
        worker.file = -1;
        std::lock_guard<std::mutex> g(lock);
        result.failed[static_cast<size_t>(chunk.file)] = true;
        return;
      }
    }
    std::vector<int>& changes = result.changes[static_cast<size_t>(chunk.file)];
    int reported = 0;
    for (int i = chunk.first; i < chunk.end; ++i) {
      if (stopped()) break;
      worker.searcher.ReduceFrame(*worker.avi, *worker.decoder, i, i & 1);
      if (i > 0) changes[static_cast<size_t>(i)] = worker.searcher.LargestDifference(i & 1, (i - 1) & 1);
      worker.next = i + 1;
      if (++reported == 16 || i + 1 == chunk.end) {
        const int64_t now = done.fetch_add(reported) + reported;
        reported = 0;
        if (options.progress) {
          std::lock_guard<std::mutex> g(lock);
          options.progress(now, total);
        }
      }
    }
  });
  result.stopped = stopped();
  return result;
}

std::string FrameCameraTime(AviReader& avi, JpegDecoder& decoder, int index) {
  for (int i = index; i >= 0; --i)
    if (avi.AviReadFrame(i) == 0) break;
  const std::span<const uint8_t> bytes = avi.FrameBytes();
  FrameTimeStamp stamp;
  decoder.ParseHeaders(bytes.data(), bytes.size(), nullptr, nullptr, &stamp, nullptr);
  std::string date, time;
  avi.FrameDateTime(stamp, avi.ElapsedSeconds(index), &date, &time);
  return date + " " + time + Format(".%02d", avi.Clock().nCentisecond);
}

}  // namespace klv
