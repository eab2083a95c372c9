#!/usr/bin/env bash
# Start-up of corvanta-cli: `--help` and `publish` of the default site (fourteen ticked pages,
# the first installed template) for two builds side by side, each run of one followed by a run
# of the other, and prints the median milliseconds of each and their ratio.
#
# Usage: bench/startup/compare-cli.sh BUILD_DIR_A BUILD_DIR_B    (RUNS=N, default 41)
set -euo pipefail

root=$(cd "$(dirname "$0")/../.." && pwd)
runs=${RUNS:-41}
[[ $# -eq 2 ]] || { echo "usage: $0 BUILD_DIR_A BUILD_DIR_B" >&2; exit 2; }
clis=("$1/cli/corvanta-cli" "$2/cli/corvanta-cli")
for cli in "${clis[@]}"; do
  [[ -x $cli ]] || { echo "missing $cli (build it)" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-cli-start-XXXXXX")
trap 'rm -rf "$work"' EXIT
export XDG_DATA_HOME=$work/data XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache
"${clis[0]}" --home "$root/data" new "$work/site.cvp"

# Prints the milliseconds one run of a command takes.
elapsed() {
  local start=$EPOCHREALTIME
  "$@" >/dev/null 2>&1 || { echo "failed: $*" >&2; exit 1; }
  awk -v a="$start" -v b="$EPOCHREALTIME" 'BEGIN { printf "%.3f\n", (b - a) * 1000 }'
}

median() { sort -n | awk '{ v[NR] = $1 } END { print v[int((NR + 1) / 2)] }'; }

for task in help publish; do
  : >"$work/a" && : >"$work/b"
  for ((i = 0; i < runs; ++i)); do
    for side in a b; do
      cli=${clis[0]} && [[ $side == b ]] && cli=${clis[1]}
      if [[ $task == help ]]; then
        elapsed "$cli" --help >>"$work/$side"
      else
        rm -rf "$work/out" && mkdir "$work/out"
        elapsed "$cli" --home "$root/data" publish "$work/site.cvp" "$work/out" >>"$work/$side"
      fi
    done
  done
  a=$(median <"$work/a") b=$(median <"$work/b")
  awk -v t="$task" -v a="$a" -v b="$b" \
    'BEGIN { printf "%-8s A %7.2f ms   B %7.2f ms   B/A %.2f\n", t, a, b, b / a }'
done
