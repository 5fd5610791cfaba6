#!/usr/bin/env bash
# The browser's packs of pictures and sounds give the game what its own files
# give it: packs them with tools/web_pack.js into OUT, unpacks them with the
# page's code under Node.js, and compares every picture's decoded pixels and
# every sound's bytes with the originals (web_packed_files_check).
#   web_packed_files_test.sh ROOT OUT CHECKER
set -euo pipefail
root="$1" out="$2" checker="$3"
command -v node >/dev/null || { echo "node is missing: bash tools/install_dependencies.sh --tests"; exit 1; }
rm -rf "$out"
mkdir -p "$out/unpacked"
cd "$root"
pictures=(img/*.tga)
sounds=(sounds/*.wav)
node tools/web_pack.js "$out/pictures.gz" "${pictures[@]}"
node tools/web_pack.js "$out/sounds.gz" "${sounds[@]}"
for pack in pictures sounds; do
  node web/test/unpack_check.js --files web/game_files.js --pack "$out/$pack.gz" --out "$out/unpacked"
done
"$checker" "$root" "$out/unpacked" "${pictures[@]}" "${sounds[@]}"
