#include "engine/play_list_search.h"

#include "media/avi/avi_reader.h"

namespace klv {

void PlayListSearch::Start(SearchFile file, int entry, int frame, int direction, int threshold) {
  direction_ = direction > 0 ? 1 : -1;
  threshold_ = threshold;
  entry_ = entry;
  phase_ = Phase::kRunning;
  const int to = direction_ > 0 ? file.reader->TotalFrames() : 0;
  BeginFile(file, frame, to, false);
}

void PlayListSearch::BeginFile(SearchFile file, int from, int to, bool walked) {
  if (walked && from == to) {
    // A file of one frame has nothing to compare: the walk goes on past it.
    FileDone({SearchOutcome::kReachedEnd, -1});
    return;
  }
  if (!searcher_.Begin(*file.reader, *file.decoder, from, to, threshold_)) {
    FileDone({});
    return;
  }
  if (!searcher_.Running()) FileDone(searcher_.Result());
}

bool PlayListSearch::Step() {
  if (phase_ != Phase::kRunning) return true;
  if (!searcher_.Running()) {
    // Its movie was closed under it.
    Finish(SearchResult::Outcome::kNotFound, -1);
    return true;
  }
  if (searcher_.Step()) FileDone(searcher_.Result());
  return phase_ != Phase::kRunning;
}

void PlayListSearch::FileDone(const MotionSearchResult& r) {
  switch (r.outcome) {
    case SearchOutcome::kFound:
      Finish(SearchResult::Outcome::kFound, r.frame);
      return;
    case SearchOutcome::kNoSearch:
      Finish(SearchResult::Outcome::kNotFound, -1);
      return;
    case SearchOutcome::kReachedEnd:
      break;
  }
  const int next = NextAviEntry(entry_);
  if (next < 0) {
    Finish(SearchResult::Outcome::kNotFound, -1);
    return;
  }
  entry_ = next;
  const SearchFile file = host_.OpenEntry(next);
  if (file.reader == nullptr || file.decoder == nullptr) {
    Finish(SearchResult::Outcome::kFailed, -1);
    return;
  }
  const int last = file.reader->TotalFrames() - 1;
  if (direction_ > 0)
    BeginFile(file, 0, last + 1, true);
  else
    BeginFile(file, last, 0, true);
}

void PlayListSearch::Finish(SearchResult::Outcome outcome, int frame) {
  phase_ = Phase::kIdle;
  result_ = {outcome, entry_, frame};
}

// Motion exists in AVI movies only: the walk steps over entries of other
// kinds without opening them.
int PlayListSearch::NextAviEntry(int from) const {
  for (int i = from + direction_; i >= 0 && i < host_.EntryCount(); i += direction_)
    if (host_.IsAviEntry(i)) return i;
  return -1;
}

}  // namespace klv
