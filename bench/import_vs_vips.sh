#!/usr/bin/env bash
# Times the import bench (4 workers) against the libvips command-line tools
# doing the same work on the same photos: an upright copy (a plain file copy
# for an unturned photo, quality 95 otherwise) and quality-90 copies of 90,
# 190 and 1920 pixels, four photos at a time.
# RUNS=N repeats the pair N times and ends with the ratio's min/median/max
# and the machine's load before and after.
#   usage: [RUNS=N] import_vs_vips.sh PHOTO_DIR [OUT_PARENT]
set -euo pipefail
photos=$(cd "${1:?usage: import_vs_vips.sh PHOTO_DIR [OUT_PARENT]}" && pwd)
work=${2:-$(mktemp -d)}
mkdir -p "$work" && work=$(cd "$work" && pwd)  # the bench wants an absolute folder
here=$(cd "$(dirname "$0")/.." && pwd)
bench=${IMPORT_BENCH:-${STUDIO_BUILD_DIR:-$here/build}/bench/import_bench}
command -v vips >/dev/null || { echo "vips missing: apt-get install libvips-tools"; exit 2; }
[ -x "$bench" ] || { echo "import_bench missing: build first ($bench)"; exit 2; }

now() { date +%s.%N; }
# The names the bench takes, in either case.
shopt -s nullglob
files=("$photos"/*.jpg "$photos"/*.JPG "$photos"/*.jpeg "$photos"/*.JPEG)
shopt -u nullglob
((${#files[@]} > 0)) || { echo "no JPEG photos in $photos"; exit 2; }
cat "${files[@]}" > /dev/null  # same warm page cache for both runs

run_pair() {
  rm -rf "$work/engine" "$work/vips"
  start=$(now)
  # A failed bench is no time: its own message, and the script fails.
  if ! result=$("$bench" "$photos" "$work/engine" --workers 4 2>&1); then
    echo "import_bench failed:" >&2
    echo "$result" >&2
    return 1
  fi
  engine=$(echo "$(now) - $start" | bc -l)
  echo "$result" | tail -1 >&2

  mkdir -p "$work/vips/all" "$work/vips/90" "$work/vips/190" "$work/vips/1920"
  vips_one() {
    local src=$1 out=$2 name
    name=$(basename "$src")
    if [ "$(vipsheader -f orientation "$src" 2>/dev/null || echo 1)" = 1 ]; then
      cp "$src" "$out/all/$name"
    else
      vips autorot "$src" "$out/all/$name[Q=95]"
    fi
    for s in 90 190 1920; do
      vipsthumbnail "$src" -s "$s" -o "$out/$s/%s.jpg[Q=90]"
    done
  }
  export -f vips_one
  start=$(now)
  printf '%s\0' "${files[@]}" | xargs -0 -P 4 -I{} bash -c 'vips_one "$@"' _ {} "$work/vips"
  vipstime=$(echo "$(now) - $start" | bc -l)

  printf "engine_seconds: %.2f  vips_seconds: %.2f  ratio: %.3f\n" "$engine" "$vipstime" \
    "$(echo "$engine / $vipstime" | bc -l)"
}

runs=${RUNS:-1}
load_before=$(cut -d' ' -f1-3 /proc/loadavg)
ratios=()
for ((i = 1; i <= runs; i++)); do
  line=$(run_pair) || exit 1
  echo "$line"
  ratios+=("${line##* }")
done
if ((runs > 1)); then
  sorted=($(printf '%s\n' "${ratios[@]}" | sort -g))
  printf "ratio min/median/max: %s / %s / %s  load before: %s  after: %s\n" "${sorted[0]}" \
    "${sorted[$((runs / 2))]}" "${sorted[$((runs - 1))]}" "$load_before" "$(cut -d' ' -f1-3 /proc/loadavg)"
fi
