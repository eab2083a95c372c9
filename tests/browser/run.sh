#!/usr/bin/env bash
# The browser test: installs a built Corvanta into BUILD_DIR/browser-stage, publishes a site
# with each installed template and checks it in Debian's headless Chromium with axe-core
# (sitecheck.mjs). Screenshots and a contact sheet go to BUILD_DIR/browser-artifacts/.
# Usage: tests/browser/run.sh [BUILD_DIR [TEMPLATE...]]
#        (default: build; it must be built already; naming templates checks only those)
# Needs: node and npm, and chromium (scripts/install-deps.sh --test installs it).
set -euo pipefail
here=$(cd "$(dirname "$0")" && pwd)
root=$(cd "$here/../.." && pwd)
build=$(cd "${1:-$root/build}" && pwd)
shift || true

stage="$build/browser-stage"
rm -rf "$stage"
cmake --install "$build" --prefix "$stage" >/dev/null

# playwright-core drives the installed chromium; it downloads no browser of its own. axe-core
# is the audit the driver puts into every page; Lighthouse (pinned to 12.2.3, the last for
# Node 20) audits each template's pages in a Chromium of its own.
if [[ ! -f "$here/node_modules/playwright-core/package.json" ]] \
   || [[ ! -f "$here/node_modules/axe-core/axe.min.js" ]] \
   || [[ ! -f "$here/node_modules/lighthouse/package.json" ]] \
   || [[ "$here/package-lock.json" -nt "$here/node_modules/.package-lock.json" ]]; then
  (cd "$here" && PLAYWRIGHT_SKIP_BROWSER_DOWNLOAD=1 npm ci --no-audit --no-fund --loglevel=error)
fi

rm -rf "$build/browser-artifacts"
exec node "$here/sitecheck.mjs" "$stage/bin/corvanta-cli" "$stage/share/corvanta" \
  "$build/browser-artifacts" "$@"
