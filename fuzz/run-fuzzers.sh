#!/usr/bin/env bash
# Builds the fuzz targets with clang under AddressSanitizer and UndefinedBehaviorSanitizer in
# their own build directory and runs each one for a bounded time, starting from its seed
# corpus in fuzz/corpus/<target>. Any finding (crash, sanitizer report, broken property,
# leak, time-out, memory blow-up) fails the script; the input that caused it is kept in
# <build>/findings/<target>/ and reproduced by running the target on that file.
#
# Usage: fuzz/run-fuzzers.sh [seconds per target]     (default 60, or FUZZ_SECONDS)
#        FUZZ_BUILD_DIR=... to build elsewhere than ./build-fuzz
set -euo pipefail
cd "$(dirname "$0")/.."

seconds="${1:-${FUZZ_SECONDS:-60}}"
build="${FUZZ_BUILD_DIR:-build-fuzz}"
targets=(projectfiles renderpage references markupcounts updatefile jpeg templatearchive)

CC=clang CXX=clang++ cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=RelWithDebInfo \
  -DCORVANTA_FUZZ=ON -DCORVANTA_SANITIZE=ON -DCORVANTA_BENCH=OFF >/dev/null
cmake --build "$build" --target fuzzers -j"$(nproc)"

# The targets turn inputs into files; they do so in memory, in a directory removed at the end.
scratch_base=/dev/shm
[[ -w $scratch_base ]] || scratch_base="${TMPDIR:-/tmp}"
export CORVANTA_FUZZ_SCRATCH="$(mktemp -d "$scratch_base/corvanta-fuzz-run-XXXXXX")"
trap 'rm -rf "$CORVANTA_FUZZ_SCRATCH"' EXIT

failed=()
for target in "${targets[@]}"; do
  # New inputs go to a working corpus in the build directory; the seeds stay as committed.
  work="$build/fuzz-corpus/$target"
  findings="$build/findings/$target"
  mkdir -p "$work" "$findings"
  dictionary=()
  [[ -f "fuzz/$target.dict" ]] && dictionary=(-dict="fuzz/$target.dict")
  echo "== fuzz_$target for ${seconds} s"
  if ASAN_OPTIONS=detect_leaks=1:abort_on_error=1 UBSAN_OPTIONS=print_stacktrace=1 \
      "$build/fuzz/fuzz_$target" -max_total_time="$seconds" -timeout=20 -rss_limit_mb=2048 \
        -max_len=65536 -print_final_stats=1 -artifact_prefix="$findings/" "${dictionary[@]}" \
        "$work" "fuzz/corpus/$target" >"$build/findings/$target.log" 2>&1; then
    grep -E '^(stat::number_of_executed_units|stat::peak_rss_mb|#[0-9]+ +DONE)' \
      "$build/findings/$target.log" || true
  else
    echo "fuzz_$target found a fault; the log is $build/findings/$target.log:"
    grep -v '^INFO:' "$build/findings/$target.log" | tail -40
    failed+=("$target")
  fi
done

if ((${#failed[@]})); then
  echo "Fuzzing found faults in: ${failed[*]}"
  echo "fuzzing: $((${#targets[@]} - ${#failed[@]})) passed, ${#failed[@]} failed"
  exit 1
fi
echo "Fuzzing found nothing in ${#targets[@]} targets."
echo "fuzzing: ${#targets[@]} passed, 0 failed"
