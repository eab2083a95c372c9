#!/usr/bin/env bash
# Installs the Debian packages Corvanta needs to build, run and test, when any is missing.
# Usage: scripts/install-deps.sh [--test | --templates]
#   --test adds what the test steps use; --templates adds what data/templates-src/render.sh
#   draws the templates' pictures with.
set -euo pipefail

packages=(cmake g++ make pkg-config qt6-base-dev libjpeg62-turbo-dev libcurl4-openssl-dev
          libgtest-dev libgmock-dev libbenchmark-dev
          fonts-dejavu-core) # a font for the windows where the desktop brings none
if [[ "${1:-}" == "--test" ]]; then
  packages+=(clang libclang-rt-14-dev xvfb xauth)
  packages+=(time) # GNU time: peak memory in bench/publish/compare-with-cp.sh
  packages+=(chromium) # the browser test (tests/browser) looks at published sites in it
  command -v npm >/dev/null || packages+=(nodejs npm) # the browser test's driver
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
DEBIAN_FRONTEND=noninteractive "${sudo_cmd[@]}" apt-get install -y -qq --no-install-recommends \
  "${missing[@]}" >/dev/null
