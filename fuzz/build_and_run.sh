#!/usr/bin/env bash
# Builds the Targa, PNG and replay script fuzzers with clang (libFuzzer,
# AddressSanitizer, UndefinedBehaviorSanitizer) straight from the reader
# sources, warnings as errors, and runs each on a copy of its seed corpus, one
# worker, the three side by side: for SECONDS (default 30), or with --inputs
# for a set number of inputs each (about what 30 s gives them on two cores),
# however long that takes, for a run at low priority beside other work.
# Exits non-zero if any finds a crash, leak, timeout or runaway memory use.
# Usage: fuzz/build_and_run.sh [SECONDS | --inputs]
set -u
limit="${1:-30}"
inputs() { echo "-max_total_time=$limit"; }
if [ "$limit" = --inputs ]; then
    # Ten minutes at most: a machine so busy that they take longer has no
    # room for them.
    declare -A budget=([targa_fuzzer]=250000 [png_fuzzer]=2500000 [script_fuzzer]=300000)
    inputs() { echo "-runs=${budget[$1]} -max_total_time=600"; }
fi
root="$(cd "$(dirname "$0")/.." && pwd)"
out="${VELMORA_FUZZ_DIR:-$root/build-fuzz}"
cxx="${CXX_FUZZ:-clang++}"
flags=(-std=c++17 -O1 -g -Wall -Wextra -Werror -fno-omit-frame-pointer -fsanitize=fuzzer,address,undefined
       -fno-sanitize-recover=all -I "$root")

mkdir -p "$out/artifacts"
build() {
    local name="$1"; shift
    "$cxx" "${flags[@]}" -o "$out/$name" "$@" >"$out/$name.build.log" 2>&1 ||
        { cat "$out/$name.build.log"; return 1; }
}
# The three at once: each is one compiler, and there are cores to spare.
echo "== building the fuzzers"
build targa_fuzzer "$root/fuzz/targa_fuzzer.cpp" "$root/gfx/targa.cpp" & targa=$!
build png_fuzzer "$root/fuzz/png_fuzzer.cpp" "$root/gfx/png_image.cpp" -lpng -lz & png=$!
build script_fuzzer "$root/fuzz/script_fuzzer.cpp" "$root/recording/replay_script.cpp" & script=$!
built=0
for job in "$targa" "$png" "$script"; do wait "$job" || built=2; done
[ "$built" -eq 0 ] || exit 2

run() {
    local name="$1" corpus="$2"; shift 2
    local work="$out/corpus-$corpus"
    rm -rf "$work"
    mkdir -p "$work"
    cp "$root/fuzz/corpus/$corpus/"* "$work/"
    # shellcheck disable=SC2046
    "$out/$name" "$work" $(inputs "$name") -rss_limit_mb=2048 -malloc_limit_mb=64 -timeout=10 \
        -print_final_stats=1 -artifact_prefix="$out/artifacts/$name-" "$@" >"$out/$name.log" 2>&1
}
# libFuzzer's time limit is on the clock: a fuzzer at the lowest priority
# beside busy tests can be held off the processors past it with an input that
# is quick. True when the run failed only by such a timeout: its input takes
# under 10 s of processor time when run again alone.
heldBackOnly() {
    local name="$1" input
    grep -q "ERROR: libFuzzer: timeout" "$out/$name.log" || return 1
    input=$(compgen -G "$out/artifacts/$name-timeout-*" | head -n 1) || return 1
    local TIMEFORMAT="%U %S" used
    used=$({ time "$out/$name" -timeout=120 "$input" >"$out/$name.again.log" 2>&1; } 2>&1) || return 1
    awk -v u="$used" 'BEGIN { split(u, t, " "); exit !(t[1] + t[2] < 10) }' || return 1
    echo "== $name: the input that ran out of time takes $used s (user, system) alone: the machine held the fuzzer back"
}
report() {
    local name="$1" status="$2"
    echo "== $name, $(inputs "$name")"
    if [ "$status" -ne 0 ]; then
        echo "!! $name failed; see $out/$name.log and $out/artifacts/"
        # What it found, and the input (libFuzzer writes small ones out in
        # full), for a run whose files are gone with its machine.
        grep -v -E "^#[0-9]+" "$out/$name.log" | tail -n 40
    fi
    grep -E "^(#[0-9]+ *DONE|stat::number_of_executed_units|stat::peak_rss_mb)" "$out/$name.log" || true
    grep -E "^#[0-9]+" "$out/$name.log" | tail -n 1
}
echo "== running the three fuzzers side by side"
run targa_fuzzer targa & targa=$!
# libpng reports every bad file on standard error; keep the log readable.
run png_fuzzer png -close_fd_mask=2 & png=$!
# 4 KiB, a few seconds of a recording; the longer seeds are cut to that.
run script_fuzzer script -max_len=4096 & script=$!
status=0
for pair in "targa_fuzzer $targa" "png_fuzzer $png" "script_fuzzer $script"; do
    set -- $pair
    code=0
    wait "$2" || code=$?
    [ "$code" -eq 0 ] || ! heldBackOnly "$1" || code=0
    report "$1" "$code"
    [ "$code" -eq 0 ] || status=1
done
exit "$status"
