// klvtool export: a clip of the camera's movies as an MP4 movie (H.264, and
// AAC with the sound of .ztm recordings), through the export library that the
// player's Export Clip uses too.
#include <cstdio>
#include <string>
#include <vector>

#include "export/clip_export.h"
#include "platform/format.h"
#include "tool/progress.h"
#include "tool/tool_common.h"

namespace klv::tool {
namespace {

// N or N/D pictures a second, up to 1000.
bool ParseRate(const std::string& text, FrameRate* rate) {
  const size_t slash = text.find('/');
  int num = 0, den = 1;
  if (!ParseIndex(text.substr(0, slash), &num)) return false;
  if (slash != std::string::npos && !ParseIndex(text.substr(slash + 1), &den)) return false;
  if (num < 1 || den < 1 || static_cast<long long>(num) > 1000LL * den) return false;
  *rate = {num, den};
  return true;
}

}  // namespace

int CmdExport(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {"--stamp", "--motion-only"},
                 {"-o", "--from", "--to", "--fps", "--quality", "--threshold", "--context", "-j"}, &a, &err))
    return Usage(err);
  const std::vector<std::string>& files = a.positional;
  if (files.empty()) return Usage("export takes one or more FILEs");
  ClipOptions options;
  options.output = a.Value("-o");
  if (options.output.empty()) return Usage("export writes the movie given with -o OUT.mp4");
  const int count = static_cast<int>(files.size());
  int fromFile = 1, fromFrame = 0, toFile = count, toFrame = -1;
  if (a.Has("--from") && !ParseFilePosition(a.Value("--from"), count, &fromFile, &fromFrame))
    return Usage("--from takes K:FRAME, K from 1 to the number of files");
  if (a.Has("--to") && !ParseFilePosition(a.Value("--to"), count, &toFile, &toFrame))
    return Usage("--to takes K:FRAME, K from 1 to the number of files");
  if (fromFile > toFile || (fromFile == toFile && toFrame >= 0 && fromFrame > toFrame))
    return Usage("--from is after --to");
  if (a.Has("--fps") && !ParseRate(a.Value("--fps"), &options.rate))
    return Usage("--fps takes pictures a second, N or N/D, up to 1000");
  if (a.Has("--quality") && (!ParseIndex(a.Value("--quality"), &options.crf) || options.crf > 51))
    return Usage("--quality takes 0 (lossless) to 51; 23 is the default, lower is better");
  options.stamp = a.Has("--stamp");
  options.motionOnly = a.Has("--motion-only");
  if ((a.Has("--threshold") || a.Has("--context")) && !options.motionOnly)
    return Usage("--threshold and --context go with --motion-only");
  if (a.Has("--threshold") && !ParseThreshold(a.Value("--threshold"), &options.threshold))
    return Usage("--threshold takes a number from 1");
  if (a.Has("--context") && (!ParseIndex(a.Value("--context"), &options.context) || options.context > 100000))
    return Usage("--context takes a number of frames from 0");
  if (!ParseJobs(a, &options.jobs, &err)) return Usage(err);

  std::vector<ClipPart> parts;
  for (int k = fromFile; k <= toFile; ++k)
    parts.push_back({files[static_cast<size_t>(k - 1)], k == fromFile ? fromFrame : 0, k == toFile ? toFrame : -1});

  const std::atomic<bool>& interrupted = InterruptFlag();
  ClipExport job;
  ClipResult r;
  {
    ProgressLine line("exporting");
    bool scanning = false;
    job.progress = [&](const ClipProgress& p) {
      if (p.scanning != scanning) {
        scanning = p.scanning;
        line.SetWhat(scanning ? "scanning" : "exporting");
      }
      line.Update(p.done, p.total);
    };
    r = job.Run(parts, options, &interrupted);
  }
  switch (r.status) {
    case ClipResult::Status::kCancelled:
      return Interrupted("export");
    case ClipResult::Status::kFailed:
      return Fail(r.error);
    case ClipResult::Status::kDone:
      break;
  }
  for (const std::string& note : r.notes) std::fprintf(stderr, "klvtool: %s; left out\n", note.c_str());
  if (r.damaged > 0) std::fprintf(stderr, "klvtool: %lld frames could not be decoded; left out\n",
                                  static_cast<long long>(r.damaged));
  std::printf("pictures %lld damaged %lld size %dx%d rate %d/%d seconds %.3f sound %d\n",
              static_cast<long long>(r.pictures), static_cast<long long>(r.damaged), r.width, r.height, r.rate.num,
              r.rate.den, r.seconds, r.sound ? 1 : 0);
  return kOk;
}

}  // namespace klv::tool
