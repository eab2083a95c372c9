#!/usr/bin/env bash
# Real key presses on the real program under Xvfb, as a site owner types them: the first
# Ctrl+S asks where and Enter takes the proposed folder of the project's own (Ctrl+Z and
# Ctrl+Y working in the dialog's name on the way); the next Ctrl+S
# saves without a dialog; Enter on the exit question with unsaved changes saves them, and the
# program ends with status 0.
# Usage: keys-under-x.sh CORVANTA DATA_DIR [SCREENSHOT_DIR]
set -euo pipefail
program=$1
data=$2
shots=${3:-}
for tool in xvfb-run xdotool; do
  command -v "$tool" >/dev/null || { echo "keys-under-x: $tool is not installed" >&2; exit 77; }
done
work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-keys.XXXXXX")
trap 'rm -rf "$work"' EXIT
export HOME="$work/home" XDG_CONFIG_HOME="$work/home/config" XDG_STATE_HOME="$work/home/state"
export XDG_DATA_HOME="$work/home/data" XDG_CACHE_HOME="$work/home/cache"
export LC_ALL=C.UTF-8
mkdir -p "$HOME/Documents"
project="$HOME/Documents/Rosies Bakery/Rosies Bakery.cvp"

xvfb-run -a -s "-screen 0 1024x768x24" bash -s "$program" "$data" "$project" "$shots" \
  >"$work/run.log" 2>&1 <<'SESSION' || { cat "$work/run.log" >&2; exit 1; }
set -uo pipefail
program=$1 data=$2 project=$3 shots=$4
fail() { echo "keys-under-x: $*" >&2; kill "$pid" 2>/dev/null; exit 1; }
shot() { [[ -n $shots ]] && import -window root "$shots/$1.png" 2>/dev/null; true; }
# Waits up to 20 s for a visible window whose name matches.
window() { timeout 20 xdotool search --sync --onlyvisible --name "$1" 2>/dev/null | head -1; }
# Keys go where the keyboard focus is, as the user's do.
keys() { xdotool key --delay 60 "$@"; sleep 0.5; }
typed() { xdotool type --delay 40 "$1"; sleep 0.5; }
# Waits up to 20 s for the project file to hold a text.
holds() {
  for _ in $(seq 40); do grep -q "$1" "$project" 2>/dev/null && return 0; sleep 0.5; done
  return 1
}

cd "$data" || exit 1
"$program" &
pid=$!
main=$(window "^Corvanta v") || fail "the main window never appeared"
# The splash comes on the first activation and goes two seconds later.
window "^Corvanta$" >/dev/null
for _ in $(seq 40); do
  [[ -z $(xdotool search --onlyvisible --name "^Corvanta$" 2>/dev/null) ]] && break
  sleep 0.5
done
xdotool windowfocus --sync "$main"
sleep 0.5
keys Tab Tab Tab # Site Type, the template, the Template Viewer, then Site Title
typed "Rosie's Bakery"

keys ctrl+s
dialog=$(window "^Save Project$") || fail "the first Ctrl+S asked nothing"
shot save-dialog
# Ctrl+Y redoes in a text box of any window, here the dialog's name: a Z typed, undone, redone
# and rubbed out leaves the proposed name as it was.
keys End
typed Z
keys ctrl+z ctrl+y BackSpace
keys Return
holds "Rosie's Bakery" || fail "Enter in the save dialog did not save $project"
# Nothing manages the windows here: the keyboard goes back to the main window by hand.
xdotool windowfocus --sync "$main"
sleep 0.5

keys End
typed " and Cakes"
keys ctrl+s
holds "Rosie's Bakery and Cakes" || fail "Ctrl+S did not save the change"
[[ -z $(xdotool search --onlyvisible --name "^Save Project$" 2>/dev/null) ]] \
  || fail "Ctrl+S asked where to save a project that has a file"

keys End
typed " Ltd"
shot unsaved
keys ctrl+q
question=$(window "^Corvanta$") || fail "Ctrl+Q asked nothing"
shot exit-question
keys Return
holds "Rosie's Bakery and Cakes Ltd" || fail "Enter on the exit question did not save"
for _ in $(seq 40); do kill -0 "$pid" 2>/dev/null || break; sleep 0.5; done
kill -0 "$pid" 2>/dev/null && fail "the program did not end after saving"
wait "$pid"
status=$?
[[ $status -eq 0 ]] || fail "the program ended with status $status"
SESSION
echo "keys-under-x: Ctrl+S and Enter on the exit question saved $project"
