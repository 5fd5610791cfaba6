#!/usr/bin/env bash
# tools/bench.sh's tables written into docs/benchmarks.md as bench.sh writes
# them: the figures are replaced, the sections taken by hand are kept word
# for word, and writing twice changes nothing more.
# Usage: bench_table_test.sh SOURCE_FOLDER
set -euo pipefail
source=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

cat >"$work/game.json" <<'EOF'
{"context": {"num_cpus": 7, "host_name": "testhost"},
 "benchmarks": [
  {"name": "UpdateAtHeaviestLoad_median", "run_name": "UpdateAtHeaviestLoad", "aggregate_name": "median",
   "real_time": 123456.0, "time_unit": "ns"},
  {"name": "UpdateAtHeaviestLoad_mean", "run_name": "UpdateAtHeaviestLoad", "aggregate_name": "mean",
   "real_time": 999999.0, "time_unit": "ns"}]}
EOF
docs="$work/benchmarks.md"
cp "$source/docs/benchmarks.md" "$docs"
# The hand-taken sections: everything from the first "## " heading on.
hand=$(sed -n '/^## /,$p' "$source/docs/benchmarks.md")
[ -n "$hand" ] || fail "docs/benchmarks.md has no section taken by hand to keep"
# A made-up section at the very end, with a heading-like line in a code block.
printf '\n## Notes by hand\n\n```\n## not a heading\n```\n' >>"$docs"

for round in 1 2; do
  python3 "$source/tools/bench_table.py" --into "$docs" "$work/game.json" || fail "round $round: bench_table.py failed"
  [ "$(grep -c '^# Benchmarks$' "$docs")" = 1 ] || fail "round $round: not one title"
  grep -q '^| UpdateAtHeaviestLoad | 0.1235 | 0.3 | yes |$' "$docs" || fail "round $round: the new figure is missing"
  ! grep -q '0.2320' "$docs" || fail "round $round: an old figure is left"
  grep -q '^7 CPUs, testhost;' "$docs" || fail "round $round: the machine line is old"
  [ "$(sed -n '/^## /,$p' "$docs" | head -n "$(wc -l <<<"$hand")")" = "$hand" ] ||
    fail "round $round: the start-up section was not kept word for word"
  tail -n 6 "$docs" | grep -qx '## Notes by hand' || fail "round $round: the last section moved or went"
  tail -n 2 "$docs" | grep -qx '## not a heading' || fail "round $round: the code block was cut"
  cp "$docs" "$work/round-$round.md"
done
cmp -s "$work/round-1.md" "$work/round-2.md" || fail "writing the tables again changed the file"

# Printed alone, the tables are the same as those written into the file.
python3 "$source/tools/bench_table.py" "$work/game.json" >"$work/printed.md"
[ "$(sed '/^## /,$d' "$docs")" = "$(cat "$work/printed.md")" ] || fail "the printed tables differ from the file's"
echo "PASSED"
