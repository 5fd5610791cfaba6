#!/usr/bin/env bash
# The same game to the bit in the browser and on the desktop: builds the browser
# game into OUT, installs the test's driver (puppeteer-core, pinned by its lock
# file) and runs web/test/same_game_test.js against velmora-replay.
#   web_same_game_test.sh ROOT OUT VELMORA_REPLAY
set -euo pipefail
root="$1" out="$2" replay="$3"
for tool in em++ chromium node npm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: bash tools/install_dependencies.sh --tests"; exit 1; }
done
mkdir -p "$out/site" "$out/driver" "$out/work"
bash "$root/tools/web.sh" --build "$out/site"

bash "$root/tests/web_test_driver.sh" "$root" "$out/driver"
rm -rf "$out/work"/downloads-*
node "$out/driver/same_game_test.js" --site "$out/site" --root "$root" --replay "$replay" --work "$out/work"
