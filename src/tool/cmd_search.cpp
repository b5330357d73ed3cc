// klvtool search: the player's motion search over files taken as a play list.

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/play_list_search.h"
#include "engine/player_state.h"
#include "engine/texts.h"
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
      failure_ = AviOpenFailureLine(path, *avi_, status);
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
    if (!ParseFilePosition(a.Value("--start"), static_cast<int>(files.size()), &startFile, &startFrame))
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

}  // namespace klv::tool
