#!/usr/bin/env bash
# The real game's processor use in a window: two games side by side on one
# private Xvfb, one drawing and showing only what changed, the other whole
# frames (VELMORA_WHOLE_FRAMES=1), each thread's time read from /proc over the
# same SECONDS and the frame rate from each game's frame log. Prints a
# Markdown table. With a recording, both watch it (--play) instead of playing.
# The games run SETTLE seconds before they are measured (3 unless given): a game
# left open half an hour has had most of its bacteria brushed away.
# Usage: bench/window_cpu.sh GAME [SECONDS (10)] [RECORDING] [SETTLE]
set -euo pipefail
game="$1" seconds="${2:-10}" recording="${3:-}" settle="${4:-3}"
work="$(mktemp -d)"
pids=()
cleanup() {
  for pid in "${pids[@]}"; do kill "$pid" 2>/dev/null || true; done
  wait 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
display=":$((90 + RANDOM % 400))"
Xvfb "$display" -screen 0 1700x700x24 -nolisten tcp >/dev/null 2>&1 &
pids+=($!)
for _ in $(seq 100); do DISPLAY="$display" xdpyinfo >/dev/null 2>&1 && break; sleep 0.1; done

start() {  # name, x position, extra environment
  mkdir -p "$work/$1/velmora"
  printf 'help off\n' >"$work/$1/velmora/settings"
  local args=(--mute -geometry 800x600+"$2"+0)
  [ -n "$recording" ] && args+=(--play "$recording")
  (env DISPLAY="$display" XDG_CONFIG_HOME="$work/$1" VELMORA_FRAME_LOG="$work/$1/frames" $3 \
     "$game" "${args[@]}" >"$work/$1/log" 2>&1) &
  pids+=($!)
}
start parts 0 "VELMORA_WHOLE_FRAMES=0"
start whole 820 "VELMORA_WHOLE_FRAMES=1"
# Both have drawn for a while (the pictures loaded, the copies kept).
for _ in $(seq 300); do [ -s "$work/parts/frames" ] && [ -s "$work/whole/frames" ] && break; sleep 0.1; done
sleep "$settle"

gamePid() {
  for p in $(pgrep -f "^$game "); do
    if grep -qz "VELMORA_FRAME_LOG=$work/$1/frames" "/proc/$p/environ" 2>/dev/null; then echo "$p"; fi
  done
}
ticks() {  # pid: "thread ticks" lines
  for task in /proc/"$1"/task/*; do
    awk '{ sub(/^[^)]*\) /, ""); print $12 + $13 }' "$task/stat" | sed "s|^|$(cat "$task/comm" | tr ' ' _) |"
  done | awk '{ sum[$1] += $2 } END { for (t in sum) print t, sum[t] }' | sort
}
declare -A before after framesBefore framesAfter
for name in parts whole; do
  pid="$(gamePid $name)"
  before[$name]="$(ticks "$pid")"
  framesBefore[$name]="$(cat "$work/$name/frames")"
  eval "pid_$name=$pid"
done
sleep "$seconds"
for name in parts whole; do
  eval "pid=\$pid_$name"
  after[$name]="$(ticks "$pid")"
  framesAfter[$name]="$(cat "$work/$name/frames")"
done
hz="$(getconf CLK_TCK)"
echo "| game | frames a second | all threads (% of one core) | per thread (%) |"
echo "|---|---:|---:|---|"
for name in parts whole; do
  python3 - "$name" "$hz" "${framesBefore[$name]}" "${framesAfter[$name]}" <<PY
import sys
name, hz = sys.argv[1], float(sys.argv[2])
f0, t0 = map(float, sys.argv[3].split()); f1, t1 = map(float, sys.argv[4].split())
seconds = (t1 - t0) / 1e6
before = dict(l.split() for l in """${before[$name]}""".splitlines() if l.strip())
after = dict(l.split() for l in """${after[$name]}""".splitlines() if l.strip())
use = {t: (float(after[t]) - float(before.get(t, 0))) / hz / seconds * 100 for t in after}
threads = ", ".join(f"{t} {u:.1f}" for t, u in sorted(use.items(), key=lambda x: -x[1]) if u >= 0.05)
label = "drawn in parts" if name == "parts" else "whole frames"
print(f"| {label} | {(f1 - f0) / seconds:.1f} | {sum(use.values()):.1f} | {threads} |")
PY
done
