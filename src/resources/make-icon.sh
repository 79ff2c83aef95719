#!/usr/bin/env bash
# Redraws the application icon, src/resources/setup.ico: a blue shield with a
# white tick, at 16, 32, 48 and 256 pixels. Each size is drawn from the same
# 256-unit outline rather than scaled down from the large one, so the small
# sizes stay sharp. The 16-pixel image is stored as a bitmap, the larger ones
# as PNG images (a fraction of their size; every Windows the runtime supports
# reads them). Needs ImageMagick 6, zopfli and python3; the .ico is committed, so the
# build itself never runs this.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here/setup.ico}
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

shield="M 128,14 L 228,44 L 228,118 C 228,184 186,226 128,246 C 70,226 28,184 28,118 L 28,44 Z"
tick="M 74,128 L 112,168 L 184,88"

draw_size() {
  local n=$1 s
  s=$(awk -v n="$n" 'BEGIN { printf "%.6f", n / 256 }')
  local scale="affine $s,0,0,$s,0,0"
  convert -size "${n}x${n}" gradient:'#4f93f2-#123a80' \
    \( -size "${n}x${n}" xc:black -fill white -stroke white -strokewidth 0 \
       -draw "$scale path '$shield'" \) \
    -alpha off -compose CopyOpacity -composite -compose Over \
    -fill none -stroke '#0b2456' -draw "$scale stroke-width 10 path '$shield'" \
    -stroke white -draw "$scale stroke-width 28 stroke-linecap round stroke-linejoin round path '$tick'" \
    -depth 8 -define png:color-type=6 -define png:exclude-chunks=date,time "$work/$n.png"
}

sizes=(16 32 48 256)
for n in "${sizes[@]}"; do
  draw_size "$n"
done
# The same pixels, stored a quarter smaller.
for n in 32 48 256; do
  zopflipng -m -y "$work/$n.png" "$work/$n.png" >/dev/null
done
# Small to large, the order Windows expects: the bitmap entries of an .ico
# that ImageMagick writes, then the PNG files as they are.
convert "$work/16.png" "$work/small.ico"
python3 - "$work/small.ico" "$work/32.png" "$work/48.png" "$work/256.png" "$out" <<'PY'
import struct, sys
small = open(sys.argv[1], "rb").read()
images = []
for i in range(struct.unpack_from("<H", small, 4)[0]):
    fields = small[6 + 16 * i:6 + 16 * i + 8]
    size, offset = struct.unpack_from("<II", small, 6 + 16 * i + 8)
    images.append((fields, small[offset:offset + size]))
for path in sys.argv[2:-1]:
    png = open(path, "rb").read()
    width = struct.unpack_from(">I", png, 16)[0]
    images.append((struct.pack("<BBBBHH", width & 0xFF, width & 0xFF, 0, 0, 1, 32), png))
out = struct.pack("<HHH", 0, 1, len(images))
offset = 6 + 16 * len(images)
for fields, data in images:
    out += fields + struct.pack("<II", len(data), offset)
    offset += len(data)
open(sys.argv[-1], "wb").write(out + b"".join(data for _, data in images))
PY
identify "$out"
