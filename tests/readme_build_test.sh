#!/usr/bin/env bash
# The README's Install build as a player types it: configured with the
# README's own options, warnings stay warnings (a newer compiler's new warning
# must not stop a player's build), and the file GCC 12 warned about at -O3
# compiles without one. The whole build is checked by .ci/run.
# Usage: readme_build_test.sh SOURCE_FOLDER WORK_FOLDER
set -euo pipefail
source=$1
work=$2
rm -rf "$work"
mkdir -p "$work"
trap 'rm -rf "$work"' EXIT
fail() { echo "FAILED: $*"; exit 1; }

line=$(grep -m1 -E '^ +cmake -S \. -B build ' "$source/README.md") || fail "no cmake line in the README's Install section"
read -r -a options <<<"$(sed -E 's/^ +cmake -S \. -B build//; s/#.*//' <<<"$line")"
[ "${#options[@]}" -gt 0 ] || fail "the README's cmake line has no options"
echo "the README configures with: ${options[*]}"
cmake -S "$source" -B "$work/build" "${options[@]}" -DCMAKE_EXPORT_COMPILE_COMMANDS=ON >"$work/configure.log" 2>&1 ||
  { cat "$work/configure.log"; fail "the README's configuration failed"; }
grep -qx 'VELMORA_WERROR:BOOL=OFF' "$work/build/CMakeCache.txt" || fail "warnings are errors in the README's build"

# Each file's own compile command, as the build would run it.
python3 - "$work/build/compile_commands.json" "$source" >"$work/compile.log" 2>&1 <<'EOF' ||
import json, subprocess, sys
commands = json.load(open(sys.argv[1]))
wanted = ["tests/sound_files_test.cpp"]
status = 0
for name in wanted:
    entries = [c for c in commands if c["file"].endswith("/" + name)]
    if not entries:
        print(f"{name}: not in the build"); status = 1; continue
    for entry in entries:
        run = subprocess.run(entry["command"], shell=True, cwd=entry["directory"], capture_output=True, text=True)
        print(run.stdout + run.stderr, end="")
        if run.returncode != 0 or "warning:" in run.stderr:
            print(f"{name}: {'failed' if run.returncode else 'warned'} in the README's build"); status = 1
sys.exit(status)
EOF
  { cat "$work/compile.log"; fail "a warning in the README's build"; }
echo "PASSED: the README's Release build leaves warnings as warnings and compiles without them"
