#!/usr/bin/env bash
# A second build deployed over the first (web/test/update_test.js): made from
# web_site.sh's build in OUT with other bytes in its code (a line that marks
# it, and a custom section in its WebAssembly), then laid out by tools/web.sh
# --site as any build is.
#   web_update_test.sh ROOT OUT
set -euo pipefail
root="$1" out="$2"
rm -rf "$out/second"
mkdir -p "$out/second"
cp -r "$out/site/compiled" "$out/second/"
printf '\nwindow.velmoraSecondBuild = true;\n' >>"$out/second/compiled/velmora.js"
# Section 0 (custom), 13 bytes: a 12-byte name and nothing else.
printf '\000\015\014second-build' >>"$out/second/compiled/velmora.wasm"
bash "$root/tools/web.sh" --site "$out/second" >/dev/null
node "$out/driver/update_test.js" --first "$out/site" --second "$out/second"
