#include "export/mp4_probe.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/pixdesc.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <cstdio>
#include <limits>
#include <memory>

namespace klv::test {
namespace {

// The order of the top-level boxes, read straight from the bytes.
void ReadTopBoxes(const std::string& path, ProbedMovie* m) {
  FILE* f = std::fopen(path.c_str(), "rb");
  if (f == nullptr) return;
  long moov = -1, mdat = -1, at = 0;
  unsigned char h[16];
  while (std::fseek(f, at, SEEK_SET) == 0 && std::fread(h, 1, 8, f) == 8) {
    uint64_t size = (uint64_t {h[0]} << 24) | (uint64_t {h[1]} << 16) | (uint64_t {h[2]} << 8) | h[3];
    const std::string type(reinterpret_cast<char*>(h + 4), 4);
    if (size == 1) {
      if (std::fread(h + 8, 1, 8, f) != 8) break;
      size = 0;
      for (int i = 8; i < 16; ++i) size = size << 8 | h[i];
    }
    if (type == "ftyp" && std::fread(h, 1, 4, f) == 4) m->brand.assign(reinterpret_cast<char*>(h), 4);
    if (type == "moov" && moov < 0) moov = at;
    if (type == "mdat" && mdat < 0) mdat = at;
    if (size < 8) break;
    at += static_cast<long>(size);
  }
  std::fclose(f);
  m->indexFirst = moov >= 0 && mdat >= 0 && moov < mdat;
}

struct Closer {
  void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
  void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
  void operator()(AVFrame* f) const { av_frame_free(&f); }
  void operator()(AVPacket* p) const { av_packet_free(&p); }
};

FramePicture ToBgr(const AVFrame* f) {
  FramePicture p;
  if (!p.Create(f->width, f->height)) return p;
  SwsContext* sws = sws_getContext(f->width, f->height, static_cast<AVPixelFormat>(f->format), f->width,
                                   f->height, AV_PIX_FMT_BGR24, SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INT,
                                   nullptr, nullptr, nullptr);
  // As a player does: the matrix and range the stream is tagged with.
  const int cs = f->colorspace == AVCOL_SPC_BT709 ? SWS_CS_ITU709 : SWS_CS_ITU601;
  sws_setColorspaceDetails(sws, sws_getCoefficients(cs), f->color_range == AVCOL_RANGE_JPEG, sws_getCoefficients(cs),
                           1, 0, 1 << 16, 1 << 16);
  uint8_t* dst[1] = {p.Bits()};
  const int stride[1] = {p.Stride()};
  sws_scale(sws, f->data, f->linesize, 0, f->height, dst, stride);
  sws_freeContext(sws);
  return p;
}

}  // namespace

const ProbedStream* ProbedMovie::Find(const std::string& codec) const {
  for (const ProbedStream& s : streams)
    if (s.codec == codec) return &s;
  return nullptr;
}

ProbedMovie ProbeMovie(const std::string& path, bool decode) {
  ProbedMovie m;
  av_log_set_level(AV_LOG_ERROR);
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) {
    m.error = "cannot open " + path;
    return m;
  }
  std::unique_ptr<AVFormatContext, Closer> fmt(raw);
  if (avformat_find_stream_info(fmt.get(), nullptr) < 0) {
    m.error = "no stream info";
    return m;
  }
  ReadTopBoxes(path, &m);
  std::vector<std::unique_ptr<AVCodecContext, Closer>> decoders(fmt->nb_streams);
  for (unsigned i = 0; i < fmt->nb_streams; ++i) {
    const AVStream* st = fmt->streams[i];
    const AVCodecParameters* par = st->codecpar;
    ProbedStream s;
    s.codec = avcodec_get_name(par->codec_id);
    s.width = par->width;
    s.height = par->height;
    s.rateNum = st->avg_frame_rate.num;
    s.rateDen = st->avg_frame_rate.den;
    s.storedFrames = st->nb_frames;
    if (st->duration != AV_NOPTS_VALUE) s.duration = static_cast<double>(st->duration) * av_q2d(st->time_base);
    s.sampleRate = par->sample_rate;
    s.channels = par->ch_layout.nb_channels;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      const char* pf = av_get_pix_fmt_name(static_cast<AVPixelFormat>(par->format));
      s.pixelFormat = pf ? pf : "";
      s.colorSpace = av_color_space_name(par->color_space) ? av_color_space_name(par->color_space) : "";
    }
    const char* prof = avcodec_profile_name(par->codec_id, par->profile);
    s.profile = prof ? prof : "";
    m.streams.push_back(s);
    if (!decode) continue;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) continue;
    decoders[i].reset(avcodec_alloc_context3(codec));
    avcodec_parameters_to_context(decoders[i].get(), par);
    decoders[i]->pkt_timebase = st->time_base;
    decoders[i]->thread_count = 1;
    if (avcodec_open2(decoders[i].get(), codec, nullptr) < 0) decoders[i].reset();
  }
  m.ok = true;
  if (!decode) return m;

  std::unique_ptr<AVPacket, Closer> pkt(av_packet_alloc());
  std::unique_ptr<AVFrame, Closer> frame(av_frame_alloc());
  bool firstSound = true;
  auto take = [&](unsigned index) {
    AVCodecContext* dec = decoders[index].get();
    const AVStream* st = fmt->streams[index];
    while (avcodec_receive_frame(dec, frame.get()) == 0) {
      const double t = frame->best_effort_timestamp == AV_NOPTS_VALUE
                           ? 0
                           : static_cast<double>(frame->best_effort_timestamp) * av_q2d(st->time_base);
      if (dec->codec_type == AVMEDIA_TYPE_VIDEO) {
        m.pictures.push_back(ToBgr(frame.get()));
        m.pictureTimes.push_back(t);
      } else if (dec->codec_type == AVMEDIA_TYPE_AUDIO && frame->format == AV_SAMPLE_FMT_FLTP) {
        if (firstSound) {
          m.soundStart = t;
          m.soundRate = frame->sample_rate;
          firstSound = false;
        }
        const float* s = reinterpret_cast<const float*>(frame->data[0]);
        m.sound.insert(m.sound.end(), s, s + frame->nb_samples);
      }
      av_frame_unref(frame.get());
    }
  };
  while (av_read_frame(fmt.get(), pkt.get()) >= 0) {
    const unsigned index = static_cast<unsigned>(pkt->stream_index);
    if (index < decoders.size() && decoders[index]) {
      avcodec_send_packet(decoders[index].get(), pkt.get());
      take(index);
    }
    av_packet_unref(pkt.get());
  }
  for (unsigned i = 0; i < decoders.size(); ++i) {
    if (!decoders[i]) continue;
    avcodec_send_packet(decoders[i].get(), nullptr);
    take(i);
  }
  return m;
}

double Psnr(const FramePicture& a, const FramePicture& b, int width, int height) {
  double sum = 0;
  for (int y = 0; y < height; ++y) {
    const uint8_t* pa = a.Row(y);
    const uint8_t* pb = b.Row(y);
    for (int i = 0; i < width * 3; ++i) {
      const double d = static_cast<double>(pa[i]) - pb[i];
      sum += d * d;
    }
  }
  if (sum == 0) return std::numeric_limits<double>::infinity();
  const double mse = sum / (static_cast<double>(width) * height * 3);
  return 10.0 * std::log10(255.0 * 255.0 / mse);
}

}  // namespace klv::test
