#!/usr/bin/env bash
# The browser build, played in headless Chromium: builds it with emscripten into
# OUT, makes the desktop game's picture of the start with velmora-replay,
# installs the test's driver (puppeteer-core, pinned by its lock file) and runs it.
#   web_browser_test.sh ROOT OUT VELMORA_REPLAY
set -euo pipefail
root="$1" out="$2" replay="$3"
for tool in em++ chromium node npm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: bash tools/install_dependencies.sh --tests"; exit 1; }
done
mkdir -p "$out/site" "$out/driver"

bash "$root/tools/web.sh" --build "$out/site"
# About a second into the game, as the browser's picture is taken.
(cd "$root" && printf 'frames 62 16\nframe 1000\nshot %s\n' "$out/start.png" | "$replay" - >/dev/null)

cp "$root/web/test/package.json" "$root/web/test/package-lock.json" "$root/web/test/browser_test.js" "$out/driver/"
if ! cmp -s "$root/web/test/package-lock.json" "$out/driver/node_modules/.velmora-lock" 2>/dev/null; then
  (cd "$out/driver" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$root/web/test/package-lock.json" "$out/driver/node_modules/.velmora-lock"
fi
node "$out/driver/browser_test.js" --site "$out/site" --reference "$out/start.png"
