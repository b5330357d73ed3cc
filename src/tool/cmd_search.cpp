// klvtool search and klvtool scan: the player's motion search over files
// taken as a play list, and a report of every run of motion frames.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/frame_differences.h"
#include "engine/motion_search.h"
#include "engine/play_list_search.h"
#include "engine/player_state.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "tool/tool_avi.h"
#include "tool/tool_common.h"

namespace klv::tool {
namespace {

// The play list of a search: the files in the order given, each opened with a
// reader and decoder of its own when the search walks into it.
class FileListHost : public SearchHost {
 public:
  explicit FileListHost(const std::vector<std::string>& files) : files_(files) {}
  int EntryCount() const override { return static_cast<int>(files_.size()); }
  bool IsAviEntry(int entry) const override {
    return entry >= 0 && entry < EntryCount() &&
           SourceKindOf(files_[static_cast<size_t>(entry)]) == SourceKind::Avi;
  }
  SearchFile OpenEntry(int entry) override {
    avi_ = std::make_unique<AviReader>();
    decoder_ = std::make_unique<JpegDecoder>();
    const std::string& path = files_[static_cast<size_t>(entry)];
    const AviOpenStatus status = avi_->AviOpen(path, *decoder_);
    if (status != AviOpenStatus::kOk) {
      failure_ = AviFailureText(path, *avi_, status);
      return {};
    }
    return {avi_.get(), decoder_.get()};
  }
  const AviReader& Reader() const { return *avi_; }
  const std::string& Failure() const { return failure_; }

 private:
  const std::vector<std::string>& files_;
  std::unique_ptr<AviReader> avi_;
  std::unique_ptr<JpegDecoder> decoder_;
  std::string failure_;
};

bool ParseThreshold(const std::string& text, int* out) {
  return ParseIndex(text, out) && *out >= 1;
}

int NeedAviFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files)
    if (SourceKindOf(f) != SourceKind::Avi)
      return Fail(f + ": the motion search runs over AVI movies only");
  return kOk;
}

// ---- scan ------------------------------------------------------------------------

struct MotionRun {
  std::string file;
  int first = 0;
  int last = 0;
  std::string time;  // the camera's date and time of the first frame
  int largest = 0;   // largest block difference in the run
};

std::string CsvField(const std::string& s) {
  if (s.find_first_of(",\"\n\r") == std::string::npos) return s;
  std::string out = "\"";
  for (char c : s) {
    if (c == '"') out += '"';
    out += c;
  }
  return out + "\"";
}

std::string JsonString(const std::string& s) {
  std::string out = "\"";
  for (unsigned char c : s) {
    switch (c) {
      case '"': out += "\\\""; break;
      case '\\': out += "\\\\"; break;
      case '\n': out += "\\n"; break;
      case '\r': out += "\\r"; break;
      case '\t': out += "\\t"; break;
      default:
        if (c < 0x20) out += Format("\\u%04x", c);
        else out += static_cast<char>(c);
    }
  }
  return out + "\"";
}

// Progress on stderr once a scan has taken more than a second.
class Progress {
 public:
  explicit Progress(int files) : files_(files), start_(Clock::now()), tty_(::isatty(2) != 0) {}
  ~Progress() { Finish(); }
  void Update(int file, const std::string& name, int frame, int frames) {
    if ((++calls_ & 15) != 0) return;
    const auto now = Clock::now();
    if (now - start_ < std::chrono::seconds(1) || now < next_) return;
    next_ = now + (tty_ ? std::chrono::milliseconds(200) : std::chrono::seconds(2));
    const int pct = frames > 0 ? frame * 100 / frames : 100;
    std::fprintf(stderr, "%sklvtool: scanning %d/%d %s: frame %d of %d (%d%%)%s", tty_ ? "\r" : "",
                 file + 1, files_, name.c_str(), frame, frames, pct, tty_ ? "\033[K" : "\n");
    shown_ = true;
  }
  void Finish() {
    if (shown_ && tty_) std::fputs("\r\033[K", stderr);
    shown_ = false;
  }

 private:
  using Clock = std::chrono::steady_clock;
  int files_;
  Clock::time_point start_;
  Clock::time_point next_ {};
  bool tty_;
  bool shown_ = false;
  unsigned calls_ = 0;
};

std::string FrameTime(AviReader& avi, JpegDecoder& decoder, int index) {
  // The headers of the frame the search has just read (the frame buffer holds
  // it, or the frame before it when it could not be read).
  const std::span<const uint8_t> bytes = avi.FrameBytes();
  FrameTimeStamp stamp;
  decoder.ParseHeaders(bytes.data(), bytes.size(), nullptr, nullptr, &stamp, nullptr);
  std::string date, time;
  avi.FrameDateTime(stamp, avi.ElapsedSeconds(index), &date, &time);
  return date + " " + time + Format(".%02d", avi.Clock().nCentisecond);
}

// Compares every frame of a file with the one before it, as a forward search
// does from frame 0; appends the runs of motion frames.
int ScanFile(const std::string& path, int fileIndex, int threshold, Progress& progress,
             std::vector<MotionRun>* runs) {
  AviReader avi;
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  DifferenceWalk walk;
  if (!walk.Begin(avi, decoder, 0, +1)) return Fail(path + ": out of memory");
  std::unique_ptr<MotionRun> open;
  for (int i = 0, d = 0; walk.Next(&i, &d);) {
    if (d > threshold) {
      if (!open) {
        open = std::make_unique<MotionRun>();
        open->file = path;
        open->first = i;
        open->time = FrameTime(avi, decoder, i);
      }
      open->last = i;
      open->largest = std::max(open->largest, d);
    } else if (open) {
      runs->push_back(std::move(*open));
      open.reset();
    }
    progress.Update(fileIndex, path, i, avi.TotalFrames());
  }
  if (open) runs->push_back(std::move(*open));
  return kOk;
}

}  // namespace

int CmdSearch(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {"--backward"}, {"--threshold", "--start"}, &a, &err)) return Usage(err);
  const std::vector<std::string>& files = a.positional;
  if (files.empty()) return Usage("search takes one or more FILEs");
  if (static_cast<int>(files.size()) > kMaxPlayList)
    return Usage(Format("a play list holds at most %d files", kMaxPlayList));
  int threshold = 50;
  if (a.Has("--threshold") && !ParseThreshold(a.Value("--threshold"), &threshold))
    return Usage("--threshold takes a number from 1");
  const bool backward = a.Has("--backward");
  int startFile = backward ? static_cast<int>(files.size()) : 1;
  int startFrame = -1;  // -1: the first frame forward, the last frame backward
  if (a.Has("--start")) {
    const std::string s = a.Value("--start");
    const size_t colon = s.find(':');
    if (colon == std::string::npos || !ParseIndex(s.substr(0, colon), &startFile) ||
        !ParseIndex(s.substr(colon + 1), &startFrame) || startFile < 1 ||
        startFile > static_cast<int>(files.size()))
      return Usage("--start takes K:FRAME, K from 1 to the number of files");
  }
  if (int r = NeedAviFiles(files)) return r;

  // The play list in the order given; each FILE once, as the player keeps it.
  if (std::set<std::string>(files.begin(), files.end()).size() != files.size())
    return Usage("each FILE may be given once");
  FileListHost host(files);
  const int entry = startFile - 1;
  const SearchFile file = host.OpenEntry(entry);
  if (file.reader == nullptr) return Fail(host.Failure());
  const int last = file.reader->TotalFrames() - 1;
  if (startFrame < 0) startFrame = backward ? last : 0;
  if (startFrame > last)
    return Fail(Format("%s: frame %d is beyond the last frame (%d)",
                       files[static_cast<size_t>(entry)].c_str(), startFrame, last));

  PlayListSearch search(host);
  search.Start(file, entry, startFrame, backward ? -1 : 1, threshold);
  while (search.Running()) search.Step();
  const SearchResult& r = search.Result();
  switch (r.outcome) {
    case SearchResult::Outcome::kFailed:
      return Fail(host.Failure());
    case SearchResult::Outcome::kFound:
      std::printf("found %d %d\n", r.entry + 1, r.frame);
      break;
    case SearchResult::Outcome::kNotFound:
      // The player shows the end of the file on show in the search's direction.
      std::printf("none %d %d\n", r.entry + 1, backward ? 0 : host.Reader().TotalFrames() - 1);
      break;
  }
  return kOk;
}

int CmdScan(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {"--threshold", "--format"}, &a, &err)) return Usage(err);
  const std::vector<std::string>& files = a.positional;
  if (files.empty()) return Usage("scan takes one or more FILEs");
  int threshold = 50;
  if (a.Has("--threshold") && !ParseThreshold(a.Value("--threshold"), &threshold))
    return Usage("--threshold takes a number from 1");
  const std::string format = a.Value("--format", "csv");
  if (format != "csv" && format != "json") return Usage("--format takes csv or json");
  if (int r = NeedAviFiles(files)) return r;

  std::vector<MotionRun> runs;
  int status = kOk;
  {
    Progress progress(static_cast<int>(files.size()));
    for (size_t f = 0; f < files.size(); ++f) {
      // A file that cannot be read is reported; the others are still scanned.
      if (ScanFile(files[f], static_cast<int>(f), threshold, progress, &runs) != kOk) status = kFailed;
    }
  }
  if (format == "csv") {
    std::printf("file,first,last,time,largest_difference\n");
    for (const MotionRun& r : runs)
      std::printf("%s,%d,%d,%s,%d\n", CsvField(r.file).c_str(), r.first, r.last, r.time.c_str(), r.largest);
  } else {
    std::printf("[");
    for (size_t i = 0; i < runs.size(); ++i) {
      const MotionRun& r = runs[i];
      std::printf("%s\n  {\"file\": %s, \"first\": %d, \"last\": %d, \"time\": %s, \"largest_difference\": %d}",
                  i == 0 ? "" : ",", JsonString(r.file).c_str(), r.first, r.last, JsonString(r.time).c_str(),
                  r.largest);
    }
    std::printf("%s]\n", runs.empty() ? "" : "\n");
  }
  return status;
}

}  // namespace klv::tool
