// klvtool search and klvtool scan: the player's motion search over files
// taken as a play list, and a report of every run of motion frames.

#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "engine/motion_search.h"
#include "engine/player.h"
#include "media/avi/avi_reader.h"
#include "platform/format.h"
#include "tool/tool_avi.h"
#include "tool/tool_common.h"

namespace klv::tool {
namespace {

// The player's window as far as a search needs it: the threshold box, the
// search label, the search timer (run here in a loop), the message window.
class HeadlessView : public PlayerView {
 public:
  std::string threshold;
  int searchLabel = 0;
  bool searchTimer = false;
  std::vector<MessageKind> messages;

  void SetEnabled(ControlId, bool) override {}
  void SetVisible(ControlId, bool) override {}
  void SetChecked(ControlId, bool) override {}
  void SetText(ControlId, const std::string&) override {}
  void SetBounds(ControlId, const Rect&) override {}
  void SetFocus(ControlId) override {}
  void SetRange(ControlId, int, int) override {}
  void SetPosition(ControlId, int) override {}
  void SetTickFrequency(ControlId, int) override {}
  void SetCaption(const std::string&) override {}
  void SetStatusPanel(int, const std::string&) override {}
  Size ClientSize() override { return {1037, 666}; }
  Size ScrollBoxClientSize() override { return {800, 600}; }
  Rect WindowBounds() override { return {0, 0, 1045, 720}; }
  void SetWindowBounds(const Rect&) override {}
  Size ScreenSize() override { return {1 << 16, 1 << 16}; }
  void BringToFront() override {}
  void ShowPicture(const FramePicture*) override {}
  void SetListItems(const std::vector<std::string>&) override {}
  void SelectListItem(int) override {}
  void SetHintDelays(int, int) override {}
  void ShowMessage(MessageKind kind) override { messages.push_back(kind); }
  void ShowErrorBox(const std::string&, const std::string&) override {
    messages.push_back(MessageKind::UnknownFormat);
  }
  std::optional<std::string> RunSaveDialog(const std::string&) override { return std::nullopt; }
  std::optional<std::vector<std::string>> RunOpenDialog() override { return std::nullopt; }
  void Beep() override {}
  void SetTimerInterval(int) override {}
  void SetTimerEnabled(bool) override {}
  void ProcessPendingEvents() override {}
  std::string GetText(ControlId id) override {
    return id == ControlId::edtMotionThreshold ? threshold : std::string();
  }
  void ShowSearchLabel(int index) override { searchLabel = index; }
  void SetSearchTimerEnabled(bool on) override { searchTimer = on; }
};

bool ParseThreshold(const std::string& text, int* out) {
  return ParseIndex(text, out) && *out >= 1;
}

int NeedAviFiles(const std::vector<std::string>& files) {
  for (const std::string& f : files)
    if (KindOf(f) != MovieKind::Avi)
      return Fail(f + ": the motion search runs over AVI movies only");
  return kOk;
}

std::string MessageOf(const std::string& path, const std::vector<MessageKind>& messages) {
  const int kind = messages.empty() ? static_cast<int>(MessageKind::NotFound)
                                    : static_cast<int>(messages.back());
  return path + ": " + MessageText(kind);
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

std::string FrameTime(AviReader& avi, int index) {
  // The headers of the frame the search has just read (the frame buffer holds
  // it, or the frame before it when it could not be read).
  avi.decoder.ParseHeaders(avi.pFrameBuffer.data(), static_cast<size_t>(std::max(0, avi.nLastFrameSize)),
                           nullptr, nullptr, &avi.decoder.frameTimeStamp, nullptr);
  std::string date, time;
  avi.FrameDateTime(index * avi.nCapInterval, &date, &time);
  return date + " " + time + Format(".%02d", avi.frameClock.nCentisecond);
}

// Compares every frame of a file with the one before it, as a forward search
// does from frame 0; appends the runs of motion frames.
int ScanFile(const std::string& path, int fileIndex, int threshold, Progress& progress,
             std::vector<MotionRun>* runs) {
  AviReader avi;
  if (int r = OpenAviOrFail(avi, path)) return r;
  MotionSearcher searcher;
  if (!searcher.Allocate(avi.nImageWidth, avi.nImageHeight)) return Fail(path + ": out of memory");
  int cur = 0;
  searcher.ReduceFrame(avi, 0, cur);
  std::unique_ptr<MotionRun> open;
  for (int i = 1; i < avi.nTotalFrames; ++i) {
    const int fresh = 1 - cur;
    searcher.ReduceFrame(avi, i, fresh);
    const int d = searcher.LargestDifference(fresh, cur);
    if (d > threshold) {
      if (!open) {
        open = std::make_unique<MotionRun>();
        open->file = path;
        open->first = i;
        open->time = FrameTime(avi, i);
      }
      open->last = i;
      open->largest = std::max(open->largest, d);
    } else if (open) {
      runs->push_back(std::move(*open));
      open.reset();
    }
    cur = fresh;
    progress.Update(fileIndex, path, i, avi.nTotalFrames);
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

  HeadlessView view;
  view.threshold = Format("%d", threshold);
  Player player(&view);
  // The play list in the order given.
  player.creationTime = [&files](const std::string& path, int64_t* out) {
    const auto it = std::find(files.begin(), files.end(), path);
    *out = it - files.begin();
    return true;
  };
  player.searchSliceMs = 1000;
  player.Initialize();
  for (const std::string& f : files) player.AddToPlayList(f);
  if (player.state.playListCount != static_cast<int>(files.size()))
    return Usage("each FILE may be given once");
  player.RefreshPlayListBox();
  player.StartPlayListItem(startFile - 1);
  if (player.state.kind != SourceKind::Avi)
    return Fail(MessageOf(files[static_cast<size_t>(startFile - 1)], view.messages));
  player.Pause();
  const int last = player.avi.nTotalFrames - 1;
  if (startFrame < 0) startFrame = backward ? last : 0;
  if (startFrame > last)
    return Fail(Format("%s: frame %d is beyond the last frame (%d)",
                       files[static_cast<size_t>(startFile - 1)].c_str(), startFrame, last));
  player.avi.AviSetFrame(startFrame);
  player.ShowFrame(true);

  const size_t messagesBefore = view.messages.size();
  if (backward)
    player.StartBackwardSearch();
  else
    player.StartForwardSearch();
  while (view.searchTimer) player.SearchSlice();
  if (view.messages.size() > messagesBefore || player.state.kind != SourceKind::Avi) {
    const int at = std::clamp(player.state.playListIndex, 0, static_cast<int>(files.size()) - 1);
    return Fail(MessageOf(files[static_cast<size_t>(at)], view.messages));
  }
  std::printf("%s %d %d\n", view.searchLabel == 3 ? "found" : "none", player.state.playListIndex + 1,
              player.avi.nCurFrame);
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
