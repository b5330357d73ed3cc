#include "export/mp4_writer.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <vector>

#include "platform/output_file.h"
#include "platform/debug_log.h"

namespace klv {
namespace {

// FFmpeg's own messages go to the debug channel; the last error line of this
// thread is kept to explain a failure.
thread_local std::string t_lastLibraryError;

void LogToDebug(void* avcl, int level, const char* fmt, va_list args) {
  if (level > AV_LOG_ERROR && (level > AV_LOG_INFO || !DebugEnabled())) return;
  char line[1024];
  int prefix = 1;
  av_log_format_line2(avcl, level, fmt, args, line, sizeof line, &prefix);
  std::string text(line);
  while (!text.empty() && (text.back() == '\n' || text.back() == '\r')) text.pop_back();
  if (level <= AV_LOG_ERROR) t_lastLibraryError = text;
  DebugOut(text);
}

void RouteLibraryLog() {
  static std::once_flag once;
  std::call_once(once, [] { av_log_set_callback(LogToDebug); });
}

std::string AvErrorText(int code) {
  if (code == AVERROR(ENOSPC) || code == AVERROR(EACCES) || code == AVERROR(EIO) || code == AVERROR(EROFS))
    return std::strerror(AVUNERROR(code));
  char buf[AV_ERROR_MAX_STRING_SIZE] = {};
  av_strerror(code, buf, sizeof buf);
  return buf;
}

}  // namespace

struct Mp4Writer::Impl {
  OutputFile file;
  Mp4Options options;
  int width = 0, height = 0;        // the pictures'
  int encWidth = 0, encHeight = 0;  // rounded up to even
  int64_t pictures = 0;
  int64_t picturePts = 0;  // where the next picture starts, in the picture time base
  int64_t soundPts = 0;    // samples handed to the sound encoder
  std::map<int64_t, int64_t> durations;  // of the pictures the encoder still holds, by start

  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVStream* videoStream = nullptr;
  AVFrame* videoFrame = nullptr;
  SwsContext* sws = nullptr;
  FramePicture padded;  // odd sizes: the picture rounded up to even

  AVCodecContext* audio = nullptr;
  AVStream* audioStream = nullptr;
  AVFrame* audioFrame = nullptr;
  SwrContext* swr = nullptr;
  AVAudioFifo* fifo = nullptr;
  std::vector<float> converted;

  AVPacket* packet = nullptr;

  ~Impl() { Release(); }

  void Release() {
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
      format = nullptr;
    }
    avcodec_free_context(&video);
    avcodec_free_context(&audio);
    av_frame_free(&videoFrame);
    av_frame_free(&audioFrame);
    av_packet_free(&packet);
    sws_freeContext(sws);
    sws = nullptr;
    swr_free(&swr);
    if (fifo != nullptr) {
      av_audio_fifo_free(fifo);
      fifo = nullptr;
    }
    videoStream = audioStream = nullptr;
  }

  // Opens an encoder whose context is filled in and gives it a stream.
  // Empty, or why not.
  std::string StartEncoder(AVCodecContext* enc, const AVCodec* codec, AVDictionary** settings, const char* name,
                           AVStream** stream) {
    if (format->oformat->flags & AVFMT_GLOBALHEADER) enc->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    t_lastLibraryError.clear();
    if (const int r = avcodec_open2(enc, codec, settings); r < 0)
      return std::string("the ") + name + " encoder refused the settings (" +
             (t_lastLibraryError.empty() ? AvErrorText(r) : t_lastLibraryError) + ")";
    *stream = avformat_new_stream(format, nullptr);
    if (*stream == nullptr || avcodec_parameters_from_context((*stream)->codecpar, enc) < 0) return "out of memory";
    (*stream)->time_base = enc->time_base;
    return {};
  }

  // Takes every packet the encoder has ready (all of them when draining) to
  // the muxer. An error code from FFmpeg, or 0.
  int Drain(AVCodecContext* enc, AVStream* stream) {
    for (;;) {
      int r = avcodec_receive_packet(enc, packet);
      if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) return 0;
      if (r < 0) return r;
      if (enc == video) {
        // The encoder may not carry a picture's length over to its packet;
        // the muxer needs it for the last picture.
        const auto d = durations.find(packet->pts);
        if (d != durations.end()) {
          if (packet->duration <= 0) packet->duration = d->second;
          durations.erase(d);
        }
      }
      av_packet_rescale_ts(packet, enc->time_base, stream->time_base);
      packet->stream_index = stream->index;
      r = av_interleaved_write_frame(format, packet);  // takes the packet's data
      if (r < 0) return r;
    }
  }

  int Encode(AVCodecContext* enc, AVStream* stream, AVFrame* frame) {
    const int r = avcodec_send_frame(enc, frame);
    if (r < 0) return r;
    return Drain(enc, stream);
  }

  // Encodes whole frames from the sound queue; with `all`, the last short one too.
  int EncodeQueuedSound(bool all) {
    const int frameSize = audio->frame_size > 0 ? audio->frame_size : 1024;
    while (av_audio_fifo_size(fifo) >= frameSize || (all && av_audio_fifo_size(fifo) > 0)) {
      const int n = std::min(frameSize, av_audio_fifo_size(fifo));
      av_frame_unref(audioFrame);
      audioFrame->format = audio->sample_fmt;
      audioFrame->sample_rate = audio->sample_rate;
      audioFrame->nb_samples = n;
      if (int r = av_channel_layout_copy(&audioFrame->ch_layout, &audio->ch_layout); r < 0) return r;
      if (int r = av_frame_get_buffer(audioFrame, 0); r < 0) return r;
      if (av_audio_fifo_read(fifo, reinterpret_cast<void**>(audioFrame->data), n) != n) return AVERROR(EIO);
      audioFrame->pts = soundPts;
      soundPts += n;
      if (int r = Encode(audio, audioStream, audioFrame); r < 0) return r;
    }
    return 0;
  }

  // Converts sound to the encoder's format and rate into the queue;
  // `samples` null flushes the converter.
  int QueueSound(const int16_t* samples, int count) {
    const int room = swr_get_out_samples(swr, count);
    if (room < 0) return room;
    converted.resize(static_cast<size_t>(room) + 1);
    uint8_t* out[1] = {reinterpret_cast<uint8_t*>(converted.data())};
    const uint8_t* in[1] = {reinterpret_cast<const uint8_t*>(samples)};
    const int got = swr_convert(swr, out, static_cast<int>(converted.size()), samples != nullptr ? in : nullptr, count);
    if (got < 0) return got;
    if (got > 0 && av_audio_fifo_write(fifo, reinterpret_cast<void**>(out), got) != got) return AVERROR(ENOMEM);
    return 0;
  }
};

Mp4Writer::Mp4Writer() = default;
Mp4Writer::~Mp4Writer() { Abort(); }

bool Mp4Writer::IsOpen() const { return impl_ != nullptr; }

bool Mp4Writer::Fail(const std::string& what) {
  const std::string path = impl_ ? impl_->file.Path() : std::string();
  error_ = path.empty() ? what : "cannot write " + path + ": " + what;
  Abort();
  return false;
}

void Mp4Writer::Abort() {
  if (!impl_) return;
  impl_->Release();
  impl_->file.Discard();
  impl_.reset();
}

bool Mp4Writer::Open(const std::string& path, int width, int height, const Mp4Options& options) {
  Abort();
  error_.clear();
  pictures_ = soundSamples_ = 0;
  encodedWidth_ = encodedHeight_ = 0;
  RouteLibraryLog();

  if (width < 1 || height < 1 || width > 16384 || height > 16384) {
    error_ = "cannot write " + path + ": picture size " + std::to_string(width) + "x" + std::to_string(height) +
             " is outside 1..16384";
    return false;
  }
  if (options.rate.num < 1 || options.rate.den < 1 ||
      static_cast<int64_t>(options.rate.num) > 1000LL * options.rate.den) {
    error_ = "cannot write " + path + ": picture rate " + std::to_string(options.rate.num) + "/" +
             std::to_string(options.rate.den) + " is not between 0 and 1000 per second";
    return false;
  }
  if (options.pictureClock < 0 || options.pictureClock > 1000000) {
    error_ = "cannot write " + path + ": picture clock of " + std::to_string(options.pictureClock) +
             " ticks a second is outside 1..1000000";
    return false;
  }
  if (options.crf < 0 || options.crf > 51) {
    error_ = "cannot write " + path + ": quality " + std::to_string(options.crf) + " is outside 0..51";
    return false;
  }
  if (options.sound && (options.soundRate < 1000 || options.soundRate > 192000 || options.soundBitRate < 8000)) {
    error_ = "cannot write " + path + ": sound at " + std::to_string(options.soundRate) + " Hz, " +
             std::to_string(options.soundBitRate) + " bit/s is not supported";
    return false;
  }

  static const char* const kPresets[] = {"ultrafast", "superfast", "veryfast", "faster", "fast",
                                         "medium",    "slow",      "slower",   "veryslow", "placebo"};
  if (std::find(std::begin(kPresets), std::end(kPresets), options.preset) == std::end(kPresets)) {
    error_ = "cannot write " + path + ": unknown H.264 preset \"" + options.preset + "\"";
    return false;
  }

  const AVCodec* h264 = avcodec_find_encoder_by_name("libx264");
  if (h264 == nullptr) {
    error_ = "no H.264 encoder";
    return false;
  }
  const AVCodec* aac = nullptr;
  if (options.sound && (aac = avcodec_find_encoder_by_name("aac")) == nullptr) {
    error_ = "no AAC encoder";
    return false;
  }

  impl_ = std::make_unique<Impl>();
  Impl& m = *impl_;
  if (!m.file.Begin(path)) {
    error_ = m.file.Error();
    impl_.reset();
    return false;
  }
  m.options = options;
  m.width = width;
  m.height = height;
  m.encWidth = encodedWidth_ = (width + 1) & ~1;
  m.encHeight = encodedHeight_ = (height + 1) & ~1;

  // "file:" keeps a name with a colon from reading as a protocol.
  const std::string url = "file:" + m.file.TempPath();
  if (avformat_alloc_output_context2(&m.format, nullptr, "mp4", url.c_str()) < 0 || m.format == nullptr)
    return Fail("the MP4 muxer is missing");
  m.packet = av_packet_alloc();
  m.videoFrame = av_frame_alloc();
  if (m.packet == nullptr || m.videoFrame == nullptr) return Fail("out of memory");

  // Pictures: BGR rows -> yuv420p, tagged as BT.709 limited range.
  m.video = avcodec_alloc_context3(h264);
  if (m.video == nullptr) return Fail("out of memory");
  m.video->width = m.encWidth;
  m.video->height = m.encHeight;
  m.video->pix_fmt = AV_PIX_FMT_YUV420P;
  m.video->time_base = options.pictureClock > 0 ? AVRational {1, options.pictureClock}
                                                : AVRational {options.rate.den, options.rate.num};
  m.video->framerate = AVRational {options.rate.num, options.rate.den};
  m.video->sample_aspect_ratio = AVRational {1, 1};
  m.video->color_range = AVCOL_RANGE_MPEG;
  m.video->colorspace = AVCOL_SPC_BT709;
  m.video->color_primaries = AVCOL_PRI_BT709;
  m.video->color_trc = AVCOL_TRC_BT709;
  m.video->thread_count = options.threads;
  // Pictures of their own lengths without reordering: the container's
  // durations come from decoding times, which reordered pictures of unequal
  // lengths would leave short at the end.
  if (options.pictureClock > 0) m.video->max_b_frames = 0;
  AVDictionary* codecOptions = nullptr;
  av_dict_set(&codecOptions, "preset", options.preset.c_str(), 0);
  av_dict_set(&codecOptions, "crf", std::to_string(options.crf).c_str(), 0);
  // Lossless coding needs the 4:4:4 Predictive profile; everything else is High.
  av_dict_set(&codecOptions, "profile", options.crf == 0 ? "high444" : "high", 0);
  std::string why = m.StartEncoder(m.video, h264, &codecOptions, "H.264", &m.videoStream);
  av_dict_free(&codecOptions);
  if (!why.empty()) return Fail(why);
  m.videoStream->avg_frame_rate = m.video->framerate;

  m.videoFrame->format = AV_PIX_FMT_YUV420P;
  m.videoFrame->width = m.encWidth;
  m.videoFrame->height = m.encHeight;
  if (av_frame_get_buffer(m.videoFrame, 0) < 0) return Fail("out of memory");
  if ((m.encWidth != width || m.encHeight != height) && !m.padded.Create(m.encWidth, m.encHeight))
    return Fail("out of memory");
  m.sws = sws_getContext(m.encWidth, m.encHeight, AV_PIX_FMT_BGR24, m.encWidth, m.encHeight, AV_PIX_FMT_YUV420P,
                         SWS_BICUBIC | SWS_ACCURATE_RND | SWS_FULL_CHR_H_INP, nullptr, nullptr, nullptr);
  if (m.sws == nullptr) return Fail("the picture converter refused the size");
  const int* bt709 = sws_getCoefficients(SWS_CS_ITU709);
  sws_setColorspaceDetails(m.sws, bt709, 1, bt709, 0, 0, 1 << 16, 1 << 16);

  if (options.sound) {
    m.audio = avcodec_alloc_context3(aac);
    m.audioFrame = av_frame_alloc();
    if (m.audio == nullptr || m.audioFrame == nullptr) return Fail("out of memory");
    // The given rate when AAC has it, else the nearest AAC rate above (or the highest).
    int rate = 0;
    for (const int* p = aac->supported_samplerates; p != nullptr && *p != 0; ++p) {
      if (*p >= options.soundRate && (rate == 0 || *p < rate)) rate = *p;
    }
    if (rate == 0) rate = aac->supported_samplerates ? aac->supported_samplerates[0] : options.soundRate;
    m.audio->sample_rate = rate;
    m.audio->sample_fmt = AV_SAMPLE_FMT_FLTP;
    AVChannelLayout mono {};
    av_channel_layout_default(&mono, 1);
    av_channel_layout_copy(&m.audio->ch_layout, &mono);
    m.audio->bit_rate = options.soundBitRate;
    m.audio->time_base = AVRational {1, rate};
    if (!(why = m.StartEncoder(m.audio, aac, nullptr, "AAC", &m.audioStream)).empty()) return Fail(why);

    if (swr_alloc_set_opts2(&m.swr, &mono, AV_SAMPLE_FMT_FLTP, rate, &mono, AV_SAMPLE_FMT_S16,
                            options.soundRate, 0, nullptr) < 0 ||
        swr_init(m.swr) < 0)
      return Fail("the sound converter refused the format");
    m.fifo = av_audio_fifo_alloc(AV_SAMPLE_FMT_FLTP, 1, m.audio->frame_size > 0 ? m.audio->frame_size * 4 : 4096);
    if (m.fifo == nullptr) return Fail("out of memory");
  }

  int r = avio_open(&m.format->pb, url.c_str(), AVIO_FLAG_WRITE);
  if (r < 0) return Fail(AvErrorText(r));
  AVDictionary* muxOptions = nullptr;
  av_dict_set(&muxOptions, "movflags", "+faststart", 0);  // the index first: playback starts while loading
  r = avformat_write_header(m.format, &muxOptions);
  av_dict_free(&muxOptions);
  if (r < 0) return Fail(AvErrorText(r));
  return true;
}

bool Mp4Writer::AddPicture(const FramePicture& picture) {
  return AddPicture(picture, impl_ && impl_->options.pictureClock > 0
                                 ? std::max<int64_t>(1, av_rescale(impl_->options.pictureClock, impl_->options.rate.den,
                                                                   impl_->options.rate.num))
                                 : 1);
}

bool Mp4Writer::AddPicture(const FramePicture& picture, int64_t ticks) {
  if (!impl_) {
    if (error_.empty()) error_ = "no movie is open";
    return false;
  }
  Impl& m = *impl_;
  if (picture.Width() != m.width || picture.Height() != m.height)
    return Fail("picture " + std::to_string(m.pictures) + " is " + std::to_string(picture.Width()) + "x" +
                std::to_string(picture.Height()) + ", the movie " + std::to_string(m.width) + "x" +
                std::to_string(m.height));
  // The encoder may still hold the previous picture's buffer.
  if (av_frame_make_writable(m.videoFrame) < 0) return Fail("out of memory");
  // Odd sizes: the picture is padded to even by repeating its last column
  // and row before conversion, so that colour stays aligned with brightness.
  const FramePicture* source = &picture;
  if (m.encWidth != m.width || m.encHeight != m.height) {
    for (int y = 0; y < m.encHeight; ++y) {
      const uint8_t* from = picture.Row(std::min(y, m.height - 1));
      uint8_t* to = m.padded.Row(y);
      std::memcpy(to, from, static_cast<size_t>(m.width) * 3);
      if (m.encWidth != m.width) std::memcpy(to + m.width * 3, from + (m.width - 1) * 3, 3);
    }
    source = &m.padded;
  }
  const uint8_t* src[1] = {source->Bits()};
  const int srcStride[1] = {source->Stride()};
  sws_scale(m.sws, src, srcStride, 0, m.encHeight, m.videoFrame->data, m.videoFrame->linesize);

  if (ticks < 1) return Fail("picture " + std::to_string(m.pictures) + " lasts no time");
  m.videoFrame->pts = m.picturePts;
  m.durations[m.picturePts] = ticks;
  m.picturePts += ticks;
  if (int r = m.Encode(m.video, m.videoStream, m.videoFrame); r < 0) return Fail(AvErrorText(r));
  pictures_ = ++m.pictures;
  return true;
}

bool Mp4Writer::AddSound(const int16_t* samples, size_t count) {
  if (!impl_) {
    if (error_.empty()) error_ = "no movie is open";
    return false;
  }
  Impl& m = *impl_;
  if (m.audio == nullptr) return Fail("the movie was opened without sound");
  if (samples == nullptr && count > 0) return Fail("no sound samples given");
  while (count > 0) {  // in slices the converter's int counts hold
    const int n = static_cast<int>(std::min<size_t>(count, 1 << 20));
    if (int r = m.QueueSound(samples, n); r < 0) return Fail(AvErrorText(r));
    if (int r = m.EncodeQueuedSound(false); r < 0) return Fail(AvErrorText(r));
    samples += n;
    count -= static_cast<size_t>(n);
    soundSamples_ += n;
  }
  return true;
}

bool Mp4Writer::Finish() {
  if (!impl_) {
    if (error_.empty()) error_ = "no movie is open";
    return false;
  }
  Impl& m = *impl_;
  if (m.pictures == 0) return Fail("no pictures to write");
  int r = m.Encode(m.video, m.videoStream, nullptr);
  if (r < 0) return Fail(AvErrorText(r));
  if (m.audio != nullptr) {
    if ((r = m.QueueSound(nullptr, 0)) < 0 || (r = m.EncodeQueuedSound(true)) < 0 ||
        (r = m.Encode(m.audio, m.audioStream, nullptr)) < 0)
      return Fail(AvErrorText(r));
  }
  if ((r = av_write_trailer(m.format)) < 0) return Fail(AvErrorText(r));
  const int ioError = m.format->pb->error;
  if ((r = avio_closep(&m.format->pb)) < 0 || ioError < 0) return Fail(AvErrorText(r < 0 ? r : ioError));
  m.Release();
  if (!m.file.Commit()) {
    error_ = m.file.Error();
    impl_.reset();
    return false;
  }
  impl_.reset();
  return true;
}

}  // namespace klv
