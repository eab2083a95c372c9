#!/usr/bin/env bash
# Moves Qt WebEngine from the package's Depends to its Recommends. dpkg-shlibdeps lists it
# because the live preview's module links it, but the program loads that module only when
# the preview is first shown and runs without it, telling the person which package to add.
# Usage: scripts/recommend-webengine.sh PACKAGE.deb   (rewrites the package in place)
set -euo pipefail
deb=$(realpath "$1")
work=$(mktemp -d "${TMPDIR:-/tmp}/corvanta-deb.XXXXXX")
trap 'rm -rf "$work"' EXIT
dpkg-deb -R "$deb" "$work/root"
control=$work/root/DEBIAN/control
depends=$(sed -n 's/^Depends: //p' "$control")
kept=() engine=()
IFS=',' read -ra entries <<<"$depends"
for entry in "${entries[@]}"; do
  entry=$(sed 's/^ *//; s/ *$//' <<<"$entry")
  [[ -z $entry ]] && continue
  if [[ $entry == libqt6webengine* ]]; then engine+=("$entry"); else kept+=("$entry"); fi
done
[[ ${#engine[@]} -eq 0 ]] && exit 0
joined() { local IFS=','; sed 's/,/, /g' <<<"$*"; }
recommends=$(sed -n 's/^Recommends: //p' "$control")
[[ -n $recommends ]] && engine=("$recommends" "${engine[@]}")
sed -i '/^Recommends: /d' "$control"
sed -i "s/^Depends: .*/Depends: $(joined "${kept[@]}")\nRecommends: $(joined "${engine[@]}")/" "$control"
dpkg-deb --root-owner-group -Zxz --build "$work/root" "$deb" >/dev/null
