#!/usr/bin/env bash
# Generates N camera-like 6000x4000 JPEGs (quality 92, 4:2:2 chroma as most
# cameras' fine JPEGs) in DIR. Half are upright (orientation 1); the others
# carry the turns cameras write: 6, 8 and now and then 3.
#   usage: make_photos.sh DIR N [WIDTHxHEIGHT]
set -euo pipefail
dir=${1:?usage: make_photos.sh DIR N [WIDTHxHEIGHT]}
count=${2:?usage: make_photos.sh DIR N [WIDTHxHEIGHT]}
geometry=${3:-6000x4000}
mkdir -p "$dir"
width=${geometry%x*}
height=${geometry#*x}

make_one() {
  local i=$1 dir=$2 width=$3 height=$4
  local name
  name=$(printf "IMG_%04d.jpg" "$i")
  [ -f "$dir/$name" ] && return 0
  # Smooth fractal scenery with sensor-like grain: entropy close to a real photo.
  convert -seed "$i" -size "$((width / 8))x$((height / 8))" plasma:fractal -blur 0x1 \
    -resize "${width}x${height}!" -attenuate 0.6 +noise Gaussian \
    -sampling-factor 2x1 -quality 92 "$dir/$name.tmp.jpg"
  local turns=(6 8 6 3) orientation=1
  if (( i % 2 == 0 )); then orientation=${turns[$(( (i / 2) % 4 ))]}; fi
  exiftool -q -overwrite_original -Orientation#=$orientation "$dir/$name.tmp.jpg"
  mv "$dir/$name.tmp.jpg" "$dir/$name"
}
export -f make_one
seq 1 "$count" | xargs -P "${JOBS:-4}" -I{} bash -c 'make_one "$@"' _ {} "$dir" "$width" "$height"
echo "$count photos in $dir"
