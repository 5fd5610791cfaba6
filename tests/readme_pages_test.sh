#!/usr/bin/env bash
# The README and the pages in docs/ as a reader meets them: the README stays
# short, its first screen starts with the two commands and holds the keys, the
# pictures, the page and the install; CI runs the README's test command; and
# every link, and every script the pages tell one to run, is there.
# Usage: readme_pages_test.sh SOURCE_FOLDER
set -euo pipefail
source=$1
readme="$source/README.md"
fail() { echo "FAILED: $*"; exit 1; }

size=$(wc -c <"$readme")
[ "$size" -lt 10240 ] || fail "the README holds $size bytes, not under 10 KB"

# The first commands a reader sees, before anything else to type.
mapfile -t commands < <(grep -E '^    [^ |]' "$readme" | sed -E 's/^ +//; s/ +#.*//')
[ "${commands[0]:-}" = "bash tools/play.sh" ] || fail "the README's first command is '${commands[0]:-}'"
[ "${commands[1]:-}" = "bash tools/test.sh" ] || fail "the README's second command is '${commands[1]:-}'"
grep -qx "${commands[1]}" "$source/.ci/run" || fail ".ci/run does not run the README's test command"

firstScreen=$(head -n 60 "$readme")
for key in P N M F11 Esc H F1; do
  grep -qE "^\| ([A-Z0-9]+, )*$key(,| \|)" <<<"$firstScreen" || fail "the first screen names no key $key"
done
for wanted in '](docs/start.png)' 'bash tools/web.sh' '## Install' 'cmake -S . -B build '; do
  grep -qF -- "$wanted" <<<"$firstScreen" || fail "the first screen lacks $wanted"
done

# Links and the scripts named, from the folder of the page that names them.
for page in "$readme" "$source"/docs/*.md; do
  folder=$(dirname "$page")
  while read -r target; do
    [ -e "$folder/${target%%#*}" ] || fail "$(basename "$page") links to $target, which is not there"
  done < <(grep -oE '\]\([^)#:]+(#[^)]*)?\)' "$page" | sed -E 's/^\]\(//; s/\)$//')
  while read -r script; do
    [ -f "$source/$script" ] || fail "$(basename "$page") runs $script, which is not there"
  done < <(grep -oE '(bash|python3) (tools|fuzz)/[a-z_./]+' "$page" | sed -E 's/^[a-z0-9]+ //' | sort -u)
done
echo "PASSED: the README's first screen, its commands, and every link and script of the pages"
