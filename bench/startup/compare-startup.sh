#!/usr/bin/env bash
# Measures start-up: starts a bare Qt Widgets window (bare-window) and corvanta in turn, RUNS
# times each, under a fresh Xvfb display, from process start to the first frame of the main
# window, and prints both medians and the ratio corvanta / bare.
#
# Usage: bench/startup/compare-startup.sh BUILD_DIR [RUNS]   (default 30 runs)
# Both start in the source tree's data/ folder (the templates and help) with HOME and the XDG
# folders in a fresh temporary folder, so no settings or recovery snapshot of the user's count.
set -euo pipefail

here=$(cd "$(dirname "$0")" && pwd)
[[ $# -ge 1 ]] || { sed -n '2,8p' "$0" >&2; exit 2; }
build=$(cd "$1" && pwd)
runs=${2:-30}
for program in "$build/bench/startup/bare-window" "$build/app/corvanta" \
               "$build/bench/startup/startup-compare"; do
  [[ -x $program ]] || { echo "missing $program: build it in $build" >&2; exit 2; }
done

work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-startup-XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_CACHE_HOME=$work/cache \
       XDG_DATA_HOME=$work/data XDG_STATE_HOME=$work/state XDG_RUNTIME_DIR=$work/runtime
mkdir -p "$HOME" "$XDG_CONFIG_HOME" "$XDG_CACHE_HOME" "$XDG_DATA_HOME" "$XDG_STATE_HOME"
mkdir -m 700 "$XDG_RUNTIME_DIR"
unset QT_QPA_PLATFORM WAYLAND_DISPLAY

xvfb-run -a -s "-screen 0 1280x1024x24" \
  "$build/bench/startup/startup-compare" "$runs" "$here/../../data" \
  "$build/bench/startup/bare-window" "$build/app/corvanta"
