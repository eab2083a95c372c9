#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh, installs it on this machine, checks its
# desktop entry and AppStream data, makes and publishes a site with the installed
# corvanta-cli and a template added from a zip archive, starts the installed corvanta the way
# its desktop entry does until its main window is mapped, then purges the package and checks
# that none of its files are left. Needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/../.."
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-package.XXXXXX")
trap 'rm -rf "$work"' EXIT
fail() { echo "check-package: $*" >&2; exit 1; }

echo "-- building the package"
deb=$(scripts/package.sh "$work/deb")
echo "$deb"
contents=$(dpkg-deb -c "$deb")
for path in ./usr/bin/corvanta ./usr/bin/corvanta-cli ./usr/share/corvanta/templates/ \
    ./usr/share/corvanta/help/index.html ./usr/share/applications/corvanta.desktop \
    ./usr/share/metainfo/example.corvanta.Corvanta.metainfo.xml \
    ./usr/share/man/man1/corvanta-cli.1.gz ./usr/share/icons/hicolor/256x256/apps/corvanta.png \
    ./usr/share/icons/hicolor/16x16/apps/corvanta.png \
    ./usr/share/icons/hicolor/scalable/apps/corvanta.svg; do
  grep -q " $path\$" <<<"$contents" || fail "the package lacks $path"
done
# The update checker and the Upload window come from a module the program loads when needed.
grep -q "/lib/.*corvanta/corvanta-network.so\$" <<<"$contents" \
  || fail "the package lacks the network module"
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependencies from dpkg-shlibdeps"
dpkg-deb -f "$deb" Depends | grep -q libcurl || fail "no dependencies of the network module"

echo "-- installing it"
"${sudo_cmd[@]}" apt-get purge -y -qq corvanta >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
dpkg -L corvanta >"$work/files"
desktop-file-validate /usr/share/applications/corvanta.desktop
appstreamcli validate --no-net /usr/share/metainfo/example.corvanta.Corvanta.metainfo.xml
man -w corvanta-cli >/dev/null

echo "-- a site from a template added from a zip archive, with the installed corvanta-cli"
export HOME="$work/home" XDG_DATA_HOME="$work/home/data" XDG_CONFIG_HOME="$work/home/config"
export XDG_STATE_HOME="$work/home/state" XDG_CACHE_HOME="$work/home/cache"
mkdir -p "$HOME" "$work/Aurora" "$work/public"
# Harbour under a new name that sorts first, so that a new project takes it.
for file in /usr/share/corvanta/templates/Harbour*; do
  name=$(basename "$file")
  cp "$file" "$work/Aurora/Aurora${name#Harbour}"
done
sed -i 's/Harbour/Aurora/g' "$work/Aurora/Aurora.t"
(cd "$work" && zip -qr aurora.zip Aurora)
cli=(corvanta-cli --home /usr/share/corvanta)
[[ $("${cli[@]}" add-template "$work/aurora.zip") == Aurora ]] || fail "add-template"
[[ -f "$XDG_DATA_HOME/corvanta/templates/Aurora/Aurora.t" ]] || fail "Aurora.t is not in the user's folder"
"${cli[@]}" templates | grep -qx Harbour || fail "the installed templates are not listed"
[[ $("${cli[@]}" templates | head -1) == Aurora ]] || fail "the added template is not listed first"
"${cli[@]}" new "$work/site.cvp"
"${cli[@]}" publish "$work/site.cvp" "$work/public" 2>/dev/null >/dev/null
[[ -s "$work/public/website/home.html" ]] || fail "publish wrote no home page"
cmp -s "$work/public/website/Aurorahome.gif" "$work/Aurora/Aurorahome.gif" \
  || fail "the added template's picture was not published"

echo "-- the installed program, started as its desktop entry starts it"
entry=/usr/share/applications/corvanta.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
path_line=$(sed -n 's/^Path=//p' "$entry")
xvfb-run -a -s "-screen 0 1024x768x24" bash -c '
  cd "$1" || exit 1
  eval "set -- $2"
  "$@" >/dev/null 2>&1 &
  program=$!
  timeout 60 xdotool search --sync --onlyvisible --name "^Corvanta v" >/dev/null
  found=$?
  kill "$program" 2>/dev/null
  wait "$program" 2>/dev/null
  exit $found' check "$path_line" "$exec_line" || fail "the main window never appeared"

echo "-- removing it"
"${sudo_cmd[@]}" apt-get purge -y -qq corvanta >/dev/null
left=0
while read -r path; do
  [[ -e "$path" || -L "$path" ]] || continue
  # Folders shared with other packages (/usr/share/man/man1 ...) stay.
  [[ -d "$path" ]] && dpkg -S "$path" >/dev/null 2>&1 && continue
  echo "left behind: $path" >&2
  left=1
done <"$work/files"
[[ $left -eq 0 ]] || fail "files of the package were left behind"
echo "package check passed"
