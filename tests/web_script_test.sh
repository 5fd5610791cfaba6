#!/usr/bin/env bash
# tools/web.sh's own calls, none of which may build: --help prints its usage
# and nothing else, a bad call and a port another program listens on each
# cost one line and a failing status. The script runs from a copy in an
# empty folder, so that anything it built would show there.
# Usage: web_script_test.sh SOURCE_FOLDER
set -euo pipefail
source=$1
work=$(mktemp -d)
listener=""
cleanup() {
  [ -z "$listener" ] || kill "$listener" 2>/dev/null || true
  rm -rf "$work"
}
trap cleanup EXIT
fail() { echo "FAILED: $*"; exit 1; }
mkdir -p "$work/tools"
cp "$source/tools/web.sh" "$work/tools/"

# Runs the copy; its status in status, its output (both streams) in said.
run() {
  status=0
  said=$(bash "$work/tools/web.sh" "$@" 2>&1) || status=$?
}
builtNothing() {
  [ "$(ls -A "$work")" = tools ] || fail "web.sh $1 left $(ls -A "$work" | tr '\n' ' ')"
}

run --help
[ "$status" -eq 0 ] || fail "--help ended with status $status: $said"
grep -q '^Usage: bash tools/web.sh \[--port N\]' <<<"$said" || fail "--help printed no usage: $said"
grep -q -- '--build DIR' <<<"$said" && grep -q -- '--site DIR' <<<"$said" || fail "--help misses a way to call: $said"
builtNothing --help

for call in "--port" "--port 0" "--port 70000" "--port eighty" "--serve"; do
  read -r -a words <<<"$call"
  run "${words[@]}"
  [ "$status" -eq 2 ] || fail "web.sh $call ended with status $status: $said"
  [ "$(wc -l <<<"$said")" -eq 1 ] || fail "web.sh $call said more than one line: $said"
  builtNothing "$call"
done

# A listener on a port the system picked; web.sh is told to serve on it.
python3 -c '
import socket, sys, time
s = socket.socket()
s.bind(("127.0.0.1", 0))
s.listen()
print(s.getsockname()[1], flush=True)
time.sleep(600)' >"$work/port" &
listener=$!
for _ in $(seq 100); do
  [ -s "$work/port" ] && break
  kill -0 "$listener" || fail "the listener ended"
  sleep 0.05
done
port=$(cat "$work/port")
rm "$work/port"
[ -n "$port" ] || fail "the listener gave no port"
run --port "$port"
[ "$status" -eq 1 ] || fail "a port in use ended with status $status: $said"
[ "$(wc -l <<<"$said")" -eq 1 ] || fail "a port in use said more than one line: $said"
grep -q "port $port" <<<"$said" || fail "the line does not name the port: $said"
grep -qi traceback <<<"$said" && fail "a traceback: $said"
builtNothing "--port $port"
echo "PASSED: web.sh --help builds nothing, bad calls and a port in use cost one line each"
