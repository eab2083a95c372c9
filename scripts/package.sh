#!/usr/bin/env bash
# Builds the Debian package corvanta_<version>_amd64.deb in a fresh build directory
# (build-package) for the prefix /usr, and prints its path.
# Usage: scripts/package.sh [OUTPUT_DIR]   (default: the repository's top folder)
set -euo pipefail
cd "$(dirname "$0")/.."
top=$PWD
output=$(realpath -m "${1:-$top}")
scripts/install-deps.sh --package
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
rm -rf build-package
cmake -S . -B build-package -DCMAKE_BUILD_TYPE=Release -DCMAKE_INSTALL_PREFIX=/usr \
  -DCORVANTA_BENCH=OFF -DCORVANTA_TESTS=OFF "${launcher[@]}" >/dev/null
cmake --build build-package -j"${JOBS:-$(nproc)}" >build-package/build.log 2>&1 \
  || { tail -40 build-package/build.log >&2; exit 1; }
mkdir -p "$output"
(cd build-package && cpack -G DEB -B "$output/.cpack" >/dev/null)
mv "$output"/.cpack/corvanta_*_amd64.deb "$output"/
rm -rf "$output/.cpack"
deb=$(ls "$output"/corvanta_*_amd64.deb)
scripts/recommend-webengine.sh "$deb"
echo "$deb"
