#pragma once
// Frames decoded on several threads. The work is cut into chunks of
// consecutive frames of one file, handed out in order to a few workers; each
// worker has its own readers and decoders, and whoever collects the results
// puts them back in order, so that the outcome never depends on the number of
// workers.

#include <atomic>
#include <cstddef>
#include <functional>
#include <vector>

namespace klv {

// Workers for `requested` (0 or less: one per core), at least 1.
int JobCount(int requested);

// Frames [first, end) of file `file`.
struct FrameChunk {
  int file = 0;
  int first = 0;
  int end = 0;
  bool operator==(const FrameChunk&) const = default;
};

// The frames of files with `frames[f]` frames each, in file and frame order,
// as chunks: one per file for a single worker; else about `chunksPerJob`
// chunks a worker over the whole, none shorter than `minFrames` (but a file's
// last) so that a chunk's start-up stays small beside its work.
std::vector<FrameChunk> SplitFrames(const std::vector<int>& frames, int jobs, int chunksPerJob, int minFrames);

// Runs task(worker, index) for every index in [0, count) on `jobs` workers
// (the calling thread is worker 0), handing the indices out in increasing
// order; returns when every task handed out has finished. When `stop` is
// set, no further index is handed out.
void RunJobs(int jobs, size_t count, const std::function<void(int worker, size_t index)>& task,
             const std::atomic<bool>* stop = nullptr);

}  // namespace klv
