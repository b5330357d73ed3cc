// klvtool: the player's engine on the command line.
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "engine/player_state.h"
#include "tool/cmd_write_settings.h"
#include "tool/tool_audio.h"
#include "tool/tool_avi.h"
#include "tool/tool_common.h"
#include "tool/tool_m4v.h"

namespace klv::tool {
namespace {

const char kHelp[] =
    "Usage: klvtool COMMAND [ARGS]\n"
    "\n"
    "Commands for the camera's movies (.avi, .m4v, .ztm):\n"
    "  info FILE                         key: value lines about the movie\n"
    "  frame FILE INDEX OUT.bmp [--stamp] [--deblock 0|1|2] [--bw]\n"
    "                                    the picture the player shows for frame INDEX\n"
    "                                    (0-based), as a 24-bit BMP\n"
    "  times FILE                        INDEX YYYY/MM/DD HH:MM:SS.CC for every frame\n"
    "                                    (\"INDEX bad\" for a frame that cannot be decoded)\n"
    "  decode FILE [--out DIR] [-j N]    decode every frame in playback order;\n"
    "                                    prints \"decoded N bad M\"\n"
    "  save FILE INDEX OUT               the player's Save Current: an AVI frame's JPEG\n"
    "                                    bytes as stored, else a BMP picture\n"
    "  search [--threshold T] [--backward] [--start K:FRAME] FILE...\n"
    "                                    the player's motion search over the AVI FILEs\n"
    "                                    as a play list in the order given (threshold\n"
    "                                    default 50; start default 1:0, backward the last\n"
    "                                    frame of the last file); prints \"found K FRAME\"\n"
    "                                    or \"none K FRAME\" (K from 1, FRAME from 0)\n"
    "  scan FILE... [--threshold T] [--format csv|json|html] [-o OUT] [--sheet OUT.png] [-j N]\n"
    "                                    every run of consecutive motion frames in the AVI\n"
    "                                    FILEs: file, first and last frame, the camera's\n"
    "                                    date and time of the first, the largest block\n"
    "                                    difference (on stdout, or into OUT); --sheet: a\n"
    "                                    contact sheet, one picture a run (its largest\n"
    "                                    change) in time order; --format html: a page\n"
    "                                    (-o PAGE.html) with the sheet and the table, each\n"
    "                                    run linked to its frame in PAGE_files/\n"
    "  export FILE... -o OUT.mp4 [--from K:FRAME] [--to K:FRAME] [--stamp] [--fps N]\n"
    "         [--quality CRF] [--motion-only [--threshold T] [--context N]] [-j N]\n"
    "                                    the FILEs as one MP4 movie (H.264; AAC with the\n"
    "                                    sound of .ztm recordings, whose pictures last as\n"
    "                                    long as their sound), in the order given, at the\n"
    "                                    first file's picture size (others scaled into it)\n"
    "                                    and the player's rate for it (--fps: AVI and .m4v\n"
    "                                    pictures at N); --quality 0..51, default 23;\n"
    "                                    --motion-only: the runs scan finds, each with N\n"
    "                                    frames around it (default 5), .m4v and .ztm\n"
    "                                    files whole; prints \"pictures N\n"
    "                                    damaged M size WxH rate R seconds S sound 0|1\"\n"
    "  thumbnail FILE OUT.png [--size N] a representative picture within N x N pixels\n"
    "                                    (default 256), as a PNG\n"
    "  audio FILE.ztm OUT.wav            the sound of every audio packet in file order,\n"
    "                                    as 16-bit PCM, 16 kHz, mono; prints \"bytes N\n"
    "                                    samples M\" (ADPCM bytes read, samples written)\n"
    "\n"
    "Commands that decode many frames take -j N workers (default: one per core) and\n"
    "print the same whatever N; .m4v and .ztm pictures follow each other, so one\n"
    "stream decodes on one worker. Long work shows progress on stderr; Ctrl-C stops\n"
    "it and leaves no half-written file.\n"
    "\n";

// Refuses files the player does not accept.
int NeedPlayable(const std::string& path) {
  if (SourceKindOf(path) != SourceKind::None) return kOk;
  return Fail(path + ": Unknown Format");
}

// .m4v streams and .ztm recordings: MPEG-4 pictures.
bool IsStream(const std::string& path) {
  const SourceKind kind = SourceKindOf(path);
  return kind == SourceKind::Stream || kind == SourceKind::Ztm;
}

// klvtool export: the program beside this one that makes movies.
int RunExport(int argc, char** argv) {
  std::vector<char*> args;
  std::string name = "klvtool-export";
  args.push_back(name.data());
  for (int i = 0; i < argc; ++i) args.push_back(argv[i]);
  args.push_back(nullptr);
  char self[4096];
  const ssize_t n = ::readlink("/proc/self/exe", self, sizeof self - 1);
  if (n > 0) {
    const std::string path(self, static_cast<size_t>(n));
    const std::string beside = path.substr(0, path.rfind('/') + 1) + name;
    ::execv(beside.c_str(), args.data());
  }
  ::execvp(name.c_str(), args.data());
  return Fail("export needs " + name + " beside klvtool (" + std::strerror(errno) + ")");
}

}  // namespace

int CmdInfo(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {}, &a, &err)) return Usage(err);
  if (a.positional.size() != 1) return Usage("info takes one FILE");
  const std::string& path = a.positional[0];
  if (int r = NeedPlayable(path)) return r;
  return IsStream(path) ? M4vInfo(path) : AviInfo(path);
}

int CmdFrame(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {"--stamp", "--bw"}, {"--deblock"}, &a, &err)) return Usage(err);
  if (a.positional.size() != 3) return Usage("frame takes FILE INDEX OUT.bmp");
  int index = 0;
  if (!ParseIndex(a.positional[1], &index)) return Usage("INDEX must be a frame number from 0");
  int deblock = 2;
  if (a.Has("--deblock") && (!ParseIndex(a.Value("--deblock"), &deblock) || deblock > 2))
    return Usage("--deblock takes 0, 1 or 2");
  const std::string& path = a.positional[0];
  if (int r = NeedPlayable(path)) return r;
  if (IsStream(path)) return M4vFrame(path, index, a.positional[2], a.Has("--stamp"), deblock, a.Has("--bw"));
  return AviFrame(path, index, a.positional[2], a.Has("--stamp"), a.Has("--bw"));
}

int CmdTimes(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {}, &a, &err)) return Usage(err);
  if (a.positional.size() != 1) return Usage("times takes one FILE");
  const std::string& path = a.positional[0];
  if (SourceKindOf(path) != SourceKind::Avi && SourceKindOf(path) != SourceKind::None)
    return Fail(path + ": times are read from AVI movies only");
  if (int r = NeedPlayable(path)) return r;
  return AviTimes(path);
}

int CmdDecode(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {"--out", "-j"}, &a, &err)) return Usage(err);
  if (a.positional.size() != 1) return Usage("decode takes one FILE");
  int jobs = 0;
  if (!ParseJobs(a, &jobs, &err)) return Usage(err);
  const std::string& path = a.positional[0];
  if (int r = NeedPlayable(path)) return r;
  // A stream's pictures each build on the one before: one worker decodes it.
  return IsStream(path) ? M4vDecode(path, a.Value("--out")) : AviDecode(path, a.Value("--out"), jobs);
}

int CmdSave(int argc, char** argv) {
  Args a;
  std::string err;
  if (!ParseArgs(argc, argv, {}, {}, &a, &err)) return Usage(err);
  if (a.positional.size() != 3) return Usage("save takes FILE INDEX OUT");
  int index = 0;
  if (!ParseIndex(a.positional[1], &index)) return Usage("INDEX must be a frame number from 0");
  const std::string& path = a.positional[0];
  if (int r = NeedPlayable(path)) return r;
  return IsStream(path) ? M4vSave(path, index, a.positional[2]) : AviSave(path, index, a.positional[2]);
}

}  // namespace klv::tool

int main(int argc, char** argv) {
  using namespace klv::tool;
  if (argc < 2) return Usage("no command given");
  const std::string cmd = argv[1];
  if (cmd == "--help" || cmd == "-h" || cmd == "help") {
    std::fputs(kHelp, stdout);
    std::fputs("Camera settings:\n", stdout);
    std::fputs(kWriteSettingsUsage, stdout);
    std::fputs("\nExit status: 0 success, 1 the file or operation failed, 2 usage.\n", stdout);
    return kOk;
  }
  struct Command {
    const char* name;
    int (*run)(int, char**);
  };
  static const Command kCommands[] = {
      {"info", CmdInfo}, {"frame", CmdFrame}, {"times", CmdTimes},
      {"decode", CmdDecode}, {"save", CmdSave}, {"search", CmdSearch},
      {"scan", CmdScan}, {"export", RunExport}, {"thumbnail", CmdThumbnail},
      {"audio", CmdAudio}, {"write-settings", RunWriteSettings},
  };
  for (const Command& c : kCommands)
    if (cmd == c.name) return c.run(argc - 2, argv + 2);
  return Usage("unknown command " + cmd);
}
