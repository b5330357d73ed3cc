#pragma once
// klvtool audio FILE.ztm OUT.wav: the sound of a .ztm recording.
namespace klv::tool {

int CmdAudio(int argc, char** argv);

}  // namespace klv::tool
