#pragma once
// The post-filter of MPEG-4 pictures (unit Deblock): a copy of the decoded
// picture is filtered for display, the decoded picture itself never (it stays
// the reference of the next picture).
//
// Method 1 is a buffer-wide three-tap low-pass filter; method 2 the two-mode
// deblocking filter across the 8x8 block edges whose strength follows the
// picture's quantiser (the post-processing filter of ISO/IEC 14496-2, with
// the camera's mode threshold of 8 instead of 6). Any other method copies
// without filtering.

#include <cstdint>

#include "media/mpeg4/reconstruct.h"

namespace klv::mpeg4 {

// Edges filtered since the last reset ("Def, filt" and "DC,  filt").
struct DeblockStats {
  int defaultFiltered = 0;
  int dcFiltered = 0;
};

// One edge: window s[0..9] with the edge between s[4] and s[5]. Writes the
// window with its new values to out[0..9]; returns 0 (nothing changed),
// 1 (default mode: s4, s5) or 2 (DC offset mode: s1 .. s8).
int DeblockEdge(const int32_t* s, int32_t* out, int qp);

// Method 1 on one plane of w x h samples, in place.
void LowPassPlane(uint8_t* plane, int w, int h, int stride);
// Method 2 on one plane: vertical edges row by row, then horizontal edges.
// Edges whose window would reach past the plane are left alone.
void DeblockPlane(uint8_t* plane, int w, int h, int stride, int qp, DeblockStats* stats);
// Method 2 on Y (width x height), then U and V ((width / 2) x (height / 2)).
void DeblockPicture(PackedPicture* picture, int width, int height, int qp, DeblockStats* stats);

// Copies the output picture into the filter's scratch picture and filters it
// by `method`; returns the scratch picture.
const PackedPicture& PostFilterPicture(PictureStores& stores, int method, int qp, DeblockStats* stats);

}  // namespace klv::mpeg4
