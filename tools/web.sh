#!/usr/bin/env bash
# The game in a web browser: installs what is missing, builds the game's own
# sources with emscripten into build-web/ and serves the page at
# http://127.0.0.1:8000/ until stopped.
#   bash tools/web.sh                 install, build, serve
#   bash tools/web.sh --build DIR     only build, into DIR (the browser test uses this)
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
out="$root/build-web"
serve=1
if [ "${1:-}" = "--build" ]; then
  out="${2:?--build needs a folder}"
  serve=0
else
  bash "$root/tools/install_dependencies.sh" --web
fi
mkdir -p "$out"
out="$(cd "$out" && pwd)"

# The same sources as the desktop game's libraries, read from CMakeLists.txt so
# that the two never drift apart: the game, its recordings, its sound and the
# loop. The PNG reader is swapped for the browser's; the desktop's frame pacing
# and picture folder have no place on a page.
sources=()
for library in velmora_core velmora_recording velmora_audio velmora_session; do
  mapfile -t -O "${#sources[@]}" sources < <(sed -n "/^add_library($library STATIC/,/^)/p" "$root/CMakeLists.txt" |
    grep -oE '^\s+[a-z]+/[a-z_]+\.cpp' | tr -d ' ' |
    grep -vE '^(gfx/png_image|session/frame_pacing|session/picture_folder)\.cpp$')
done
sources+=(web/web_main.cpp web/web_png_refusal.cpp web/web_gl_gaps.cpp web/web_recording.cpp web/web_sound.cpp)
version="$(sed -nE 's/^project\(Velmora VERSION ([0-9.]+).*/\1/p' "$root/CMakeLists.txt")"
mkdir -p "$out/generated/core"
sed "s/@PROJECT_VERSION@/$version/" "$root/core/version.h.in" >"$out/generated/core/version.h"

# Sound: the player over emscripten's OpenAL, its sounds beside the pictures.
sounds=(-lopenal --preload-file sounds)

pictures=()
for picture in bg teeth bacteria brush drill food paused; do
  pictures+=(--preload-file "img/$picture.tga@img/$picture.tga")
done

# Debian's emscripten finds its JavaScript helpers through NODE_PATH. emcc's
# own HTML page fails with -O2, so the build stops at velmora.js and the page
# is web/index.html.
export NODE_PATH=/usr/share/nodejs
cd "$root"
# -msse2 -msimd128: the bacteria's SSE2 path as WebAssembly SIMD, same bits.
em++ -O2 -std=c++17 -Wall -Wextra -Werror -ffp-contract=off -msimd128 -msse2 -fwasm-exceptions -I. -I"$out/generated" \
  "${sources[@]}" -s LEGACY_GL_EMULATION=1 -s ALLOW_MEMORY_GROWTH=1 -s ENVIRONMENT=web \
  -s EXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency,UTF8ToString \
  "${pictures[@]}" "${sounds[@]}" -o "$out/velmora.js"
cp web/index.html web/manifest.webmanifest web/recording.js web/sound.js "$out/"

# The home-screen icons, drawn natively by the picture generator's code (the
# same sources as make-pictures, read from CMakeLists.txt).
mapfile -t drawing < <(sed -n '/^  add_executable(make-pictures/,/)$/p' "$root/CMakeLists.txt" |
  grep -oE '^\s+[a-z]+(/[a-z_0-9]+)+\.cpp' | tr -d ' ' | grep -v '^tools/pictures/main\.cpp$')
compiler=(c++)
command -v ccache >/dev/null && compiler=(ccache c++)
helpers="$(mktemp -d)"
trap 'rm -rf "$helpers"' EXIT
"${compiler[@]}" -O2 -std=c++17 -Wall -Wextra -Werror -I. web/web_icons.cpp "${drawing[@]}" -lpng -o "$helpers/web-icons"
"$helpers/web-icons" "$out"
rm -rf "$helpers"

# The service worker keeps every file of this build for playing offline. Its
# cache is named after the files' contents, so a new build is a new worker
# that fetches the new files and drops the old ones.
files=(index.html velmora.js velmora.wasm velmora.data manifest.webmanifest recording.js sound.js icon-192.png icon-512.png)
build="$(cd "$out" && cat "${files[@]}" | sha256sum | cut -c1-16)"
list="$(printf '"%s", ' "${files[@]}")"
sed -e "s/@VERSION@/$build/" -e "s/@FILES@/${list%, }/" web/service_worker.js >"$out/service-worker.js"
echo "Built the browser game in $out (build $build)"

if [ "$serve" = 1 ]; then
  echo "Serving it at http://127.0.0.1:8000/ (Ctrl-C stops)"
  exec python3 -m http.server 8000 --bind 127.0.0.1 --directory "$out"
fi
