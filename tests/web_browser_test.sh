#!/usr/bin/env bash
# The browser build, played in headless Chromium (web/test/browser_test.js):
# loading, a slow connection, a desktop window and a phone upright and
# sideways, touch, the buttons and the menu, full screen, one update a frame,
# a hidden tab, installability and offline play. First, under Node.js, the
# browser's PNG reader refuses a PNG picture. OUT is web_site.sh's.
#   web_browser_test.sh ROOT OUT
set -euo pipefail
root="$1" out="$2"

# The loader and its helpers as the browser build has them, on Node.js.
export NODE_PATH=/usr/share/nodejs
(cd "$root" && em++ -O1 -std=c++17 -Wall -Wextra -Werror -I. tests/web_png_refusal_check.cpp gfx/loaders.cpp \
  gfx/diagnostic.cpp gfx/gl_state.cpp gfx/targa.cpp gfx/texture_upload.cpp gfx/texture_cache.cpp \
  gfx/picture_coverage.cpp gfx/sprite.cpp gfx/sprite_log.cpp gfx/sprite_shapes.cpp gfx/quad_outline.cpp gfx/kept_pixels.cpp \
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

node "$out/driver/browser_test.js" --site "$out/site" --reference "$out/start.png"
