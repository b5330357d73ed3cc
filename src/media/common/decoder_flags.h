#pragma once

namespace klv {

// Switches the diagnostics window sets and the decoders read.
struct DecoderFlags {
  bool bForceBW = false;        // colour conversion writes R = G = B = Y
  bool bDumpRTCData = false;    // header walk dumps the raw clock block
  int g_nDeblockMethod = 2;     // MPEG-4 deblocking: 0 none, 1 buffer-wide, 2 camera filter
};

}  // namespace klv
