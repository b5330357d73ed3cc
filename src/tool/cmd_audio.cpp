// klvtool audio: every byte of every audio packet of a .ztm recording, in
// file order and with no lead bytes dropped, decoded to a 16-bit PCM WAV at
// 16 kHz, mono.
//
// The side packets are read by the player's stream reader; the units between
// them (pictures, and whatever it cannot read) are passed over up to the next
// start-code prefix, which no picture data contains, so a picture that
// cannot be decoded costs no sound.
#include <cstdio>
#include <string>
#include <vector>

#include "audio/ima_adpcm.h"
#include "audio/wav_file.h"
#include "engine/player_state.h"
#include "engine/texts.h"
#include "platform/output_file.h"
#include "media/mpeg4/stream_reader.h"
#include "tool/tool_audio.h"
#include "tool/tool_common.h"

namespace klv::tool {
int CmdAudio(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {}, &a, &err)) return Usage(err);
  if (a.positional.size() != 2) return Usage("audio takes FILE.ztm OUT.wav");
  const std::string& path = a.positional[0];
  const std::string& out = a.positional[1];
  if (SourceKindOf(path) != SourceKind::Ztm) return Fail(path + ": sound is read from .ztm recordings only");

  StreamReader reader;
  CollectingAudioSink sink;
  reader.SetAudioSink(&sink);
  reader.OpenStream(path);
  if (!reader.IsOpen()) {
    return Fail(OpenFailureLine(path, MessageKind::NotFound, reader.LastError()));
  }
  do {
    reader.ReadSidePackets(false, true, nullptr, nullptr);
  } while (reader.SkipToNextUnit());

  std::vector<int16_t> pcm;
  ImaBlockStream decoder;
  decoder.Put(sink.bytes.data(), sink.bytes.size(), pcm);
  decoder.Flush(pcm);  // a last block cut short plays as far as it goes
  if (!WriteFileAtomically(out, PcmWavBytes(pcm, kImaSampleRate), &err))
    return Fail(out + ": cannot write the sound (" + err + ")");
  std::printf("bytes %zu samples %zu\n", sink.bytes.size(), pcm.size());
  return kOk;
}

}  // namespace klv::tool
