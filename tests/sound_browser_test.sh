#!/usr/bin/env bash
# The same mix in the browser as on the desktop: sound_mix_test renders the bed
# of the first bacteria and single pops on OpenAL Soft's loopback device, then
# the browser build is played in headless Chromium and the same two are
# measured where emscripten's OpenAL hands its sound to the speakers
# (sound_browser_check.js).
# The browser build and the driver are the browser tests' own (web_site.sh).
#   sound_browser_test.sh ROOT WEB_OUT SOUND_MIX_TEST
set -euo pipefail
root="$1" out="$2" mix="$3"

if ! heard="$(cd "$root" && "$mix" --gtest_filter='TheMix.EverySound*' 2>&1)"; then
  printf 'FAIL: sound_mix_test failed:\n%s\n' "$heard"
  exit 1
fi
bed="$(sed -nE 's/^  bubbles, 22 bacteria +(-?[0-9.]+).*/\1/p' <<<"$heard")"
# The pops' levels together, as their power adds.
pop="$(sed -nE 's/^  pop +(-?[0-9.]+) .*/\1/p' <<<"$heard" |
  awk '{ sum += 10 ^ ($1 / 10); n++ } END { if (n) printf "%.1f", 10 * log(sum / n) / log(10) }')"
if [ -z "$bed" ] || [ -z "$pop" ]; then
  printf 'FAIL: sound_mix_test printed no levels for the bed and the pops:\n%s\n' "$heard"
  exit 1
fi
echo "ok:   the desktop's mix: the bed of the first bacteria $bed LUFS, a pop $pop LUFS"

cp "$root/tests/sound_browser_check.js" "$out/driver/"
node "$out/driver/sound_browser_check.js" --site "$out/site" --bed "$bed" --pop "$pop"
