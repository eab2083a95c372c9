#!/usr/bin/env bash
# Installs the Debian packages Corvanta needs to build, run and test, when any is missing.
# Usage: scripts/install-deps.sh [--package | --test | --templates | --bench]
#   --package adds what scripts/package.sh uses; --test adds that and what the test steps use;
#   --templates adds what data/templates-src/render.sh draws the templates' pictures with;
#   --bench adds the programs the benchmarks compare with (bench/hugo).
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libjpeg62-turbo-dev libcurl4-openssl-dev
          libssl-dev qtkeychain-qt6-dev # upload manifest hashes; passwords in the desktop's keyring
          libsecret-1-0 # the keyring library QtKeychain loads to reach the desktop's Secret Service
          libarchive-dev # template archives (.zip)
          libgtest-dev libgmock-dev libbenchmark-dev
          libgumbo-dev # page bodies read as HTML: references, known entities
          libvips-dev # pictures made for the web: scaled, upright, without location
          libgit2-dev # publishing to a git host
          qt6-webengine-dev # the page editor's live preview (a module loaded when first shown)
          fonts-dejavu-core) # a font for the windows where the desktop brings none
if [[ "${1:-}" == "--package" || "${1:-}" == "--test" ]]; then
  packages+=(dpkg-dev file help2man) # cpack's dpkg-shlibdeps and the manual page
fi
if [[ "${1:-}" == "--test" ]]; then
  packages+=(desktop-file-utils appstream) # the package test validates the entry and metainfo
  packages+=(xdotool zip) # the package test: the program's window, a template archive
  packages+=(at-spi2-core python3-pyatspi) # the package test reads the window as a screen reader does
  packages+=(clang libclang-rt-14-dev xvfb xauth)
  packages+=(clang-format-14) # CI fails on code it would change (scripts/format.sh)
  packages+=(clang-tidy-14) # CI fails on any warning of the linter (scripts/tidy.sh)
  packages+=(time) # GNU time: peak memory in bench/publish/compare-with-cp.sh
  packages+=(chromium) # the browser test (tests/browser) looks at published sites in it
  # node runs the navigation scripts in the publish tests; npm fetches the browser test's driver
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
  # The upload tests start their own SFTP and FTP-with-TLS servers as child processes.
  packages+=(openssh-server openssl python3-pyftpdlib python3-openssl)
  # The keyring tests start their own D-Bus session and Secret Service.
  packages+=(dbus-daemon gnome-keyring)
  packages+=(libxml2-utils) # xmllint checks sitemap.xml against the sitemaps.org schema
  # The browser test draws photos with vips and writes their orientation and GPS with exiftool.
  packages+=(libvips-tools libimage-exiftool-perl)
fi
if [[ "${1:-}" == "--bench" ]]; then
  packages+=(time hugo) # bench/hugo/compare-with-hugo.sh times Hugo beside corvanta-cli
  packages+=(libvips-tools) # bench/publish/pictures-bench.sh times vipsthumbnail beside publishing
fi
if [[ "${1:-}" == "--templates" ]]; then
  packages+=(librsvg2-bin imagemagick fonts-urw-base35)
fi

missing=()
for package in "${packages[@]}"; do
  dpkg-query -W -f='${Status}' "$package" 2>/dev/null | grep -q "install ok installed" \
    || missing+=("$package")
done
[[ ${#missing[@]} -eq 0 ]] && exit 0

echo "Installing: ${missing[*]}"
sudo_cmd=()
[[ $(id -u) -ne 0 ]] && sudo_cmd=(sudo)
"${sudo_cmd[@]}" apt-get update -qq
# Installing a server package must not start it as a system service: the tests start their own
# servers. While no policy says otherwise, one that refuses every start stands for the install.
policy=/usr/sbin/policy-rc.d
own_policy=false
if [[ ! -e $policy ]]; then
  printf '#!/bin/sh\nexit 101\n' | "${sudo_cmd[@]}" tee "$policy" >/dev/null
  "${sudo_cmd[@]}" chmod 755 "$policy"
  own_policy=true
fi
status=0
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null || status=$?
if $own_policy; then
  "${sudo_cmd[@]}" rm -f "$policy"
fi
exit $status
