#include "audio/sdl_wave_device.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace klv {

bool SdlWaveDevice::Open(Completion done) {
  Close();
  if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
    lastError_ = SDL_GetError();
    return false;
  }
  SDL_AudioSpec want {};
  want.freq = kWaveSampleRate;
  want.format = AUDIO_S16SYS;
  want.channels = 1;
  want.samples = 512;
  want.callback = &SdlWaveDevice::Callback;
  want.userdata = this;
  SDL_AudioSpec have {};
  // No changes allowed: SDL converts to whatever the card takes.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) {
    lastError_ = SDL_GetError();
    SDL_QuitSubSystem(SDL_INIT_AUDIO);
    return false;
  }
  const char* driver = SDL_GetCurrentAudioDriver();
  driver_ = driver != nullptr ? driver : "";
  playing_ = false;
  thread_.Start(std::move(done));
  return true;
}

bool SdlWaveDevice::Write(int id, const int16_t* samples, size_t count) {
  if (device_ == 0) return false;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.push_back({id, std::vector<int16_t>(samples, samples + count), 0});
  }
  if (!playing_) {
    SDL_PauseAudioDevice(device_, 0);
    playing_ = true;
  }
  return true;
}

void SdlWaveDevice::Reset() {
  std::deque<Queued> dropped;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    dropped.swap(queue_);
  }
  for (const Queued& q : dropped) thread_.Post(q.id, std::chrono::microseconds(0));
}

void SdlWaveDevice::Close() {
  if (device_ == 0) return;
  SDL_CloseAudioDevice(device_);  // waits for a callback under way
  device_ = 0;
  thread_.Stop();
  {
    std::lock_guard<std::mutex> lock(mutex_);
    queue_.clear();
  }
  SDL_QuitSubSystem(SDL_INIT_AUDIO);
}

std::string SdlWaveDevice::Name() const { return driver_.empty() ? "sdl" : "sdl:" + driver_; }

void SdlWaveDevice::Callback(void* self, uint8_t* stream, int length) {
  static_cast<SdlWaveDevice*>(self)->Take(reinterpret_cast<int16_t*>(stream),
                                          static_cast<size_t>(std::max(length, 0)) / sizeof(int16_t));
}

// On SDL's audio thread.
void SdlWaveDevice::Take(int16_t* out, size_t count) {
  std::lock_guard<std::mutex> lock(mutex_);
  while (!queue_.empty()) {
    Queued& q = queue_.front();
    const size_t n = std::min(count, q.samples.size() - q.taken);
    if (n > 0) std::memcpy(out, q.samples.data() + q.taken, n * sizeof(int16_t));
    out += n;
    count -= n;
    q.taken += n;
    if (q.taken < q.samples.size()) break;  // the callback's stream is full
    thread_.Post(q.id, std::chrono::microseconds(0));
    queue_.pop_front();
  }
  if (count > 0) std::memset(out, 0, count * sizeof(int16_t));
}

}  // namespace klv
