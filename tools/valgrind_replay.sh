#!/usr/bin/env bash
# Ten minutes of game time (food dragged onto the teeth, strikes, teeth
# falling) played by velmora-replay under valgrind's memcheck, in a small
# window, drawn once a second. Fails on any memory error and on any byte
# definitely or indirectly lost.
set -euo pipefail
replay="${1:?usage: valgrind_replay.sh path/to/velmora-replay [SECONDS]}"
seconds="${2:-600}"
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
# Drawn once a second of game time, in a shot (one file, drawn over): drawing
# every frame under valgrind took three quarters of its minutes, and the
# sanitizers watch the drawing of every frame in the window tests.
python3 "$root/tools/soak.py" --print-script --seconds "$seconds" --step 200 --width 80 --seed 2 |
  awk -v folder="$work" '{ print }
    $1 == "frames" { played += $2 * $3; if (played >= next_shot) { print "shot " folder "/shot.png"; next_shot += 1000 } }' \
    >"$work/script.txt"
cd "$root"
status=0
valgrind --error-exitcode=9 --suppressions="$root/tests/valgrind.supp" --leak-check=full \
  --errors-for-leak-kinds=definite,indirect --show-leak-kinds=definite,indirect \
  "$replay" --no-draw --overwrite "$work/script.txt" >"$work/trace.jsonl" 2>"$work/valgrind.log" || status=$?
frames=$(wc -l <"$work/trace.jsonl")
grep -E "ERROR SUMMARY|definitely lost|indirectly lost" "$work/valgrind.log" | sed 's/^==[0-9]*== */valgrind: /'
shots=$(grep -c '^shot ' "$work/script.txt")
echo "valgrind: $frames frames played, $shots of them drawn"
if [ "$status" -ne 0 ] || [ "$frames" -eq 0 ] || [ ! -s "$work/shot.png" ]; then
  cat "$work/valgrind.log" | tail -n 60
  exit 1
fi
