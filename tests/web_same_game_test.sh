#!/usr/bin/env bash
# The same game to the bit in the browser and on the desktop
# (web/test/same_game_test.js), against velmora-replay, on web_site.sh's build
# in OUT; its own files go to OUT/same-game.
#   web_same_game_test.sh ROOT OUT VELMORA_REPLAY
set -euo pipefail
root="$1" out="$2" replay="$3"
mkdir -p "$out/same-game"
rm -rf "$out/same-game"/downloads-*
node "$out/driver/same_game_test.js" --site "$out/site" --root "$root" --replay "$replay" --work "$out/same-game"
