#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, then writes the tables
# of the figures and their ratios into docs/benchmarks.md (and prints it). The
# sections of that file taken by hand (## headings the tables do not hold,
# such as the start-up comparison) are kept as they are.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/install_dependencies.sh" --tests
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
cmake --build "$root/build-bench" -j "$(nproc)" --target game_bench targa_decode_bench velmora
out="$root/build-bench/results"
mkdir -p "$out"
cd "$root"
"$root/build-bench/bench/game_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$out/game.json" --benchmark_out_format=json >/dev/null
"$root/build-bench/bench/targa_decode_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$out/targa.json" --benchmark_out_format=json >/dev/null
python3 "$root/tools/bench_table.py" --into "$root/docs/benchmarks.md" "$out/game.json" "$out/targa.json"
# The real game in a window under Xvfb, drawn in parts beside whole frames.
bash "$root/bench/window_cpu.sh" "$root/build-bench/velmora" 10 >"$out/window.md"
python3 - "$root/docs/benchmarks.md" "$out/window.md" <<'PY'
import sys
path, table = sys.argv[1], open(sys.argv[2]).read().strip()
heading = "## The game in a window at its start"
text = open(path).read()
section = (heading + "\n\nMade by `tools/bench.sh` (`bench/window_cpu.sh`): two games side by side on one Xvfb, "
           "800 x 600, at their start, one drawing and showing only what changed, the other whole frames "
           "(`VELMORA_WHOLE_FRAMES=1`); every thread's processor time over the same 10 s, from /proc. "
           "At the start every tooth is drained and changes about half the frame every frame, so both "
           "draw whole frames: the figures show what measuring the frames costs.\n\n"
           + table + "\n")
rows = [line.split("|") for line in table.splitlines() if line.startswith(("| drawn", "| whole"))]
if len(rows) == 2:
    section += "\nAll threads, drawn in parts / whole frames: %.2f.\n" % (float(rows[0][3]) / float(rows[1][3]))
if heading in text:
    start = text.index(heading)
    end = text.find("\n## ", start + 1)
    text = text[:start] + section + ("" if end < 0 else text[end:])
else:
    text = text.rstrip("\n") + "\n\n" + section
open(path, "w").write(text)
PY
cat "$root/docs/benchmarks.md"
