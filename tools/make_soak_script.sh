#!/usr/bin/env bash
# Writes a velmora-replay script for a long game on standard output: SECONDS of
# game time (default 600) in frames STEP ms apart (default 16), the player
# dragging each piece of food back onto the teeth once a second, since every
# brush or drill strike puts the food back at its start.
#   bash tools/make_soak_script.sh 600 16 > soak.txt && velmora-replay soak.txt > trace.jsonl
set -euo pipefail
seconds="${1:-600}"
step="${2:-16}"
if ! [[ "$seconds" =~ ^[0-9]+$ && "$step" =~ ^[1-9][0-9]*$ ]]; then
  echo "usage: make_soak_script.sh [SECONDS] [STEP_MS]" >&2
  exit 2
fi
# Window pixels of the 800 x 600 window: each food's start, then a spot where
# two teeth overlap (canvas (-300, 0), (-90, -10) and (25, -20)).
drags=("325 50 100 300" "400 50 310 310" "475 50 425 320")
echo "# $seconds s of game time, $step ms a frame"
last=0
for ((s = 1; s <= seconds; s++)); do
  for drag in "${drags[@]}"; do
    read -r fx fy tx ty <<<"$drag"
    echo "mouse 0 0 $fx $fy"
    echo "motion $tx $ty"
    echo "mouse 0 1 $tx $ty"
  done
  # As many steps as fit up to the end of this second; the clock runs on evenly.
  count=$(((s * 1000 - last) / step))
  echo "frames $count $step"
  last=$((last + count * step))
done
