#!/usr/bin/env bash
# Makes the benchmark stream: 640x480, 300 pictures, an intra picture every
# 12, about 2.5 Mbit/s at 15 pictures a second, headers as the camera writes
# them. Usage: bench/mpeg4/make_bench_stream.sh OUT.m4v
set -euo pipefail
out=$1
here=$(cd "$(dirname "$0")" && pwd)
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT
ffmpeg -hide_banner -loglevel error -y -f lavfi -i "testsrc2=s=640x480:r=15" -frames:v 300 \
  -threads 1 -c:v mpeg4 -flags +bitexact -fflags +bitexact -g 12 -qscale:v 5 -f m4v "$tmp/raw.m4v"
python3 "$here/../../tests/data/mpeg4/camera_headers.py" "$tmp/raw.m4v" "$out"
