#!/usr/bin/env python3
"""Rewrites an ffmpeg-made MPEG-4 stream's headers the way the camera writes them.

Usage: camera_headers.py IN.m4v OUT.m4v

ffmpeg writes fields the camera never writes (a visual object identifier,
layer identifiers, quant_type 1 when asked for MPEG quantisation) and repeats
the sequence headers before intra pictures. The output has one set of camera
headers for the same size and time resolution; the pictures are kept byte for
byte.
"""
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
