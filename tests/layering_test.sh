#!/usr/bin/env bash
# The folders point one way. core/, gfx/ and game/ are the game itself and
# include nothing above them nor any platform header. replay/ (recordings,
# traces, scripts and the replay tool) and audio/ (the sound player) sit above
# them; app/ (the desktop window program) and web/ (the browser's entry point)
# are the top, and nothing includes those two except the shared frame loop in
# app/shell.h and app/frame_pacing.h, which every program drives, and
# app/picture_folder.h, so that the replay finds its pictures as the game does.
set -euo pipefail
root="$1"
status=0
higher='#include +"(app|replay|web|audio)/'
platform='#include +<(GL/(glut|freeglut)[a-z_]*\.h|EGL/|emscripten|AL/)'
for dir in core game gfx; do
  if grep -rnE "$higher" "$root/$dir"; then
    echo "$dir/ includes a folder above it"; status=1
  fi
  if grep -rnE "$platform" "$root/$dir"; then
    echo "$dir/ includes a platform header"; status=1
  fi
done
if grep -rnE '#include +"(game|gfx)/' "$root/core"; then
  echo "core/ includes game/ or gfx/"; status=1
fi
for dir in replay audio; do
  [ -d "$root/$dir" ] || continue
  if grep -rnE '#include +"(web|audio|replay)/' "$root/$dir" | grep -vE "#include +\"$dir/"; then
    echo "$dir/ includes a sibling or web/"; status=1
  fi
  if grep -rnE '#include +"app/' "$root/$dir" | grep -vE '#include +"app/(shell|frame_pacing|picture_folder)\.h"'; then
    echo "$dir/ includes the desktop program"; status=1
  fi
done
if grep -rnE '#include +"web/' "$root/app"; then
  echo "app/ includes web/"; status=1
fi
exit $status
