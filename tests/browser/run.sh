#!/usr/bin/env bash
# The browser test: installs a built Corvanta into BUILD_DIR/browser-stage, publishes a site
# with each installed template and checks it in Debian's headless Chromium
# (sitecheck.mjs). Screenshots of every home page go to BUILD_DIR/browser-artifacts/.
# Usage: tests/browser/run.sh [BUILD_DIR]     (default: build; it must be built already)
# Needs: node and npm, and chromium (scripts/install-deps.sh --test installs it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)

stage="$build/browser-stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null

# playwright-core drives the installed chromium; it downloads no browser of its own.
if [[ ! -f "$here/node_modules/playwright-core/package.json" ]] \
   || [[ "$here/package-lock.json" -nt "$here/node_modules/.package-lock.json" ]]; then
  (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

rm -rf "$build/browser-artifacts"
exec node "$here/sitecheck.mjs" "$stage/bin/corvanta-cli" "$stage/share/corvanta" \
  "$build/browser-artifacts"
