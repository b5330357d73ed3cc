#include "engine/frame_jobs.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace klv {

int JobCount(int requested) {
  if (requested > 0) return requested;
  return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

std::vector<FrameChunk> SplitFrames(const std::vector<int>& frames, int jobs, int chunksPerJob, int minFrames) {
  std::vector<FrameChunk> chunks;
  long long total = 0;
  for (int n : frames) total += std::max(n, 0);
  long long size = total;
  if (jobs > 1) {
    const long long wanted = static_cast<long long>(jobs) * std::max(chunksPerJob, 1);
    size = std::max<long long>((total + wanted - 1) / wanted, std::max(minFrames, 1));
  }
  size = std::max<long long>(size, 1);
  for (size_t f = 0; f < frames.size(); ++f) {
    for (long long first = 0; first < frames[f]; first += size) {
      const long long end = std::min<long long>(first + size, frames[f]);
      chunks.push_back({static_cast<int>(f), static_cast<int>(first), static_cast<int>(end)});
    }
  }
  return chunks;
}

void RunJobs(int jobs, size_t count, const std::function<void(int worker, size_t index)>& task,
             const std::atomic<bool>* stop) {
  std::atomic<size_t> next {0};
  const auto work = [&](int worker) {
    for (;;) {
      if (stop != nullptr && stop->load(std::memory_order_relaxed)) return;
      const size_t i = next.fetch_add(1);
      if (i >= count) return;
      task(worker, i);
    }
  };
  const int threads = static_cast<int>(std::min<size_t>(static_cast<size_t>(std::max(jobs, 1)), std::max<size_t>(count, 1)));
  std::vector<std::thread> pool;
  pool.reserve(static_cast<size_t>(threads - 1));
  try {
    for (int w = 1; w < threads; ++w) pool.emplace_back(work, w);
  } catch (const std::system_error&) {
    // No more threads to be had: the ones there share the work.
  }
  work(0);
  for (std::thread& t : pool) t.join();
}

bool AviFrameCursor::Open(const std::string& path) {
  next_ = 0;
  return avi_.AviOpen(path, decoder_) == AviOpenStatus::kOk && decoder_.AllocatePlanes(avi_.Width(), avi_.Height()) &&
         picture_.Create(avi_.Width(), avi_.Height());
}

bool AviFrameCursor::Decode(int index) {
  if (index > next_) avi_.AviWalkHeaders(decoder_, next_, index);
  next_ = index + 1;
  return ReadAndDecodeFrame(avi_, decoder_, index, picture_);
}

}  // namespace klv
