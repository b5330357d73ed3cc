#include "export/clip_export.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <memory>
#include <numeric>
#include <system_error>
#include <thread>

#include "audio/audio_sink.h"
#include "audio/ima_adpcm.h"
#include "engine/frame_jobs.h"
#include "engine/motion_scan.h"
#include "engine/player_state.h"
#include "engine/stamp.h"
#include "engine/texts.h"
#include "export/scale.h"
#include "media/avi/avi_reader.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "platform/file_times.h"

namespace klv {
namespace {

constexpr int kSoundRate = kImaSampleRate;
// The player shows an .m4v picture every 66 ms.
constexpr FrameRate kStreamRate {500, 33};
// Pictures decoded ahead of the encoder stay within about this many bytes.
constexpr size_t kBatchBytes = 64u << 20;

FrameRate Reduced(FrameRate r) {
  const int g = std::gcd(r.num, r.den);
  return g > 1 ? FrameRate {r.num / g, r.den / g} : r;
}

// Samples the ADPCM bytes [0, bytes) of a sound decode to: whole blocks, and
// as much of a block cut short as its bytes carry.
int64_t SamplesOfBytes(int64_t bytes) {
  return bytes / kImaBlockBytes * kImaBlockSamples + ImaSamplesInBlock(static_cast<size_t>(bytes % kImaBlockBytes));
}

// What a light pass over a stream finds: its pictures and the bytes of sound
// in front of them.
struct StreamSummary {
  int pictures = 0;
  int withSound = 0;  // pictures with sound in front of them
  int64_t audioBytes = 0;
};

StreamSummary SummarizeStream(StreamReader& reader) {
  StreamSummary s;
  CountingAudioSink sink;
  reader.SetAudioSink(&sink);
  do {
    int audio = 0;
    if (reader.ReadSidePackets(false, true, &audio, nullptr) == mpeg4::kVopCode) {
      ++s.pictures;
      s.withSound += audio > 0;
    }
  } while (reader.SkipToNextUnit());
  reader.SetAudioSink(nullptr);
  s.audioBytes = static_cast<int64_t>(sink.bytes);
  return s;
}

// A movie of the clip as its open finds it.
struct Movie {
  std::string path;
  SourceKind kind = SourceKind::None;
  int width = 0;   // the player's picture (streams with the stamp band when stamping)
  int height = 0;
  int count = 0;   // frames or pictures
  FrameRate rate {0, 1};
  int64_t audioBytes = 0;
  std::string failure;  // why it cannot be exported; empty: it can
};

Movie OpenMovie(const std::string& path, bool stamp) {
  Movie m;
  m.path = path;
  m.kind = SourceKindOf(path);
  if (m.kind == SourceKind::None) {
    m.failure = OpenFailureLine(path, MessageKind::UnknownFormat, "");
    return m;
  }
  if (m.kind == SourceKind::Avi) {
    AviReader avi;
    JpegDecoder decoder;
    const AviOpenStatus status = avi.AviOpen(path, decoder);
    if (status != AviOpenStatus::kOk) {
      m.failure = AviOpenFailureLine(path, avi, status);
      return m;
    }
    m.width = avi.Width();
    m.height = avi.Height();
    m.count = avi.TotalFrames();
    m.rate = AviPlayRate(avi.Rate(), avi.CapInterval());
    return m;
  }
  StreamReader reader;
  if (reader.OpenStream(path) <= 0 && !reader.IsOpen()) {
    m.failure = OpenFailureLine(path, MessageKind::NotFound,
                                reader.LastError().empty() ? "not a camera stream: its headers cannot be read"
                                                           : reader.LastError());
    return m;
  }
  m.width = reader.Layer().width;
  m.height = reader.Layer().height + (stamp ? 16 : 0);
  const StreamSummary s = SummarizeStream(reader);
  m.count = s.pictures;
  m.audioBytes = m.kind == SourceKind::Ztm ? s.audioBytes : 0;
  m.rate = kStreamRate;
  if (m.audioBytes > 0 && s.withSound > 0) {
    // Pictures a second at the pace of the sound, to a hundredth: each
    // picture with sound in front of it stands for that much time.
    const double seconds = static_cast<double>(SamplesOfBytes(m.audioBytes)) / kSoundRate;
    if (seconds > 0) m.rate = Reduced({std::max(1, static_cast<int>(s.withSound / seconds * 100 + 0.5)), 100});
  }
  if (m.count == 0) m.failure = path + ": the stream holds no pictures";
  return m;
}

// Frames [first, last] of movie `movie`.
struct Segment {
  int movie = 0;
  int first = 0;
  int last = 0;
};

// One picture on its way to the encoder.
struct ClipFrame {
  FramePicture picture;
  bool shown = false;    // false: nothing to encode (a damaged AVI or .m4v frame)
  bool damaged = false;
  int64_t ticks = 0;     // its length on the picture clock (with sound)
  std::vector<int16_t> sound;  // .ztm: its sound; others get silence for their ticks
};

// Scales a movie's picture into the clip's size, aspect kept, on black.
class Framer {
 public:
  Framer(int width, int height) : width_(width), height_(height) {}
  // Puts `picture` into `out` at the clip's size.
  void Place(const FramePicture& picture, FramePicture& out) const {
    if (picture.Width() == width_ && picture.Height() == height_) {
      out = picture;
      return;
    }
    if (out.Width() != width_ || out.Height() != height_) out.Create(width_, height_);
    for (int y = 0; y < height_; ++y) std::memset(out.Row(y), 0, static_cast<size_t>(width_) * 3);
    const PictureSize fit = FitSize(picture.Width(), picture.Height(), width_, height_, true);
    const FramePicture scaled = ScalePicture(picture, fit.width, fit.height);
    if (scaled.Empty()) return;
    const int x0 = (width_ - fit.width) / 2;
    const int y0 = (height_ - fit.height) / 2;
    for (int y = 0; y < fit.height; ++y)
      std::memcpy(out.Row(y0 + y) + static_cast<size_t>(x0) * 3, scaled.Row(y), static_cast<size_t>(fit.width) * 3);
  }

 private:
  int width_;
  int height_;
};

// An AVI movie read by one worker: chunks go forward, each frame stamped as
// the player stamps it and placed in the clip's picture.
struct AviFrames {
  int movie = -1;
  AviFrameCursor cursor;

  void Take(int index, bool stamp, const Framer& framer, ClipFrame& out) {
    out.shown = cursor.Decode(index);
    out.damaged = !out.shown;
    if (!out.shown) return;
    AviReader& avi = cursor.Reader();
    DrawAviOverlays(avi, cursor.Decoder().TimeStamp(), cursor.Picture(), avi.ElapsedSeconds(index), stamp, nullptr,
                    nullptr);
    framer.Place(cursor.Picture(), out.picture);
  }
};

// An .m4v stream or a .ztm recording, decoded picture after picture from its
// start by one decoder. A .ztm picture is handed on once the picture after it
// has been read, since the sound in front of that one is its own.
class StreamFrames {
 public:
  bool Open(const Movie& movie, bool stamp, int exportFirst) {
    ztm_ = movie.kind == SourceKind::Ztm;
    withSound_ = ztm_ && movie.audioBytes > 0;
    stamp_ = stamp;
    first_ = exportFirst;
    meanTicks_ = movie.count > 0 ? SamplesOfBytes(movie.audioBytes) / movie.count : 0;
    if (ztm_) LastWriteDosTime(movie.path, &fileTime_);
    decoder_.SetFlags(&flags_);
    decoder_.SetAudioSink(&sink_);
    if (decoder_.OpenStream(movie.path) <= 0 && !decoder_.IsOpen()) return false;
    for (FramePicture& p : pictures_)
      if (!p.Create(decoder_.PictureWidth(), decoder_.BitmapHeight(stamp))) return false;
    return true;
  }

  // Picture `index` (the one after the last taken), with its sound.
  void Take(int index, const Framer& framer, ClipFrame& out) {
    while (decoded_ <= index + (withSound_ ? 1 : 0) && !ended_) DecodeNext(decoded_ >= first_);
    if (decoded_ <= index) {
      out.damaged = true;  // the stream ended before it
      return;
    }
    const int slot = index & 1;
    out.shown = true;
    out.damaged = damaged_[slot];
    if (damaged_[slot] && !ztm_) {
      out.shown = false;
      return;
    }
    // A damaged .ztm picture keeps the place of the one before it.
    if (!damaged_[slot]) {
      framer.Place(pictures_[slot], lastGood_);
      hasGood_ = true;
    } else if (!hasGood_) {
      framer.Place(pictures_[slot], lastGood_);  // nothing before it: the black of a new picture
    }
    out.picture = lastGood_;
    if (!withSound_) return;
    // Its sound: from the end of the sound in front of it (from the start of
    // the file for picture 0) to the end of the sound in front of the next.
    const int64_t from = index == 0 ? 0 : audioEnd_[slot];
    int64_t to = audioEnd_[slot ^ 1];
    const bool last = decoded_ <= index + 1;  // no picture after it
    if (index == first_ && index > 0) soundAt_ = SamplesOfBytes(from);
    const int64_t start = index == first_ ? SamplesOfBytes(from) : soundAt_;
    if (last) to = static_cast<int64_t>(sink_.bytes.size()) + dropped_;
    const int64_t end = SamplesOfBytes(to);
    AppendSound(start, end, out.sound);
    if (last && end == start) out.sound.assign(static_cast<size_t>(std::max<int64_t>(meanTicks_, 1)), 0);
    out.ticks = static_cast<int64_t>(out.sound.size());
    soundAt_ = end;
    if (out.ticks == 0) out.shown = false;  // no sound: passed over, as playback passes over it
  }

 private:
  void DecodeNext(bool draw) {
    const int slot = decoded_ & 1;
    const uint64_t before = decoder_.Reader().Position();
    const DecodedFrame f = decoder_.DecodeNextFrame({draw ? &pictures_[slot] : nullptr, false, true});
    if (!f.Shown()) {
      if (!decoder_.PictureStartsAtOrAfter(before)) {
        ended_ = true;
        return;
      }
      // A picture that cannot be decoded: on from the next intra picture.
      damaged_[slot] = true;
      const int at = static_cast<int>(before / 1024) + 1;
      if (!decoder_.Reader().HasView() && decoder_.SeekKeyFrame(at, 1, +1) <= 0) ended_ = true;
    } else {
      damaged_[slot] = false;
      if (draw && ztm_) DrawZtmOverlays(fileTime_.date, fileTime_.time, f.elapsedTime, stamp_, pictures_[slot], nullptr, nullptr);
    }
    audioEnd_[slot] = static_cast<int64_t>(sink_.bytes.size()) + dropped_;
    ++decoded_;
    // Sound already handed on is not needed again.
    const int64_t keepFrom = std::min(audioEnd_[0], audioEnd_[1]) / kImaBlockBytes * kImaBlockBytes - kImaBlockBytes;
    if (keepFrom - dropped_ > (1 << 16)) {
      sink_.bytes.erase(sink_.bytes.begin(), sink_.bytes.begin() + (keepFrom - dropped_));
      dropped_ = keepFrom;
    }
  }

  // Samples [start, end) of the recording's sound.
  void AppendSound(int64_t start, int64_t end, std::vector<int16_t>& out) {
    int16_t block[kImaBlockSamples];
    for (int64_t b = std::max<int64_t>(start / kImaBlockSamples, dropped_ / kImaBlockBytes);
         b * kImaBlockSamples < end; ++b) {
      const int64_t at = b * kImaBlockBytes - dropped_;
      const int64_t have = static_cast<int64_t>(sink_.bytes.size()) - at;
      if (at < 0 || have <= 0) break;
      const int n = DecodeImaBlock(sink_.bytes.data() + at, static_cast<size_t>(std::min<int64_t>(have, kImaBlockBytes)), block);
      for (int i = 0; i < n; ++i) {
        const int64_t s = b * kImaBlockSamples + i;
        if (s >= start && s < end) out.push_back(block[i]);
      }
    }
  }

  DecoderFlags flags_;
  Mpeg4Decoder decoder_;
  CollectingAudioSink sink_;
  int64_t dropped_ = 0;  // sound bytes no longer kept in the sink
  FramePicture pictures_[2];
  bool damaged_[2] = {false, false};
  int64_t audioEnd_[2] = {0, 0};  // sound bytes read up to the end of each picture's
  FramePicture lastGood_;
  bool hasGood_ = false;
  int decoded_ = 0;
  bool ended_ = false;
  bool ztm_ = false;
  bool withSound_ = false;
  bool stamp_ = false;
  int first_ = 0;
  int64_t soundAt_ = 0;    // where the sound handed on so far ends, in samples
  int64_t meanTicks_ = 0;  // samples of sound a picture, for a last picture with none after it
  DosDateTime fileTime_;
};

// Ticks of pictures at `rate` on a clock of `clock` ticks a second, without
// drifting over a long run.
class RateTicks {
 public:
  RateTicks(FrameRate rate, int clock) : rate_(rate), clock_(clock) {}
  int64_t Next() {
    rest_ += static_cast<int64_t>(clock_) * rate_.den;
    const int64_t t = rest_ / rate_.num;
    rest_ -= t * rate_.num;
    return std::max<int64_t>(t, 1);
  }

 private:
  FrameRate rate_;
  int clock_;
  int64_t rest_ = 0;
};

}  // namespace

FrameRate PlayerRateOf(const std::string& path) {
  const Movie m = OpenMovie(path, false);
  return m.failure.empty() ? m.rate : FrameRate {0, 1};
}

ClipResult ClipExport::Run(const std::vector<ClipPart>& parts, const ClipOptions& options,
                           const std::atomic<bool>* stop) {
  ClipResult result;
  const auto cancelled = [&] {
    return cancel_.load(std::memory_order_relaxed) || (stop != nullptr && stop->load(std::memory_order_relaxed));
  };
  const auto fail = [&](const std::string& why) {
    result.status = ClipResult::Status::kFailed;
    result.error = why;
    return result;
  };
  const auto cancel = [&] {
    result.status = ClipResult::Status::kCancelled;
    result.error = "cancelled";
    return result;
  };

  // The movie must not take the place of one it is made from.
  for (const ClipPart& part : parts) {
    std::error_code ec;
    if (std::filesystem::equivalent(options.output, part.path, ec))
      return fail("cannot write " + options.output + ": it is one of the movies to export");
  }

  // ---- the movies and what of them goes in ---------------------------------------
  std::vector<Movie> movies;
  std::vector<Segment> segments;
  for (const ClipPart& part : parts) {
    Movie m = OpenMovie(part.path, options.stamp);
    if (!m.failure.empty()) {
      result.notes.push_back(m.failure);
      continue;
    }
    const int last = part.last < 0 ? m.count - 1 : std::min(part.last, m.count - 1);
    if (part.first > last) {
      result.notes.push_back(part.path + ": nothing from frame " + std::to_string(part.first) + " on (" +
                             std::to_string(m.count) + " frames)");
      continue;
    }
    movies.push_back(m);
    segments.push_back({static_cast<int>(movies.size()) - 1, std::max(0, part.first), last});
  }
  if (segments.empty()) return fail(result.notes.empty() ? "nothing to export" : result.notes.front());
  if (cancelled()) return cancel();

  if (options.motionOnly) {
    // Motion is measured in AVI movies; a stream or a recording (the camera's
    // own event recordings) goes in whole.
    std::vector<ScanFile> files;
    for (const Movie& m : movies) files.push_back({m.path, m.kind == SourceKind::Avi ? m.count : 0});
    ScanOptions scan;
    scan.jobs = options.jobs;
    scan.stopped = cancelled;
    if (progress) scan.progress = [this](int64_t done, int64_t total) { progress({done, total, true}); };
    const ScanResult scanned = ScanFrameChanges(files, scan);
    if (scanned.stopped || cancelled()) return cancel();
    std::vector<Segment> runs;
    for (const Segment& s : segments) {
      if (movies[static_cast<size_t>(s.movie)].kind != SourceKind::Avi) {
        runs.push_back(s);
        continue;
      }
      if (scanned.failed[static_cast<size_t>(s.movie)]) {
        result.notes.push_back(movies[static_cast<size_t>(s.movie)].path + ": cannot be read again");
        continue;
      }
      const std::vector<FrameSpan> spans =
          RunsWithContext(FindMotionRuns(scanned.changes[static_cast<size_t>(s.movie)], options.threshold),
                          options.context, movies[static_cast<size_t>(s.movie)].count);
      for (const FrameSpan& span : spans) {
        const int first = std::max(span.first, s.first), last = std::min(span.last, s.last);
        if (first <= last) runs.push_back({s.movie, first, last});
      }
    }
    segments = std::move(runs);
    if (segments.empty()) return fail("no motion found in the frames to export");
  }

  // ---- the movie's shape -------------------------------------------------------------
  const Movie& lead = movies[static_cast<size_t>(segments.front().movie)];
  result.width = lead.width;
  result.height = lead.height;
  result.rate = options.rate.num > 0 ? Reduced(options.rate) : lead.rate;
  result.sound = std::any_of(segments.begin(), segments.end(), [&](const Segment& s) {
    return movies[static_cast<size_t>(s.movie)].audioBytes > 0;
  });
  int64_t total = 0;
  for (const Segment& s : segments) total += s.last - s.first + 1;

  Mp4Options mp4;
  mp4.rate = result.rate;
  mp4.crf = options.crf;
  mp4.preset = options.preset;
  mp4.threads = options.encoderThreads;
  mp4.sound = result.sound;
  mp4.soundRate = kSoundRate;
  // With sound, pictures are timed on its sample clock.
  mp4.pictureClock = result.sound ? kSoundRate : 0;
  Mp4Writer writer;
  if (!writer.Open(options.output, result.width, result.height, mp4)) return fail(writer.Error());

  // ---- decoding ahead of the encoder, in batches -------------------------------------
  const int jobs = JobCount(options.jobs);
  const size_t pictureBytes = static_cast<size_t>(Stride24(result.width)) * static_cast<size_t>(result.height);
  const int batch = static_cast<int>(std::clamp<size_t>(kBatchBytes / 2 / std::max<size_t>(pictureBytes, 1), 2,
                                                        static_cast<size_t>(4 * jobs + 4)));
  const Framer framer(result.width, result.height);

  // The frames in order, as (segment, frame) pairs, cut into batches; in a
  // batch each worker's task is a run of one movie's frames.
  struct Task {
    int movie = 0;
    int first = 0;  // frame
    int count = 0;
    int slot = 0;   // of its first frame in the batch
  };
  std::vector<std::unique_ptr<AviFrames>> aviWorkers(static_cast<size_t>(jobs));
  std::vector<std::unique_ptr<StreamFrames>> streams(movies.size());
  std::vector<std::string> streamFailure(movies.size());
  std::vector<std::vector<ClipFrame>> buffers(2, std::vector<ClipFrame>(static_cast<size_t>(batch)));
  std::vector<std::vector<Task>> plans(2);
  std::vector<int> batchSizes(2, 0);

  size_t seg = 0;
  int frameInSeg = segments.empty() ? 0 : segments[0].first;
  // Plans the next batch into plan/buffer `b`; false when nothing is left.
  const auto planBatch = [&](int b) {
    std::vector<Task>& plan = plans[static_cast<size_t>(b)];
    plan.clear();
    int slot = 0;
    while (slot < batch && seg < segments.size()) {
      const Segment& s = segments[seg];
      const int n = std::min(batch - slot, s.last - frameInSeg + 1);
      const bool avi = movies[static_cast<size_t>(s.movie)].kind == SourceKind::Avi;
      // AVI frames shared out among the workers; a stream's go to one.
      const int pieces = avi ? std::min(jobs, n) : 1;
      for (int p = 0, done = 0; p < pieces; ++p) {
        const int k = (n - done) / (pieces - p);
        plan.push_back({s.movie, frameInSeg + done, k, slot + done});
        done += k;
      }
      slot += n;
      frameInSeg += n;
      if (frameInSeg > s.last && ++seg < segments.size()) frameInSeg = segments[seg].first;
    }
    batchSizes[static_cast<size_t>(b)] = slot;
    return slot > 0;
  };
  const auto decodeBatch = [&](int b) {
    std::vector<ClipFrame>& frames = buffers[static_cast<size_t>(b)];
    const std::vector<Task>& plan = plans[static_cast<size_t>(b)];
    RunJobs(jobs, plan.size(), [&](int w, size_t t) {
      const Task& task = plan[t];
      const Movie& movie = movies[static_cast<size_t>(task.movie)];
      for (int i = 0; i < task.count; ++i) {
        ClipFrame& out = frames[static_cast<size_t>(task.slot + i)];
        out.shown = out.damaged = false;
        out.ticks = 0;
        out.sound.clear();
      }
      if (movie.kind == SourceKind::Avi) {
        std::unique_ptr<AviFrames>& reader = aviWorkers[static_cast<size_t>(w)];
        if (!reader || reader->movie != task.movie || reader->cursor.Next() > task.first) {
          reader = std::make_unique<AviFrames>();
          reader->movie = task.movie;
          if (!reader->cursor.Open(movie.path)) {
            reader.reset();
            for (int i = 0; i < task.count; ++i) frames[static_cast<size_t>(task.slot + i)].damaged = true;
            return;
          }
        }
        for (int i = 0; i < task.count && !cancelled(); ++i)
          reader->Take(task.first + i, options.stamp, framer, frames[static_cast<size_t>(task.slot + i)]);
        return;
      }
      std::unique_ptr<StreamFrames>& stream = streams[static_cast<size_t>(task.movie)];
      if (!stream && streamFailure[static_cast<size_t>(task.movie)].empty()) {
        stream = std::make_unique<StreamFrames>();
        int first = movie.count;
        for (const Segment& s : segments)
          if (s.movie == task.movie) first = std::min(first, s.first);
        if (!stream->Open(movie, options.stamp, first)) {
          stream.reset();
          streamFailure[static_cast<size_t>(task.movie)] = movie.path + ": cannot be read again";
        }
      }
      for (int i = 0; i < task.count && !cancelled(); ++i) {
        ClipFrame& out = frames[static_cast<size_t>(task.slot + i)];
        if (!stream) {
          out.damaged = true;
          continue;
        }
        stream->Take(task.first + i, framer, out);
      }
    });
  };

  RateTicks rateTicks(result.rate, kSoundRate);
  int64_t written = 0, damaged = 0, clockTicks = 0;
  std::vector<int16_t> silence;
  if (!planBatch(0)) return fail("nothing to export");
  decodeBatch(0);
  for (int b = 0;; b ^= 1) {
    if (cancelled()) return cancel();
    // The next batch decodes while this one is encoded.
    const bool more = planBatch(b ^ 1);
    std::thread ahead;
    if (more) {
      try {
        ahead = std::thread(decodeBatch, b ^ 1);
      } catch (const std::system_error&) {
        decodeBatch(b ^ 1);  // no thread to be had: first this batch, then the next
      }
    }
    bool ok = true;
    std::string why;
    for (int i = 0; i < batchSizes[static_cast<size_t>(b)] && ok && !cancelled(); ++i) {
      ClipFrame& f = buffers[static_cast<size_t>(b)][static_cast<size_t>(i)];
      if (f.damaged) ++damaged;
      if (!f.shown) continue;
      if (result.sound) {
        if (f.ticks == 0) {
          // A picture without sound of its own: silence at the clip's rate.
          f.ticks = rateTicks.Next();
          silence.assign(static_cast<size_t>(f.ticks), 0);
          ok = writer.AddPicture(f.picture, f.ticks) && writer.AddSound(silence.data(), silence.size());
        } else {
          ok = writer.AddPicture(f.picture, f.ticks) && writer.AddSound(f.sound.data(), f.sound.size());
        }
        clockTicks += f.ticks;
      } else {
        ok = writer.AddPicture(f.picture);
      }
      if (ok) ++written;
      if (ok && progress) progress({written + damaged, total, false});
    }
    if (ahead.joinable()) ahead.join();
    if (!ok) return fail(writer.Error());
    if (cancelled()) {
      writer.Abort();
      return cancel();
    }
    if (!more) break;
  }
  for (const std::string& f : streamFailure)
    if (!f.empty()) result.notes.push_back(f);
  result.damaged = damaged;
  if (written == 0) {
    writer.Abort();
    return fail(damaged > 0 ? "no frame of the clip could be decoded" : "nothing to export");
  }
  if (!writer.Finish()) return fail(writer.Error());
  result.pictures = written;
  result.seconds = result.sound ? static_cast<double>(clockTicks) / kSoundRate
                                : static_cast<double>(written) * result.rate.den / result.rate.num;
  result.status = ClipResult::Status::kDone;
  return result;
}

}  // namespace klv
