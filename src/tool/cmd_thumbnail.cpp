// klvtool thumbnail: one representative picture of a movie, small, for file
// managers (the desktop's thumbnailer entry runs it on any AVI or MP4 file,
// so it must say no quickly and cleanly to other people's movies).
//
// AVI: the first event frame of an event-mode movie; otherwise, of at most
// 100 frames spread over the movie and reduced from their DC coefficients
// alone, the one that stands out most from the movie's usual view (each
// block's median over the samples, the frame's overall brightness change
// taken out, so that dusk does not count as an event). .m4v and .ztm: the
// first intra picture a tenth of the way in.
#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/motion_search.h"
#include "engine/player_state.h"
#include "engine/texts.h"
#include "export/png_writer.h"
#include "export/scale.h"
#include "media/avi/avi_reader.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "tool/tool_avi.h"
#include "tool/tool_common.h"

namespace klv::tool {
namespace {

constexpr int kSamples = 100;

// The sampled frame that differs most from the others' median view.
int StandOutFrame(AviReader& avi, JpegDecoder& decoder) {
  const int frames = avi.TotalFrames();
  const int n = std::min(frames, kSamples);
  if (n <= 2) return 0;
  MotionSearcher searcher;
  if (!searcher.Allocate(avi.Width(), avi.Height())) return 0;
  const int w8 = searcher.W8(), h8 = searcher.H8(), stride = searcher.PlaneStride();
  std::vector<int> index(static_cast<size_t>(n));
  std::vector<std::vector<uint8_t>> luma(static_cast<size_t>(n));
  int next = 0;
  for (int j = 0; j < n; ++j) {
    const int i = static_cast<int>(static_cast<int64_t>(j) * (frames - 1) / (n - 1));
    avi.AviWalkHeaders(decoder, next, i);
    searcher.ReduceFrame(avi, decoder, i, 0);
    next = i + 1;
    index[static_cast<size_t>(j)] = i;
    std::vector<uint8_t>& y = luma[static_cast<size_t>(j)];
    y.resize(static_cast<size_t>(w8) * static_cast<size_t>(h8));
    for (int r = 0; r < h8; ++r)
      std::copy_n(searcher.Slot(0).y.data() + static_cast<size_t>(r) * stride, w8, y.data() + static_cast<size_t>(r) * w8);
  }
  const size_t blocks = static_cast<size_t>(w8) * static_cast<size_t>(h8);
  std::vector<uint8_t> median(blocks);
  std::vector<uint8_t> column(static_cast<size_t>(n));
  for (size_t b = 0; b < blocks; ++b) {
    for (int j = 0; j < n; ++j) column[static_cast<size_t>(j)] = luma[static_cast<size_t>(j)][b];
    std::nth_element(column.begin(), column.begin() + n / 2, column.end());
    median[b] = column[static_cast<size_t>(n / 2)];
  }
  int best = 0;
  long long bestCount = -1, bestSum = -1;
  for (int j = 0; j < n; ++j) {
    const std::vector<uint8_t>& y = luma[static_cast<size_t>(j)];
    long long shift = 0;
    for (size_t b = 0; b < blocks; ++b) shift += y[b] - median[b];
    const int mean = static_cast<int>(shift / static_cast<long long>(blocks));
    long long count = 0, sum = 0;
    for (size_t b = 0; b < blocks; ++b) {
      const int d = std::abs(y[b] - median[b] - mean);
      sum += d;
      count += d > 24;
    }
    if (count > bestCount || (count == bestCount && sum > bestSum)) {
      best = index[static_cast<size_t>(j)];
      bestCount = count;
      bestSum = sum;
    }
  }
  return best;
}

int AviThumbnail(const std::string& path, FramePicture* picture) {
  AviReader avi;
  JpegDecoder decoder;
  if (int r = OpenAviOrFail(avi, decoder, path)) return r;
  int target = avi.EventMode() && !avi.EventFrames().empty() ? avi.EventFrames().front() : -1;
  if (target < 0) {
    // The scan walks its own decoder; the chosen frame is decoded afresh.
    AviReader scanAvi;
    JpegDecoder scanDecoder;
    target = scanAvi.AviOpen(path, scanDecoder) == AviOpenStatus::kOk ? StandOutFrame(scanAvi, scanDecoder) : 0;
  }
  if (!picture->Create(avi.Width(), avi.Height())) return Fail("cannot create the picture");
  // The chosen frame, else the next that decodes (a few at most).
  avi.AviWalkHeaders(decoder, 0, target);
  for (int i = target; i < std::min(avi.TotalFrames(), target + 8); ++i)
    if (ReadAndDecodeFrame(avi, decoder, i, *picture)) return kOk;
  return Fail(path + ": no picture can be decoded (not a camera movie?)");
}

int StreamThumbnail(const std::string& path, FramePicture* picture) {
  Mpeg4Decoder decoder;
  const int kib = decoder.OpenStream(path);
  if (kib <= 0 && !decoder.IsOpen()) return Fail(OpenFailureLine(path, MessageKind::NotFound, decoder.FailReason()));
  if (!picture->Create(decoder.PictureWidth(), decoder.PictureHeight())) return Fail("cannot create the picture");
  if (kib >= 10 && decoder.SeekKeyFrame(kib / 10, 1, +1) > 0 && decoder.DecodeNextFrame({picture}).Shown()) return kOk;
  if (decoder.RewindStream() && decoder.DecodeNextFrame({picture}).Shown()) return kOk;
  return Fail(path + ": no picture can be decoded (not a camera stream?)");
}

}  // namespace

int CmdThumbnail(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {"--size"}, &a, &err)) return Usage(err);
  if (a.positional.size() != 2) return Usage("thumbnail takes FILE OUT.png");
  int size = 256;
  if (a.Has("--size") && (!ParseIndex(a.Value("--size"), &size) || size < 8 || size > 4096))
    return Usage("--size takes 8 to 4096 pixels");
  const std::string& path = a.positional[0];
  if (int r = RefuseToReplaceInput(a.positional[1], {path})) return r;
  const SourceKind kind = SourceKindOf(path);
  if (kind == SourceKind::None) return Fail(OpenFailureLine(path, MessageKind::UnknownFormat, ""));
  FramePicture picture;
  if (int r = kind == SourceKind::Avi ? AviThumbnail(path, &picture) : StreamThumbnail(path, &picture)) return r;
  const FramePicture thumbnail = ScaleToFit(picture, size);
  if (!WritePngFile(thumbnail, a.positional[1], &err)) return Fail(err);
  return kOk;
}

}  // namespace klv::tool
