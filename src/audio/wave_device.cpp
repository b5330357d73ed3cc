#include "audio/wave_device.h"

#include <cstdlib>
#include <cstring>

#include "audio/null_wave_device.h"
#include "audio/sdl_wave_device.h"
#include "platform/debug_log.h"

namespace klv {

std::unique_ptr<WaveDevice> OpenWaveDevice(WaveDevice::Completion done) {
  const char* choice = std::getenv("KLV_AUDIO");
  if (choice == nullptr || std::strcmp(choice, "null") != 0) {
    auto sdl = std::make_unique<SdlWaveDevice>();
    if (sdl->Open(done)) return sdl;
    DebugOut("audio: no sound device (" + sdl->lastError() + "), sound is not played\n");
  }
  auto null = std::make_unique<NullWaveDevice>();
  null->Open(std::move(done));
  return null;
}

}  // namespace klv
