#!/usr/bin/env bash
# The browser build, played in headless Chromium: builds it with emscripten into
# OUT, makes the desktop game's picture of the start with velmora-replay,
# installs the test's driver (puppeteer-core, pinned by its lock file) and runs
# it: a desktop window and a phone upright and sideways, touch, one update a
# frame, a hidden tab, installability and offline play (web/test/browser_test.js).
# First, under Node.js, the browser's PNG reader refuses a PNG picture.
#   web_browser_test.sh ROOT OUT VELMORA_REPLAY
set -euo pipefail
root="$1" out="$2" replay="$3"
for tool in em++ chromium node npm; do
  command -v "$tool" >/dev/null || { echo "$tool is missing: bash tools/install_dependencies.sh --tests"; exit 1; }
done
mkdir -p "$out/site" "$out/driver"

# The loader and its helpers as the browser build has them, on Node.js.
export NODE_PATH=/usr/share/nodejs
(cd "$root" && em++ -O1 -std=c++17 -Wall -Wextra -Werror -I. tests/web_png_refusal_check.cpp gfx/loaders.cpp \
  gfx/diagnostic.cpp gfx/gl_state.cpp gfx/targa.cpp gfx/texture_upload.cpp gfx/texture_cache.cpp \
  gfx/picture_coverage.cpp gfx/sprite.cpp gfx/sprite_shapes.cpp gfx/quad_outline.cpp gfx/kept_pixels.cpp \
  web/web_png_refusal.cpp \
  -s LEGACY_GL_EMULATION=1 -s ENVIRONMENT=node -s SINGLE_FILE=1 --embed-file docs/start.png@img/picture.png \
  -o "$out/png_refusal.js")
said="$(node "$out/png_refusal.js" 2>/dev/null)"
expected=$'Texture file img/picture.png not found\ntexture 0'
if [ "$said" != "$expected" ]; then
  printf 'FAIL: a PNG picture in the browser build printed\n%s\ninstead of\n%s\n' "$said" "$expected"
  exit 1
fi
echo "ok:   a PNG picture is refused in the browser build with the game's \"not found\" line"

bash "$root/tools/web.sh" --build "$out/site"
# About a second into the game, as the browser's picture is taken.
(cd "$root" && printf 'frames 62 16\nframe 1000\nshot %s\n' "$out/start.png" | "$replay" --overwrite - >/dev/null)

bash "$root/tests/web_test_driver.sh" "$root" "$out/driver"
node "$out/driver/browser_test.js" --site "$out/site" --reference "$out/start.png"
node "$out/driver/sound_check.js" --site "$out/site"
