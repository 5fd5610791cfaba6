#!/usr/bin/env bash
# Start-up beside an older commit: builds that commit's game_bench in a
# worktree of its own, then runs StartUpToFirstFrame of both in turn, ROUNDS
# times, from this project's folder (so both read the same pictures), and
# prints the medians and their ratio. With --callgrind it also counts the
# instructions of one start-up of each, which a busy machine does not blur.
# Usage: bench/compare_startup.sh [--callgrind] [COMMIT (87f7762)] [ROUNDS (5)]
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
callgrind=0
if [ "${1:-}" = "--callgrind" ]; then
  callgrind=1
  shift
fi
commit="${1:-87f7762}"
rounds="${2:-5}"
old="${TMPDIR:-/tmp}/velmora-startup-$commit"
export CCACHE_BASEDIR="${CCACHE_BASEDIR:-$root}"
launcher=()
command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)

build() {  # source folder, build folder
  cmake -S "$1" -B "$2" -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVELMORA_WERROR=ON "${launcher[@]}" >/dev/null
  cmake --build "$2" -j 2 --target game_bench >/dev/null
}
[ -d "$old" ] || git -C "$root" worktree add --detach "$old" "$commit" >/dev/null
build "$old" "$old/build-bench"
build "$root" "$root/build-test"
benches=("$old/build-bench/bench/game_bench" "$root/build-test/bench/game_bench")

# Median wall and processor milliseconds of three start-ups.
run() {
  (cd "$root" && "$1" --benchmark_filter='^StartUpToFirstFrame$' --benchmark_repetitions=3 \
    --benchmark_report_aggregates_only=true --benchmark_format=csv 2>/dev/null) |
    awk -F, '/_median/ { printf "%.3f %.3f\n", $3, $4 }'
}
median() { sort -g | awk '{ v[NR] = $1 } END { print (NR % 2) ? v[(NR + 1) / 2] : (v[NR / 2] + v[NR / 2 + 1]) / 2 }'; }

: >"$old.times"
: >"$root/build-test/startup.times"
for ((i = 0; i < rounds; i++)); do
  run "${benches[0]}" >>"$old.times"
  run "${benches[1]}" >>"$root/build-test/startup.times"
done
oldWall=$(cut -d' ' -f1 "$old.times" | median)
oldCpu=$(cut -d' ' -f2 "$old.times" | median)
newWall=$(cut -d' ' -f1 "$root/build-test/startup.times" | median)
newCpu=$(cut -d' ' -f2 "$root/build-test/startup.times" | median)
echo "| StartUpToFirstFrame | $commit | this tree | ratio |"
echo "|---|---:|---:|---:|"
awk -v a="$oldWall" -v b="$newWall" 'BEGIN { printf "| wall time (ms) | %.1f | %.1f | %.2f |\n", a, b, b / a }'
awk -v a="$oldCpu" -v b="$newCpu" 'BEGIN { printf "| processor time, main thread (ms) | %.1f | %.1f | %.2f |\n", a, b, b / a }'

if [ "$callgrind" = 1 ]; then
  # One start-up each, its first, counted from the game's construction to the
  # first frame's end: the context is made before.
  count() {
    (cd "$root" && valgrind --tool=callgrind --callgrind-out-file=/dev/null \
      --toggle-collect='*startedGame*' --toggle-collect='GameState::render*' \
      --toggle-collect='finishOffscreenFrame*' \
      "$1" --benchmark_filter='^StartUpToFirstFrame$' --benchmark_min_time=0.001 2>&1) |
      awk '/Collected/ { print $4 }' | tr -d ,
  }
  a=$(count "${benches[0]}")
  b=$(count "${benches[1]}")
  awk -v a="$a" -v b="$b" 'BEGIN { printf "| instructions (millions) | %.1f | %.1f | %.2f |\n", a / 1e6, b / 1e6, b / a }'
fi
