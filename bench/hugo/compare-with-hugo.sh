#!/usr/bin/env bash
# Times `corvanta-cli publish` against Hugo (Debian's hugo, scripts/install-deps.sh --bench)
# on the same fourteen-page bakery site, side by side in one run, each writing a fresh folder:
# once with 7 KB pages and once with the same text at 5 MB a page, tags and links on every
# line. Hugo gets a small page design whose every page lists all pages, the same bodies as
# HTML content and the same pictures. Goal: Corvanta at least 5 times as fast as Hugo on both;
# exits 1 when a goal is missed. The folders are made in TMPDIR (default /tmp); with
# TMPDIR=/dev/shm the file system's own cost of making files is left out of both sides.
# That cost is measured in the same runs too: the rows "files alone" make the same
# folders and files (as many bytes each, all zero) as each program wrote, in the same place, with
# nothing else around them (bench/hugo/replicate_tree.py); Hugo's time divided by the row of
# Corvanta's files is the most any publisher writing those files there could reach.
#
# Usage: bench/hugo/compare-with-hugo.sh [BUILD_DIR [BEFORE_BUILD_DIR]]
#   (default ./build; RUNS=N, default 9). With BEFORE_BUILD_DIR its corvanta-cli is timed in
#   the same run too, for a before-and-after table; the goal is checked on BUILD_DIR's.
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
before=${2:+$(cd "$2" && pwd)}
runs=${RUNS:-9}
cli=$build/cli/corvanta-cli
for program in "$cli" ${before:+"$before/cli/corvanta-cli"} hugo python3 /usr/bin/time; do
  command -v "$program" >/dev/null || {
    echo "missing $program (build it; scripts/install-deps.sh --bench)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-hugo-XXXXXX")
trap 'rm -rf "$work"' EXIT

# Runs a command under GNU time; prints "seconds peak-KB cpu-seconds".
measure() {
  local start end
  start=$EPOCHREALTIME
  /usr/bin/time -f "%M %U %S" -o "$work/time" "$@" >/dev/null 2>"$work/stderr" \
    || { cat "$work/stderr" >&2; exit 1; }
  end=$EPOCHREALTIME
  awk -v a="$start" -v b="$end" '{ print b - a, $1, $2 + $3 }' "$work/time"
}
median() { sort -g | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

status=0
printf '%-10s %-22s %10s %10s %12s\n' "site" "program" "wall" "cpu" "peak"
for size in 7168 5242880; do
  site=$work/$size
  python3 "$root/bench/hugo/make_sites.py" "$cli" "$root/data" "$size" "$site" >/dev/null
  programs=(corvanta hugo)
  [[ -n $before ]] && programs+=(before)
  for program in "${programs[@]}" shape-corvanta shape-hugo; do : >"$site/$program.txt"; done
  # Every run writes a folder of its own; they are removed only after the last run, so that
  # no run creates its files where an earlier one has just deleted some (which file systems
  # make slower, for a few seconds).
  for ((run = 1; run <= runs; ++run)); do
    for program in "${programs[@]}"; do
      out=$site/out-$program-$run
      mkdir "$out"
      case $program in
        corvanta) measure "$cli" --home "$root/data" publish "$site/corvanta/bakery.cvp" "$out" ;;
        before) measure "$before/cli/corvanta-cli" --home "$root/data" publish \
                  "$site/corvanta/bakery.cvp" "$out" ;;
        hugo) measure hugo --quiet --source "$site/hugo" --destination "$out" ;;
      esac >>"$site/$program.txt"
    done
    for program in corvanta hugo; do
      python3 "$root/bench/hugo/replicate_tree.py" "$site/out-$program-1" \
        "$site/alone-$program-$run" | awk '{ print $1 / 1000, 0, 0 }' >>"$site/shape-$program.txt"
    done
  done
  name=$([[ $size == 7168 ]] && echo "7 KB" || echo "5 MB")
  for program in "${programs[@]}"; do
    label=$program
    [[ $program == corvanta ]] && label="corvanta-cli publish"
    [[ $program == before ]] && label="corvanta-cli (before)"
    [[ $program == hugo ]] && label="hugo $(hugo version | grep -o 'v[0-9.]*' | head -n 1)"
    printf '%-10s %-22s %8.1f ms %7.1f ms %9d KB\n' "$name" "$label" \
      "$(cut -d' ' -f1 "$site/$program.txt" | median | awk '{ print $1 * 1000 }')" \
      "$(cut -d' ' -f3 "$site/$program.txt" | median | awk '{ print $1 * 1000 }')" \
      "$(cut -d' ' -f2 "$site/$program.txt" | sort -n | tail -n 1)"
  done
  for program in corvanta hugo; do
    printf '%-10s %-22s %8.1f ms %10s  (%d folders and files)\n' "$name" \
      "$program's files alone" \
      "$(cut -d' ' -f1 "$site/shape-$program.txt" | median | awk '{ print $1 * 1000 }')" "" \
      "$(find "$site/out-$program-1" -mindepth 1 | wc -l)"
  done
  rm -rf "$site"/out-* "$site"/alone-*
  ratio=$(awk -v h="$(cut -d' ' -f1 "$site/hugo.txt" | median)" \
    -v c="$(cut -d' ' -f1 "$site/corvanta.txt" | median)" 'BEGIN { print h / c }')
  printf '%s pages: Corvanta %.1f times as fast as Hugo (goal >= 5.0)\n' "$name" "$ratio"
  printf '%s pages: Hugo takes %.1f times as long as making Corvanta'"'"'s folders and files alone\n' \
    "$name" "$(awk -v h="$(cut -d' ' -f1 "$site/hugo.txt" | median)" \
      -v f="$(cut -d' ' -f1 "$site/shape-corvanta.txt" | median)" 'BEGIN { print h / f }')"
  if awk -v r="$ratio" 'BEGIN { exit !(r < 5.0) }'; then
    echo "GOAL MISSED: $name pages"
    status=1
  fi
done
exit $status
