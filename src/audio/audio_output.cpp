#include "audio/audio_output.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "audio/null_wave_device.h"

namespace klv {

using Lock = std::lock_guard<std::mutex>;

AudioOutput::~AudioOutput() { CloseAudio(); }

bool AudioOutput::OpenAudio() {
  CloseAudio();  // the device of the previous file
  // Zero-filled, as the wave buffers always were.
  std::unique_ptr<uint8_t[]> area(new (std::nothrow) uint8_t[kBufferCount * kBufferBytes]());
  std::unique_ptr<uint8_t[]> newRing(new (std::nothrow) uint8_t[kRingBytes]());
  if (!area || !newRing) return false;

  auto done = [this](int id) { WaveCallback(id); };
  std::unique_ptr<WaveDevice> device = openDevice ? openDevice(done) : OpenWaveDevice(done);
  if (!device) {
    device = std::make_unique<NullWaveDevice>();
    device->Open(done);
  }
  Lock lock(audioLock);
  bufferArea_ = std::move(area);
  ring = std::move(newRing);
  for (int i = 0; i < kBufferCount; ++i) buffers[i] = {bufferArea_.get() + i * kBufferBytes, 0};
  ringCount_ = ringRead_ = ringWrite_ = 0;
  nextToSend_ = -1;
  fillIndex_ = 0;
  started_ = false;
  bytesSincePicture_ = 0;
  decoder_.Reset();
  waveDevice = std::move(device);
  return true;
}

void AudioOutput::CloseAudio() {
  std::unique_ptr<WaveDevice> device;
  {
    Lock lock(audioLock);
    started_ = false;
    device = std::move(waveDevice);
  }
  // Without the lock: the device's thread may be waiting for it to report.
  if (device) device->Close();
  Lock lock(audioLock);
  FreeAreas();
}

void AudioOutput::FreeAreas() {
  for (Buffer& b : buffers) b = {};
  bufferArea_.reset();
  ring.reset();
  ringCount_ = ringRead_ = ringWrite_ = 0;
  nextToSend_ = -1;
  fillIndex_ = 0;
}

int AudioOutput::AcceptAudioBytes(const uint8_t* bytes, int n) {
  if (n <= 0) return 0;
  Lock lock(audioLock);
  if (!ring) return n;
  const int fit = std::min(n, kRingBytes - ringCount_);
  for (int done = 0; done < fit;) {
    const int piece = std::min(fit - done, kRingBytes - ringWrite_);
    std::memcpy(ring.get() + ringWrite_, bytes + done, static_cast<size_t>(piece));
    ringWrite_ = (ringWrite_ + piece) % kRingBytes;
    done += piece;
  }
  ringCount_ += fit;
  return n - fit;
}

void AudioOutput::PutAudioBytes(const uint8_t* data, size_t size) {
  // Pieces of a packet are at most 64 KiB; larger ones are taken in parts.
  while (size > 0) {
    const int piece = static_cast<int>(std::min<size_t>(size, kRingBytes));
    AcceptAudioBytes(data, piece);
    data += piece;
    size -= static_cast<size_t>(piece);
  }
}

// Under audioLock: n bytes (n <= ringCount_) from ringRead on, across the wrap.
void AudioOutput::CopyFromRing(uint8_t* to, int n) {
  while (n > 0) {
    const int piece = std::min(n, kRingBytes - ringRead_);
    std::memcpy(to, ring.get() + ringRead_, static_cast<size_t>(piece));
    ringRead_ = (ringRead_ + piece) % kRingBytes;
    ringCount_ -= piece;
    to += piece;
    n -= piece;
  }
}

// Under audioLock: buffer i's bytes, decoded, to the device. 0 when sent (or
// empty); otherwise the buffer and the decoder stay as they were, for a retry.
int AudioOutput::SendBuffer(int i) {
  Buffer& b = buffers[i];
  if (b.count == 0) return 0;
  if (!waveDevice) return -1;
  ImaBlockStream decoder = decoder_;
  pcm_.clear();
  decoder.Put(b.data, static_cast<size_t>(b.count), pcm_);
  if (!waveDevice->Write(i, pcm_.data(), pcm_.size())) return -1;
  decoder_ = decoder;
  return 0;
}

// Under audioLock: sends buffer nextToSend (which holds bytes); false when the
// device refused it.
bool AudioOutput::SendNextLocked() {
  const int i = nextToSend_;
  const bool partial = buffers[i].count < kBufferBytes;
  if (SendBuffer(i) != 0) return false;
  ++unreported_;
  buffers[i].count = 0;
  nextToSend_ = (i + 1) % kBufferCount;
  // A partly filled buffer went out: filling goes on in the next one, never
  // behind the buffer to send.
  if (i == fillIndex_ && partial) fillIndex_ = nextToSend_;
  return true;
}

void AudioOutput::ClearBookkeeping() {
  nextToSend_ = -1;
  fillIndex_ = 0;
  for (Buffer& b : buffers) b.count = 0;
}

int AudioOutput::StartAudio(int primeBuffers, int sendBuffers) {
  Lock lock(audioLock);
  if (started_ || !ring) return 0;
  // A clean start from buffer 0, whatever an earlier run left behind.
  ClearBookkeeping();
  decoder_.Reset();
  const int k = std::clamp(std::min(primeBuffers, ringCount_ / kBufferBytes), 0, kBufferCount);
  for (int i = 0; i < k; ++i) {
    CopyFromRing(buffers[i].data, kBufferBytes);
    buffers[i].count = kBufferBytes;
  }
  fillIndex_ = k % kBufferCount;
  bytesSincePicture_ = 0;
  soundEnded_ = false;
  unreported_ = 0;
  // Only filled buffers go; nextToSend is the first one not sent.
  nextToSend_ = 0;
  const int send = std::clamp(sendBuffers, 0, k);
  for (int i = 0; i < send; ++i) {
    if (!SendNextLocked()) break;  // retried at the next completion
  }
  started_ = true;
  return k;
}

void AudioOutput::ResetAudio() {
  Lock lock(audioLock);
  started_ = false;
  soundEnded_ = false;
  ringCount_ = ringRead_ = ringWrite_ = 0;
  decoder_.Reset();
}

void AudioOutput::EndOfSound() {
  Lock lock(audioLock);
  soundEnded_ = true;
}

void AudioOutput::OnBufferDone() {
  {
    Lock lock(audioLock);
    if (unreported_ > 0) --unreported_;
  }
  SendNextBuffer();
  FillBuffers();
}

void AudioOutput::SendNextBuffer() {
  {
    Lock lock(audioLock);
    if (!started_ || nextToSend_ < 0) return;
    if (buffers[nextToSend_].count > 0) {
      SendNextLocked();  // on an error, the same buffer is tried next time
      return;
    }
    // After the last sound the device plays out what it has; its last
    // completion ends the run.
    if (soundEnded_ && unreported_ > 0) return;
    // Run dry. The run ends here, so that the engine's refill can prime and
    // start again; what is left in the ring belongs to pictures the refill
    // drops, and the refill's sound starts on a block of its own.
    started_ = false;
    ringCount_ = 0;
    ringRead_ = ringWrite_;
    decoder_.Reset();
    ClearBookkeeping();
  }
  if (post) post(kAudioUnderrun);
}

void AudioOutput::FillBuffers() {
  const bool counting = shownPictureCredit && advance;
  int budget = kBufferBytes;
  int zeroCredits = 0;
  for (;;) {
    // The engine's credit changes only on this thread, by `advance`.
    const int credit = counting ? std::max(shownPictureCredit(), 0) : 0;
    bool due = false;
    {
      Lock lock(audioLock);
      if (!started_ || nextToSend_ < 0) return;
      due = counting && bytesSincePicture_ >= credit;
      if (!due && ringCount_ == 0 && soundEnded_ && counting && budget > 0) {
        // The sound has all been moved, and the buffers still queued stand
        // for it: the pictures keep the pace that moving gave them.
        const int n = std::min(budget, credit - bytesSincePicture_);
        budget -= n;
        bytesSincePicture_ += n;
        due = bytesSincePicture_ >= credit;
      } else if (!due) {
        Buffer& b = buffers[fillIndex_];
        // A full buffer here means all 16 wait: filling waits for a send.
        if (budget == 0 || ringCount_ == 0 || b.count == kBufferBytes) return;
        int n = std::min({budget, ringCount_, kBufferBytes - b.count});
        if (counting) n = std::min(n, credit - bytesSincePicture_);
        CopyFromRing(b.data + b.count, n);
        b.count += n;
        budget -= n;
        if (counting) bytesSincePicture_ += n;
        if (b.count == kBufferBytes) {
          fillIndex_ = (fillIndex_ + 1) % kBufferCount;
          if (fillIndex_ != nextToSend_) buffers[fillIndex_].count = 0;
        }
        due = counting && bytesSincePicture_ >= credit;
      }
      if (due) {
        // A picture with no sound of its own is passed over at once, but a
        // run of them stops this fill; the next completion goes on.
        if (credit == 0 && ++zeroCredits > kMaxZeroCreditAdvances) return;
        bytesSincePicture_ = 0;
      }
    }
    if (due) advance();
  }
}

void AudioOutput::WaveCallback(int id) {
  (void)id;
  bool running = false;
  {
    Lock lock(audioLock);
    running = started_;
    if (!running) ClearBookkeeping();
  }
  if (running && post) post(kAudioBufferDone);
}

bool AudioOutput::isOpen() const {
  Lock lock(audioLock);
  return ring != nullptr;
}
bool AudioOutput::started() const {
  Lock lock(audioLock);
  return started_;
}
bool AudioOutput::soundEnded() const {
  Lock lock(audioLock);
  return soundEnded_;
}
int AudioOutput::ringCount() const {
  Lock lock(audioLock);
  return ringCount_;
}
int AudioOutput::ringRead() const {
  Lock lock(audioLock);
  return ringRead_;
}
int AudioOutput::ringWrite() const {
  Lock lock(audioLock);
  return ringWrite_;
}
int AudioOutput::nextToSend() const {
  Lock lock(audioLock);
  return nextToSend_;
}
int AudioOutput::fillIndex() const {
  Lock lock(audioLock);
  return fillIndex_;
}
int AudioOutput::count(int buffer) const {
  Lock lock(audioLock);
  return buffer >= 0 && buffer < kBufferCount ? buffers[buffer].count : 0;
}
int AudioOutput::bytesSincePicture() const {
  Lock lock(audioLock);
  return bytesSincePicture_;
}
std::string AudioOutput::deviceName() const {
  Lock lock(audioLock);
  return waveDevice ? waveDevice->Name() : std::string();
}

}  // namespace klv
