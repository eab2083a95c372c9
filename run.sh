#!/usr/bin/env bash
# Builds Corvanta, installs it into ./stage and starts it from its data directory.
set -euo pipefail
cd "$(dirname "$0")"
scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j"$(nproc)"
cmake --install build --prefix "$PWD/stage" >/dev/null
cd stage/share/corvanta
if [[ -x ../../bin/corvanta ]]; then
  exec ../../bin/corvanta "$@"
fi
exec ../../bin/corvanta-cli --help
