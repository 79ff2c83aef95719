#!/usr/bin/env bash
# Redraws the application icon, src/resources/setup.ico: a blue shield with a
# white tick, at 16, 32, 48 and 256 pixels. Each size is drawn from the same
# 256-unit outline rather than scaled down from the large one, so the small
# sizes stay sharp. Needs ImageMagick 6; the .ico is committed, so the build
# itself never runs this.
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
# Small to large, the order Windows expects.
files=()
for n in "${sizes[@]}"; do files+=("$work/$n.png"); done
convert "${files[@]}" "$out"
identify "$out"
