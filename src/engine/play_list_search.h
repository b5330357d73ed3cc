#pragma once
// The motion search over a play list: from a frame of one AVI movie towards an
// end of the list, walking on into the neighbouring AVI entries, a frame at a
// time. The owner opens the entries (the player shows each; klvtool opens its
// own readers) and drives Step from wherever it likes.

#include <functional>

#include "engine/motion_search.h"

namespace klv {

class AviReader;
class JpegDecoder;

// An AVI movie the search may read: its reader and the decoder that walks its
// frame headers.
struct SearchFile {
  AviReader* reader = nullptr;
  JpegDecoder* decoder = nullptr;
};

// What the search needs of its owner.
class SearchHost {
 public:
  virtual ~SearchHost() = default;
  virtual int EntryCount() const = 0;
  virtual bool IsAviEntry(int entry) const = 0;
  // Makes `entry` the movie searched; a file without a reader when it cannot
  // be opened.
  virtual SearchFile OpenEntry(int entry) = 0;
};

struct SearchResult {
  enum class Outcome {
    kFound,     // motion at `frame` of `entry` (or the frame where Stop ended it)
    kNotFound,  // no motion up to the end of the list; `entry` is the file on show
    kFailed,    // an entry of the walk could not be opened; `entry` is that entry
  };
  Outcome outcome = Outcome::kNotFound;
  int entry = -1;
  int frame = -1;  // kFound only
};

class PlayListSearch {
 public:
  explicit PlayListSearch(SearchHost& host) : host_(host) {}

  // Starts at `frame` of `entry`, which `file` has open, going in `direction`
  // (+1 towards the list's end, -1 towards its start) with `threshold`.
  // Frame `frame` is the first reference. Running() tells whether frames are
  // left to examine; else Result() holds the outcome.
  void Start(SearchFile file, int entry, int frame, int direction, int threshold);
  // Examines one more frame, opening the next entry when a file is done.
  // True when the search is over (Result()).
  bool Step();
  // Stop Search: the frame examined last ends the search as found.
  void Stop() { searcher_.MotionSearchStop(); }
  // The movie being searched is closed: a Step before the next Start ends the
  // search without a result.
  void FileClosed() { searcher_.Abandon(); }
  // Ends the search without a result.
  void Cancel() { phase_ = Phase::kIdle; }

  bool Running() const { return phase_ == Phase::kRunning; }
  int Direction() const { return direction_; }
  const SearchResult& Result() const { return result_; }
  MotionSearcher& Searcher() { return searcher_; }
  const MotionSearcher& Searcher() const { return searcher_; }

 private:
  enum class Phase { kIdle, kRunning };
  // Starts the file search; `walked`: an entry the walk opened.
  void BeginFile(SearchFile file, int from, int to, bool walked);
  // One file done: its result ends the search, or the walk goes on.
  void FileDone(const MotionSearchResult& r);
  void Finish(SearchResult::Outcome outcome, int frame);
  // The next AVI entry from `from` in the search's direction; -1: none.
  int NextAviEntry(int from) const;

  SearchHost& host_;
  MotionSearcher searcher_;
  Phase phase_ = Phase::kIdle;  // the one state of the search
  int direction_ = 1;
  int threshold_ = 0;
  int entry_ = -1;
  SearchResult result_;
};

}  // namespace klv
