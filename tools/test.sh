#!/usr/bin/env bash
# Builds Velmora as the README's Install section does and runs every test:
# the unit, rendering, replay, window, sound and browser tests; the native
# ones again under AddressSanitizer and UndefinedBehaviorSanitizer; and a
# short run of each fuzzer. Warnings are errors here: the README's build may
# print none, and the sanitizer build is made with -Werror.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
jobs="$(nproc)"
# Most window and browser tests wait on real time (a game watched at its own
# pace, a window hidden for seconds): more of them run at once than there are
# processors, and each is steady under load.
testJobs=$((jobs * 2))
bash "$root/tools/install_dependencies.sh" --tests

started=$(date +%s)
stage() { printf '\n== %s (%s, %d s in)\n' "$1" "$(date +%T)" $(($(date +%s) - started)); }

stage "Build, as the README's Install section does"
log="$(mktemp)"
trap 'rm -f "$log"' EXIT
cmake -S "$root" -B "$root/build" -DCMAKE_BUILD_TYPE=Release >"$log" 2>&1 || { cat "$log"; exit 1; }
cmake --build "$root/build" -j "$jobs" 2>&1 | tee -a "$log"
if grep -q 'warning:' "$log"; then
  echo "The build gives warnings:"
  grep -A3 'warning:' "$log"
  exit 1
fi

stage "Tests"
(cd "$root/build" && ctest --output-on-failure -j "$testJobs")

# The first build's tests keep both processors busy, so the sanitizer build
# comes after them (made beside them it only slowed both). At -O0: -O1 saves
# a minute of its tests but costs nearly four more of building.
stage "Build under AddressSanitizer and UndefinedBehaviorSanitizer"
cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug \
  -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DVELMORA_WERROR=ON \
  -DVELMORA_TEST_AREAS="loaders;pictures;replay;window;desktop;soak;sound" >/dev/null
cmake --build "$root/build-sanitize" -j "$jobs"

stage "Tests under AddressSanitizer and UndefinedBehaviorSanitizer"
export ASAN_OPTIONS="detect_leaks=1:abort_on_error=0"
# use_tls=0: LeakSanitizer's scan of the thread-local blocks that the driver's
# run-time loaded libraries hold crashes at exit with this glibc (a bogus block
# range). Not scanning them can only report more, never hide a leak; the game
# keeps nothing in thread-local storage.
export LSAN_OPTIONS="suppressions=$root/tests/driver_leaks.supp:print_suppressions=0:use_tls=0"
export UBSAN_OPTIONS="print_stacktrace=1:halt_on_error=1"
# Left to the first build: what measures speed (the frame rate), what runs
# only Mesa's reference rasterizer for minutes (trimmed quads against whole
# ones), and the checks that run no code of the game's. The page's code is not
# built natively, and the package and the README's build are the first
# build's: the sanitizer build holds only the native tests.
(cd "$root/build-sanitize" &&
  ctest --output-on-failure -j "$testJobs" -E '^(frame_rate_test|replay_trimming_test|layering|bench_table_test|readme_build_test)$')
unset ASAN_OPTIONS LSAN_OPTIONS UBSAN_OPTIONS

if [ -x "$root/fuzz/build_and_run.sh" ]; then
  stage "Fuzzing"
  bash "$root/fuzz/build_and_run.sh" "${VELMORA_FUZZ_SECONDS:-30}"
fi

stage "All tests passed"
