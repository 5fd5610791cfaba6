#!/usr/bin/env bash
# What the browser tests share, made once: the browser build laid out in
# OUT/site with emscripten, the desktop game's picture of the start made with
# velmora-replay (OUT/start.png), and the tests' driver, puppeteer-core pinned
# by its lock file (OUT/driver).
#   web_site.sh ROOT OUT VELMORA_REPLAY
set -euo pipefail
root="$1" out="$2" replay="$3"
for tool in em++ chromium node npm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: bash tools/install_dependencies.sh --tests"; exit 1; }
done
mkdir -p "$out/site" "$out/driver"
bash "$root/tools/web.sh" --build "$out/site"
# About a second into the game, as the browser's picture is taken.
(cd "$root" && printf 'frames 62 16\nframe 1000\nshot %s\n' "$out/start.png" | "$replay" --overwrite - >/dev/null)
bash "$root/tests/web_test_driver.sh" "$root" "$out/driver"
