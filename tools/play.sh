#!/usr/bin/env bash
# Builds Velmora and starts it from the project folder, where img/ is.
set -euo pipefail
root="$(cd "$(dirname "${BASH_SOURCE[0]}")/.." && pwd)"
bash "$root/tools/install_dependencies.sh"
cmake -S "$root" -B "$root/build-game" -DCMAKE_BUILD_TYPE=Release -DVELMORA_TESTS=OFF -DVELMORA_BENCH=OFF \
  -DVELMORA_WERROR=OFF >/dev/null
cmake --build "$root/build-game" --target velmora -j "$(nproc)"
exec "$root/build-game/velmora" "$@"
