#!/usr/bin/env bash
# Makes the .m4v fixtures of the MPEG-4 decoder tests with Debian's ffmpeg.
#
# ffmpeg's MPEG-4 encoder writes header fields the camera never writes (a
# visual object identifier, layer identifiers, quant_type 1 when asked for
# MPEG quantisation), so each stream's headers are rewritten the way the
# camera writes them; the pictures are kept byte for byte. References are
# ffmpeg's own decode of the original stream (raw 4:2:0 frames).
#
# With quantiser 16 and MPEG quantisation ffmpeg's dequantiser gives the
# same coefficients as the camera's weighting-matrix dequantiser (8 gives
# the same for intra blocks), so intra pictures differ only by the inverse
# transform, and zero-motion pictures by its drift. Half-pixel vectors are
# whole pixels for the camera, so moving pictures only get a loose bound.
#
# Usage: tests/data/mpeg4/make_fixtures.sh   (writes into its own folder)
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

ff=(ffmpeg -hide_banner -loglevel error -y)
# One thread: slice threads would start slices with resync markers.
enc=(-threads 1 -c:v mpeg4 -flags +bitexact -fflags +bitexact -f m4v)

# Rewrites the stream headers of $1 into $2 (camera layout).
camera_headers() {
  python3 - "$1" "$2" <<'PY'
import sys
data = open(sys.argv[1], 'rb').read()

class Bits:
    def __init__(self, b, pos): self.b, self.p = b, pos * 8
    def get(self, n):
        v = 0
        for _ in range(n):
            v = (v << 1) | ((self.b[self.p >> 3] >> (7 - (self.p & 7))) & 1)
            self.p += 1
        return v

vol = data.find(b'\x00\x00\x01\x20')
assert vol >= 0, 'no video object layer'
r = Bits(data, vol + 4)
r.get(1); r.get(8)
if r.get(1): r.get(4); r.get(3)
if r.get(4) == 15: r.get(8); r.get(8)
if r.get(1):
    r.get(2); r.get(1)
    if r.get(1): [r.get(n) for n in (15, 1, 15, 1, 15, 1, 3, 11, 1, 15, 1)]
assert r.get(2) == 0
r.get(1)
res = r.get(16)
r.get(1)
if r.get(1):
    bits = max(1, (res - 1).bit_length()); r.get(bits)
r.get(1); width = r.get(13); r.get(1); height = r.get(13)

body = min(i for i in (data.find(b'\x00\x00\x01\xb3', vol + 4), data.find(b'\x00\x00\x01\xb6', vol + 4)) if i >= 0)

out = []
def put(v, n): out.extend((v >> (n - 1 - i)) & 1 for i in range(n))
put(0, 1); put(0x01, 8); put(0, 1); put(1, 4); put(0, 1); put(0, 2); put(1, 1)
put(res, 16); put(1, 1); put(0, 1)
put(1, 1); put(width, 13); put(1, 1); put(height, 13); put(1, 1)
put(0, 1); put(1, 1); put(0, 1); put(0, 1); put(0, 1)   # interlaced, obmc_disable, sprite, not_8_bit, quant_type
put(1, 1); put(1, 1); put(0, 1); put(0, 1)               # no estimation, no resync, no partitions, no scalability
put(0, 1)
while len(out) % 8: put(1, 1)
layer = bytes(int(''.join(map(str, out[i:i + 8])), 2) for i in range(0, len(out), 8))
head = bytes.fromhex('000001b001' '000001b509' '00000100' '00000120') + layer
# ffmpeg repeats the sequence headers before intra pictures; the camera
# writes them once.
rest = data[body:]
while True:
    vos = rest.find(b'\x00\x00\x01\xb0')
    if vos < 0: break
    ends = [i for i in (rest.find(b'\x00\x00\x01\xb3', vos), rest.find(b'\x00\x00\x01\xb6', vos)) if i >= 0]
    rest = rest[:vos] + rest[min(ends):]
open(sys.argv[2], 'wb').write(head + rest)
PY
}

# make NAME "lavfi source" FRAMES "encoder options" [REF_FRAMES]
# REF_FRAMES: space-separated frame numbers whose decode is kept as NAME.fN.yuv
make() {
  local name=$1 src=$2 frames=$3 opts=$4 refs=${5:-}
  # shellcheck disable=SC2086
  "${ff[@]}" -f lavfi -i "$src" -frames:v "$frames" "${enc[@]}" $opts "$tmp/$name.m4v"
  camera_headers "$tmp/$name.m4v" "$name.m4v"
  for n in $refs; do
    "${ff[@]}" -flags +bitexact -i "$tmp/$name.m4v" -vf "select=eq(n\,$n)" -frames:v 1 \
      -f rawvideo -pix_fmt yuv420p "$name.f$n.yuv"
  done
}

noise='noise=alls=40:allf=t'
# Intra pictures full of detail: many long codes and all three escapes.
make intra_q8 "testsrc2=s=96x64:r=25,$noise" 2 "-g 1 -qscale:v 8 -mpeg_quant 1" "0 1"
make intra_q16 "testsrc2=s=80x48:r=25" 1 "-g 1 -qscale:v 16 -mpeg_quant 1" "0"
# P-VOPs without motion: coded and not-coded macroblocks, intra ones too.
make inter_still "testsrc2=s=96x64:r=25,$noise" 6 "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est zero" "5"
# P-VOPs with motion (whole- and half-pixel vectors): a patch moving over a
# still background, away from the picture's edges where the camera drops
# outward vectors.
still="testsrc2=s=96x64:r=25,trim=end_frame=1,loop=loop=-1:size=1"
make inter_motion "$still[bg];testsrc=s=24x24:r=25[fg];[bg][fg]overlay=x='20+3*n':y='16+2*n'" 8 \
  "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est epzs" "0 7"
# A size that is not whole macroblocks.
make odd_size "testsrc2=s=72x40:r=25" 3 "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est zero" "0"
# Streams with tools the camera's decoder does not have.
make four_vectors "testsrc2=s=96x64:r=25,crop=80:48:'mod(n*5,16)':'mod(n*3,16)'" 4 \
  "-g 100 -qscale:v 6 -flags +mv4+bitexact"
make ac_prediction "testsrc2=s=96x64:r=25" 1 "-g 1 -qscale:v 4 -flags +aic+bitexact"
make b_vops "testsrc2=s=64x48:r=25" 4 "-g 100 -bf 1 -qscale:v 8"
ls -l ./*.m4v ./*.yuv
