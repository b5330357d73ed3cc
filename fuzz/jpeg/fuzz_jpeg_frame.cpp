// One raw JPEG frame: header walk, whole-frame decode into a picture (whole,
// cut short, and limited to a smaller size), the DC-only walk of the motion
// search, and the decoder's MCU loop against the plain model.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "jpeg/jpeg_reference.h"
#include "media/jpeg/jpeg_decoder.h"
#include "platform/diagnostics.h"

namespace {

class CountingSink : public klv::DiagnosticsSink {
 public:
  bool Visible() const override { return true; }
  void AddLine(std::string_view line) override { chars += line.size(); }
  size_t chars = 0;
};

void Check(bool ok) {
  if (!ok) std::abort();
}

void DecodeAll(const uint8_t* data, size_t size) {
  // Exact-size copy: any read past the frame is caught.
  const std::vector<uint8_t> frame(data, data + size);
  klv::JpegDecoder d;
  klv::DecoderFlags flags;
  CountingSink sink;
  flags.bDumpRTCData = true;
  flags.bForceBW = size > 0 && (data[size - 1] & 1) != 0;
  d.SetFlags(&flags);
  d.SetDiagnostics(&sink);

  klv::JpegFrameInfo fi;
  klv::JpegScanInfo si;
  klv::FrameTimeStamp ts;
  const uint8_t* event = nullptr;
  const int p = d.ParseHeaders(frame.data(), frame.size(), &fi, &si, &ts, &event);
  Check(p <= static_cast<int>(frame.size()));
  if (event != nullptr) Check(event >= frame.data() && event < frame.data() + frame.size());

  // Picture size from the frame when sane, kept small so the model keeps up.
  int w = fi.width, h = fi.height;
  if (w < 1 || w > 160) w = 40;
  if (h < 1 || h > 160) h = 24;
  if (!d.AllocatePlanes(w, h)) return;
  klv::FramePicture pic;
  pic.Create(w, h);
  const std::vector<uint8_t> before(pic.Bits(), pic.Bits() + pic.SizeBytes());
  if (!d.DecodeFrame(frame.data(), frame.size(), pic, 1).Ok()) Check(std::equal(before.begin(), before.end(), pic.Bits()));

  // Cut short.
  if (size > 4) {
    const std::vector<uint8_t> cut(data, data + size * 3 / 4);
    d.DecodeFrame(cut.data(), cut.size(), pic, 2);
  }
  // A picture smaller than the planes.
  klv::FramePicture small;
  small.Create(w > 3 ? w - 3 : 1, h > 5 ? h - 5 : 1);
  d.DecodeFrame(frame.data(), frame.size(), small, 3);

  // The motion search's walk: DC differences and skipped AC codes.
  if (p > 0) {
    d.StartBits(frame.data() + p, frame.size() - static_cast<size_t>(p));
    for (int n = 0; n < 600 && d.JpegError() == 0; ++n) {
      d.DecodeDcDiff(n % 6 >= 4 ? 1 : 0);
      if (d.JpegError() != 0) break;
      d.SkipAc(n % 6 >= 4);
    }

    // The MCU loop against the model, from the same planes.
    static klv::ref::Model* model = new klv::ref::Model();
    klv::ref::Planes pl;
    pl.Allocate(w, h);
    std::copy(d.PlaneY(), d.PlaneY() + pl.y.size(), pl.y.begin());
    std::copy(d.PlaneCb(), d.PlaneCb() + pl.cb.size(), pl.cb.begin());
    std::copy(d.PlaneCr(), d.PlaneCr() + pl.cr.size(), pl.cr.begin());
    int refError = 0;
    const uint8_t* e = frame.data() + p;
    const size_t es = frame.size() - static_cast<size_t>(p);
    const int want = klv::ref::DecodeMcus(*model, e, es, d.Quant(), d.Huff(0, 0), d.Huff(0, 1), pl, &refError);
    const int got = d.DecodeMcus(e, es);
    Check(got == want);
    Check(d.JpegError() == refError);
    Check(std::equal(pl.y.begin(), pl.y.end(), d.PlaneY()));
    Check(std::equal(pl.cb.begin(), pl.cb.end(), d.PlaneCb()));
    Check(std::equal(pl.cr.begin(), pl.cr.end(), d.PlaneCr()));
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size > (1u << 20)) return 0;
  DecodeAll(data, size);
  return 0;
}
