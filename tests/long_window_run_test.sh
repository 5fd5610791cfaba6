#!/usr/bin/env bash
# tools/long_window_run.sh ending early: with a game that fails at once, and
# stopped by a signal while it waits for a window that never comes. Either
# way it says why, its exit trap runs cleanly and its Xvfb and game are gone.
#   long_window_run_test.sh ROOT
set -uo pipefail
root="$1"
work="$(mktemp -d)"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAIL: $*"; cat "$work/out" 2>/dev/null; exit 1; }

# Waits up to $2 tenths of a second for the command in $1 to succeed.
wait_for() { for _ in $(seq "$2"); do eval "$1" && return 0; sleep 0.1; done; return 1; }
display_of() { sed -n 's/^display :\([0-9]*\)$/\1/p' "$work/out"; }
server_gone() { [ ! -e "/tmp/.X11-unix/X$1" ]; }

check_clean_end() {
  local n
  n="$(display_of)"
  [ -n "$n" ] || fail "$1: no display named"
  grep -q "unbound variable" "$work/out" && fail "$1: the exit trap failed"
  wait_for "server_gone $n" 300 || fail "$1: Xvfb on :$n was left running"
  echo "ok:   $1"
}

# A game that ends at once.
VELMORA_GAME=/bin/false bash "$root/tools/long_window_run.sh" 1 >"$work/out" 2>&1 && fail "a dead game passed"
grep -q "the game ended at start" "$work/out" || fail "the early end was not explained"
check_clean_end "a game that ends at once"

# A game that never opens a window, and the run stopped meanwhile.
printf '#!/bin/sh\necho $$ >%s\nexec sleep 300\n' "$work/game.pid" >"$work/windowless"
chmod +x "$work/windowless"
VELMORA_GAME="$work/windowless" bash "$root/tools/long_window_run.sh" 1 >"$work/out" 2>&1 &
run=$!
wait_for '[ -n "$(display_of)" ] && [ -s "$work/game.pid" ]' 300 || fail "the run did not reach its window wait"
kill -TERM "$run"
wait "$run" && fail "a stopped run passed"
check_clean_end "a run stopped while waiting for the window"
wait_for '! kill -0 "$(cat "$work/game.pid")" 2>/dev/null' 50 || fail "the windowless game was left running"
echo "ok:   its game was stopped too"
