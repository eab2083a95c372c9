#!/usr/bin/env bash
# Times publishing a site of phone photos with web-ready pictures, side by side with what it
# is measured against, in the same run:
#   - the first publish (empty cache) against vipsthumbnail making the same four sizes (the
#     1,920-pixel copy, 960, 720 and 480 wide) of the same photos, on every core;
#   - a republish with nothing new (everything in the cache) against publishing the same site
#     with web-ready pictures off;
#   - the first publish's peak memory.
# Goals: first publish <= 1.3x vipsthumbnail, republish <= 1.1x publishing without web-ready
# pictures, peak memory < 200 MB. Exits 1 when a goal is missed.
#
# Usage: bench/publish/pictures-bench.sh [BUILD_DIR]   (PHOTOS=N, default 20; RUNS=N, default 3)
# Needs corvanta-cli and make-photo-project built in BUILD_DIR, GNU time and vipsthumbnail
# (scripts/install-deps.sh --bench).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli=$build/cli/corvanta-cli
maker=$build/bench/publish/make-photo-project
photos=${PHOTOS:-20}
runs=${RUNS:-3}
for program in "$cli" "$maker" /usr/bin/time "$(command -v vipsthumbnail || echo vipsthumbnail)"; do
  [[ -x $program ]] || { echo "missing $program (build it / scripts/install-deps.sh --bench)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-pictures-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/project"
"$maker" "$work/home" "$work/project/photos.cvp" "$photos"
settings=$work/project/photos.cvp.settings
touch "$settings"
cp "$settings" "$work/settings-on"
{ cat "$work/settings-on"; printf '[pictures]\nwebReady=false\n'; } >"$work/settings-off"
cores=$(nproc)

# Runs a command under GNU time; prints "seconds peak-KB".
measure() {
  local start end
  sync
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/peak" "$@" >/dev/null 2>"$work/stderr" \
    || { cat "$work/stderr" >&2; exit 1; }
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" -v m="$(tail -n 1 "$work/peak")" 'BEGIN { print b - a, m }'
}

thumbnails() {
  cd "$work/project"
  ls ./*.jpg | xargs -P "$cores" -n 1 sh -c '
    vipsthumbnail "$1" -s 1920 -o "$0/%s.jpg[Q=82,strip]" &&
    vipsthumbnail "$1" -s 960x -o "$0/%s-960.jpg[Q=82,strip]" &&
    vipsthumbnail "$1" -s 720x -o "$0/%s-720.jpg[Q=82,strip]" &&
    vipsthumbnail "$1" -s 480x -o "$0/%s-480.jpg[Q=82,strip]"' "$work/thumbs"
}
export -f thumbnails
export work cores

publish() {
  rm -rf "$work/site"
  mkdir "$work/site"
  XDG_CACHE_HOME=$1 measure "$cli" --home "$work/home" publish "$work/project/photos.cvp" "$work/site"
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/thumbs.txt"; : >"$work/first.txt"; : >"$work/again.txt"; : >"$work/off.txt"
for ((run = 1; run <= runs; ++run)); do
  rm -rf "$work/thumbs"; mkdir "$work/thumbs"
  measure bash -c thumbnails >>"$work/thumbs.txt"
  cp "$work/settings-on" "$settings"
  publish "$work/cache-$run" >>"$work/first.txt"
  publish "$work/cache-$run" >>"$work/again.txt"
  cp "$work/settings-off" "$settings"
  publish "$work/cache-$run" >>"$work/off.txt"
done
cp "$work/settings-on" "$settings"
publish "$work/cache-1" >/dev/null
site_on_kb=$(du -sk --apparent-size "$work/site/website" | cut -f1)
cp "$work/settings-off" "$settings"
publish "$work/cache-1" >/dev/null
site_off_kb=$(du -sk --apparent-size "$work/site/website" | cut -f1)
cp "$work/settings-on" "$settings"

thumbs=$(cut -d' ' -f1 "$work/thumbs.txt" | median)
first=$(cut -d' ' -f1 "$work/first.txt" | median)
again=$(cut -d' ' -f1 "$work/again.txt" | median)
off=$(cut -d' ' -f1 "$work/off.txt" | median)
peak_kb=$(cut -d' ' -f2 "$work/first.txt" | sort -n | tail -n 1)
source_mb=$(du -sm --apparent-size "$work/project" | cut -f1)
first_ratio=$(awk -v a="$first" -v b="$thumbs" 'BEGIN { printf "%.2f", a / b }')
again_ratio=$(awk -v a="$again" -v b="$off" 'BEGIN { printf "%.2f", a / b }')

printf '%s photos of 4000 x 3000 (%s MB), %s cores, median of %s runs\n' "$photos" "$source_mb" "$cores" "$runs"
printf '  vipsthumbnail, four sizes:            %8.3f s\n' "$thumbs"
printf '  first publish, web-ready pictures:    %8.3f s   (%sx vipsthumbnail; goal <= 1.3x)\n' "$first" "$first_ratio"
printf '  publish with web-ready pictures off:  %8.3f s   (site of %s MB)\n' "$off" "$source_mb"
printf '  republish, nothing new:               %8.3f s   (%sx off; goal <= 1.1x)\n' "$again" "$again_ratio"
printf '  first publish peak memory:            %8d MB   (goal < 200 MB)\n' "$(( peak_kb / 1024 ))"
printf '  published site: %s KB with web-ready pictures, %s KB without\n' "$site_on_kb" "$site_off_kb"

awk -v f="$first_ratio" -v a="$again_ratio" -v p="$peak_kb" \
  'BEGIN { exit !(f <= 1.3 && a <= 1.1 && p < 200 * 1024) }'
