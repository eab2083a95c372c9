#!/usr/bin/env bash
# Real key presses on the real program under Xvfb: the first Ctrl+S asks and Enter takes the
# proposed folder (Ctrl+Z and Ctrl+Y working in the dialog's name on the way); the next Ctrl+S
# saves without a dialog; Enter on the exit question saves and the program ends with status 0.
# Usage: keys-under-x.sh CORVANTA DATA_DIR [SCREENSHOT_DIR]
set -euo pipefail
command -v xdotool >/dev/null && command -v xvfb-run >/dev/null || exit 77
work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-keys.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_STATE_HOME="$work/home/state"
export XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache" LC_ALL=C.UTF-8
mkdir -p "$HOME/Documents"
project="$HOME/Documents/Rosies Bakery/Rosies Bakery.cvp"

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$1" "$2" "$project" "${3:-}" \
  >"$work/run.log" 2>&1 <<'SESSION' || { cat "$work/run.log" >&2; exit 1; }
set -uo pipefail
program=$1 data=$2 project=$3 shots=$4
fail() { echo "keys-under-x: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }
shot() { [[ -z $shots ]] || import -window root "$shots/$1.png"; }
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; }
keys() { xdotool key --delay 60 "$@"; sleep 0.5; }
typed() { xdotool type --delay 40 "$1"; sleep 0.5; }
holds() { # the project file holds a text, within 20 s
  for _ in $(seq 40); do grep -q "$1" "$project" 2>/dev/null && return 0; sleep 0.5; done
  return 1
}

cd "$data" && "$program" &
pid=$!
main=$(window "^Corvanta v") || fail "the main window never appeared"
window "^Corvanta$" >/dev/null # the splash, gone two seconds later
for _ in $(seq 40); do [[ -z $(xdotool search --onlyvisible --name "^Corvanta$") ]] && break; sleep 0.5; done
xdotool windowfocus --sync "$main"
keys Tab Tab Tab # to Site Title
typed "Rosie's Bakery"
keys ctrl+s
window "^Save Project$" >/dev/null || fail "the first Ctrl+S asked nothing"
shot save-dialog
keys End
typed Z
keys ctrl+z ctrl+y BackSpace Return
holds "Rosie's Bakery" || fail "Enter in the save dialog did not save $project"
xdotool windowfocus --sync "$main" # nothing manages the windows here

keys End
typed " and Cakes"
keys ctrl+s
holds "Rosie's Bakery and Cakes" || fail "Ctrl+S did not save the change"
[[ -z $(xdotool search --onlyvisible --name "^Save Project$") ]] || fail "Ctrl+S asked where"

keys End
typed " Ltd"
keys ctrl+q
window "^Corvanta$" >/dev/null || fail "Ctrl+Q asked nothing"
shot exit-question
keys Return
holds "Rosie's Bakery and Cakes Ltd" || fail "Enter on the exit question did not save"
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
wait "$pid"
status=$?
[[ $status -eq 0 ]] || fail "the program ended with status $status"
SESSION
