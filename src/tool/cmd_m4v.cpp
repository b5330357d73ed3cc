// The .m4v and .ztm branches of klvtool's commands: the player's MPEG-4
// decoder over the stream, picture after picture.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>

#include "engine/player_state.h"
#include "engine/stamp.h"
#include "engine/texts.h"
#include "media/mpeg4/mpeg4_decoder.h"
#include "platform/file_times.h"
#include "platform/format.h"
#include "tool/tool_common.h"
#include "tool/tool_m4v.h"

namespace klv::tool {
namespace {

// An open stream with the player's switches and its picture.
struct M4vSource {
  DecoderFlags flags;
  Mpeg4Decoder decoder;
  FramePicture picture;
  int sizeKiB = 0;
  bool ztm = false;        // a recording with sound and elapsed times
  DosDateTime fileTime;    // .ztm: the file's last write, which its stamps count from
  uint32_t elapsed = 0;    // .ztm: the elapsed time of the picture decoded last
};

// Opens the stream as the player does: a file it refuses gets its message.
int OpenOrFail(M4vSource& s, const std::string& path, bool stamp) {
  s.decoder.SetFlags(&s.flags);
  s.ztm = SourceKindOf(path) == SourceKind::Ztm;
  if (s.ztm) LastWriteDosTime(path, &s.fileTime);
  s.sizeKiB = s.decoder.OpenStream(path);
  if (s.sizeKiB <= 0 && !s.decoder.IsOpen()) {
    return Fail(OpenFailureLine(path, MessageKind::NotFound, s.decoder.FailReason()));
  }
  // The player's picture: 16 rows more for the stamp band, which stays black
  // on .m4v pictures: they get no overlays.
  if (!s.picture.Create(s.decoder.PictureWidth(), s.decoder.BitmapHeight(stamp)))
    return Fail("cannot create the picture");
  return kOk;
}

// The next picture into the source's picture (null: decode only); true when
// one decoded, also one that ends inside the first KiB.
bool Next(M4vSource& s, bool draw) {
  const DecodedFrame f = s.decoder.DecodeNextFrame({draw ? &s.picture : nullptr});
  s.elapsed = f.elapsedTime;
  return f.Shown();
}

// Decodes pictures 0 .. index in order; the picture holds picture `index`.
int DecodeUpTo(M4vSource& s, const std::string& path, int index) {
  for (int i = 0; i <= index; ++i) {
    const uint64_t before = s.decoder.Reader().Position();
    // Only the wanted picture is converted; the ones before only move the stream on.
    if (Next(s, i == index)) continue;
    if (s.decoder.PictureStartsAtOrAfter(before))
      return Fail(Format("%s: picture %d cannot be decoded", path.c_str(), i));
    return Fail(Format("%s: picture %d is beyond the last picture (%d)", path.c_str(), index, i - 1));
  }
  return kOk;
}

}  // namespace

int M4vInfo(const std::string& path) {
  M4vSource s;
  if (int r = OpenOrFail(s, path, false)) return r;
  std::printf("kind: %s\nwidth: %d\nheight: %d\nsize_kib: %d\n", s.ztm ? "ztm" : "m4v",
              s.decoder.PictureWidth(), s.decoder.PictureHeight(), s.sizeKiB);
  return kOk;
}

int M4vFrame(const std::string& path, int index, const std::string& out, bool stamp, int deblock, bool bw) {
  M4vSource s;
  s.flags.g_nDeblockMethod = deblock;
  s.flags.bForceBW = bw;
  if (int r = OpenOrFail(s, path, stamp)) return r;
  if (int r = DecodeUpTo(s, path, index)) return r;
  if (s.ztm)
    DrawZtmOverlays(s.fileTime.date, s.fileTime.time, s.elapsed, stamp, s.picture, nullptr, nullptr);
  if (!WriteBmpFile(s.picture, out)) return Fail(out + ": cannot write the picture");
  return kOk;
}

// Playback stops at the first picture that cannot be decoded; it is the one
// bad picture. The end of the stream is not. Without --out the pictures are
// only decoded (each still becomes the next one's reference); with it they
// are drawn as the player shows them and written.
int M4vDecode(const std::string& path, const std::string& outDir) {
  M4vSource s;
  if (int r = OpenOrFail(s, path, false)) return r;
  if (!outDir.empty()) {
    std::error_code ec;
    std::filesystem::create_directories(outDir, ec);
  }
  int decoded = 0, bad = 0;
  for (;;) {
    const uint64_t before = s.decoder.Reader().Position();
    if (!Next(s, !outDir.empty())) {
      bad = s.decoder.PictureStartsAtOrAfter(before) ? 1 : 0;
      break;
    }
    if (!outDir.empty()) {
      const std::string file = outDir + Format("/frame%05d.bmp", decoded);
      if (!WriteBmpFile(s.picture, file)) return Fail(file + ": cannot write the picture");
    }
    ++decoded;
  }
  std::printf("decoded %d bad %d\n", decoded, bad);
  return kOk;
}

int M4vSave(const std::string& path, int index, const std::string& out) {
  M4vSource s;
  if (int r = OpenOrFail(s, path, false)) return r;
  if (int r = DecodeUpTo(s, path, index)) return r;
  if (!WriteBmpFile(s.picture, out)) return Fail(out + ": cannot write the picture");
  return kOk;
}

}  // namespace klv::tool
