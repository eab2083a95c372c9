#!/bin/sh
# Runs a test program with HOME and every XDG folder inside a new temporary folder, so that no
# test reads the user's settings or templates or leaves anything in them; the folder goes
# afterwards. CMake puts it before every test command (CROSSCOMPILING_EMULATOR).
home=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-test-home.XXXXXX") || exit 1
export HOME="$home"
export XDG_DATA_HOME="$home/.local/share" XDG_CONFIG_HOME="$home/.config"
export XDG_STATE_HOME="$home/.local/state" XDG_CACHE_HOME="$home/.cache"
"$@"
status=$?
chmod -R u+w "$home" 2>/dev/null
rm -rf "$home"
exit $status
