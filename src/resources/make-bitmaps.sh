#!/usr/bin/env bash
# Redraws the wizard's bitmaps in src/resources: the side picture (side.bmp),
# the banner (banner.bmp), the picture behind full-picture pages (full.bmp)
# and the small images of the Next, Cancel and browse buttons. The shield is
# the outline of make-icon.sh. The pages scale each bitmap to its control, so
# they are drawn larger than their size at 96 DPI. Each is kept in true colour
# and stored zlib-compressed (NAME.bmp.z, a .bmp file inside), which is
# smaller than a 256-colour bitmap and shows no dithering. Needs ImageMagick 6
# and zopfli; the bitmaps are committed, so the build itself never runs this.
set -euo pipefail

here=$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)
out=${1:-$here}

shield="M 128,14 L 228,44 L 228,118 C 228,184 186,226 128,246 C 70,226 28,184 28,118 L 28,44 Z"
tick="M 74,128 L 112,168 L 184,88"

# shield SCALE X Y FILL STROKE: draw arguments for the shield at (X, Y).
shield() {
  local s=$1 x=$2 y=$3 fill=$4 stroke=$5
  printf '%s\n' -fill "$fill" -stroke "$stroke" -strokewidth "$(awk -v s="$s" 'BEGIN{print 10*s}')" \
    -draw "affine $s,0,0,$s,$x,$y path '$shield'" \
    -fill none -stroke white -strokewidth "$(awk -v s="$s" 'BEGIN{print 26*s}')" \
    -draw "affine $s,0,0,$s,$x,$y stroke-linecap round stroke-linejoin round path '$tick'"
}

save() {
  convert "$1" -type TrueColor "BMP3:$work/plain.bmp"
  # zopfli writes an ordinary zlib stream, some 10 % smaller than zlib's own.
  zopfli --zlib --i100 -c "$work/plain.bmp" >"$2.z"
}

work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT

# Side picture: deep blue falling to light blue, the shield in the upper third.
mapfile -t args < <(shield 0.62 3 50 '#ffffff30' '#ffffff80')
convert -size 164x314 gradient:'#0d2c66-#3f7fd8' \
  \( -size 164x314 radial-gradient:'#ffffff40-#ffffff00' \) -compose Over -composite \
  "${args[@]}" "$work/side.png"
save "$work/side.png" "$out/side.bmp"

# Banner: white to pale blue, the shield small at the left edge.
mapfile -t args < <(shield 0.19 10 2 '#2d6ad0' '#0b2456')
convert -size 520x48 gradient:'#ffffff-#dce8f8' -rotate 90 -rotate 180 \
  -resize 520x48\! "${args[@]}" "$work/banner.png"
save "$work/banner.png" "$out/banner.bmp"

# Behind full-picture pages: near white, a faint shield at the lower right.
mapfile -t args < <(shield 0.45 65 75 '#eef3fb' '#e4ecf8')
convert -size 170x158 gradient:'#ffffff-#f0f5fc' "${args[@]}" "$work/full.png"
save "$work/full.png" "$out/full.bmp"

# Button images on the button face colour: an arrow, a cross, a folder.
button() {
  convert -size 20x20 xc:'#f0f0f0' -stroke "$2" -strokewidth 3 -fill none \
    -draw "stroke-linecap round stroke-linejoin round $3" "$work/$1.png"
  save "$work/$1.png" "$out/$1.bmp"
}
button next '#1f7a2e' "path 'M 4,10 L 15,10 M 10,4 L 16,10 L 10,16'"
button cancel '#b3261e' "path 'M 5,5 L 15,15 M 15,5 L 5,15'"
convert -size 20x20 xc:'#f0f0f0' -fill '#e8b43c' -stroke '#9a6d12' -strokewidth 1 \
  -draw "path 'M 2,5 L 8,5 L 10,7 L 18,7 L 18,16 L 2,16 Z'" "$work/browse.png"
save "$work/browse.png" "$out/browse.bmp"
ls -l "$out"/*.bmp.z
