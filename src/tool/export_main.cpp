// klvtool-export: klvtool's export command as a program of its own, the only
// part of klvtool that loads FFmpeg's libraries (they take a good tenth of a
// second to load, which every other command and every thumbnail would pay).
// klvtool export runs it with the same arguments.
#include "tool/tool_common.h"

int main(int argc, char** argv) { return klv::tool::CmdExport(argc - 1, argv + 1); }
