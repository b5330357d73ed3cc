// libFuzzer target: the IMA ADPCM decoder and the audio output.
//
// Input: one byte of choices, then the body. The body is decoded whole and
// in pieces whose sizes come from the body itself (the two must agree), and
// also drives the audio output with a manual device: a script of bytes that
// feed the ring, start, complete buffers, fill, reset, reopen and close,
// with picture credits of any size (0 too). The output's bookkeeping must
// stay in range after every step.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "audio/audio_output.h"
#include "audio/ima_adpcm.h"
#include "audio/manual_wave_device.h"

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void DecodeBothWays(const uint8_t* data, size_t size, uint8_t choices) {
  std::vector<int16_t> whole, pieces;
  klv::ImaBlockStream one, many;
  one.Put(data, size, whole);
  size_t at = 0;
  for (size_t i = 0; at < size; ++i) {
    const size_t piece = std::min<size_t>(size - at, 1 + (data[i % size] ^ choices) % 300);
    many.Put(data + at, piece, pieces);
    at += piece;
  }
  Check(whole == pieces && one.held() == many.held());
  one.Flush(whole);
  Check(whole.size() == size / klv::kImaBlockBytes * klv::kImaBlockSamples + klv::ImaSamplesInBlock(size % 128));
  int16_t out[klv::kImaBlockSamples];
  const auto form = (choices & 1) ? klv::ImaDifference::Multiply : klv::ImaDifference::ShiftAdd;
  Check(klv::DecodeImaBlock(data, std::min<size_t>(size, 1 + choices), out, form) ==
        klv::ImaSamplesInBlock(std::min<size_t>(size, 1 + choices)));
}

void DriveOutput(const uint8_t* data, size_t size) {
  using klv::AudioOutput;
  AudioOutput out;
  klv::ManualWaveDevice* device = nullptr;
  std::vector<int> messages;
  int credit = 0, advances = 0;
  out.post = [&messages](int w) { messages.push_back(w); };
  out.shownPictureCredit = [&credit] { return credit; };
  out.advance = [&] {
    ++advances;
    credit = credit * 7 % 1500;
  };
  out.openDevice = [&device](klv::WaveDevice::Completion done) -> std::unique_ptr<klv::WaveDevice> {
    auto d = std::make_unique<klv::ManualWaveDevice>();
    d->Open(std::move(done));
    device = d.get();
    return d;
  };
  out.OpenAudio();
  size_t at = 0;
  auto next = [&]() -> int { return at < size ? data[at++] : 0; };
  while (at < size) {
    const int op = next();
    switch (op % 10) {
      case 0:
      case 1: {
        const int high = next(), low = next();
        const int n = std::min<int>(static_cast<int>(size - at), high * 8 + low);
        out.AcceptAudioBytes(data + at, n);
        at += static_cast<size_t>(n);
        break;
      }
      case 2:
        out.StartAudio(next() % 20 - 2, next() % 20 - 2);
        break;
      case 3:
        if (device != nullptr) device->CompleteNext();
        break;
      case 4: {
        std::vector<int> queued;
        queued.swap(messages);  // handling one may post another
        for (int w : queued) {
          if (w == klv::kAudioBufferDone) out.OnBufferDone();
        }
        break;
      }
      case 5:
        out.FillBuffers();
        break;
      case 6:
        out.SendNextBuffer();
        break;
      case 7:
        out.ResetAudio();
        break;
      case 8:
        credit = next() * (op >= 128 ? 16 : 1);
        break;
      case 9:
        if (op >= 200) {
          out.CloseAudio();
          device = nullptr;
        } else if (op >= 160) {
          device = nullptr;
          out.OpenAudio();
        } else if (device != nullptr) {
          device->FailWrites(next() % 3);
        }
        break;
    }
    Check(out.nextToSend() >= -1 && out.nextToSend() < AudioOutput::kBufferCount);
    Check(out.fillIndex() >= 0 && out.fillIndex() < AudioOutput::kBufferCount);
    Check(out.ringCount() >= 0 && out.ringCount() <= AudioOutput::kRingBytes);
    for (int i = 0; i < AudioOutput::kBufferCount; ++i) Check(out.count(i) >= 0 && out.count(i) <= 512);
  }
  out.CloseAudio();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const uint8_t choices = data[0];
  ++data;
  --size;
  DecodeBothWays(data, size, choices);
  if (size < 4096) DriveOutput(data, size);
  return 0;
}
