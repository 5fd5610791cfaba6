#!/usr/bin/env bash
# Builds Velmora as the README's Install section does and runs every test
# once: the native ones (unit, rendering, replay, window, sound) under
# AddressSanitizer and UndefinedBehaviorSanitizer, the rest (the page, the
# package, valgrind, speed) in the README's build; and a short run of each
# fuzzer. Warnings are errors here: the README's build may
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

# Each test runs once: here what needs the plain build (the page, the package,
# valgrind, speed, the long listening; the label "plain" in tests/CMakeLists.txt),
# the native tests under the sanitizers below, built meanwhile at the lowest
# priority: the tests keep both processors busy but for their last minute,
# when they mostly wait on browsers, and the build takes what they leave.
# At -O0: -O1 saves a minute of its tests but costs nearly four more of
# building. The page's code is not built natively, and the package and
# valgrind are the plain build's: the sanitizer build holds only the native
# tests.
stage "Tests of the plain build, and the sanitizer build beside them"
sanitizeLog="$(mktemp)"
trap 'rm -f "$log" "$sanitizeLog"' EXIT
# Runs a command at the lowest priority, in a process group of its own so that
# a failed test stops all of it. A group of its own is a session of its own,
# which a kernel that schedules sessions as groups (autogroup, as Debian's
# does) weighs as much as the tests whatever the command's nice: the
# session's group is lowered too.
atLowestPriority() {
  setsid -w bash -c 'echo 19 >/proc/self/autogroup 2>/dev/null; exec nice -n 19 "$@"' lowest "$@"
}
atLowestPriority env root="$root" jobs="$jobs" bash -c '
  cmake -S "$root" -B "$root/build-sanitize" -DCMAKE_BUILD_TYPE=Debug \
    -DVELMORA_SANITIZE=ON -DVELMORA_BENCH=OFF -DVELMORA_WERROR=ON \
    -DVELMORA_TEST_AREAS="loaders;pictures;replay;window;desktop;soak;sound" &&
    cmake --build "$root/build-sanitize" -j "$jobs"' >"$sanitizeLog" 2>&1 &
sanitizeBuild=$!
if ! (cd "$root/build" && ctest --output-on-failure -j "$testJobs" -L plain); then
  kill -- -"$sanitizeBuild" 2>/dev/null
  exit 1
fi
stage "The sanitizer build's end"
if ! wait "$sanitizeBuild"; then
  cat "$sanitizeLog"
  exit 1
fi
grep -E '^\[100%\] Built target' "$sanitizeLog" | tail -n 1

stage "Tests under AddressSanitizer and UndefinedBehaviorSanitizer, and the fuzzers beside them"
# The fuzzers try a set number of inputs each, at the lowest priority: the
# tests keep both processors busy but for their last half minute, when the
# last window tests mostly wait, and the fuzzers take what they leave.
fuzzing=""
if [ -x "$root/fuzz/build_and_run.sh" ]; then
  fuzzLog="$(mktemp)"
  trap 'rm -f "$log" "$sanitizeLog" "$fuzzLog"' EXIT
  atLowestPriority bash "$root/fuzz/build_and_run.sh" --inputs >"$fuzzLog" 2>&1 &
  fuzzing=$!
fi
# The sanitizers' settings are the build's own (tests/CMakeLists.txt).
if ! (cd "$root/build-sanitize" && ctest --output-on-failure -j "$testJobs" -LE plain); then
  [ -z "$fuzzing" ] || kill -- -"$fuzzing" 2>/dev/null
  exit 1
fi
if [ -n "$fuzzing" ]; then
  stage "The fuzzers' end"
  fuzzStatus=0
  wait "$fuzzing" || fuzzStatus=$?
  cat "$fuzzLog"
  [ "$fuzzStatus" -eq 0 ] || exit 1
fi

stage "All tests passed"
