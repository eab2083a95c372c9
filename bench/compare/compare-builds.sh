#!/usr/bin/env bash
# Shows that a change leaves the program's output alone: makes the same random projects with
# each of two builds (before and after the change), saves them with that build's project
# files code, publishes each with that build's corvanta-cli, and compares everything written
# byte for byte: project files, page files, published sites, and what publish printed and
# returned. Exits 1 on the first difference, 0 when both builds wrote the same bytes.
#
# Usage: bench/compare/compare-builds.sh BEFORE_BUILD AFTER_BUILD [COUNT] [SEED]
#        (default 40 projects from seed 1664; KEEP=1 keeps the work directory;
#        ORDINARY_TEXTS=1 keeps '"', '<', '>' and '&' out of the texts that go into attribute
#        values and a blank off the end of logo names, for a BEFORE_BUILD that wrote them as typed)
# Each build needs corvanta-cli and its core libraries built. The random projects come from
# each build's own tests/hardening/randomproject.cpp, compiled with make_random_projects.cpp
# against that build's source tree. Both publish the templates of BEFORE_BUILD's source tree.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[[ $# -ge 2 ]] || { sed -n '2,14p' "$0" >&2; exit 2; }
before=$(cd "$1" && pwd)
after=$(cd "$2" && pwd)
count=${3:-40}
seed=${4:-1664}

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-builds-XXXXXX")
[[ ${KEEP:-0} == 1 ]] && echo "work directory: $work" || trap 'rm -rf "$work"' EXIT

# The source tree a build directory was configured from.
source_of() { sed -n 's/^CMAKE_HOME_DIRECTORY:INTERNAL=//p' "$1/CMakeCache.txt"; }
compiler_of() { sed -n 's/^CMAKE_CXX_COMPILER:[A-Z]*=//p' "$1/CMakeCache.txt"; }

home=$(source_of "$before")/data
# Every project runs in the same directory, so paths written into files and messages match.
run=$work/run

for side in before after; do
  build=${!side}
  source=$(source_of "$build")
  cli=$build/cli/corvanta-cli
  [[ -x $cli ]] || { echo "missing $cli: build corvanta-cli in $build" >&2; exit 2; }
  mapfile -t cores < <(find "$build" -name 'lib*_core.a' -not -path '*/CMakeFiles/*')
  [[ ${#cores[@]} -gt 0 ]] || { echo "no core libraries in $build" >&2; exit 2; }

  maker=$work/make-random-projects-$side
  "$(compiler_of "$build")" -std=c++20 -O1 -I"$source" "$here/make_random_projects.cpp" \
    "$source/tests/hardening/randomproject.cpp" \
    -Wl,--start-group "${cores[@]}" -Wl,--end-group -o "$maker"

  mapfile -t templates < <("$cli" --home "$home" templates)
  mkdir -p "$run"
  "$maker" "$run" "$count" "$seed" "${#templates[@]}"
  for ((index = 0; index < count; ++index)); do
    project=$run/$index
    status=0
    mkdir "$project/out"
    (cd "$project" && "$cli" --home "$home" publish site.cvp "$project/out") \
      >"$project/publish.stdout" 2>"$project/publish.stderr" || status=$?
    echo "$status" >"$project/publish.status"
  done
  mv "$run" "$work/$side"
done

published=$(find "$work/after" -name publish.status -exec grep -lx 0 {} + | wc -l)
files=$(find "$work/after" -type f | wc -l)
if diff -r "$work/before" "$work/after" >"$work/differences" 2>&1; then
  echo "identical: $count projects ($published published), $files files, seed $seed"
else
  echo "DIFFERENT: the builds wrote different bytes (seed $seed):" >&2
  head -n 20 "$work/differences" >&2
  exit 1
fi
