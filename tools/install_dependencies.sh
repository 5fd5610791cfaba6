#!/usr/bin/env bash
# Installs the Debian packages Velmora needs to build, run and test, when any
# is missing. Quick when everything is already there. Needs root (or sudo).
#   --tests  also what the tests need;  --web  what the browser build needs
set -euo pipefail

packages=(
  g++ cmake make pkg-config python3
  freeglut3-dev libglu1-mesa-dev libgl-dev libegl-dev libgl1-mesa-dri libegl-mesa0
  libpng-dev zlib1g-dev libcli11-dev libopenal-dev
  libstb-dev fonts-dejavu-core
)
if [ "${1:-}" = "--tests" ]; then
  packages+=(
    libgtest-dev libbenchmark-dev
    clang libclang-rt-14-dev valgrind
    xvfb xdotool x11-utils libx11-dev imagemagick openbox
    dpkg-dev file lintian desktop-file-utils appstream
  )
fi
# The browser build and its test: emscripten, Chromium, terser (the page's
# JavaScript minified), and Node.js with npm for the test's driver. Node.js
# and npm are asked for only when their commands are missing, so that a
# Node.js from elsewhere is kept.
if [ "${1:-}" = "--tests" ] || [ "${1:-}" = "--web" ]; then
  packages+=(emscripten chromium node-terser)
  command -v node >/dev/null || packages+=(nodejs)
  command -v npm >/dev/null || packages+=(npm)
fi

missing=()
for p in "${packages[@]}"; do
  if ! dpkg-query -W -f='${Status}' "$p" 2>/dev/null | grep -q "install ok installed"; then
    missing+=("$p")
  fi
done
[ ${#missing[@]} -eq 0 ] && exit 0

echo "Installing: ${missing[*]}"
run() { if [ "$(id -u)" -eq 0 ]; then "$@"; else sudo "$@"; fi; }
export DEBIAN_FRONTEND=noninteractive
# Another install running beside this one (a second terminal, a desktop updater)
# is waited for rather than failing on its lock.
run apt-get -o DPkg::Lock::Timeout=600 update -qq
run apt-get -o DPkg::Lock::Timeout=600 install -y -qq --no-install-recommends "${missing[@]}"
