#!/usr/bin/env bash
# Formats every C++ file in the repository with clang-format 14 and the repository's
# .clang-format. With --check, changes nothing and fails when any file would change.
# Usage: scripts/format.sh [--check]
set -euo pipefail
cd "$(dirname "$0")/.."

mode=(-i)
[[ "${1:-}" == "--check" ]] && mode=(--dry-run --Werror)
git ls-files -z '*.cpp' '*.h' | xargs -0 -r clang-format-14 "${mode[@]}"
