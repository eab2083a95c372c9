#!/usr/bin/env bash
# Times `corvanta-cli publish` of a large site (fourteen ticked pages of 5 MB each, a template
# of 1,000 lines listing 29 pictures) against `cp -r` of the project's directory and the
# templates directory into a new directory, side by side, and measures publish's peak memory.
# Goals: publish takes at most twice as long as cp -r; its peak memory stays below the
# size of the bodies plus 32 MB. Exits 1 when a goal is missed.
#
# Usage: bench/publish/compare-with-cp.sh [BUILD_DIR]     (default: ./build; RUNS=N, default 7)
# Needs corvanta-cli and make-big-project built in BUILD_DIR, and GNU time (Debian: time).
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
cli=$build/cli/corvanta-cli
maker=$build/bench/publish/make-big-project
runs=${RUNS:-7}
for program in "$cli" "$maker" /usr/bin/time; do
  [[ -x $program ]] || { echo "missing $program (build it / install the package time)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-compare-XXXXXX")
trap 'rm -rf "$work"' EXIT
mkdir -p "$work/home" "$work/project"
"$maker" "$work/home" "$work/project/big.cvp"

# Runs a command under GNU time after writing out whatever is pending, then writes out what
# it wrote; prints "seconds seconds-until-on-disk peak-KB".
measure() {
  local start end synced
  sync
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M" -o "$work/peak" "$@" >/dev/null 2>"$work/stderr" \
    || { cat "$work/stderr" >&2; exit 1; }
  end=$EPOCHREALTIME
  sync
  synced=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" -v c="$synced" -v m="$(tail -n 1 "$work/peak")" \
    'BEGIN { print b - a, c - a, m }'
}

median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

: >"$work/cp.txt"
: >"$work/publish.txt"
for ((run = 1; run <= runs; ++run)); do
  rm -rf "$work/copy" "$work/site"
  mkdir "$work/copy" "$work/site"
  measure cp -r "$work/project" "$work/home/templates" "$work/copy/" >>"$work/cp.txt"
  measure "$cli" --home "$work/home" publish "$work/project/big.cvp" "$work/site" >>"$work/publish.txt"
done

cp_time=$(cut -d' ' -f1 "$work/cp.txt" | median)
publish_time=$(cut -d' ' -f1 "$work/publish.txt" | median)
cp_disk=$(cut -d' ' -f2 "$work/cp.txt" | median)
publish_disk=$(cut -d' ' -f2 "$work/publish.txt" | median)
cp_peak=$(cut -d' ' -f3 "$work/cp.txt" | sort -n | tail -n 1)
publish_peak=$(cut -d' ' -f3 "$work/publish.txt" | sort -n | tail -n 1)
bodies_kb=$(( $(cat "$work"/project/*.dat | wc -c) / 1024 ))
limit_kb=$(( bodies_kb + 32 * 1024 ))
ratio=$(awk -v p="$publish_time" -v c="$cp_time" 'BEGIN { print p / c }')

printf 'Median of %d runs; the site: %d MB of page bodies, %s files in the project and templates\n' \
  "$runs" $(( bodies_kb / 1024 )) "$(find "$work/project" "$work/home/templates" -type f | wc -l)"
printf '%-26s %11s %16s %14s\n' "" "wall time" "until on disk" "peak memory"
printf '%-26s %9.3f s %14.3f s %11d KB\n' "cp -r project templates" "$cp_time" "$cp_disk" "$cp_peak"
printf '%-26s %9.3f s %14.3f s %11d KB\n' "corvanta-cli publish" "$publish_time" "$publish_disk" \
  "$publish_peak"
printf 'wall time ratio %.2f (goal <= 2.00; until on disk %.2f); peak %d KB against a limit of %d KB (bodies + 32 MB)\n' \
  "$ratio" "$(awk -v p="$publish_disk" -v c="$cp_disk" 'BEGIN { print p / c }')" "$publish_peak" \
  "$limit_kb"

status=0
if awk -v r="$ratio" 'BEGIN { exit !(r > 2.0) }'; then echo "GOAL MISSED: publish is too slow"; status=1; fi
if (( publish_peak >= limit_kb )); then echo "GOAL MISSED: publish uses too much memory"; status=1; fi
exit $status
