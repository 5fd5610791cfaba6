#!/usr/bin/env bash
# The trace of a fixed two-minute game, bacteria included, must stay the same to
# the last bit: speed work may change how the rules are computed, never what
# they give. The expected digest was taken after the waiting times and the
# scrub were last put in the rules' own order of arithmetic.
set -euo pipefail
replay="${1:?usage: pinned_trace_test.sh path/to/velmora-replay}"
here="$(cd "$(dirname "${BASH_SOURCE[0]}")" && pwd)"
lines=$("$replay" --bacteria "$here/replay_scripts/pinned_game.txt" | tee /tmp/velmora-pinned-$$.jsonl | wc -l)
digest=$(sha256sum </tmp/velmora-pinned-$$.jsonl | cut -d' ' -f1)
rm -f /tmp/velmora-pinned-$$.jsonl
expected=$(cat "$here/replay_scripts/pinned_game.sha256")
echo "pinned game: $lines frames, trace digest $digest"
[ "$lines" -eq 5582 ] || { echo "expected 5582 frames"; exit 1; }
[ "$digest" = "$expected" ] || { echo "the trace changed (expected $expected)"; exit 1; }
