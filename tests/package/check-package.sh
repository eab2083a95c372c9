#!/usr/bin/env bash
# Builds the Debian package with scripts/package.sh, installs it on this machine, checks its
# desktop entry and AppStream data, makes, publishes and checks a site with the installed
# corvanta-cli and a template added from a zip archive, run from the home folder without
# --home, starts the installed corvanta from the home folder as its desktop entry's command
# does and reads the templates it lists on Site Info as a screen reader would, then purges
# the package and checks that none of its files are left. Needs root (or sudo) for apt-get.
set -euo pipefail
cd "$(dirname "$0")/../.."
repo=$PWD
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
# corvanta-cli loads the same libraries only for upload and add-template, Qt only for import,
# and Qt's font machinery only for the commands that list the fonts, from modules of its own.
for module in corvanta-cli-network corvanta-cli-import corvanta-cli-fonts; do
  grep -q "/lib/.*corvanta/$module.so\$" <<<"$contents" || fail "the package lacks $module.so"
done
dpkg-deb -f "$deb" Depends | grep -q libqt6widgets6 || fail "no dependencies from dpkg-shlibdeps"
dpkg-deb -f "$deb" Depends | grep -q libcurl || fail "no dependencies of the network module"
dpkg-deb -f "$deb" Depends | grep -q libsecret-1-0 || fail "no dependency on the keyring library"
# The live preview's browser engine is recommended, not required: the program runs without it.
grep -q "/lib/.*corvanta/corvanta-preview.so\$" <<<"$contents" || fail "the package lacks the preview module"
dpkg-deb -f "$deb" Recommends | grep -q libqt6webenginewidgets6 || fail "Qt WebEngine is not recommended"
dpkg-deb -f "$deb" Depends | grep -q libqt6webengine && fail "Qt WebEngine is a dependency"

echo "-- installing it"
"${sudo_cmd[@]}" apt-get purge -y -qq corvanta >/dev/null 2>&1 || true
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq "$deb" >/dev/null
dpkg -L corvanta >"$work/files"
desktop-file-validate /usr/share/applications/corvanta.desktop
appstreamcli validate --no-net /usr/share/metainfo/example.corvanta.Corvanta.metainfo.xml
man -w corvanta-cli >/dev/null
# The command line starts without the network, keyring, TLS, archive, git, picture and Qt libraries:
# they come with its modules, for the commands that use them; so does the program.
needed=$(objdump -p /usr/bin/corvanta-cli | awk '$1 == "NEEDED" { print $2 }')
for library in libcurl libssl libcrypto libarchive libqt6keychain libgit2 libvips libQt6Gui libQt6Core; do
  ! grep -q "^$library" <<<"$needed" || fail "corvanta-cli loads $library at its start"
done
! objdump -p /usr/bin/corvanta | grep -q "NEEDED.*libgit2" || fail "corvanta loads libgit2 at its start"

echo "-- a site from a template added from a zip archive, with the installed corvanta-cli run"
echo "   from the home folder, without --home"
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
cd "$HOME"
[[ $(corvanta-cli add-template "$work/aurora.zip") == Aurora ]] || fail "add-template"
[[ -f "$XDG_DATA_HOME/corvanta/templates/Aurora/Aurora.t" ]] || fail "Aurora.t is not in the user's folder"
corvanta-cli templates | grep -qx Harbour || fail "the installed templates are not listed"
[[ $(corvanta-cli templates | head -1) == Aurora ]] || fail "the added template is not listed first"
corvanta-cli new site.cvp
printf '<p>Fresh bread every morning.</p>' >1.dat
corvanta-cli publish site.cvp "$work/public" 2>/dev/null >/dev/null
[[ -s "$work/public/website/home.html" ]] || fail "publish wrote no home page"
cmp -s "$work/public/website/Aurorahome.gif" "$work/Aurora/Aurorahome.gif" \
  || fail "the added template's picture was not published"
corvanta-cli check site.cvp || fail "check found faults in a site that has none"
mapfile -t templates < <(corvanta-cli templates)

echo "-- the installed program, started from the home folder with its desktop entry's command"
entry=/usr/share/applications/corvanta.desktop
exec_line=$(sed -n 's/^Exec=//p' "$entry")
# A session bus of its own carries the accessibility bus that the window is read through.
xvfb-run -a -s "-screen 0 1024x768x24" dbus-run-session -- bash -c '
  cd "$HOME" || exit 1
  lists=$1 command=$2
  shift 2
  export QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1
  gdbus call --session --dest org.a11y.Bus --object-path /org/a11y/bus \
    --method org.a11y.Bus.GetAddress >/dev/null || exit 1
  ( eval "exec $command" ) >/dev/null 2>&1 &
  program=$!
  timeout 60 xdotool search --sync --onlyvisible --name "^Corvanta v" >/dev/null \
    || { echo "the main window never appeared" >&2; kill "$program"; exit 1; }
  "$lists" "$@"
  listed=$?
  kill "$program" 2>/dev/null
  wait "$program" 2>/dev/null
  exit $listed' check "$repo/tests/package/window-lists.py" "$exec_line" "${templates[@]}" \
  >"$work/window.log" 2>&1 \
  || { grep -v "^dbus-daemon\|SpiRegistry" "$work/window.log" >&2
       fail "Site Info does not list the templates ${templates[*]}"; }

echo "-- removing it"
"${sudo_cmd[@]}" apt-get purge -y -qq corvanta >/dev/null
left=0
while read -r path; do
  [[ -e "$path" || -L "$path" ]] || continue
  [[ "$path" == "/." ]] && continue # the root, which every package lists
  # Folders shared with other packages (/usr/share/man/man1 ...) stay.
  [[ -d "$path" ]] && dpkg -S "$path" >/dev/null 2>&1 && continue
  echo "left behind: $path" >&2
  left=1
done <"$work/files"
[[ $left -eq 0 ]] || fail "files of the package were left behind"
echo "package check passed"
