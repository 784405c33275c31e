#!/usr/bin/env bash
# Builds the Debian package in a Release build of its own (build-release/) and prints its name:
#   scripts/package.sh && sudo apt install ./build-release/vemora_1.0.0_amd64.deb
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
build="${VEMORA_RELEASE_DIR:-$root/build-release}"

"$root/scripts/deps.sh"
if [ ! -f "$build/CMakeCache.txt" ]; then
  launcher=()
  command -v ccache >/dev/null && launcher=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache)
  cmake -S "$root" -B "$build" -G Ninja -DCMAKE_BUILD_TYPE=Release -DVEMORA_BENCH=OFF "${launcher[@]}"
fi
cmake --build "$build" --parallel "$(nproc)"
(cd "$build" && cpack -G DEB)
ls "$build"/vemora_*.deb
