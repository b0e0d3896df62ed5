#!/usr/bin/env bash
# Regenerates the bitmap test files: small source pictures (PNG) and the same pictures written as
# .BMP by ImageMagick in 1, 4, 8 and 24 bits, with the 40-byte (BMP3) and 12-byte (BMP2) headers
# and, for two of them, the 124-byte header (BMP).
set -euo pipefail
cd "$(dirname "$0")"
tmp=$(mktemp -d)
trap 'rm -rf "$tmp"' EXIT

# Source pictures with 2, 16, about 200 and many colours; odd widths so that rows need padding.
python3 - "$tmp" <<'PY'
import sys
out = sys.argv[1]

def ppm(name, w, h, colour):
    with open(f"{out}/{name}.ppm", "wb") as f:
        f.write(b"P6 %d %d 255\n" % (w, h))
        for y in range(h):
            for x in range(w):
                f.write(bytes(colour(x, y)))

two = [(17, 34, 51), (238, 221, 0)]
ppm("src_2", 13, 9, lambda x, y: two[1 if (2 <= x <= 6 and 2 <= y <= 5) or (x, y) == (12, 8) else 0])
sixteen = [((i * 53) % 256, (i * 97 + 40) % 256, (i * 29 + 200) % 256) for i in range(16)]
ppm("src_16", 21, 11, lambda x, y: sixteen[(x + 3 * y) % 16])
many = [((i * 7) % 256, (i * 13 + 5) % 256, (i // 4 * 23) % 256) for i in range(200)]
ppm("src_256", 37, 19, lambda x, y: many[(x + 5 * y) % 200])
ppm("src_rgb", 19, 7, lambda x, y: ((x * 13 + y) % 256, (y * 37 + x * 3) % 256, (x * y * 5 + 1) % 256))
PY

for n in 2 16 256 rgb; do
    convert "$tmp/src_$n.ppm" "src_$n.png"
done
for header in BMP3 BMP2; do
    tag=$([ $header = BMP3 ] && echo 40 || echo 12)
    convert src_2.png -type palette -colors 2 -compress none "$header:bits1_h$tag.bmp"
    convert src_16.png -type palette -colors 16 -compress none "$header:bits4_h$tag.bmp"
    convert src_256.png -type palette -compress none "$header:bits8_h$tag.bmp"
    convert src_rgb.png -type truecolor -compress none "$header:bits24_h$tag.bmp"
done
convert src_16.png -type palette -colors 16 -compress none "BMP:bits4_h124.bmp"
convert src_rgb.png -type truecolor -compress none "BMP:bits24_h124.bmp"
