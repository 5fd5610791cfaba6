#!/usr/bin/env bash
# Plays the real game in a private Xvfb and photographs it into docs/: the
# start, a fed tooth swarming, the brush scrubbing past a yellowed tooth, a
# tooth falling out, the drill arriving.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
game="${VELMORA_GAME:-$root/build-test/velmora}"
[ -x "$game" ] || { echo "build the game first (bash tools/test.sh), or set VELMORA_GAME"; exit 1; }
command -v xwd >/dev/null || { echo "needs xwd (Debian package x11-apps)"; exit 1; }
display=":$((250 + RANDOM % 40))"
Xvfb "$display" -screen 0 1024x768x24 -nolisten tcp >/dev/null 2>&1 &
xvfb=$!
game_pid=""
trap 'kill $game_pid $xvfb 2>/dev/null || true' EXIT
sleep 1
export DISPLAY=$display
cd "$root"
"$game" >/dev/null 2>&1 &
game_pid=$!
start=$(date +%s.%N)
window=$(timeout 20 xdotool search --sync --onlyvisible --name '^Velmora$' | head -n 1)
xdotool windowmove "$window" 0 0

at() { # waits until $1 seconds after the game started
  local now; now=$(date +%s.%N)
  sleep "$(echo "$1 - ($now - $start)" | bc -l | sed 's/^-.*/0/')"
}
# xwd grabs in a few milliseconds; the pictures are converted after the game.
raw=$(mktemp -d)
shot() { xwd -root -silent >"$raw/$1.xwd"; }
drag() { xdotool mousemove --window "$window" "$1" "$2" mousedown 1 \
  mousemove --window "$window" $((($1 + $3) / 2)) $((($2 + $4) / 2)) mousemove --window "$window" "$3" "$4" mouseup 1; }

at 0.6; shot start
# All three sweets onto the third upper tooth (canvas -76, 83): it yellows and
# falls out a moment before the brush's first strike at 20 seconds.
drag 325 50 320 200; drag 400 50 328 215; drag 475 50 324 230
at 9; shot swarm
at 17; shot brush
# A falling tooth is in view for half a second: take a burst, keep the best.
at 17.4
for i in $(seq -w 0 60); do shot "falling-$i"; sleep 0.02; done
at 33.5; shot drill
kill $game_pid
for f in "$raw"/*.xwd; do convert "xwd:$f" -crop 800x600+0+0 +repage "PNG24:${f%.xwd}.png"; done
for name in start swarm brush drill; do mv "$raw/$name.png" "$root/docs/$name.png"; done
echo "pick the best of $raw/falling-*.png and copy it to docs/falling.png"
