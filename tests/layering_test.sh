#!/usr/bin/env bash
# The folders point one way: app/ (the platform edge) sits above game/, gfx/
# and core/. Nothing below app/ includes it, and only app/ includes GLUT or EGL.
set -euo pipefail
root="$1"
status=0
for dir in core game gfx; do
  if grep -rnE '#include +"app/' "$root/$dir"; then
    echo "$dir/ includes app/"; status=1
  fi
  if grep -rnE '#include +<(GL/(glut|freeglut)[a-z_]*\.h|EGL/|emscripten)' "$root/$dir"; then
    echo "$dir/ includes a platform header"; status=1
  fi
done
if grep -rnE '#include +"(game|gfx)/' "$root/core"; then
  echo "core/ includes game/ or gfx/"; status=1
fi
exit $status
