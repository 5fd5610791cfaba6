#!/usr/bin/env bash
# Builds the benchmarks in Release and runs them all, then writes the tables
# of the figures and their ratios into docs/benchmarks.md (and prints it). The
# sections of that file taken by hand (## headings the tables do not hold,
# such as the start-up comparison) are kept as they are.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/install_dependencies.sh" --tests
cmake -S "$root" -B "$root/build-bench" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=ON >/dev/null
cmake --build "$root/build-bench" -j "$(nproc)" --target game_bench targa_decode_bench
out="$root/build-bench/results"
mkdir -p "$out"
cd "$root"
"$root/build-bench/bench/game_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$out/game.json" --benchmark_out_format=json >/dev/null
"$root/build-bench/bench/targa_decode_bench" --benchmark_repetitions=3 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$out/targa.json" --benchmark_out_format=json >/dev/null
python3 "$root/tools/bench_table.py" --into "$root/docs/benchmarks.md" "$out/game.json" "$out/targa.json"
cat "$root/docs/benchmarks.md"
