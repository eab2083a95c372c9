#!/usr/bin/env bash
# Runs clang-tidy 14 with the repository's .clang-tidy over every C++ file of the repository
# that a build compiles (the program, tests, benchmarks and fuzz targets) and fails on any
# warning (.clang-tidy makes each one an error). Prints only what it finds.
# Usage: scripts/tidy.sh [BUILD_DIR]   (default build-tidy: configured here, nothing is built,
# since no source includes a generated header)
set -euo pipefail
cd "$(dirname "$0")/.."

build=${1:-build-tidy}
# clang's own view of the flags, and the fuzz targets, which only clang builds.
cmake -S . -B "$build" -DCMAKE_BUILD_TYPE=Debug -DCMAKE_CXX_COMPILER=clang++ \
  -DCMAKE_C_COMPILER=clang -DCORVANTA_FUZZ=ON -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >/dev/null

# The repository's sources, not what the build generates (moc, resources).
folders="about|app|assets|bench|catalogue|cli|editor|fuzz|platform|project|publish|tests|update"
sources="^$(pwd)/($folders|upload|widgets)/"
# Each file's findings are printed together; the lines naming each run and clang-tidy's counts
# of what it left out are not.
run-clang-tidy-14 -clang-tidy-binary clang-tidy-14 -p "$build" -j "$(nproc)" -quiet "$sources" \
  2>/dev/null | sed '/^clang-tidy-14 /d'
