#!/usr/bin/env bash
# The keyboard reaches the main window again after another of its windows or questions closes,
# with real X events on an X server that has no window manager (nothing hands the focus back
# but the program itself). Usage: keyboard-after-windows.sh CORVANTA CORVANTA-CLI DATA-DIR
set -u
corvanta=$(realpath "$1") cli=$(realpath "$2") data=$(realpath "$3")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
export HOME=$work/home XDG_CONFIG_HOME=$work/config XDG_STATE_HOME=$work/state
export XDG_DATA_HOME=$work/share XDG_CACHE_HOME=$work/cache
mkdir -p "$HOME" "$XDG_STATE_HOME/corvanta/recovery"
fail() { echo "FAILED: $*" >&2; exit 1; }

# A snapshot left by a program that is no longer running: a new project, unsaved.
"$cli" --home "$data" new "$work/left.cvp" || fail "corvanta-cli new"
true &
dead=$!
wait $dead
{
  printf 'corvanta recovery 1\n0\n0\n%d\n' "$(stat -c %s "$work/left.cvp")"
  cat "$work/left.cvp"
  for _ in $(seq 14); do printf '0\n'; done
} >"$XDG_STATE_HOME/corvanta/recovery/$dead.snapshot"

cat >"$work/session.sh" <<'SCRIPT'
set -u
corvanta=$1 data=$2
# Waits for a shown window whose title matches; 0 when it came.
shown() { timeout 20 xdotool search --sync --onlyvisible --name "$1" >/dev/null; }
gone() {
  for _ in $(seq 100); do
    xdotool search --onlyvisible --name "$1" >/dev/null || return 0
    sleep 0.1
  done
  return 1
}
# The program is told to end with Ctrl+Alt+X and its question answered with Enter; the exit
# status is the program's.
endWithKeys() {
  xdotool key ctrl+alt+x
  shown '^Confirm$' || { echo "Ctrl+Alt+X asked nothing" >&2; kill "$program"; wait "$program"; return 90; }
  xdotool key Return
  timeout 20 tail --pid="$program" -f /dev/null
  wait "$program"
}

cd "$data" || exit 1
# 1. The recovery question at start-up, answered with the keyboard.
"$corvanta" >/dev/null 2>&1 &
program=$!
shown '^Restore Unsaved Changes$' || { echo "no recovery question" >&2; kill "$program"; exit 91; }
sleep 1
xdotool key alt+d
gone '^Restore Unsaved Changes$' || { echo "the recovery question stayed" >&2; kill "$program"; exit 92; }
sleep 1
endWithKeys
status=$?
[ "$status" -eq 0 ] || { echo "after the recovery question: status $status" >&2; exit "$status"; }

# 2. The publish window opened and closed with the keyboard, twice.
"$corvanta" >/dev/null 2>&1 &
program=$!
shown 'Corvanta v[0-9]' || { echo "no main window" >&2; kill "$program"; exit 93; }
sleep 3 # the splash comes and goes
for round in 1 2; do
  xdotool key ctrl+p
  shown '^Publish Website$' || { echo "Ctrl+P opened nothing (round $round)" >&2; kill "$program"; wait "$program"; exit 94; }
  sleep 0.5
  xdotool key alt+c
  gone '^Publish Website$' || { echo "the publish window stayed" >&2; kill "$program"; exit 95; }
  sleep 0.5
done
endWithKeys
SCRIPT

xvfb-run -a -s "-screen 0 1024x768x24" bash "$work/session.sh" "$corvanta" "$data"
status=$?
[ "$status" -eq 0 ] || fail "status $status"
[ -z "$(ls -A "$XDG_STATE_HOME/corvanta/recovery")" ] || fail "Discard left the snapshot"
echo "keyboard kept after every window"
