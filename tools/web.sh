#!/usr/bin/env bash
# The game in a web browser: installs what is missing, builds the game's own
# sources with emscripten into build-web/ and serves the page at
# http://127.0.0.1:8000/ until stopped. `--help` lists the ways to call it.
# The port is looked at before anything is built, so a port already taken
# costs one line, not minutes of building.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"

usage() {
  cat <<'EOF'
Usage: bash tools/web.sh [--port N]   install what is missing, build the browser game into
                                      build-web/ and serve it at http://127.0.0.1:N/ (N 8000
                                      unless given) until Ctrl-C
       bash tools/web.sh --build DIR  only build, into DIR
       bash tools/web.sh --site DIR   only lay the site out again in DIR from what DIR/compiled
                                      holds
       bash tools/web.sh --help       print this and do nothing else
EOF
}
# One line for a call that cannot be done, and the status a bad call gets.
refuse() {
  echo "tools/web.sh: $1"
  exit "${2:-2}"
}

out="$root/build-web"
serve=1
compile=1
port=8000
while [ $# -gt 0 ]; do
  case "$1" in
    --help | -h) usage; exit 0 ;;
    --build) [ $# -ge 2 ] || refuse "--build needs a folder"; out="$2"; serve=0; shift 2 ;;
    --site) [ $# -ge 2 ] || refuse "--site needs a folder"; out="$2"; serve=0; compile=0; shift 2 ;;
    --port) [ $# -ge 2 ] || refuse "--port needs a number"; port="$2"; shift 2 ;;
    *) refuse "unknown argument '$1' (--help lists what it takes)" ;;
  esac
done
[[ "$port" =~ ^[0-9]{1,5}$ ]] && [ "$port" -ge 1 ] && [ "$port" -le 65535 ] ||
  refuse "--port takes a number from 1 to 65535, not '$port'"

# Serves DIR at 127.0.0.1:PORT, or with --check only tries to take the port.
# Either way a port that cannot be had is one line and status 1.
server() {
  python3 - "$@" <<'EOF'
import errno, functools, http.server, sys
check = sys.argv[1] == "--check"
port = int(sys.argv[2])
handler = functools.partial(http.server.SimpleHTTPRequestHandler, directory=sys.argv[-1])
try:
    server = http.server.ThreadingHTTPServer(("127.0.0.1", port), handler)
except OSError as error:
    print(f"tools/web.sh: cannot serve on port {port}: {error.strerror.lower()}"
          f"{' (another server holds it; --port N takes another)' if error.errno == errno.EADDRINUSE else ''}")
    sys.exit(1)
if check:
    sys.exit(0)
print(f"Serving it at http://127.0.0.1:{port}/ (Ctrl-C stops)", flush=True)
try:
    server.serve_forever()
except KeyboardInterrupt:
    pass
EOF
}

if [ "$serve" = 1 ]; then
  server --check "$port"
  bash "$root/tools/install_dependencies.sh" --web
fi
mkdir -p "$out/compiled"
out="$(cd "$out" && pwd)"
compiled="$out/compiled"
cd "$root"

if [ "$compile" = 1 ]; then
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

# Debian's emscripten finds its JavaScript helpers through NODE_PATH. emcc's
# own HTML page fails with -O2, so the build stops at velmora.js and the page
# is web/index.html. The pictures and sounds are not emscripten's preloaded
# files: the page fetches them packed, and writes them where the game reads.
export NODE_PATH=/usr/share/nodejs
# -msse2 -msimd128: the bacteria's SSE2 path as WebAssembly SIMD, same bits.
em++ -O2 -std=c++17 -Wall -Wextra -Werror -ffp-contract=off -msimd128 -msse2 -fwasm-exceptions -I. -I"$out/generated" \
  "${sources[@]}" -s LEGACY_GL_EMULATION=1 -s ALLOW_MEMORY_GROWTH=1 -s ENVIRONMENT=web -lopenal \
  -s EXPORTED_RUNTIME_METHODS=FS,addRunDependency,removeRunDependency,UTF8ToString,ccall \
  -o "$compiled/velmora.js"

# The pictures without lettering are drawn in the page by the picture
# generator's own code (web/web_picture_drawing.cpp, in the page's workers):
# the same bytes as img/, for a tenth of the bytes fetched. The generator's
# sources are make-pictures', read from CMakeLists.txt, less its program and
# what writes PNG files or lettering. -ffp-contract=off as make-pictures is
# built: no fused multiply-add that would round its sums differently.
mapfile -t generator < <(sed -n '/^  add_executable(make-pictures/,/)$/p' "$root/CMakeLists.txt" |
  grep -oE '^\s+[a-z]+(/[a-z_0-9]+)+\.cpp' | tr -d ' ' |
  grep -vE '^(tools/pictures/(main|lettering|signs|icon|png_output)|gfx/png_writer)\.cpp$')
em++ -O2 -std=c++17 -Wall -Wextra -Werror -ffp-contract=off -I. web/web_picture_drawing.cpp "${generator[@]}" \
  --no-entry -s ENVIRONMENT=worker -s ALLOW_MEMORY_GROWTH=1 -s FORCE_FILESYSTEM=1 \
  -s EXPORTED_FUNCTIONS=_drawGamePicture,_drawBackgroundBand,_bandBytes -s EXPORTED_RUNTIME_METHODS=FS,ccall \
  -o "$compiled/picture_drawing.js"

# The signs with lettering, drawn from a font the page has not, and the
# sounds, each set in one pack.
signs=()
for picture in help ended watching digits; do signs+=("img/$picture.tga"); done
node tools/web_pack.js "$compiled/signs.gz" "${signs[@]}"
node tools/web_pack.js "$compiled/sounds.gz" sounds/*.wav

# The home-screen icons, drawn natively by the picture generator's code (the
# same sources as make-pictures, read from CMakeLists.txt).
mapfile -t drawing < <(sed -n '/^  add_executable(make-pictures/,/)$/p' "$root/CMakeLists.txt" |
  grep -oE '^\s+[a-z]+(/[a-z_0-9]+)+\.cpp' | tr -d ' ' | grep -v '^tools/pictures/main\.cpp$')
compiler=(c++)
command -v ccache >/dev/null && compiler=(ccache c++)
helpers="$(mktemp -d)"
trap 'rm -rf "$helpers"' EXIT
"${compiler[@]}" -O2 -std=c++17 -Wall -Wextra -Werror -I. web/web_icons.cpp "${drawing[@]}" -lpng -o "$helpers/web-icons"
"$helpers/web-icons" "$compiled"
rm -rf "$helpers"
fi

# The site. Every file a page of this build fetches after the page itself is
# named after its contents (velmora.3f2a....js), so that no cache can hand a
# page of one build a file of another; the page, its manifest, its icons and
# the service worker keep their names. Files of earlier builds go.
find "$out" -maxdepth 1 -type f -regextype posix-extended -regex '.*\.[0-9a-f]{16}\.[a-z.]+' -delete
# The JavaScript minified (tools/web_minify.js); the code and the JavaScript
# that emscripten made come gzip-compressed, and the page inflates them, as
# a server that compresses nothing sends them whole.
export NODE_PATH=/usr/share/nodejs
node tools/web_minify.js "$compiled/velmora.min.js" "$compiled/velmora.js"
node tools/web_minify.js "$compiled/picture_worker.min.js" web/picture_worker.js "$compiled/picture_drawing.js"
for script in game_files recording sound; do node tools/web_minify.js "$compiled/$script.js" "web/$script.js"; done
gzip -9 -n -c "$compiled/velmora.min.js" >"$compiled/velmora.js.gz"
gzip -9 -n -c "$compiled/picture_worker.min.js" >"$compiled/picture_worker.js.gz"
gzip -9 -n -c "$compiled/velmora.wasm" >"$compiled/velmora.wasm.gz"
gzip -9 -n -c "$compiled/picture_drawing.wasm" >"$compiled/picture_drawing.wasm.gz"
named=()
fill=()
for file in "$compiled/velmora.js.gz" "$compiled/velmora.wasm.gz" "$compiled/picture_worker.js.gz" \
            "$compiled/picture_drawing.wasm.gz" "$compiled/signs.gz" "$compiled/sounds.gz" \
            "$compiled/game_files.js" "$compiled/recording.js" "$compiled/sound.js"; do
  base="$(basename "$file")"
  name="${base%%.*}.$(sha256sum "$file" | cut -c1-16).${base#*.}"
  cp "$file" "$out/$name"
  named+=("$name")
  fill+=(-e "s/@$base@/$name/g")
done
cp web/manifest.webmanifest "$compiled"/icon-192.png "$compiled"/icon-512.png "$out/"
# The build is named after everything its page brings in.
build="$(cd "$out" && cat "${named[@]}" manifest.webmanifest icon-192.png icon-512.png "$root/web/index.html" |
  sha256sum | cut -c1-16)"
sed "${fill[@]}" -e "s/@BUILD@/$build/" web/index.html >"$out/index.html"
rm -f "$out/velmora.js" "$out/velmora.wasm" "$out/velmora.data" "$out/recording.js" "$out/sound.js"

# The service worker keeps every file of this build for playing offline. Its
# cache is named after the build, so a new build is a new worker that fetches
# the new files and drops the old ones.
list="$(printf "'%s', " "${named[@]}")"
sed -e "s/@VERSION@/$build/" -e "s/@FILES@/${list%, }/" web/service_worker.js >"$out/service-worker.js"
echo "Built the browser game in $out (build $build)"

if [ "$serve" = 1 ]; then
  server --serve "$port" "$out"
fi
