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

camera_headers() { python3 ./camera_headers.py "$1" "$2"; }

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
# Fine quantisers on strong noise: large levels, long runs, the rarer codes.
# (Quantisers that are not multiples of 8 round the camera's steps down, so
# these only get a looser bound.)
loud='noise=alls=100:allf=t'
make intra_q4 "testsrc2=s=64x48:r=25,$loud" 1 "-g 1 -qscale:v 4 -mpeg_quant 1" "0"
make inter_q4 "testsrc2=s=64x48:r=25,$loud" 3 "-g 100 -qscale:v 4 -mpeg_quant 1 -motion_est zero" "2"
# P-VOPs without motion: coded and not-coded macroblocks, intra ones too.
make inter_still "testsrc2=s=96x64:r=25,$noise" 6 "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est zero" "5"
# P-VOPs with motion (whole- and half-pixel vectors): a patch moving over a
# still background, away from the picture's edges where the camera drops
# outward vectors.
still="testsrc2=s=96x64:r=25,trim=end_frame=1,loop=loop=-1:size=1"
make inter_motion "$still[bg];testsrc=s=24x24:r=25[fg];[bg][fg]overlay=x='20+3*n':y='16+2*n'" 8 \
  "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est epzs" "0 7"
# The whole picture panning by different whole-pixel steps each picture:
# ffmpeg finds whole-pixel vectors of many sizes (vector differences and
# residuals of several f codes). The camera drops outward vectors at the
# picture's edges, so only the inner macroblocks match ffmpeg's decode.
panx="if(eq(n,1),3,if(eq(n,2),-2,if(eq(n,3),5,if(eq(n,4),-4,if(eq(n,5),9,if(eq(n,6),-7,if(eq(n,7),12,0)))))))"
pany="if(eq(n,1),-1,if(eq(n,2),4,if(eq(n,3),-3,if(eq(n,4),6,if(eq(n,5),-5,if(eq(n,6),8,if(eq(n,7),-8,0)))))))"
make inter_pan "testsrc2=s=320x240:r=25,trim=end_frame=1,loop=loop=-1:size=1,crop=96:64:'90+$panx':'80+$pany'" 8 \
  "-g 100 -qscale:v 16 -mpeg_quant 1" "3 5 7"
# A size that is not whole macroblocks.
make odd_size "testsrc2=s=72x40:r=25" 3 "-g 100 -qscale:v 16 -mpeg_quant 1 -motion_est zero" "0"
# Adaptive quantisation: dquant in I- and P-VOPs (intra and inter
# macroblock types with dquant). The camera dequantises with the VOP's
# quantiser, so only the running quantiser is compared (ffmpeg -debug qp).
make dquant "testsrc2=s=96x64:r=25" 6 \
  "-g 100 -b:v 250k -dark_mask 0.8 -lumi_mask 0.8 -tcplx_mask 0.5 -scplx_mask 0.5 -mpeg_quant 1"
# Streams with tools the camera's decoder does not have.
make four_vectors "testsrc2=s=96x64:r=25,crop=80:48:'mod(n*5,16)':'mod(n*3,16)'" 4 \
  "-g 100 -qscale:v 6 -flags +mv4+bitexact"
make ac_prediction "testsrc2=s=96x64:r=25" 1 "-g 1 -qscale:v 4 -flags +aic+bitexact"
make b_vops "testsrc2=s=64x48:r=25" 4 "-g 100 -bf 1 -qscale:v 8"
ls -l ./*.m4v ./*.yuv
