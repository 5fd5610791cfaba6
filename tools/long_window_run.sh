#!/usr/bin/env bash
# Plays the real game in a private Xvfb for MINUTES (default 10): every few
# seconds food is dragged onto a tooth with xdotool. The game's resident memory
# is sampled every 30 seconds; the run fails if the game dies or its memory
# keeps growing after the first minute. Whatever ends the run, early or late,
# the game and Xvfb are stopped.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
minutes="${1:-10}"
game="${VELMORA_GAME:-$root/build/velmora}"
xvfb_pid="" game_pid="" ready="" config=""
# Every step may find its process already gone; none may stop the rest.
cleanup() {
  if [ -n "$game_pid" ]; then kill "$game_pid" 2>/dev/null || true; fi
  if [ -n "$xvfb_pid" ]; then kill "$xvfb_pid" 2>/dev/null || true; fi
  if [ -n "$ready" ]; then rm -f "$ready"; fi
  if [ -n "$config" ]; then rm -rf "$config"; fi
}
trap cleanup EXIT
trap 'exit 130' INT
trap 'exit 143' TERM

# Xvfb picks a free display and writes its number once it takes connections.
ready="$(mktemp)"
Xvfb -displayfd 3 -screen 0 1024x768x24 -nolisten tcp -noreset 3>"$ready" >/dev/null 2>&1 &
xvfb_pid=$!
for _ in $(seq 600); do
  [ -s "$ready" ] && break
  kill -0 "$xvfb_pid" 2>/dev/null || { echo "Xvfb would not start"; exit 1; }
  sleep 0.05
done
[ -s "$ready" ] || { echo "Xvfb did not start within 30 s"; exit 1; }
export DISPLAY=":$(head -n 1 "$ready")"
echo "display $DISPLAY"

# Settings of its own, the help sign seen: the game plays from the start.
config="$(mktemp -d)"
mkdir "$config/velmora" && echo "help off" >"$config/velmora/settings"
cd "$root"
XDG_CONFIG_HOME="$config" "$game" >/tmp/velmora-long-run.log 2>&1 &
game_pid=$!
window=""
for _ in $(seq 600); do
  kill -0 "$game_pid" 2>/dev/null || { echo "the game ended at start:"; cat /tmp/velmora-long-run.log; exit 1; }
  window=$(xdotool search --onlyvisible --name '^Velmora$' 2>/dev/null | head -n 1) && [ -n "$window" ] && break
  sleep 0.05
done
[ -n "$window" ] || { echo "no game window within 30 s"; exit 1; }
xdotool windowmove "$window" 0 0

rss() { awk '/VmRSS/ {print $2}' "/proc/$game_pid/status"; }
# Food start pixels and a few tooth centres (window pixels at 800 x 600).
foods=("325 50" "400 50" "475 50")
teeth=("93 218" "193 218" "324 217" "477 229" "608 241" "121 362" "215 372" "312 386" "407 387" "500 400" "595 399")
end=$((SECONDS + minutes * 60))
next_sample=$((SECONDS + 60))
baseline=""
i=0
while [ $SECONDS -lt $end ]; do
  kill -0 $game_pid || { echo "the game died"; exit 1; }
  read -r fx fy <<<"${foods[$((i % 3))]}"
  read -r tx ty <<<"${teeth[$((i % 11))]}"
  xdotool mousemove --window "$window" "$fx" "$fy" mousedown 1 \
    mousemove --window "$window" "$(((fx + tx) / 2))" "$(((fy + ty) / 2))" \
    mousemove --window "$window" "$tx" "$ty" mouseup 1
  i=$((i + 1))
  sleep 3
  if [ $SECONDS -ge $next_sample ]; then
    now=$(rss)
    [ -z "$baseline" ] && baseline=$now
    echo "$((SECONDS / 60)) min: resident ${now} KiB (after the first minute: ${baseline} KiB)"
    next_sample=$((SECONDS + 30))
  fi
done
kill -0 $game_pid || { echo "the game died"; exit 1; }
final=$(rss)
[ -z "$baseline" ] && baseline=$final
echo "played $minutes minutes, $i drags; resident memory ${baseline} KiB after one minute, ${final} KiB at the end"
# Allow a little slack for the allocator; a leak per frame would be far larger.
[ "$final" -le $((baseline + 2048)) ] || { echo "memory grew"; exit 1; }
