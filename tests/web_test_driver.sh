#!/usr/bin/env bash
# Sets up the browser tests' driver in DIR: the test scripts and
# puppeteer-core, installed from its lock file only when the lock changed.
#   web_test_driver.sh ROOT DIR
set -euo pipefail
root="$1" driver="$2"
mkdir -p "$driver"
cp "$root/web/test/package.json" "$root/web/test/package-lock.json" "$root"/web/test/*.js "$driver/"
if ! cmp -s "$root/web/test/package-lock.json" "$driver/node_modules/.velmora-lock" 2>/dev/null; then
  (cd "$driver" && npm ci --no-audit --no-fund --loglevel=error)
  cp "$root/web/test/package-lock.json" "$driver/node_modules/.velmora-lock"
fi
