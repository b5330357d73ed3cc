#pragma once
// The audio output of .ztm playback, and with it the clock of its pictures.
//
// The stream reader hands the ADPCM bytes of the audio packets to a ring of
// 32 KiB (AcceptAudioBytes). From there they move into 16 buffers of 512
// bytes, which go to the wave device one after another; a buffer is decoded
// to PCM as it is handed on, and all counting stays on ADPCM bytes. Every
// picture is credited with the audio bytes recorded while it is on show: when
// that many bytes have moved out of the ring, the engine's `advance` shows
// the next picture and decodes one more.
//
// Threads: everything runs on the user-interface thread except WaveCallback,
// which the device calls on its own thread when a buffer has played. The
// callback posts `AudioBufferMessage` (wParam 0) through `post` while the
// sound runs, and otherwise clears the buffer bookkeeping; `audioLock` guards
// what the two threads share. The engine's hooks are always called without
// the lock held, so they may call back into the output.
//
// Engine use: OpenAudio at the open of a .ztm file; the reader feeds
// AcceptAudioBytes (through PutAudioBytes); StartAudio(5, 3) at play;
// OnBufferDone for each message with wParam 0; EndOfSound when the recording
// has no more; ResetAudio at stop and pause; CloseAudio at the close. An
// underrun (message with wParam 1) has already ended the run and emptied the
// ring, as ResetAudio does, so the refill that follows it primes and starts
// the sound again with StartAudio.
//
// Moving runs five buffers ahead of the sound heard (the three with the
// device and the two filled behind them), and the five primed at the start
// count for no picture: the two balance, and a picture goes up as the sound
// recorded while the picture before it was on show begins to play.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "audio/audio_sink.h"
#include "audio/ima_adpcm.h"
#include "audio/wave_device.h"

namespace klv {

// The window message the output posts to the main window, and its wParams.
inline constexpr int kAudioBufferMessage = 0x501;
inline constexpr int kAudioBufferDone = 0;
inline constexpr int kAudioUnderrun = 1;

class AudioOutput final : public AudioSink {
 public:
  static constexpr int kBufferCount = 16;
  static constexpr int kBufferBytes = 512;  // bufferBytes
  static constexpr int kRingBytes = 32768;
  // Pictures credited with no sound are passed over at once, at most this
  // many (the engine's ring) in one FillBuffers.
  static constexpr int kMaxZeroCreditAdvances = 8;

  AudioOutput() = default;
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;
  ~AudioOutput() override;

  // --- the engine's side, set before OpenAudio --------------------------------
  // ringAudioLength[displayIndex]: the bytes the shown picture waits for.
  std::function<int()> shownPictureCredit;
  // ZtmAdvance: show the next picture, decode one more.
  std::function<void()> advance;
  // Posts AudioBufferMessage with this wParam onto the user-interface thread
  // (called from the device thread for wParam 0).
  std::function<void(int)> post;
  // Makes and opens the wave device (tests); null or unset: OpenWaveDevice.
  // When it gives no device, the null device paces the pictures.
  std::function<std::unique_ptr<WaveDevice>(WaveDevice::Completion)> openDevice;

  // --- operations ----------------------------------------------------------
  // Closes what a previous file opened, allocates the buffers and the ring
  // and opens the device (the null device when no sound device opens). False
  // only when the allocations fail; the bytes are then dropped.
  bool OpenAudio();
  // Copies bytes into the ring while it has room; returns the bytes that did
  // not fit (dropped). Without an open output every byte is dropped.
  int AcceptAudioBytes(const uint8_t* bytes, int n);
  void PutAudioBytes(const uint8_t* data, size_t size) override;
  // Fills up to primeBuffers buffers completely from the ring and sends the
  // first sendBuffers of them; returns the buffers filled. Does nothing and
  // returns 0 while the sound runs.
  int StartAudio(int primeBuffers, int sendBuffers);
  // The sound stops being fed: the ring is emptied; buffers already with the
  // device play out.
  void ResetAudio();
  // The recording's last sound is in the ring: nothing more comes in this
  // run. Once the ring is empty, each buffer the device finishes counts as a
  // buffer's worth moved, so that the pictures whose sound is still queued go
  // up in time; when the device has played everything the run ends and
  // wParam 1 is posted.
  void EndOfSound();
  // For AudioBufferMessage with wParam 0: SendNextBuffer, then FillBuffers.
  void OnBufferDone();
  // Hands the next buffer to the device, or, when it is empty, ends the run
  // and posts wParam 1.
  void SendNextBuffer();
  // Moves up to one buffer's worth from the ring into the buffers, counting
  // the bytes against the shown picture's credit.
  void FillBuffers();
  // Closes the device (no callback after this returns) and frees the buffers.
  void CloseAudio();
  // The device's completion of buffer `id`, on the device's thread.
  void WaveCallback(int id);

  // --- read-only state -------------------------------------------------------
  bool isOpen() const;
  bool started() const;
  bool soundEnded() const;
  int ringCount() const;
  int ringRead() const;
  int ringWrite() const;
  int nextToSend() const;
  int fillIndex() const;
  int count(int buffer) const;
  int bytesSincePicture() const;
  std::string deviceName() const;

 private:
  struct Buffer {
    uint8_t* data = nullptr;
    int count = 0;  // bytes waiting to be sent; 0: empty
  };
  void CopyFromRing(uint8_t* to, int n);
  int SendBuffer(int i);
  bool SendNextLocked();
  void ClearBookkeeping();
  void FreeAreas();

  mutable std::mutex audioLock;
  std::unique_ptr<WaveDevice> waveDevice;
  std::unique_ptr<uint8_t[]> bufferArea_;
  Buffer buffers[kBufferCount];
  std::unique_ptr<uint8_t[]> ring;
  int ringCount_ = 0, ringRead_ = 0, ringWrite_ = 0;
  int nextToSend_ = -1;
  int fillIndex_ = 0;
  bool started_ = false;
  bool soundEnded_ = false;  // EndOfSound in this run
  int unreported_ = 0;       // buffers sent in this run whose completion is not handled yet
  int bytesSincePicture_ = 0;
  ImaBlockStream decoder_;      // the ADPCM stream as sent
  std::vector<int16_t> pcm_;    // one buffer's samples on their way out
};

}  // namespace klv
